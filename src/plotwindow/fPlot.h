// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <plot/FigureSettings.h>
#include <plot/PlotSession.h>

#include <QFutureWatcher>
#include <QPointer>
#include <QWidget>

#include <atomic>
#include <memory>
#include <vector>

class CurrentFigureSource;
class DiagramRenderer;
struct RenderOptions;
class Dialogs;
class FigureCanvas;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableView;
class SampleLayer;
class mTaprell;

namespace plotwindow {

class SampleTableModel;

// 样品投图: a table of analyses on figures of the library. The table comes pasted (Ctrl+V) or
// from a CSV, TSV or XLSX file; the figures are the catalogue's current one and any others
// added; each figure's axis expressions, titles and field corrections come from the library and
// can be edited and saved back. The diagram shows the samples of the chosen figure (hovering one
// names it), the table every sample's coordinates and field on every figure. Reading a table and
// computing run on a worker thread with a progress bar and a cancel button.
class fPlot : public QWidget
{
    Q_OBJECT

public:
    fPlot(mTaprell &taprell, Dialogs &dialogs, CurrentFigureSource &catalogue, plot::FigureSettingsStore *settings,
          QWidget *parent = nullptr);
    ~fPlot() override;

    // As Ctrl+V does with the clipboard's text.
    void pasteTable(const QString &text);
    // Starts reading the file (the sheet of an XLSX file, the first when empty); the table is
    // replaced when the read succeeds.
    void openTable(const QString &fileName, const QString &sheet = {});
    // Adds a figure of the library and makes it the one shown; false when it cannot be read.
    bool addFigure(const QString &figureNumber);
    // Writes the shown figure's expressions and titles to the library.
    bool saveSettings();
    bool exportPicture(const QString &fileName, QSize size, int dotsPerInch);
    bool exportTable(const QString &fileName);

    bool isBusy() const { return m_busy; }
    void cancel();
    const plot::PlotSession &session() const { return m_session; }
    QTableView *tableView() const { return m_tableView; }
    // The text a hover at the canvas position shows; empty where there is no sample.
    QString sampleTextAt(QPoint canvasPosition);
    FigureCanvas *canvas() const { return m_canvas; }
    const SampleLayer *shownSamples() const { return m_layer.get(); }

signals:
    // A read or a computation ended (successfully or not).
    void idle();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Titles
    {
        QString x, y;
    };

    void buildWindow();
    void loadFigureList();
    void chooseCurrentFigure();
    void showFigure(int index);
    void expressionsEdited();
    void titlesEdited();
    void namedColumnsEdited();
    void updateChecks();
    void tableRead(const samples::ReadResult &result, const QString &source);
    void columnsChanged();
    void groupChosen();
    void compute();
    void computed();
    void showSamples();
    // The axis titles (or a triangle's corner names) of the chosen figure.
    void setTitles(int index, RenderOptions &options) const;
    void setBusy(bool busy, const QString &what);
    void showMessage(const QString &text, bool problem);
    void buildHoverIndex();
    void scheduleHoverIndex();
    qsizetype sampleNear(QPoint canvasPosition);
    void openClicked();
    void exportPictureClicked();
    void exportTableClicked();
    void addFigureClicked();
    void removeFigureClicked();

    mTaprell &m_taprell;
    Dialogs &m_dialogs;
    CurrentFigureSource &m_catalogue;
    plot::FigureSettingsStore *m_settings;
    plot::PlotSession m_session;
    QList<Titles> m_titles;               // per chosen figure
    QList<plot::FigureSettings> m_stored; // per chosen figure: what the library gave
    std::shared_ptr<const DiagramRenderer> m_renderer;
    std::unique_ptr<SampleLayer> m_layer;

    QFutureWatcher<samples::ReadResult> m_reading;
    QFutureWatcher<bool> m_computing;
    std::atomic<bool> m_cancelled = false;
    std::atomic<int> m_progressValue = 0;
    bool m_busy = false;
    bool m_recompute = false; // expressions changed while busy

    // Where the shown samples are on the canvas: samples by cell of a grid of hoverCell pixels.
    static constexpr int hoverCell = 8;
    QSize m_hoverSize;
    int m_hoverColumns = 0;
    std::vector<qint32> m_hoverStart; // per cell, into m_hoverSamples (one more than cells)
    std::vector<qsizetype> m_hoverSamples;
    std::vector<QPointF> m_hoverPoints;

    QPushButton *m_open = nullptr;
    QPushButton *m_paste = nullptr;
    QLabel *m_tableInfo = nullptr;
    QComboBox *m_idColumn = nullptr;
    QComboBox *m_groupColumn = nullptr;
    QComboBox *m_figure = nullptr;
    QComboBox *m_library = nullptr;
    QPushButton *m_add = nullptr;
    QPushButton *m_remove = nullptr;
    QList<QLineEdit *> m_axisEdits; // x, y, left, top, right
    QList<QLabel *> m_axisLabels;
    QList<QLabel *> m_axisChecks;
    QLineEdit *m_xTitle = nullptr;
    QLineEdit *m_yTitle = nullptr;
    QLineEdit *m_named = nullptr;
    QPushButton *m_save = nullptr;
    FigureCanvas *m_canvas = nullptr;
    QTableView *m_tableView = nullptr;
    SampleTableModel *m_model = nullptr;
    QLabel *m_counts = nullptr;
    QLabel *m_message = nullptr;
    QProgressBar *m_progress = nullptr;
    QPushButton *m_cancel = nullptr;
    QSpinBox *m_pictureWidth = nullptr;
    QSpinBox *m_pictureHeight = nullptr;
    QSpinBox *m_pictureDpi = nullptr;
    QPushButton *m_exportPicture = nullptr;
    QPushButton *m_exportTable = nullptr;
};

} // namespace plotwindow
