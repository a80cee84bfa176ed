// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <diagram/Figure.h>

#include <QObject>
#include <QVariant>

// The working copies the digitiser edits: the points of the data window and the labels of the
// label window open for the figure shown. Nothing here writes to the library; the windows'
// own save does, with all their rules.
//
// Indexes are positions in points() / labels(): the working copy in list order, rows marked for
// deletion left out (as the preview draws it).
class DigitiserTarget : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // The figure number whose working copies these are.
    virtual QString figureNumber() const = 0;
    // Whether a data window / label window is open for that figure.
    virtual bool acceptsPoints() const = 0;
    virtual bool acceptsLabels() const = 0;

    virtual QList<FigurePoint> points() const = 0;
    virtual QList<FigureLabel> labels() const = 0;

    // Appends the point as if prepared with "添 加" and entered with "加 入": the next point
    // number, the texts as given, the row marked new. Returns its index, or -1 when refused.
    virtual int appendPoint(const FigurePoint &point) = 0;
    // Takes the point out of the working copy: a new row goes, a stored row is marked for
    // deletion (the save deletes it and numbers the rest 1..n). Returns what restorePoint()
    // needs to put it back as it was (its identity and mark); invalid when refused.
    virtual QVariant removePoint(int index) = 0;
    virtual bool restorePoint(int index, const QVariant &removed) = 0;
    // Sets X and Y of the point; the row is marked changed unless it is new.
    virtual bool movePoint(int index, const QString &x, const QString &y) = 0;
    // Makes the point the current row of the data window (as a click in its list); -1 for none.
    virtual void selectPoint(int index) = 0;
    virtual int selectedPoint() const = 0;

    // Appends a label as the label window's add does (next number, marked new); its index or -1.
    virtual int appendLabel(const FigureLabel &label) = 0;
    // Takes a label out as removePoint() does; invalid when refused.
    virtual QVariant removeLabel(int index) = 0;

signals:
    // Any change of either working copy, from the digitiser or from the windows (an edit, a
    // save, a reload, the window closing). Not for a change of the selected point.
    void changed();
    void selectionChanged();
};
