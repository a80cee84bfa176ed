// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <diagram/Figure.h>

#include <QObject>

#include <optional>

// The figure a window has in hand, as it is being edited, for other windows to draw: the
// catalogue offers its current row this way, and the preview follows it without knowing the
// catalogue's columns.
class CurrentFigureSource : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // The record of the current figure with its unsaved texts; nothing while there is none.
    virtual std::optional<FigureRecord> currentFigure() const = 0;

signals:
    // Another figure became current, the current one's texts changed, or the list changed.
    void currentFigureChanged();
};
