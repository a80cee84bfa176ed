// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <library/engine/LibraryError.h>
#include <library/engine/Operation.h>

#include <QString>
#include <QStringList>

#include <functional>

class Query;
class WorkingListModel;
class mTaprell;

// The load loop every list window shares: one statement stepped straight into the list's rows,
// each row one compact block of UTF-8, with no copy of the record set in between. The old list
// is let go before the new one is read, so a reload never holds two lists.
struct ListLoad
{
    // Marks a list column that shows the row's 1-based position. Inline, so that column tables
    // built before main() find it made.
    inline static const QString positionCell = QStringLiteral("#position");

    store::Operation read;
    // Per list column, the field it shows; positionCell; or an empty name for a cell left empty.
    QStringList cellFields;
    // The field whose text becomes each row's key: the identity a save addresses it by.
    QString keyField;
    // Called with the query standing on each record, for what a window keeps beside the rows.
    std::function<void(const Query &record)> eachRecord;
};

// Fills the model from the library (already open). On failure the list is empty: a read that
// broke off part way never leaves a shorter list behind that a save could write from.
Status loadList(mTaprell &taprell, WorkingListModel &model, const ListLoad &load);
