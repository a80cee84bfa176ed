// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "DiagramRenderer.h"

#include <QWidget>

#include <memory>

class FigureCanvas;
class PreviewFeed;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class WorkingListModel;
class fPicData;
class fPicLbl;
class mTaprell;

// "图版预览": the catalogue's current figure drawn as it is being edited (see PreviewFeed), the
// data coordinates under the mouse, what the drawing could not show, and the thumbnail and
// export buttons. Modeless, beside the catalogue; the catalogue keeps at most one.
class fPreview : public QWidget
{
    Q_OBJECT

public:
    static const QString caption; // "图版预览"

    fPreview(mTaprell &taprell, WorkingListModel &catalogue, QWidget *parent = nullptr);
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

public slots:
    void setCatalogueRow(int row);

signals:
    // A thumbnail file was written: the catalogue shows it again.
    void thumbnailWritten(const QString &fileName);

private:
    void buildControls();
    void figureChanged();
    void showCoordinates(QPointF data, bool inside);
    void exportClicked();
    void notice(const QString &text, const QString &details = {});

    mTaprell &m_taprell;
    PreviewFeed *m_feed = nullptr;
    std::shared_ptr<const DiagramRenderer> m_renderer;

    FigureCanvas *m_canvas = nullptr;
    QLabel *m_source = nullptr;
    QLabel *m_coordinates = nullptr;
    QPlainTextEdit *m_problems = nullptr;
    QPushButton *m_thumbnail = nullptr;
    QPushButton *m_export = nullptr;
    QSpinBox *m_width = nullptr;
    QSpinBox *m_height = nullptr;
};
