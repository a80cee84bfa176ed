// SPDX-License-Identifier: GPL-3.0-or-later
#include <library/lists/ListLoad.h>
#include <library/lists/WorkingListModel.h>
#include <library/state/mTaprell.h>
#include <library/store/Query.h>

Status loadList(mTaprell &taprell, WorkingListModel &model, const ListLoad &load)
{
    model.clear();
    // Rows are built one cell per list column: fields past the last column are not read, and
    // the cells past the load's fields are left empty.
    const int columns = model.columnCount();
    const QStringList cellFields = load.cellFields.mid(0, columns);
    QList<ListRow> rows;
    RowCellsBuilder cells(RowCellsBuilder::Memory::SharedChunks);
    QList<int> fieldOfCell;
    int keyField = -1;
    int keyCell = -1; // the list cell that shows the key field, if one does
    Query query;
    const Status status = taprell.streamQuery(query, load.read, [&] {
        if (rows.isEmpty()) {
            for (const QString &name : cellFields) {
                fieldOfCell.append(name.isEmpty() || name == ListLoad::positionCell ? -1 : query.fieldIndex(name));
            }
            keyField = query.fieldIndex(load.keyField);
            for (int cell = 0; cell < fieldOfCell.size() && cell <= 127 && keyCell < 0; ++cell) {
                keyCell = fieldOfCell[cell] >= 0 && fieldOfCell[cell] == keyField ? cell : -1;
            }
        }
        for (int cell = 0; cell < fieldOfCell.size(); ++cell) {
            if (fieldOfCell[cell] >= 0) {
                query.appendText(fieldOfCell[cell], cells);
            } else if (cellFields[cell] == ListLoad::positionCell) {
                cells.append(QString::number(rows.size() + 1));
            } else {
                cells.appendUtf8({});
            }
        }
        for (qsizetype cell = fieldOfCell.size(); cell < columns; ++cell) {
            cells.appendUtf8({});
        }
        if (keyCell >= 0) {
            rows.emplace_back(cells.take()).keyCell = static_cast<qint8>(keyCell);
        } else {
            rows.emplace_back(cells.take(), RowState::Unchanged, query.text(keyField));
        }
        rows.back().identity = query.rowIdentity();
        if (load.eachRecord) {
            load.eachRecord(query);
        }
    });
    if (!status) {
        return status;
    }
    model.adoptRows(std::move(rows));
    return {};
}
