// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <digitiser/DigitiserTarget.h>

#include <QList>
#include <QPointer>

class QAbstractItemModel;
class fPicData;
class fPicLbl;

// The digitiser's working copies are those of the open data and label windows: every edit goes
// through the window, which shows it as its own buttons and keys would, and nothing reaches the
// library until the user saves there.
//
// The figure is the data window's (the label window's while no data window is open); a label
// window open for another figure takes no labels.
class WindowsTarget final : public DigitiserTarget
{
    Q_OBJECT

public:
    explicit WindowsTarget(QObject *parent = nullptr);

    // The open windows (null: none). A window that closes is forgotten by itself.
    void setDataWindow(fPicData *window);
    void setLabelWindow(fPicLbl *window);

    QString figureNumber() const override;
    bool acceptsPoints() const override;
    bool acceptsLabels() const override;
    QList<FigurePoint> points() const override;
    QList<FigureLabel> labels() const override;
    int appendPoint(const FigurePoint &point) override;
    QVariant removePoint(int index) override;
    bool restorePoint(int index, const QVariant &removed) override;
    bool movePoint(int index, const QString &x, const QString &y) override;
    void selectPoint(int index) override;
    int selectedPoint() const override;
    int appendLabel(const FigureLabel &label) override;
    QVariant removeLabel(int index) override;

private:
    // The list row of a point or label index (rows marked for deletion are not counted), or -1.
    int pointRow(int index) const;
    int labelRow(int index) const;
    void watch(QObject *window, const QAbstractItemModel *model, QList<QMetaObject::Connection> &connections);

    // A window counts only while its list lives: a closing window's list goes before the window.
    fPicData *dataWindow() const;
    fPicLbl *labelWindow() const;

    QPointer<fPicData> m_data;
    QPointer<fPicLbl> m_labels;
    QPointer<QAbstractItemModel> m_dataModel;
    QPointer<QAbstractItemModel> m_labelModel;
    QList<QMetaObject::Connection> m_dataConnections;
    QList<QMetaObject::Connection> m_labelConnections;
};
