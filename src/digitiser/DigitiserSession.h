// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <diagram/DiagramMapping.h>
#include <diagram/Figure.h>
#include <digitiser/Calibration.h>

#include <QList>
#include <QObject>
#include <QPointer>
#include <QVariant>

#include <optional>

class DigitiserTarget;

// What a click, a drag, a key or a paste in the digitiser does to the working copies, with
// several levels of undo; no widgets. Every change goes through the DigitiserTarget.
//
// The undo steps address rows by index, so they hold only while nobody else changes the
// working copies: a change that does not come from here (an edit in a window, a save, a
// reload) forgets them.
class DigitiserSession : public QObject
{
    Q_OBJECT

public:
    explicit DigitiserSession(QObject *parent = nullptr);

    void setTarget(DigitiserTarget *target);
    DigitiserTarget *target() const { return m_target; }
    void setCalibration(const Calibration &calibration) { m_calibration = calibration; }
    const Calibration &calibration() const { return m_calibration; }
    // The figure's frame (its axis ranges, or the triangle) for snapping; none: no frame.
    void setFrame(std::optional<DiagramMapping> frame) { m_frame = std::move(frame); }

    // The small toolbar: line number, curve flag and line type of the next points.
    int series = 1;
    bool curve = false;
    int lineType = 1;

    // The point a click at the data coordinates appends: the chosen line number and curve flag,
    // and line type 0 when it starts a line (no point of that line number yet), the chosen one
    // otherwise.
    FigurePoint nextPoint(const QString &x, const QString &y) const;

    // Where a click puts a point: its data coordinates as stored, and what they were snapped to.
    struct Placement
    {
        QString x;
        QString y;
        QString snappedTo; // for the status line ("落在已有的点上", "X 与已有的点对齐", …); empty: none
    };
    // Snaps the click onto what the user aims at, each within its radius (scan pixels):
    // - an existing point or a corner of the frame within pointRadius: exactly its X and Y;
    // - else an edge of the frame (a side of the triangle) within lineRadius: on it exactly;
    // - else X and Y each on the nearest X or Y of an existing point or of the frame whose
    //   line passes within lineRadius, so a vertical or horizontal line stays so.
    // Whatever is not snapped is the click rounded as Calibration::roundedData does. Radii of 0
    // snap nothing.
    Placement place(QPointF pixel, double pointRadius, double lineRadius) const;

    // Each returns false and sets *error (Chinese, for the user) when nothing was done.
    bool appendAt(QPointF pixel, QString *error);
    bool append(const Placement &placement, QString *error);
    bool moveTo(int index, QPointF pixel, QString *error);
    bool removePoint(int index, QString *error);
    bool placeLabel(QPointF pixel, const QString &text, QString *error);
    // Appends the pasted table as one undo step; nothing when a line is refused.
    // *headerLine: the line taken as the columns' names (0: none).
    bool paste(const QString &text, int *added, QString *error, int *headerLine = nullptr);

    bool canUndo() const { return !m_undo.isEmpty(); }
    int undoDepth() const { return static_cast<int>(m_undo.size()); }
    bool undo(QString *error);

    // The index of the point nearest to the pixel within the radius (scan pixels), or -1.
    int pointNear(QPointF pixel, double radius) const;

signals:
    void undoChanged();

private:
    struct Step
    {
        enum class Kind
        {
            Append, // index, count
            Move,   // index, old x / y
            Remove, // index, removed
            Label,  // index
        };
        Step(Kind k, int i)
            : kind(k)
            , index(i)
        {
        }
        Kind kind;
        int index = -1;
        int count = 1;
        QString oldX;
        QString oldY;
        QVariant removed;
    };

    bool readyForPoints(QString *error) const;
    void push(const Step &step);
    void targetChanged();

    QPointer<DigitiserTarget> m_target;
    Calibration m_calibration;
    std::optional<DiagramMapping> m_frame;
    QList<Step> m_undo;
    bool m_acting = false; // a change of the target is ours
};
