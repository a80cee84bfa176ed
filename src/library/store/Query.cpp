// SPDX-License-Identifier: GPL-3.0-or-later
#include <library/engine/Conversions.h>
#include <library/store/Query.h>

#include <QCoreApplication>

#include <charconv>
#include <cmath>

namespace {

const QString trueText = QStringLiteral("True");
const QString falseText = QStringLiteral("False");

// A decimal number and nothing else: [+-]digits[.digits][e[+-]digits], with a digit on at
// least one side of the point.
bool isPlainNumber(QStringView text)
{
    auto digit = [](QChar c) { return c >= u'0' && c <= u'9'; };
    qsizetype i = 0;
    const qsizetype n = text.size();
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        ++i;
    }
    qsizetype digits = 0;
    while (i < n && digit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < n && text[i] == u'.') {
        ++i;
        while (i < n && digit(text[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0) {
        return false;
    }
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        ++i;
        if (i < n && (text[i] == u'+' || text[i] == u'-')) {
            ++i;
        }
        if (i >= n || !digit(text[i])) {
            return false;
        }
        while (i < n && digit(text[i])) {
            ++i;
        }
    }
    return i == n;
}

// A number as numberText() writes it, straight into a row's UTF-8.
void appendNumberUtf8(double value, RowCellsBuilder &row)
{
    if (!std::isfinite(value)) {
        row.append(numberText(value));
        return;
    }
    char text[numberTextRoom];
    row.appendUtf8(QByteArrayView(text, writeNumberText(value, text) - text));
}

void appendWholeNumberUtf8(qint64 value, RowCellsBuilder &row)
{
    char text[24];
    row.appendUtf8(QByteArrayView(text, std::to_chars(text, text + sizeof text, value).ptr - text));
}

} // namespace

namespace {

// What a column stores for a text: the text itself, a whole number, or a number.
struct ColumnValue
{
    ValueKind kind = ValueKind::Text; // Text, Integer or Real
    qint64 integer = 0;
    double real = 0;
};

bool convertText(ColumnType type, const QString &text, ColumnValue *value, QString *problem)
{
    if (type == ColumnType::Text) {
        value->kind = ValueKind::Text;
        return true;
    }
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        *problem = QCoreApplication::translate("Query", "值为空，这个字段需要%1。")
                       .arg(type == ColumnType::YesNo ? QCoreApplication::translate("Query", "True 或 False")
                                                      : QCoreApplication::translate("Query", "数字"));
        return false;
    }
    if (type == ColumnType::YesNo) {
        static const QStringList yes = {QStringLiteral("true"), QStringLiteral("yes"), QStringLiteral("on")};
        static const QStringList no = {QStringLiteral("false"), QStringLiteral("no"), QStringLiteral("off")};
        value->kind = ValueKind::Integer;
        if (yes.contains(trimmed, Qt::CaseInsensitive)) {
            value->integer = 1;
            return true;
        }
        if (no.contains(trimmed, Qt::CaseInsensitive)) {
            value->integer = 0;
            return true;
        }
        if (isPlainNumber(trimmed)) {
            bool outOfRange = false;
            const double number = numericValue(trimmed, &outOfRange);
            if (outOfRange) {
                *problem = QCoreApplication::translate("Query", "“%1”超出了数字的范围。").arg(text);
                return false;
            }
            value->integer = number != 0 ? 1 : 0;
            return true;
        }
        *problem = QCoreApplication::translate("Query", "“%1”不是是/否值（应为 True 或 False）。").arg(text);
        return false;
    }
    if (!isPlainNumber(trimmed)) {
        *problem = QCoreApplication::translate("Query", "“%1”不是数字。").arg(text);
        return false;
    }
    bool outOfRange = false;
    const double number = numericValue(trimmed, &outOfRange);
    if (outOfRange || !std::isfinite(number)) {
        *problem = QCoreApplication::translate("Query", "“%1”超出了数字的范围。").arg(text);
        return false;
    }
    if (type == ColumnType::Integer) {
        if (std::trunc(number) != number || std::fabs(number) > 9.0e15) {
            *problem = QCoreApplication::translate("Query", "“%1”不是整数，这个字段只能存整数。").arg(text);
            return false;
        }
        value->kind = ValueKind::Integer;
        value->integer = qint64(number);
        return true;
    }
    value->kind = ValueKind::Real;
    value->real = number;
    return true;
}

} // namespace

bool textToColumnValue(ColumnType type, const QString &text, QVariant *value, QString *problem)
{
    ColumnValue converted;
    if (!convertText(type, text, &converted, problem)) {
        return false;
    }
    switch (converted.kind) {
    case ValueKind::Text:
        // A null QString would be stored as NULL; the empty text stays an empty text.
        *value = text.isNull() ? QVariant(QStringLiteral("")) : QVariant(text);
        break;
    case ValueKind::Integer:
        *value = qlonglong(converted.integer);
        break;
    case ValueKind::Real:
        *value = converted.real;
        break;
    }
    return true;
}

bool bindColumnText(engine::Statement &statement, int index, ColumnType type, const QString &text)
{
    ColumnValue converted;
    QString problem;
    if (!convertText(type, text, &converted, &problem)) {
        return false;
    }
    switch (converted.kind) {
    case ValueKind::Text:
        statement.bind(index, text.isNull() ? QStringView(u"") : QStringView(text));
        break;
    case ValueKind::Integer:
        statement.bind(index, converted.integer);
        break;
    case ValueKind::Real:
        statement.bind(index, converted.real);
        break;
    }
    return true;
}

QString columnValueText(ColumnType type, const QVariant &value)
{
    if (value.isNull()) {
        return {};
    }
    const int id = value.typeId();
    if (type == ColumnType::YesNo) {
        if (id == QMetaType::QString) {
            const QString lower = value.toString().trimmed().toLower();
            if (lower == QStringLiteral("true") || lower == QStringLiteral("yes") || lower == QStringLiteral("on")) {
                return trueText;
            }
            if (lower == QStringLiteral("false") || lower == QStringLiteral("no") || lower == QStringLiteral("off")) {
                return falseText;
            }
            return numericValue(lower) != 0 ? trueText : falseText;
        }
        return value.toDouble() != 0 ? trueText : falseText;
    }
    switch (id) {
    case QMetaType::LongLong:
        return QString::number(value.toLongLong());
    case QMetaType::Int:
        return QString::number(value.toInt());
    case QMetaType::Double:
        return numberText(value.toDouble());
    default:
        return value.toString();
    }
}

engine::Statement *Query::start(Library &library, const store::Operation &read, Mode mode, Status *status)
{
    close();
    m_sql = read.notice;
    m_mode = mode;
    if (!library.isOpen()) {
        *status = library.notOpenError(m_sql);
        return nullptr;
    }
    const TableInfo *info = library.tableInfo(read.table);
    if (info) {
        m_table = *info;
    }
    // The row identity comes first; it is how a write finds the record again.
    m_identified = read.identity && read.highest.isEmpty();
    engine::Statement *statement = library.prepared(read, status);
    if (!statement) {
        close();
        return nullptr;
    }
    if (!read.highest.isEmpty()) {
        m_fields.append({QStringLiteral("highest"), -1, ColumnType::Number});
        return statement;
    }
    const QStringList names = !read.columns.isEmpty() ? read.columns : m_table ? m_table->columnNames() : QStringList();
    for (const QString &name : names) {
        Field field;
        field.column = m_table ? m_table->indexOf(name) : -1;
        field.name = field.column >= 0 ? m_table->columns[field.column].name : name;
        if (field.column >= 0) {
            field.type = m_table->columns[field.column].type;
        }
        m_fields.append(field);
    }
    return statement;
}

Status Query::finish(Library &library, engine::Statement &statement, engine::Step step, int count)
{
    if (step == engine::Step::Error) {
        // A read that breaks off (a damaged page, a lock held too long) must not pass for the
        // end of the rows: a shorter list would look complete, and a save could write from it.
        LibraryError error = library.makeError(
            QCoreApplication::translate("Query", "查询失败，读到第 %1 条记录后中断。").arg(count), m_sql);
        statement.reset();
        close();
        return error;
    }
    statement.reset();
    m_recordCount = count;
    m_library = &library;
    m_generation = library.generation();
    m_readInTransaction = library.currentTransaction();
    m_position = count == 0 ? 0 : 1;
    return {};
}

Status Query::open(Library &library, const store::Operation &read, Mode mode)
{
    Status status;
    engine::Statement *statement = start(library, read, mode, &status);
    if (!statement) {
        return status;
    }
    const int first = m_identified ? 1 : 0;
    const int width = static_cast<int>(m_fields.size());
    qint64 fallbackId = 0;
    int count = 0;
    engine::Step step;
    while ((step = statement->step()) == engine::Step::Row) {
        ++count;
        if (mode == Mode::ReadOnly) {
            for (int i = 0; i < width; ++i) {
                m_texts.append(columnValueText(m_fields[i].type, statement->value(first + i)));
            }
            continue;
        }
        m_rowIds.append(m_identified ? statement->int64(0) : --fallbackId);
        for (int i = 0; i < width; ++i) {
            m_values.append(statement->value(first + i));
        }
    }
    return finish(library, *statement, step, count);
}

Status Query::stream(Library &library, const store::Operation &read, const std::function<void()> &eachRecord)
{
    Status status;
    engine::Statement *statement = start(library, read, Mode::ReadOnly, &status);
    if (!statement) {
        return status;
    }
    int count = 0;
    engine::Step step;
    m_live = statement;
    while ((step = statement->step()) == engine::Step::Row) {
        ++count;
        eachRecord();
    }
    m_live = nullptr;
    const Status finished = finish(library, *statement, step, count);
    // Nothing was kept: the query ends with the statement.
    close();
    return finished;
}

qint64 Query::rowIdentity() const
{
    if (m_live) {
        return m_identified ? m_live->int64(0) : 0;
    }
    if (m_position < 1 || m_position > m_rowIds.size()) {
        return 0;
    }
    const qint64 identity = m_rowIds[m_position - 1];
    return identity > 0 ? identity : 0;
}

void Query::appendText(int field, RowCellsBuilder &row) const
{
    if (!m_live || field < 0 || field >= m_fields.size()) {
        row.appendUtf8({});
        return;
    }
    const int column = field + (m_identified ? 1 : 0);
    const ColumnType type = m_fields[field].type;
    const engine::ValueKind kind = m_live->kind(column);
    QByteArrayView plain;
    if (type != ColumnType::YesNo && type != ColumnType::Text && kind != engine::ValueKind::Null &&
        m_live->plainNumberText(column, &plain)) {
        row.appendUtf8(plain);
        return;
    }
    switch (kind) {
    case engine::ValueKind::Null:
        row.appendUtf8({});
        return;
    case engine::ValueKind::Integer:
    case engine::ValueKind::Boolean:
        if (type == ColumnType::YesNo) {
            row.appendUtf8(m_live->int64(column) != 0 ? QByteArrayView("True") : QByteArrayView("False"));
        } else {
            appendWholeNumberUtf8(m_live->int64(column), row);
        }
        return;
    case engine::ValueKind::Real:
        if (type == ColumnType::YesNo) {
            row.appendUtf8(m_live->real(column) != 0 ? QByteArrayView("True") : QByteArrayView("False"));
        } else {
            appendNumberUtf8(m_live->real(column), row);
        }
        return;
    case engine::ValueKind::Text:
        if (type != ColumnType::YesNo) {
            row.appendUtf8(m_live->utf8(column));
            return;
        }
        break;
    case engine::ValueKind::Other:
        break;
    }
    row.append(columnValueText(type, m_live->value(column)));
}

void Query::close()
{
    m_library = nullptr;
    m_table.reset();
    m_fields.clear();
    m_rowIds.clear();
    m_values.clear();
    m_texts.clear();
    m_recordCount = 0;
    m_position = 0;
    m_adding = false;
    m_edits.clear();
}

bool Query::move(int position)
{
    if (position < 1 || position > recordCount()) {
        return false;
    }
    m_position = position;
    m_adding = false;
    m_edits.clear();
    return true;
}

int Query::fieldIndex(QStringView name) const
{
    for (int i = 0; i < m_fields.size(); ++i) {
        if (m_fields[i].name == name) {
            return i;
        }
    }
    for (int i = 0; i < m_fields.size(); ++i) {
        if (m_fields[i].name.compare(name, Qt::CaseInsensitive) == 0) {
            return i;
        }
    }
    return -1;
}

bool Query::isNull(int field) const
{
    if (m_live) {
        return field < 0 || field >= m_fields.size() || m_live->isNull(field + (m_identified ? 1 : 0));
    }
    if (field < 0 || field >= m_fields.size() || m_position < 1 || m_position > m_recordCount) {
        return true;
    }
    if (m_mode == Mode::ReadOnly) {
        return m_texts[(m_position - 1) * m_fields.size() + field].isNull();
    }
    return value(m_position - 1, field).isNull();
}

QString Query::text(int field) const
{
    if (m_live) {
        if (field < 0 || field >= m_fields.size()) {
            return {};
        }
        const int column = field + (m_identified ? 1 : 0);
        if (m_live->kind(column) == engine::ValueKind::Text && m_fields[field].type != ColumnType::YesNo) {
            return m_live->text(column);
        }
        return columnValueText(m_fields[field].type, m_live->value(column));
    }
    if (field < 0 || field >= m_fields.size() || m_position < 1 || m_position > m_recordCount) {
        return {};
    }
    if (m_mode == Mode::ReadOnly) {
        return m_texts[(m_position - 1) * m_fields.size() + field];
    }
    return columnValueText(m_fields[field].type, value(m_position - 1, field));
}

QStringList Query::fieldsChangedSince(const QList<QString> &loaded, const QList<std::pair<int, QString>> &fields) const
{
    QStringList changed;
    for (const auto &[cell, field] : fields) {
        const int index = fieldIndex(field);
        if (cell >= loaded.size() || index < 0) {
            continue;
        }
        const QString now = text(index);
        if (now == loaded[cell]) {
            continue;
        }
        // A number typed as "5.0" and saved reads back as "5": the same value, not a change.
        const ColumnType type = m_fields[index].type;
        QVariant before, after;
        QString problem;
        if (type != ColumnType::Text && !isNull(index) && textToColumnValue(type, loaded[cell], &before, &problem) &&
            textToColumnValue(type, now, &after, &problem) && before.toDouble() == after.toDouble()) {
            continue;
        }
        changed << field;
    }
    return changed;
}

LibraryError Query::changedElsewhereError(const QString &what, const QStringList &fields) const
{
    LibraryError error;
    error.message = QCoreApplication::translate(
                        "Query", "%1在列表载入之后已被其他程序修改（%2），这一行没有写入，以免覆盖那些修改。"
                                 "请重新载入列表后再改。")
                        .arg(what, fields.join(QStringLiteral(", ")));
    error.field = fields.join(QStringLiteral(", "));
    error.statement = m_sql;
    return error;
}

void Query::addNew()
{
    m_adding = true;
    m_edits.clear();
}

LibraryError Query::fieldError(const QString &message, const QString &field) const
{
    LibraryError error;
    error.message = message;
    error.field = field;
    error.statement = m_sql;
    return error;
}

Status Query::setStoredValue(QStringView name, const QVariant &value)
{
    if (!isOpen() || !m_table || m_mode == Mode::ReadOnly) {
        return fieldError(QCoreApplication::translate("Query", "查询没有打开，不能写入。"), name.toString());
    }
    const int column = m_table->indexOf(name);
    if (column < 0 || (!m_adding && fieldIndex(name) < 0)) {
        return fieldError(QCoreApplication::translate("Query", "没有这个字段。"), name.toString());
    }
    for (Edit &edit : m_edits) {
        if (edit.column == column) {
            edit.value = value;
            return {};
        }
    }
    m_edits.append({column, value});
    return {};
}

Status Query::setField(QStringView name, const QString &text)
{
    if (!isOpen() || !m_table || m_mode == Mode::ReadOnly) {
        return fieldError(QCoreApplication::translate("Query", "查询没有打开，不能写入。"), name.toString());
    }
    const int column = m_table->indexOf(name);
    if (column < 0 || (!m_adding && fieldIndex(name) < 0)) {
        return fieldError(QCoreApplication::translate("Query", "没有这个字段。"), name.toString());
    }
    if (!m_adding && m_position < 1) {
        return fieldError(
            QCoreApplication::translate("Query", "查询结果中没有记录，不能设置字段（要修改的记录不存在）。"),
            name.toString());
    }
    const TableColumn &target = m_table->columns[column];
    QVariant converted;
    QString problem;
    if (!textToColumnValue(target.type, text, &converted, &problem)) {
        return fieldError(problem, target.name);
    }
    for (Edit &edit : m_edits) {
        if (edit.column == column) {
            edit.value = converted;
            return {};
        }
    }
    m_edits.append({column, converted});
    return {};
}

Status Query::update()
{
    if (!isOpen() || !m_table || m_mode == Mode::ReadOnly) {
        return fieldError(QCoreApplication::translate("Query", "查询没有打开，不能写入。"), {});
    }
    if (m_library->generation() != m_generation) {
        return fieldError(QCoreApplication::translate("Query", "图版库已经重新打开，这个查询已经关闭，不能写入。"), {});
    }
    if (!m_adding && m_position < 1) {
        return fieldError(QCoreApplication::translate("Query", "查询结果中没有记录，不能写入（要修改的记录不存在）。"),
                          {});
    }
    if (m_edits.isEmpty() && !m_adding) {
        return {};
    }
    // Read in the transaction that is still running: nobody else can have changed the record.
    const bool unchangedSinceRead = m_readInTransaction != 0 && m_library->currentTransaction() == m_readInTransaction;
    const bool checkValues = !m_adding && !unchangedSinceRead;

    // Statements of one shape are built and prepared once.
    const QString &table = m_table->name;
    QString key = table + (m_adding ? u'+' : checkValues ? u'=' : u'~');
    for (const Edit &edit : m_edits) {
        key += QChar(u'A' + edit.column);
    }
    if (checkValues) {
        key += u'|';
        for (const Field &field : m_fields) {
            key += QChar(u'A' + field.column + 1);
        }
    }
    auto build = [&]() {
        const engine::Dialect &dialect = m_library->dialect();
        engine::Sql sql;
        auto parameter = [&](const QString &field) {
            sql.parameterFields << field;
            return dialect.parameter(int(sql.parameterFields.size()));
        };
        sql.returnsRows = false;
        QStringList names;
        for (const Edit &edit : m_edits) {
            names << m_table->columns[edit.column].name;
        }
        if (m_adding) {
            if (names.isEmpty()) {
                sql.text = QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(table);
            } else {
                QStringList values;
                for (const QString &name : names) {
                    values << parameter(name);
                }
                sql.text =
                    QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(table, names.join(u','), values.join(u','));
            }
            sql.text += dialect.returningIdentity();
            return sql;
        }
        QStringList sets;
        for (const QString &name : names) {
            sets << name + u'=' + parameter(name);
        }
        sql.text = QStringLiteral("UPDATE %1 SET %2 WHERE rowid=%3").arg(table, sets.join(u','), parameter({}));
        for (const Field &field : m_fields) {
            if (checkValues && field.column >= 0) {
                const QString &name = m_table->columns[field.column].name;
                sql.text += QStringLiteral(" AND ") + dialect.sameValue(name, parameter(name));
            }
        }
        return sql;
    };

    Status status;
    engine::Statement *query = m_library->prepared(key, build, &status);
    if (!query) {
        status.error().statement = m_sql;
        return status;
    }
    int bound = 0;
    for (const Edit &edit : m_edits) {
        query->bind(bound++, edit.value);
    }
    const int record = m_position - 1;
    if (!m_adding) {
        query->bind(bound++, m_rowIds[record]);
        for (int i = 0; checkValues && i < m_fields.size(); ++i) {
            if (m_fields[i].column >= 0) {
                query->bind(bound++, value(record, i));
            }
        }
    }
    if (query->step() == engine::Step::Error) {
        LibraryError error = m_library->makeError(QCoreApplication::translate("Query", "记录写入失败。"), m_sql);
        query->reset();
        return error;
    }
    query->reset();
    const qint64 affected = query->changes();
    const qint64 newId = query->insertedRowId();

    if (m_adding) {
        m_rowIds.append(newId);
        for (int i = 0; i < m_fields.size(); ++i) {
            m_values.append(QVariant());
        }
        m_position = ++m_recordCount;
        m_adding = false;
    } else if (affected != 1) {
        LibraryError error;
        error.message = QCoreApplication::translate(
            "Query", "这条记录在读出之后已被其他程序修改或删除，没有写入。请重新载入列表。");
        error.statement = m_sql;
        return error;
    }
    for (const Edit &edit : m_edits) {
        const int field = fieldIndex(m_table->columns[edit.column].name);
        if (field >= 0) {
            value(m_position - 1, field) = edit.value;
        }
    }
    m_edits.clear();
    return {};
}
