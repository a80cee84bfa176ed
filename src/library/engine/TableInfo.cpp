// SPDX-License-Identifier: GPL-3.0-or-later
#include <library/engine/TableInfo.h>

ColumnType columnTypeOf(const QString &declared)
{
    const QString t = declared.toUpper();
    if (t.contains(QStringLiteral("BOOL")) || t.contains(QStringLiteral("YESNO")) || t == QStringLiteral("BIT")) {
        return ColumnType::YesNo;
    }
    if (t.contains(QStringLiteral("INT"))) {
        return ColumnType::Integer;
    }
    if (t.contains(QStringLiteral("CHAR")) || t.contains(QStringLiteral("CLOB")) ||
        t.contains(QStringLiteral("TEXT")) || t.contains(QStringLiteral("MEMO"))) {
        return ColumnType::Text;
    }
    if (t.contains(QStringLiteral("REAL")) || t.contains(QStringLiteral("FLOA")) ||
        t.contains(QStringLiteral("DOUB")) || t.contains(QStringLiteral("NUM")) || t.contains(QStringLiteral("DEC"))) {
        return ColumnType::Number;
    }
    return ColumnType::Text;
}

int TableInfo::indexOf(QStringView column) const
{
    for (int i = 0; i < columns.size(); ++i) {
        if (columns[i].name == column) {
            return i;
        }
    }
    for (int i = 0; i < columns.size(); ++i) {
        if (columns[i].name.compare(column, Qt::CaseInsensitive) == 0) {
            return i;
        }
    }
    return -1;
}

QStringList TableInfo::columnNames() const
{
    QStringList names;
    for (const TableColumn &column : columns) {
        names << column.name;
    }
    return names;
}
