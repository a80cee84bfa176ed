// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QRect>
#include <QSize>

class QWidget;

// Where a window opens beside another: within the screen's available area, and covering as
// little of what the user works with as possible.
namespace WindowPlacement {

struct Request
{
    QRect anchor;        // the window to go beside, frame included
    QSize frame;         // the new window's size, frame included
    QSize minimum;       // what it can shrink to (its frame size when it cannot)
    QRect available;     // the screen's available area
    QList<QRect> keep;   // controls of the anchor to keep in sight above all
    QList<QRect> others; // other open windows, covered only when nothing else is left
    int stepDown = 0;    // how far below the anchor's top the window starts
};

// The new window's frame rectangle: right of the anchor, else left, below or above, shrunk to
// the room there when it can be, else moved into the screen where it covers the least: first
// of the kept controls, then of the anchor, then of the other windows.
QRect beside(const Request &request);

// Places a top-level window that is not shown yet beside the anchor window (its frame is taken
// to be as thick as the anchor's), resizing it when it has to shrink (a window of fixed size
// never does; others to half their size at most).
void placeBeside(QWidget *window, const QWidget *anchor, const QList<const QWidget *> &keep,
                 const QList<const QWidget *> &others, int stepDown);

} // namespace WindowPlacement
