// SPDX-License-Identifier: GPL-3.0-or-later
#include <library/engine/Conversions.h>
#include <library/engine/Operation.h>
#include <library/engine/TableInfo.h>

namespace store {

QString literal(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
        return QString::number(value.toLongLong());
    case QMetaType::Double:
        return numberText(value.toDouble());
    default: {
        QString text = value.toString();
        text.replace(u'\'', QStringLiteral("''"));
        return u'\'' + text + u'\'';
    }
    }
}

namespace {

class Builder
{
public:
    Builder(const engine::Dialect &dialect, QVariantList *values)
        : m_dialect(dialect)
        , m_values(values)
    {
    }

    QString parameter(const QString &field, const QVariant &value)
    {
        m_sql.parameterFields << field;
        // A text compares as a text, the empty one too: never as no value.
        const bool nullText = value.typeId() == QMetaType::QString && value.toString().isNull();
        m_values->append(nullText ? QVariant(QStringLiteral("")) : value);
        return m_dialect.parameter(int(m_sql.parameterFields.size()));
    }

    QString conditions(const QList<Condition> &where)
    {
        QStringList terms;
        for (const Condition &c : where) {
            switch (c.test) {
            case Condition::Test::Equal:
                terms << c.column + QStringLiteral(" = ") + parameter(c.column, c.value);
                break;
            case Condition::Test::FirstLetter:
                terms << QStringLiteral("upper(substr(%1, 1, 1)) = upper(%2)")
                             .arg(c.column, parameter(c.column, c.value));
                break;
            case Condition::Test::HoldsNumber:
                terms << m_dialect.holdsNumber(c.column);
                break;
            case Condition::Test::Identity:
                terms << QStringLiteral("rowid = ") + parameter({}, c.value);
                break;
            }
        }
        return terms.isEmpty() ? QString() : QStringLiteral(" WHERE ") + terms.join(QStringLiteral(" AND "));
    }

    engine::Sql &sql() { return m_sql; }

private:
    const engine::Dialect &m_dialect;
    QVariantList *m_values;
    engine::Sql m_sql;
};

} // namespace

engine::Sql render(const Operation &operation, const TableInfo *table, const engine::Dialect &dialect,
                   QVariantList *values)
{
    Builder builder(dialect, values);
    QString &text = builder.sql().text;
    if (operation.verb == Operation::Verb::Delete) {
        builder.sql().returnsRows = false;
        if (operation.onlyOccurrence < 0) {
            text = QStringLiteral("DELETE FROM ") + operation.table + builder.conditions(operation.where);
            return builder.sql();
        }
        text = QStringLiteral("DELETE FROM %1 WHERE rowid = (SELECT rowid FROM %1%2 ORDER BY rowid LIMIT 1 OFFSET %3)")
                   .arg(operation.table, builder.conditions(operation.where))
                   .arg(operation.onlyOccurrence);
        return builder.sql();
    }

    QStringList fields;
    if (operation.identity && operation.highest.isEmpty()) {
        fields << QStringLiteral("rowid");
    }
    if (!operation.highest.isEmpty()) {
        fields << QStringLiteral("max(%1) AS highest").arg(operation.highest);
    } else if (!operation.columns.isEmpty()) {
        fields << operation.columns;
    } else if (table) {
        for (const TableColumn &column : table->columns) {
            fields << column.name;
        }
    }
    text = QStringLiteral("SELECT ") + fields.join(QStringLiteral(", ")) + QStringLiteral(" FROM ") + operation.table +
           builder.conditions(operation.where);
    QStringList order = operation.orderBy;
    if (operation.thenByIdentity) {
        order << QStringLiteral("rowid");
    }
    if (!order.isEmpty()) {
        text += QStringLiteral(" ORDER BY ") + order.join(QStringLiteral(", "));
    }
    return builder.sql();
}

} // namespace store
