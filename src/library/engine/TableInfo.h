// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <library/engine/Schema.h>

#include <QList>
#include <QString>
#include <QStringList>

// The column type a declared type names (INTEGER, REAL, BOOLEAN, double precision, …).
ColumnType columnTypeOf(const QString &declared);

struct TableColumn
{
    QString name;
    ColumnType type = ColumnType::Text;
    bool notNull = false;
    bool unique = false; // no two records hold the same value (an index says so)
};

struct TableInfo
{
    QString name;
    QList<TableColumn> columns;

    int indexOf(QStringView column) const; // case-insensitive, -1 when absent
    QStringList columnNames() const;
};
