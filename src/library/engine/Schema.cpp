// SPDX-License-Identifier: GPL-3.0-or-later
#include <library/engine/Schema.h>

#include <QCoreApplication>

namespace schema {

namespace {

Column column(const char *name, ColumnType type)
{
    return {QString::fromLatin1(name), type};
}

Column required(const char *name, ColumnType type)
{
    Column c = column(name, type);
    c.notNull = true;
    return c;
}

Column figureNumber(bool unique)
{
    Column c = required("th", ColumnType::Text);
    c.figureNumber = true;
    c.unique = unique;
    return c;
}

Description build()
{
    const ColumnType text = ColumnType::Text;
    const ColumnType integer = ColumnType::Integer;
    const ColumnType number = ColumnType::Number;
    const ColumnType yesNo = ColumnType::YesNo;
    auto flag = [](const char *name) {
        Column c = required(name, ColumnType::YesNo);
        c.defaultValue = QStringLiteral("0");
        return c;
    };
    Column group = required("grp", integer);
    group.unique = true;

    Description d;
    d.tables = {
        {QStringLiteral("picMain"),
         {figureNumber(true),       required("tm", text),    required("figName", text),
          required("grp", integer), required("LB", text),    column("X1", number),
          column("X2", number),     column("X3", number),    column("X4", number),
          column("X5", number),     column("X6", yesNo),     column("X7", integer),
          column("Y1", number),     column("Y2", number),    column("Y3", number),
          column("Y4", number),     column("Y5", number),    column("Y6", yesNo),
          column("Y7", integer),    column("border", yesNo), column("specialCase", integer),
          column("Comment", text),  flag("Vector"),          flag("Bitmap")},
         {{QStringLiteral("picMainKind"), {QStringLiteral("LB"), QStringLiteral("figName")}}}},
        {QStringLiteral("picType"), {group, column("grpName", text)}, {}},
        {QStringLiteral("pData"),
         {figureNumber(false), required("ID", integer), column("Series", integer), column("curve", yesNo),
          column("X", number), column("Y", number), column("L", integer)},
         {{QStringLiteral("pDataFigure"), {QStringLiteral("th"), QStringLiteral("ID")}}}},
        {QStringLiteral("picLable"),
         {figureNumber(false), required("ID", number), column("X", number), column("Y", number), column("Lbl", text)},
         {{QStringLiteral("picLableFigure"), {QStringLiteral("th"), QStringLiteral("ID")}}}},
        // Version 3: how samples go on a figure, kept with the library so that a lab shares it.
        // The axis expressions (x and y, or a triangle's corners) and the axes' titles.
        {QStringLiteral("picAxis"),
         {figureNumber(true), column("xExpr", text), column("yExpr", text), column("leftExpr", text),
          column("topExpr", text), column("rightExpr", text), column("xTitle", text), column("yTitle", text)},
         {},
         3},
        // The user's corrections of the fields found in the drawing: a point inside a field and
        // its name (kind 0), or a line end to extend to the frame (kind 1).
        {QStringLiteral("picField"),
         {figureNumber(false), required("ID", integer), required("kind", integer), required("X", number),
          required("Y", number), column("name", text)},
         {{QStringLiteral("picFieldFigure"), {QStringLiteral("th"), QStringLiteral("ID")}}},
         3},
    };
    return d;
}

QString typeName(ColumnType type, Dialect dialect)
{
    const bool file = dialect == Dialect::File;
    switch (type) {
    case ColumnType::Integer:
        return file ? QStringLiteral("INTEGER") : QStringLiteral("bigint");
    case ColumnType::Number:
        return file ? QStringLiteral("REAL") : QStringLiteral("double precision");
    case ColumnType::YesNo:
        return file ? QStringLiteral("BOOLEAN") : QStringLiteral("boolean");
    case ColumnType::Text:
        break;
    }
    return file ? QStringLiteral("TEXT") : QStringLiteral("text");
}

// A column's definition. On the server a figure number is citext, which compares, sorts, joins
// and matches LIKE patterns without regard to case, as the file's NOCASE does; other texts sort
// byte for byte (COLLATE "C"), as on the file.
QString columnDefinition(const Column &c, Dialect dialect)
{
    QString d = c.name + u' ';
    if (dialect == Dialect::File) {
        d += typeName(c.type, dialect);
        if (c.notNull) {
            d += QStringLiteral(" NOT NULL");
        }
        if (c.figureNumber) {
            d += QStringLiteral(" COLLATE NOCASE");
        }
    } else {
        d += c.figureNumber ? QStringLiteral("citext") : typeName(c.type, dialect);
        if (c.type == ColumnType::Text) {
            d += QStringLiteral(" COLLATE \"C\"");
        }
        if (c.notNull) {
            d += QStringLiteral(" NOT NULL");
        }
    }
    if (c.unique) {
        d += QStringLiteral(" UNIQUE");
    }
    if (!c.defaultValue.isEmpty()) {
        QString value = c.defaultValue;
        if (dialect == Dialect::Server && c.type == ColumnType::YesNo) {
            value = value == QStringLiteral("0") ? QStringLiteral("false") : QStringLiteral("true");
        }
        d += QStringLiteral(" DEFAULT ") + value;
    }
    return d;
}

QStringList tableStatements(const Table &table, Dialect dialect)
{
    QStringList columns;
    for (const Column &c : table.columns) {
        columns << QStringLiteral("    ") + columnDefinition(c, dialect);
    }
    if (dialect == Dialect::Server) {
        // The row identity a write addresses a record by; the file has its implicit rowid.
        columns << QStringLiteral("    rowid bigint GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY");
    }
    QStringList statements{
        QStringLiteral("CREATE TABLE %1 (\n%2\n)").arg(table.name, columns.join(QStringLiteral(",\n")))};
    for (const Index &index : table.indexes) {
        statements << QStringLiteral("CREATE INDEX %1 ON %2 (%3)")
                          .arg(index.name, table.name, index.columns.join(QStringLiteral(", ")));
    }
    return statements;
}

QString versionRecord(int version, Dialect dialect)
{
    if (dialect == Dialect::File) {
        return QStringLiteral("PRAGMA user_version = %1").arg(version);
    }
    return QStringLiteral("INSERT INTO taprell_meta (name, value) VALUES ('schema_version', '%1') "
                          "ON CONFLICT (name) DO UPDATE SET value = excluded.value")
        .arg(version);
}

const QString metaTable = QStringLiteral("CREATE TABLE taprell_meta (\n"
                                         "    name  text PRIMARY KEY,\n"
                                         "    value text NOT NULL\n"
                                         ")");

} // namespace

int Table::indexOf(QStringView name) const
{
    for (int i = 0; i < columns.size(); ++i) {
        if (columns[i].name.compare(name, Qt::CaseInsensitive) == 0) {
            return i;
        }
    }
    return -1;
}

QStringList Table::columnNames() const
{
    QStringList names;
    for (const Column &c : columns) {
        names << c.name;
    }
    return names;
}

const Table *Description::table(QStringView name) const
{
    for (const Table &t : tables) {
        if (t.name.compare(name, Qt::CaseInsensitive) == 0) {
            return &t;
        }
    }
    return nullptr;
}

const Description &library()
{
    static const Description description = build();
    return description;
}

QList<const Table *> baseTables()
{
    const Description &d = library();
    return {d.table(u"picType"), d.table(u"picMain"), d.table(u"pData"), d.table(u"picLable")};
}

QString spelling(const QString &name)
{
    for (const Table &t : library().tables) {
        if (const int i = t.indexOf(name); i >= 0) {
            return t.columns[i].name;
        }
    }
    return name;
}

QStringList createStatements(const Description &description, Dialect dialect)
{
    QStringList statements;
    if (dialect == Dialect::Server) {
        statements << QStringLiteral("CREATE EXTENSION IF NOT EXISTS citext");
    }
    for (const Table &table : description.tables) {
        statements += tableStatements(table, dialect);
    }
    if (dialect == Dialect::Server) {
        statements << metaTable;
    }
    statements << versionRecord(description.version, dialect);
    return statements;
}

QStringList upgradeStatements(const Description &description, int storedVersion, Dialect dialect)
{
    QStringList statements;
    if (storedVersion >= description.version) {
        return statements;
    }
    if (dialect == Dialect::Server && storedVersion < 2) {
        // Figure numbers were text compared through lower(th); they become citext, with plain
        // indexes on them.
        statements << QStringLiteral("CREATE EXTENSION IF NOT EXISTS citext") << metaTable
                   << QStringLiteral("DROP INDEX IF EXISTS picMainNumber")
                   << QStringLiteral("DROP INDEX IF EXISTS pDataFigure")
                   << QStringLiteral("DROP INDEX IF EXISTS picLableFigure");
        for (const char *table : {"picMain", "pData", "picLable"}) {
            statements
                << QStringLiteral("ALTER TABLE %1 ALTER COLUMN th TYPE citext COLLATE \"C\"").arg(QLatin1String(table));
        }
        statements << QStringLiteral("ALTER TABLE picMain ADD UNIQUE (th)")
                   << QStringLiteral("CREATE INDEX pDataFigure ON pData (th, ID)")
                   << QStringLiteral("CREATE INDEX picLableFigure ON picLable (th, ID)");
    }
    // A table may be there already (a library whose version record was set back): kept as it is.
    for (const Table &table : description.tables) {
        if (table.since > storedVersion) {
            for (QString statement : tableStatements(table, dialect)) {
                statement.replace(QStringLiteral("CREATE TABLE "), QStringLiteral("CREATE TABLE IF NOT EXISTS "));
                statement.replace(QStringLiteral("CREATE INDEX "), QStringLiteral("CREATE INDEX IF NOT EXISTS "));
                statements << statement;
            }
        }
    }
    statements << versionRecord(description.version, dialect);
    return statements;
}

QString newerVersionMessage(int storedVersion, const QString &location)
{
    return QCoreApplication::translate(
               "Schema", "这个图版库由较新版本的 Taprell 建立或升级过（结构版本 %1，这个版本只认识到 %2），"
                         "为免损坏它，这里不打开它。请使用新版本的 Taprell：%3")
        .arg(storedVersion)
        .arg(currentVersion)
        .arg(location);
}

} // namespace schema
