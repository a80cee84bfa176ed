// SPDX-License-Identifier: GPL-3.0-or-later
#include <widgets/ReportView.h>
#include <widgets/Twips.h>

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTreeView>

namespace {

class GridDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        painter->save();
        painter->setPen(option.palette.color(QPalette::Mid));
        painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
        painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
        painter->restore();
    }
};

} // namespace

void setupReportView(QTreeView *view, const QList<int> &columnWidthsTwips)
{
    view->setRootIsDecorated(false);
    view->setItemsExpandable(false);
    view->setUniformRowHeights(true);
    view->setAllColumnsShowFocus(true);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setTextElideMode(Qt::ElideRight);
    view->setItemDelegate(new GridDelegate(view));
    view->header()->setStretchLastSection(false);
    view->header()->setSectionsMovable(false);
    view->header()->setMinimumSectionSize(8);
    for (int i = 0; i < columnWidthsTwips.size(); ++i) {
        view->header()->resizeSection(i, twips(columnWidthsTwips[i]));
    }
}

void selectReportRow(QTreeView *view, int row)
{
    QItemSelectionModel *selection = view->selectionModel();
    if (!selection) {
        return;
    }
    if (row < 0 || row >= view->model()->rowCount()) {
        selection->clearSelection();
        selection->setCurrentIndex({}, QItemSelectionModel::NoUpdate);
        return;
    }
    const QModelIndex index = view->model()->index(row, 0);
    selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    view->scrollTo(index);
}

int selectedReportRow(const QTreeView *view)
{
    const QItemSelectionModel *selection = view->selectionModel();
    if (!selection) {
        return -1;
    }
    const QModelIndexList rows = selection->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}
