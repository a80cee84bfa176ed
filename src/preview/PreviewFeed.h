// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <diagram/Figure.h>

#include <QObject>
#include <QPointer>
#include <QString>

class CurrentFigureSource;
class LabelEditor;
class PicDataEditor;
class QAbstractItemModel;
class QAbstractItemView;
class mTaprell;

// The figure the preview shows, as edited: the record of the catalogue's current figure (its
// unsaved texts included), and the points and labels from the working copies of the data and
// label windows while they are open for that figure, else from the library. Every change of
// those lists - a committed field, an added, deleted or saved row, a reload - and every change
// the catalogue announces rebuilds the figure and announces it.
//
// The highlighted point or label is the row selected in that window's list: the row its fields
// show.
class PreviewFeed : public QObject
{
    Q_OBJECT

public:
    PreviewFeed(mTaprell &taprell, CurrentFigureSource &catalogue, QObject *parent = nullptr);

    // Follow a window's working copy and list (null editor: stop following).
    void followPoints(PicDataEditor *editor, QAbstractItemView *list);
    void followLabels(LabelEditor *editor, QAbstractItemView *list);

    bool hasFigure() const { return m_hasFigure; }
    const Figure &figure() const { return m_figure; }
    int highlightedPoint() const { return m_highlightedPoint; }
    int highlightedLabel() const { return m_highlightedLabel; }
    // Whether points / labels come from a window's unsaved working copy right now.
    bool pointsFromWorkingCopy() const { return m_pointsLive; }
    bool labelsFromWorkingCopy() const { return m_labelsLive; }
    // A library read that failed, for the window to mention; empty when none did.
    QString readProblem() const { return m_readProblem; }

    // Reads the stored points and labels again (after something outside was saved).
    void rereadLibrary();

signals:
    void changed();

private:
    void refresh();
    void watchModel(const QAbstractItemModel *model, QList<QMetaObject::Connection> &connections);
    void ensureStoredParts(const QString &figureNumber);

    mTaprell &m_taprell;
    CurrentFigureSource &m_catalogue;

    QPointer<QObject> m_pointsOwner; // the editor's model, which goes with the window
    PicDataEditor *m_points = nullptr;
    QPointer<QAbstractItemView> m_pointsList;
    QList<QMetaObject::Connection> m_pointsConnections;
    LabelEditor *m_labels = nullptr;
    QPointer<QObject> m_labelsOwner;
    QPointer<QAbstractItemView> m_labelsList;
    QList<QMetaObject::Connection> m_labelsConnections;

    // The stored points and labels of one figure, read once per figure.
    QString m_storedFor;
    bool m_storedValid = false;
    QList<FigurePoint> m_storedPoints;
    QList<FigureLabel> m_storedLabels;

    Figure m_figure;
    bool m_hasFigure = false;
    int m_highlightedPoint = -1;
    int m_highlightedLabel = -1;
    bool m_pointsLive = false;
    bool m_labelsLive = false;
    QString m_readProblem;
};
