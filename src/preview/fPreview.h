// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <classify/FieldMap.h>
#include <diagram/DiagramRenderer.h>
#include <plot/FigureSettings.h>

#include <QPointer>
#include <QWidget>

#include <array>
#include <memory>
#include <optional>

class Dialogs;
class CurrentFigureSource;
class DigitiserCanvas;
class DigitiserSession;
class DigitiserTarget;
class FigureCanvas;
class PreviewFeed;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QStackedWidget;
class QToolButton;
class SettingsStore;
class UnderlayMemory;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QVBoxLayout;
class fPicData;
class fPicLbl;
class mTaprell;

// "图版预览": the catalogue's current figure drawn as it is being edited (see PreviewFeed), the
// data coordinates under the mouse, what the drawing could not show, and the thumbnail and
// export buttons. Modeless, beside the catalogue; the catalogue keeps at most one.
//
// It is also the digitiser: "载入底图…" puts a scan under the figure (remembered per figure
// number in the user's settings), "定标…" calibrates it, and then clicks, drags, Delete, Ctrl+Z
// and Ctrl+V edit the working copies of the data and label windows through a DigitiserTarget.
class fPreview : public QWidget
{
    Q_OBJECT

public:
    static const QString caption; // "图版预览"

    fPreview(mTaprell &taprell, Dialogs &dialogs, CurrentFigureSource &catalogue, QWidget *parent = nullptr);
    ~fPreview() override;

    PreviewFeed &feed() { return *m_feed; }
    FigureCanvas *canvas() const { return m_canvas; }
    // What the drawing of the figure shown could not show.
    QStringList problems() const;

    // Follow the data or label window's working copy (null: none open).
    void followPoints(fPicData *window);
    void followLabels(fPicLbl *window);

    // "生成缩略图": the thumbnail folder + thumbnail name + ".gif", from the figure as shown, at
    // the size of the catalogue's picture box. Asks before replacing a file. True when written.
    bool writeThumbnail();
    // Draws the figure as shown into the file (.svg, .pdf, .png) at the size chosen in the
    // window. Shows what failed; true when written.
    bool exportTo(const QString &fileName);
    void setExportSize(QSize size);

    void bringToFront();

    // The digitiser. The settings store keeps each figure's scan and calibration (the user's
    // own store unless one is set); the target is the open windows' working copies (none: the
    // digitiser shows the scan but adds nothing).
    void setSettingsStore(SettingsStore *settings);
    void setDigitiserTarget(DigitiserTarget *target);
    DigitiserCanvas *digitiserCanvas() const { return m_digitiser; }
    DigitiserSession &session() { return *m_session; }
    // Shows the scan under the current figure and remembers it; a notice and nothing changed
    // when it cannot be read.
    bool loadUnderlay(const QString &fileName);
    void removeUnderlay();
    bool hasUnderlay() const;
    // "定标…": the next clicks on the scan give the reference points, typed values complete
    // them, "应用定标" makes the calibration (a notice, and the old one kept, when it cannot).
    void startCalibration();
    bool applyCalibration();
    // Ctrl+Z, Delete, Ctrl+V.
    void undoLastStep();
    void removeSelectedPoint();
    void pasteTable(const QString &text);
    // N: line number + 1, so the next click starts a new line.
    void startNewLine();

    // The fields view ("分区"): each field of the figure filled with a light colour, the fields
    // without a name or with several marked and listed with the line ends that meet nothing. A
    // click on a field names it, a click on such an end extends it to the frame; both are kept
    // in the store (the library's, when set; else for this session only).
    void setPlotSettings(plot::FigureSettingsStore *settings) { m_plotSettings = settings; }
    void showFields(bool shown);
    const Classify::FieldMap *fields() const { return m_fields.get(); }
    bool nameFieldAt(QPointF data, const QString &name);
    bool extendEndAt(QPointF data);

    // "导出图版…": the stored figure as a Taprell bundle, or as a lines file of the scripting
    // tools with its fields as polygons. Shows what failed; true when written.
    bool exportFigureFile(const QString &fileName, bool linesFile);

signals:
    // A thumbnail file was written: the catalogue shows it again.
    void thumbnailWritten(const QString &fileName);
    // The user asked to put samples on the figure (the button 样品投图).
    void plotRequested();

private:
    void buildControls();
    void figureChanged();
    void showCoordinates(QPointF data, bool inside);
    // The small note beside the source line naming the labels that cross a line as drawn now.
    void showLabelsOnLines();
    void exportClicked();
    void notice(const QString &text, const QString &details = {});
    void buildDigitiserControls(QVBoxLayout *layout);
    void updateDigitiser();
    void recallUnderlay();
    void calibrationClicked(QPointF pixel);
    void showCalibrationRows();
    void chooseUnderlayFile();
    // One more than the highest line number of the working copy (1 when it has no points).
    int nextFreeLine() const;
    // The drawing's problems, without the one point of the line being clicked in.
    void showProblems();
    // The status line: what the next click does, or what is missing for it.
    void refreshHint();
    void buildFields();
    void fieldClicked(QPointF data, QPoint position);
    plot::FigureSettingsStore &plotSettings();
    bool writeFieldSettings(const plot::FigureSettings &settings);
    void showStatus(const QString &text);

    mTaprell &m_taprell;
    Dialogs &m_dialogs;
    PreviewFeed *m_feed = nullptr;
    std::shared_ptr<const DiagramRenderer> m_renderer;

    FigureCanvas *m_canvas = nullptr;
    QLabel *m_source = nullptr;
    QLabel *m_coordinates = nullptr;
    QLabel *m_labelsOnLines = nullptr;
    QPlainTextEdit *m_problems = nullptr;
    QPushButton *m_thumbnail = nullptr;
    QPushButton *m_export = nullptr;
    QSpinBox *m_width = nullptr;
    QSpinBox *m_height = nullptr;
    QToolButton *m_fieldsButton = nullptr;
    std::shared_ptr<const Classify::FieldMap> m_fields;
    plot::FigureSettings m_fieldSettings; // of the figure the fields were built for
    plot::FigureSettingsStore *m_plotSettings = nullptr;
    plot::MemorySettingsStore m_sessionSettings;

    std::unique_ptr<SettingsStore> m_ownSettings;
    std::unique_ptr<UnderlayMemory> m_memory;
    DigitiserSession *m_session = nullptr;
    QPointer<DigitiserTarget> m_target;
    QString m_underlayFor; // the figure number whose underlay is shown, or was looked up
    QString m_underlayFile;
    std::shared_ptr<const DiagramRenderer> m_digitiserRenderer;

    QStackedWidget *m_views = nullptr;
    DigitiserCanvas *m_digitiser = nullptr;
    QPushButton *m_loadUnderlay = nullptr;
    QPushButton *m_calibrate = nullptr;
    QPushButton *m_removeUnderlay = nullptr;
    QToolButton *m_modePoints = nullptr;
    QToolButton *m_modeLabels = nullptr;
    QSpinBox *m_series = nullptr;
    QToolButton *m_newLine = nullptr;
    QToolButton *m_fit = nullptr;
    bool m_tookPoints = false; // the target took points at the last update
    QCheckBox *m_curve = nullptr;
    QComboBox *m_lineType = nullptr;
    QLabel *m_status = nullptr;
    QString m_hint;     // the last hint shown in the status line
    QString m_toolsFor; // the figure number the tools were last set for

    QGroupBox *m_calibration = nullptr;
    QComboBox *m_calibrationKind = nullptr;
    std::array<QLabel *, 4> m_refNames{};
    std::array<QLineEdit *, 4> m_refX{};
    std::array<QLineEdit *, 4> m_refY{};
    std::array<std::optional<QPointF>, 4> m_refPixels;
    int m_nextRef = 0;
};
