// SPDX-License-Identifier: GPL-3.0-or-later
#include <diagram/CurrentFigureSource.h>
#include <figuredata/PicDataEditor.h>
#include <labels/LabelEditor.h>
#include <library/lists/WorkingListModel.h>
#include <library/state/mTaprell.h>
#include <preview/FigureReader.h>
#include <preview/PreviewFeed.h>

#include <QAbstractItemView>
#include <QItemSelectionModel>

namespace {

// Columns of the data window's list (0 is the point number) and of the label window's.
enum PointColumn
{
    SeriesColumn = 1,
    CurveColumn,
    XColumn,
    YColumn,
    LineTypeColumn,
};

int selectedRow(const QAbstractItemView *list)
{
    if (!list || !list->selectionModel()) {
        return -1;
    }
    const QModelIndex current = list->selectionModel()->currentIndex();
    return current.isValid() && list->selectionModel()->isRowSelected(current.row(), current.parent()) ? current.row()
                                                                                                       : -1;
}

bool sameFigure(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

PreviewFeed::PreviewFeed(mTaprell &taprell, CurrentFigureSource &catalogue, QObject *parent)
    : QObject(parent)
    , m_taprell(taprell)
    , m_catalogue(catalogue)
{
    connect(&m_catalogue, &CurrentFigureSource::currentFigureChanged, this, &PreviewFeed::refresh);
    refresh();
}

void PreviewFeed::watchModel(const QAbstractItemModel *model, QList<QMetaObject::Connection> &connections)
{
    auto again = [this] { refresh(); };
    connections << connect(model, &QAbstractItemModel::dataChanged, this, again)
                << connect(model, &QAbstractItemModel::rowsInserted, this, again)
                << connect(model, &QAbstractItemModel::rowsRemoved, this, again)
                << connect(model, &QAbstractItemModel::modelReset, this, again)
                << connect(model, &QAbstractItemModel::layoutChanged, this, again);
}

void PreviewFeed::followPoints(PicDataEditor *editor, QAbstractItemView *list)
{
    for (const auto &connection : std::as_const(m_pointsConnections)) {
        disconnect(connection);
    }
    m_pointsConnections.clear();
    m_points = editor;
    m_pointsOwner = editor ? editor->model() : nullptr;
    m_pointsList = list;
    if (editor) {
        watchModel(editor->model(), m_pointsConnections);
        // The window goes: what it saved is in the library now.
        m_pointsConnections << connect(editor->model(), &QObject::destroyed, this, [this] {
            m_points = nullptr;
            rereadLibrary();
        });
        if (list && list->selectionModel()) {
            m_pointsConnections << connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                                           [this] { refresh(); });
        }
    }
    refresh();
}

void PreviewFeed::followLabels(LabelEditor *editor, QAbstractItemView *list)
{
    for (const auto &connection : std::as_const(m_labelsConnections)) {
        disconnect(connection);
    }
    m_labelsConnections.clear();
    m_labels = editor;
    m_labelsOwner = editor ? &editor->model() : nullptr;
    m_labelsList = list;
    if (editor) {
        watchModel(&editor->model(), m_labelsConnections);
        m_labelsConnections << connect(&editor->model(), &QObject::destroyed, this, [this] {
            m_labels = nullptr;
            rereadLibrary();
        });
        if (list && list->selectionModel()) {
            m_labelsConnections << connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                                           [this] { refresh(); });
        }
    }
    refresh();
}

void PreviewFeed::rereadLibrary()
{
    m_storedValid = false;
    refresh();
}

void PreviewFeed::ensureStoredParts(const QString &figureNumber)
{
    if (m_storedValid && sameFigure(m_storedFor, figureNumber)) {
        return;
    }
    m_storedFor = figureNumber;
    m_storedValid = true;
    m_storedPoints.clear();
    m_storedLabels.clear();
    m_readProblem.clear();
    Library &library = m_taprell.library();
    if (!library.isOpen()) {
        if (Status status = m_taprell.openLibrary(); !status) {
            m_readProblem = status.error().message;
            return;
        }
    }
    Status status = FigureReader::readPoints(library, figureNumber, &m_storedPoints);
    if (status) {
        status = FigureReader::readLabels(library, figureNumber, &m_storedLabels);
    }
    if (!status) {
        m_readProblem = status.error().message;
    }
}

void PreviewFeed::refresh()
{
    if (!m_pointsOwner) {
        m_points = nullptr;
    }
    if (!m_labelsOwner) {
        m_labels = nullptr;
    }
    const std::optional<FigureRecord> current = m_catalogue.currentFigure();
    m_hasFigure = current.has_value();
    m_figure = Figure();
    m_highlightedPoint = m_highlightedLabel = -1;
    m_pointsLive = m_labelsLive = false;
    if (!m_hasFigure) {
        emit changed();
        return;
    }

    m_figure.record = *current;
    const FigureRecord &record = m_figure.record;

    m_pointsLive = m_points && sameFigure(m_points->figureNumber(), record.th);
    m_labelsLive = m_labels && sameFigure(m_labels->figureNumber(), record.th);
    if (!m_pointsLive || !m_labelsLive) {
        ensureStoredParts(record.th);
    }

    if (m_pointsLive) {
        // Points marked for deletion are drawn as the save will leave the figure: without them.
        const WorkingListModel &model = *m_points->model();
        const int selected = selectedRow(m_pointsList);
        m_figure.points.reserve(model.size());
        for (int r = 0; r < model.size(); ++r) {
            if (model.state(r) == RowState::Deleted) {
                continue;
            }
            if (r == selected) {
                m_highlightedPoint = static_cast<int>(m_figure.points.size());
            }
            m_figure.points.append({model.cell(r, SeriesColumn), model.cell(r, CurveColumn), model.cell(r, XColumn),
                                    model.cell(r, YColumn), model.cell(r, LineTypeColumn)});
        }
    } else {
        m_figure.points = m_storedPoints;
    }

    if (m_labelsLive) {
        // Labels marked for deletion are drawn as the save will leave the figure: without them.
        const WorkingListModel &model = m_labels->model();
        const int selected = selectedRow(m_labelsList);
        for (int r = 0; r < model.size(); ++r) {
            if (model.state(r) == RowState::Deleted) {
                continue;
            }
            if (r == selected) {
                m_highlightedLabel = static_cast<int>(m_figure.labels.size());
            }
            m_figure.labels.append({model.cell(r, LabelEditor::XColumn), model.cell(r, LabelEditor::YColumn),
                                    model.cell(r, LabelEditor::NameColumn)});
        }
    } else {
        m_figure.labels = m_storedLabels;
    }
    emit changed();
}
