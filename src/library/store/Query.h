// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <library/engine/Operation.h>
#include <library/lists/RowCells.h>
#include <library/store/Library.h>

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <optional>

// A record set over one table, read whole when it opens. Fields are read by name or index as
// text, converted by the column's declared type; a field that holds no value reads as null.
// Writing sets fields from text and writes the current record, or a new record started with
// addNew(). A write addresses the record it read by its row identity and succeeds only while
// that record still holds the values read (optimistic locking): a record changed or removed
// by someone else since it was read is never overwritten.
class Query
{
public:
    // A read-only query keeps the texts of its values only: a list load shares them with the
    // list instead of holding every value twice. It cannot write.
    enum class Mode
    {
        ReadWrite,
        ReadOnly,
    };

    Query() = default;

    Status open(Library &library, const store::Operation &read, Mode mode = Mode::ReadWrite);
    // Reads the operation's records one at a time, straight from the engine, and calls
    // eachRecord() on each while the query stands on it (fieldIndex, isNull, text, appendText).
    // Nothing is kept: a list load builds its rows without a second copy of the records. A read
    // that breaks off is an error, never a shorter result.
    Status stream(Library &library, const store::Operation &read, const std::function<void()> &eachRecord);
    // The row identity of the record (while streaming, or the current one of a query that can
    // write), 0 when the read does not take it.
    qint64 rowIdentity() const;
    // While streaming: the field's text as text() gives it, appended to a row as UTF-8.
    void appendText(int field, RowCellsBuilder &row) const;
    void close();
    bool isOpen() const { return m_library != nullptr; }
    // The read as users know it.
    QString statement() const { return m_sql; }

    int recordCount() const { return m_recordCount; }
    // Moves to the record at a 1-based position; false when there is none there.
    bool move(int position);
    int position() const { return m_position; }

    int fieldCount() const { return static_cast<int>(m_fields.size()); }
    int fieldIndex(QStringView name) const; // case-insensitive, -1 when absent
    bool isNull(int field) const;
    QString text(int field) const; // empty for null
    bool isNull(QStringView name) const { return isNull(fieldIndex(name)); }
    QString text(QStringView name) const { return text(fieldIndex(name)); }

    // The fields of the current record whose text differs from what a list row was loaded with:
    // pairs of (the row's cell index, field name). Empty when the row holds no loaded texts.
    QStringList fieldsChangedSince(const QList<QString> &loaded, const QList<std::pair<int, QString>> &fields) const;
    // The error a save stops with when the record was changed by someone else since loading.
    LibraryError changedElsewhereError(const QString &what, const QStringList &fields) const;

    void addNew();
    // Converts the text by the column's declared type; a text the column cannot take fails here.
    Status setField(QStringView name, const QString &text);
    // Sets a field to a value as it is (a text in a number field too, as another program may have
    // stored one): the engine decides whether the column takes it.
    Status setStoredValue(QStringView name, const QVariant &value);
    Status update();

private:
    struct Field
    {
        QString name;
        int column = -1; // index in the table's columns, -1 for a computed field
        ColumnType type = ColumnType::Text;
    };
    struct Edit
    {
        int column;
        QVariant value;
    };

    engine::Statement *start(Library &library, const store::Operation &read, Mode mode, Status *status);
    Status finish(Library &library, engine::Statement &statement, engine::Step step, int count);
    QVariant &value(int record, int field) { return m_values[record * m_fields.size() + field]; }
    const QVariant &value(int record, int field) const { return m_values[record * m_fields.size() + field]; }
    LibraryError fieldError(const QString &message, const QString &field) const;

    Library *m_library = nullptr;
    quint64 m_generation = 0;
    quint64 m_readInTransaction = 0;
    QString m_sql;
    std::optional<TableInfo> m_table; // a copy: the library's cache goes when it reopens
    QList<Field> m_fields;
    QList<qint64> m_rowIds;
    QList<QVariant> m_values; // record-major, m_fields.size() values per record
    QList<QString> m_texts;   // the same for a read-only query; a null text for no value
    Mode m_mode = Mode::ReadWrite;
    bool m_identified = false;                 // the row identity comes first in the statement's columns
    const engine::Statement *m_live = nullptr; // while streaming: the statement on its record
    int m_position = 0;
    int m_recordCount = 0;
    bool m_adding = false;
    QList<Edit> m_edits;
};

// Converts a text to the value a column of the given type stores; false when it cannot.
bool textToColumnValue(ColumnType type, const QString &text, QVariant *value, QString *problem);
// The same value bound straight to a statement's parameter; false (nothing bound) when the
// column cannot take the text.
bool bindColumnText(engine::Statement &statement, int index, ColumnType type, const QString &text);
// The text of a stored value, as the lists show it.
QString columnValueText(ColumnType type, const QVariant &value);
