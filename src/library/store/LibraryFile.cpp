// SPDX-License-Identifier: GPL-3.0-or-later
#include <library/engine/Schema.h>
#include <library/store/Library.h>
#include <library/store/LibraryFile.h>
#include <library/store/Query.h>
#include <library/store/Stores.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace LibraryFile {

namespace {

QString resourceText(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(file.readAll());
}

} // namespace

QString sampleCsv(const QString &name)
{
    return resourceText(QStringLiteral(":/taprell/%1.csv").arg(name));
}

Status create(const QString &fileName)
{
    if (QFileInfo::exists(fileName)) {
        return LibraryError{
            QCoreApplication::translate("LibraryFile", "文件已经存在：%1").arg(fileName), {}, {}, {}, 0};
    }
    QDir().mkpath(QFileInfo(fileName).absolutePath());
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        return LibraryError{QCoreApplication::translate("LibraryFile", "不能创建文件：%1").arg(fileName),
                            {},
                            file.errorString(),
                            {},
                            0};
    }
    file.close();

    Library library;
    if (Status status = library.open(fileName); !status) {
        return status;
    }
    for (const QString &statement : schema::createStatements(schema::library(), schema::Dialect::File)) {
        if (Status status = library.executeScript(statement); !status) {
            return status;
        }
    }
    return {};
}

QList<QStringList> readCsv(const QString &text)
{
    QList<QStringList> records;
    QStringList record;
    QString field;
    bool quotedField = false;
    bool inQuotes = false;
    bool any = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (inQuotes) {
            if (c == u'"') {
                if (i + 1 < text.size() && text[i + 1] == u'"') {
                    field += u'"';
                    ++i;
                } else {
                    inQuotes = false;
                }
            } else {
                field += c;
            }
            continue;
        }
        if (c == u'"' && field.isEmpty() && !quotedField) {
            inQuotes = true;
            quotedField = true;
            any = true;
        } else if (c == u',') {
            record << field;
            field.clear();
            quotedField = false;
            any = true;
        } else if (c == u'\n' || c == u'\r') {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
                ++i;
            }
            if (any || !field.isEmpty()) {
                record << field;
                records << record;
            }
            record.clear();
            field.clear();
            quotedField = false;
            any = false;
        } else {
            field += c;
            any = true;
        }
    }
    if (any || !field.isEmpty()) {
        record << field;
        records << record;
    }
    return records;
}

Status importCsv(Library &library, const QString &table, const QString &csvText)
{
    const QList<QStringList> records = readCsv(csvText);
    if (records.isEmpty()) {
        return {};
    }
    const QStringList header = records.first();
    const TableInfo *info = library.tableInfo(table);
    if (!info) {
        return library.notOpenError(table);
    }
    auto result = library.saveRows(
        static_cast<int>(records.size()) - 1, [](int) { return true; },
        [&](int i) -> Status {
            const QStringList &values = records[i + 1];
            Query query;
            if (Status status = query.open(library, store::noRecords(table)); !status) {
                return status;
            }
            query.addNew();
            for (int c = 0; c < header.size() && c < values.size(); ++c) {
                const int column = info->indexOf(header[c]);
                if (column >= 0 && values[c].isEmpty() && info->columns[column].type != ColumnType::Text) {
                    continue;
                }
                if (Status status = query.setField(header[c], values[c]); !status) {
                    status.error().row = i + 2;
                    return status;
                }
            }
            return query.update();
        });
    return result.status;
}

Status createSample(const QString &fileName)
{
    if (Status status = create(fileName); !status) {
        return status;
    }
    Library library;
    if (Status status = library.open(fileName); !status) {
        return status;
    }
    const QList<std::pair<QString, QString>> tables = {
        {QStringLiteral("picMain"), QStringLiteral("figures")}, {QStringLiteral("picType"), QStringLiteral("groups")},
        {QStringLiteral("pData"), QStringLiteral("points")},    {QStringLiteral("picLable"), QStringLiteral("labels")},
        {QStringLiteral("picAxis"), QStringLiteral("axes")},    {QStringLiteral("picField"), QStringLiteral("fields")}};
    for (const auto &[table, csv] : tables) {
        if (Status status = importCsv(library, table, sampleCsv(csv)); !status) {
            return status;
        }
    }
    return {};
}

} // namespace LibraryFile
