// SPDX-License-Identifier: GPL-3.0-or-later
#include <widgets/WindowPlacement.h>

#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <array>
#include <tuple>

namespace {

constexpr int gap = 8;

qint64 area(const QRect &rect)
{
    return rect.isEmpty() ? 0 : qint64(rect.width()) * rect.height();
}

qint64 covered(const QRect &window, const QList<QRect> &rects)
{
    qint64 sum = 0;
    for (const QRect &r : rects) {
        sum += area(window.intersected(r));
    }
    return sum;
}

// The rectangle moved (never resized) into the area, its top left kept in sight when it is
// larger.
QRect moveInto(QRect rect, const QRect &area)
{
    rect.moveLeft(std::max(area.left(), std::min(rect.left(), area.right() + 1 - rect.width())));
    rect.moveTop(std::max(area.top(), std::min(rect.top(), area.bottom() + 1 - rect.height())));
    return rect;
}

} // namespace

QRect WindowPlacement::beside(const Request &r)
{
    if (r.available.isEmpty()) {
        return QRect(QPoint(r.anchor.right() + 1 + gap, r.anchor.top() + r.stepDown), r.frame);
    }
    // Never larger than the screen, unless it cannot shrink that far.
    const QSize minimum = r.minimum.boundedTo(r.frame);
    const QSize size = r.frame.boundedTo(r.available.size()).expandedTo(minimum);
    const int top = r.anchor.top() + r.stepDown;

    // Room on each side of the anchor within the screen.
    const int roomRight = r.available.right() - (r.anchor.right() + gap);
    const int roomLeft = (r.anchor.left() - gap) - r.available.left();
    const int roomBelow = r.available.bottom() - (r.anchor.bottom() + gap);
    const int roomAbove = (r.anchor.top() - gap) - r.available.top();

    QList<QRect> candidates;
    auto sideways = [&](int room, bool right) {
        for (const int width : {size.width(), std::clamp(room, minimum.width(), size.width())}) {
            const int left = right ? r.anchor.right() + 1 + gap : r.anchor.left() - gap - width;
            candidates << moveInto(QRect(left, top, width, size.height()), r.available);
        }
    };
    auto vertical = [&](int room, bool below) {
        for (const int height : {size.height(), std::clamp(room, minimum.height(), size.height())}) {
            const int y = below ? r.anchor.bottom() + 1 + gap : r.anchor.top() - gap - height;
            candidates << moveInto(QRect(r.anchor.left(), y, size.width(), height), r.available);
        }
    };
    sideways(roomRight, true);
    sideways(roomLeft, false);
    vertical(roomBelow, true);
    vertical(roomAbove, false);

    // Least covered first; of equals the larger window, then the earlier side.
    auto cost = [&](const QRect &c) {
        return std::tuple(covered(c, r.keep), area(c.intersected(r.anchor)), covered(c, r.others), -area(c));
    };
    return *std::min_element(candidates.cbegin(), candidates.cend(),
                             [&](const QRect &a, const QRect &b) { return cost(a) < cost(b); });
}

void WindowPlacement::placeBeside(QWidget *window, const QWidget *anchor, const QList<const QWidget *> &keep,
                                  const QList<const QWidget *> &others, int stepDown)
{
    // A window not shown yet has no frame: it will get one as thick as the anchor's.
    const QRect anchorFrame = anchor->frameGeometry();
    const QRect anchorClient = anchor->geometry();
    const QMargins margins(anchorClient.left() - anchorFrame.left(), anchorClient.top() - anchorFrame.top(),
                           anchorFrame.right() - anchorClient.right(), anchorFrame.bottom() - anchorClient.bottom());
    const QSize extra(margins.left() + margins.right(), margins.top() + margins.bottom());

    Request request;
    request.anchor = anchorFrame;
    // Its size as it will show (its layout can ask for more than it was given); shrunk to no
    // less than half of that, or what its controls need.
    const QSize size = window->size().expandedTo(window->minimumSize()).expandedTo(window->minimumSizeHint());
    request.frame = size + extra;
    request.minimum = window->minimumSize() == window->maximumSize()
                          ? request.frame
                          : (size / 2).expandedTo(window->minimumSizeHint()).boundedTo(size) + extra;
    const QScreen *screen = anchor->screen();
    request.available = screen ? screen->availableGeometry() : QRect();
    for (const QWidget *control : keep) {
        if (control && control->isVisible()) {
            request.keep << QRect(control->mapToGlobal(QPoint(0, 0)), control->size());
        }
    }
    for (const QWidget *other : others) {
        if (other && other != window && other->isVisible()) {
            request.others << other->frameGeometry();
        }
    }
    request.stepDown = stepDown;

    const QRect placed = beside(request);
    if (placed.size() != request.frame) {
        window->resize(placed.size() - extra);
    }
    window->move(placed.topLeft()); // a top-level window's position is its frame's
}
