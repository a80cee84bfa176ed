// SPDX-License-Identifier: GPL-3.0-or-later
#include <exchange/Bundle.h>
#include <library/engine/Conversions.h>
#include <library/engine/Schema.h>
#include <library/store/Library.h>
#include <library/store/Query.h>
#include <library/store/Stores.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSet>

#include <cmath>

namespace exchange {

namespace {

const QString format = QStringLiteral("taprell-bundle");
const QString figureTable = QStringLiteral("picMain");
const QString groupTable = QStringLiteral("picType");
const QString pointTable = QStringLiteral("pData");
const QString labelTable = QStringLiteral("picLable");
const QString axisTable = QStringLiteral("picAxis");
const QString fieldTable = QStringLiteral("picField");

// The parts of a figure in the bundle, and the tables they come from.
struct Part
{
    const char *member;
    const QString *table;
    bool rows; // an array of records, or one record
};
const Part parts[] = {
    {"points", &pointTable, true},
    {"labels", &labelTable, true},
    {"axes", &axisTable, false},
    {"fields", &fieldTable, true},
};

const schema::Table &described(const QString &table)
{
    return *schema::library().table(table);
}

// A stored value as the bundle holds it. A text in a number field stays a text; it is noted.
QJsonValue toJsonValue(const schema::Column &column, const Query &query, int field, const QString &place,
                       QStringList *notes)
{
    if (field < 0 || query.isNull(field)) {
        return QJsonValue::Null;
    }
    const QString text = query.text(field);
    switch (column.type) {
    case ColumnType::Text:
        return text;
    case ColumnType::YesNo:
        return text == u"True";
    case ColumnType::Integer:
    case ColumnType::Number: {
        QVariant value;
        QString problem;
        if (textToColumnValue(column.type, text, &value, &problem)) {
            return value.typeId() == QMetaType::LongLong ? QJsonValue(value.toLongLong())
                                                         : QJsonValue(value.toDouble());
        }
        notes->append(QCoreApplication::translate("Bundle", "%1 holds the text “%2” in a number field; it stays a text")
                          .arg(place, text));
        return text;
    }
    }
    return text;
}

QJsonObject recordOf(const schema::Table &table, const Query &query, bool withNumber, const QString &place,
                     QStringList *notes)
{
    QJsonObject record;
    for (const schema::Column &column : table.columns) {
        if (!withNumber && column.figureNumber) {
            continue;
        }
        record.insert(column.name,
                      toJsonValue(column, query, query.fieldIndex(column.name), place + u'.' + column.name, notes));
    }
    return record;
}

store::Operation rowsOf(const QString &table, const QString &figureNumber)
{
    store::Operation read;
    read.table = table;
    read.where = {{store::Condition::Test::Equal, QStringLiteral("th"), figureNumber}};
    read.thenByIdentity = true; // the order they were stored in
    read.notice = QStringLiteral("select * from %1 where th= %2").arg(table, quoted(figureNumber));
    return read;
}

Status readFigure(Library &library, const QString &number, int index, BundleFigure *figure, QStringList *notes)
{
    const QString place = QStringLiteral("figures[%1]").arg(index);
    Query query;
    if (Status status = query.open(library, store::Figures::record(number), Query::Mode::ReadOnly); !status) {
        return status;
    }
    if (query.recordCount() == 0) {
        return LibraryError{
            .message = QCoreApplication::translate("Bundle", "there is no figure %1 in the library").arg(number)};
    }
    query.move(1);
    figure->record = recordOf(described(figureTable), query, true, place + QStringLiteral(".figure"), notes);
    const QString group = query.text(u"grp");
    if (Status status = query.open(library, store::Groups::record(group), Query::Mode::ReadOnly); !status) {
        return status;
    }
    if (query.recordCount() > 0) {
        query.move(1);
        figure->group = recordOf(described(groupTable), query, true, place + QStringLiteral(".group"), notes);
    }
    for (const Part &part : parts) {
        if (!library.tableInfo(*part.table)) {
            continue; // a library from before the table
        }
        if (Status status = query.open(library, rowsOf(*part.table, number), Query::Mode::ReadOnly); !status) {
            return status;
        }
        for (int i = 1; i <= query.recordCount(); ++i) {
            query.move(i);
            const QString at =
                place + u'.' + QLatin1String(part.member) + (part.rows ? QStringLiteral("[%1]").arg(i - 1) : QString());
            const QJsonObject record = recordOf(described(*part.table), query, false, at, notes);
            if (*part.table == pointTable) {
                figure->points << record;
            } else if (*part.table == labelTable) {
                figure->labels << record;
            } else if (*part.table == fieldTable) {
                figure->fields << record;
            } else {
                figure->axes = record;
            }
        }
    }
    return {};
}

// Every figure number with its group, in the catalogue's order.
Status figureNumbers(Library &library, QList<std::pair<QString, QString>> *numbers)
{
    store::Operation read = store::Figures::numbersInOrder();
    read.columns << QStringLiteral("grp");
    Query query;
    if (Status status = query.open(library, read, Query::Mode::ReadOnly); !status) {
        return status;
    }
    for (int i = 1; i <= query.recordCount(); ++i) {
        query.move(i);
        numbers->append({query.text(u"th"), query.text(u"grp")});
    }
    return {};
}

QJsonArray toArray(const QList<QJsonObject> &records)
{
    QJsonArray array;
    for (const QJsonObject &record : records) {
        array.append(record);
    }
    return array;
}

bool isFigureNumber(const QString &number)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z][0-9]{3}$"));
    return pattern.match(number).hasMatch();
}

// Checks a record's members against its table: known fields, values of a kind a field takes.
bool checkRecord(const QJsonValue &value, const schema::Table &table, const QString &place, bool needsNumber,
                 QJsonObject *record, QString *problem)
{
    if (!value.isObject()) {
        *problem = QCoreApplication::translate("Bundle", "%1: expected an object").arg(place);
        return false;
    }
    *record = value.toObject();
    for (auto it = record->constBegin(); it != record->constEnd(); ++it) {
        const int column = table.indexOf(it.key());
        if (column < 0 || (!needsNumber && table.columns[column].figureNumber)) {
            *problem =
                QCoreApplication::translate("Bundle", "%1.%2: %3 has no such field").arg(place, it.key(), table.name);
            return false;
        }
        const QJsonValue &v = it.value();
        if (v.isArray() || v.isObject() || v.isUndefined()) {
            *problem = QCoreApplication::translate("Bundle", "%1.%2: expected a number, a text, true/false or null")
                           .arg(place, it.key());
            return false;
        }
    }
    for (const schema::Column &column : table.columns) {
        if (column.notNull && !(column.figureNumber && !needsNumber) && column.defaultValue.isEmpty() &&
            (!record->contains(column.name) || record->value(column.name).isNull())) {
            *problem = QCoreApplication::translate("Bundle", "%1: the field %2 is missing").arg(place, column.name);
            return false;
        }
    }
    return true;
}

bool checkRows(const QJsonObject &figure, const char *member, const schema::Table &table, const QString &place,
               QList<QJsonObject> *rows, QString *problem)
{
    const QJsonValue value = figure.value(QLatin1String(member));
    if (value.isUndefined() || value.isNull()) {
        return true;
    }
    if (!value.isArray()) {
        *problem = QCoreApplication::translate("Bundle", "%1.%2: expected an array").arg(place, QLatin1String(member));
        return false;
    }
    const QJsonArray array = value.toArray();
    for (qsizetype i = 0; i < array.size(); ++i) {
        QJsonObject record;
        if (!checkRecord(array[i], table, QStringLiteral("%1.%2[%3]").arg(place, QLatin1String(member)).arg(i), false,
                         &record, problem)) {
            return false;
        }
        rows->append(record);
    }
    return true;
}

// A bundle's value as the column stores it.
QVariant storedValue(const schema::Column &column, const QJsonValue &value)
{
    if (value.isNull() || value.isUndefined()) {
        return {};
    }
    if (value.isBool()) {
        return qlonglong(value.toBool() ? 1 : 0);
    }
    if (value.isString()) {
        return value.toString(); // a text, in a number field too: as it was stored
    }
    const double number = value.toDouble();
    switch (column.type) {
    case ColumnType::Text:
        return numberText(number);
    case ColumnType::Number:
        return number;
    case ColumnType::Integer:
    case ColumnType::YesNo:
        break;
    }
    // Whole numbers as the integers they were, past what a double holds exactly too.
    return std::trunc(number) == number ? QVariant(qlonglong(value.toInteger(qint64(number)))) : QVariant(number);
}

Status insert(Library &library, const QString &tableName, const QJsonObject &record, const QString &figureNumber)
{
    const schema::Table &table = described(tableName);
    Query query;
    if (Status status = query.open(library, store::noRecords(tableName)); !status) {
        return status;
    }
    query.addNew();
    for (const schema::Column &column : table.columns) {
        const QVariant value =
            column.figureNumber ? QVariant(figureNumber) : storedValue(column, record.value(column.name));
        if (value.isNull() && !record.contains(column.name)) {
            continue; // the column's default
        }
        if (Status status = query.setStoredValue(column.name, value); !status) {
            return status;
        }
    }
    return query.update();
}

Status removeFigure(Library &library, const QString &number)
{
    for (const QString *table : {&figureTable, &pointTable, &labelTable, &axisTable, &fieldTable}) {
        store::Operation remove = rowsOf(*table, number);
        remove.verb = store::Operation::Verb::Delete;
        remove.thenByIdentity = false;
        remove.notice = QStringLiteral("DELETE from %1 where th= %2").arg(*table, quoted(number));
        if (Status status = library.execute(remove); !status) {
            return status;
        }
    }
    return {};
}

} // namespace

Status read(Library &library, const Selection &selection, Bundle *bundle)
{
    bundle->figures.clear();
    bundle->notes.clear();
    QList<std::pair<QString, QString>> all;
    if (Status status = figureNumbers(library, &all); !status) {
        return status;
    }
    QStringList numbers;
    if (selection.all) {
        for (const auto &[number, group] : all) {
            numbers << number;
        }
    } else if (!selection.group.isEmpty()) {
        for (const auto &[number, group] : all) {
            if (group == selection.group) {
                numbers << number;
            }
        }
    }
    for (const QString &wanted : selection.figureNumbers) {
        const auto found = std::find_if(all.cbegin(), all.cend(), [&](const auto &figure) {
            return figure.first.compare(wanted, Qt::CaseInsensitive) == 0;
        });
        if (found == all.cend()) {
            return LibraryError{
                .message = QCoreApplication::translate("Bundle", "there is no figure %1 in the library").arg(wanted)};
        }
        numbers << found->first;
    }
    for (const QString &number : std::as_const(numbers)) {
        BundleFigure figure;
        if (Status status = readFigure(library, number, int(bundle->figures.size()), &figure, &bundle->notes);
            !status) {
            return status;
        }
        bundle->figures << figure;
    }
    return {};
}

QByteArray toJson(const Bundle &bundle)
{
    QJsonArray figures;
    for (const BundleFigure &figure : bundle.figures) {
        QJsonObject object{{QStringLiteral("figure"), figure.record},
                           {QStringLiteral("group"), figure.group.isEmpty() ? QJsonValue() : QJsonValue(figure.group)},
                           {QStringLiteral("points"), toArray(figure.points)},
                           {QStringLiteral("labels"), toArray(figure.labels)}};
        if (!figure.axes.isEmpty()) {
            object.insert(QStringLiteral("axes"), figure.axes);
        }
        if (!figure.fields.isEmpty()) {
            object.insert(QStringLiteral("fields"), toArray(figure.fields));
        }
        figures.append(object);
    }
    const QJsonObject root{{QStringLiteral("format"), format},
                           {QStringLiteral("version"), bundleVersion},
                           {QStringLiteral("figures"), figures}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

bool fromJson(const QByteArray &json, Bundle *bundle, QString *problem)
{
    bundle->figures.clear();
    bundle->notes.clear();
    if (json.size() > largestBundle) {
        *problem = QCoreApplication::translate("Bundle", "the bundle is larger than %1 MB").arg(largestBundle >> 20);
        return false;
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError) {
        *problem =
            QCoreApplication::translate("Bundle", "not JSON: %1 at byte %2").arg(error.errorString()).arg(error.offset);
        return false;
    }
    const QJsonObject root = document.object();
    if (!document.isObject() || root.value(QStringLiteral("format")).toString() != format) {
        *problem = QCoreApplication::translate("Bundle", "not a Taprell bundle: \"format\" is not \"%1\"").arg(format);
        return false;
    }
    const QJsonValue version = root.value(QStringLiteral("version"));
    if (!version.isDouble() || version.toInteger() < 1) {
        *problem = QCoreApplication::translate("Bundle", "version: expected a whole number from 1");
        return false;
    }
    if (version.toInteger() > bundleVersion) {
        *problem = QCoreApplication::translate("Bundle", "version %1 is newer than this Taprell reads (%2)")
                       .arg(version.toInteger())
                       .arg(bundleVersion);
        return false;
    }
    if (!root.value(QStringLiteral("figures")).isArray()) {
        *problem = QCoreApplication::translate("Bundle", "figures: expected an array");
        return false;
    }
    const QJsonArray figures = root.value(QStringLiteral("figures")).toArray();
    QList<BundleFigure> read; // handed over only whole
    QHash<QString, qsizetype> seen;
    for (qsizetype i = 0; i < figures.size(); ++i) {
        const QString place = QStringLiteral("figures[%1]").arg(i);
        if (!figures[i].isObject()) {
            *problem = QCoreApplication::translate("Bundle", "%1: expected an object").arg(place);
            return false;
        }
        const QJsonObject object = figures[i].toObject();
        BundleFigure figure;
        if (!checkRecord(object.value(QStringLiteral("figure")), described(figureTable),
                         place + QStringLiteral(".figure"), true, &figure.record, problem)) {
            return false;
        }
        const QString number = figure.number();
        if (!isFigureNumber(number)) {
            *problem = QCoreApplication::translate("Bundle", "%1.figure.th: “%2” is not a letter and three digits")
                           .arg(place, figure.record.value(QStringLiteral("th")).toVariant().toString());
            return false;
        }
        if (const auto twin = seen.constFind(number.toUpper()); twin != seen.cend()) {
            *problem = QCoreApplication::translate("Bundle", "%1.figure.th: %2 is figures[%3] already")
                           .arg(place, number)
                           .arg(*twin);
            return false;
        }
        seen.insert(number.toUpper(), i);
        const QJsonValue group = object.value(QStringLiteral("group"));
        if (!group.isNull() && !group.isUndefined() &&
            !checkRecord(group, described(groupTable), place + QStringLiteral(".group"), true, &figure.group,
                         problem)) {
            return false;
        }
        const QJsonValue axes = object.value(QStringLiteral("axes"));
        if (!axes.isNull() && !axes.isUndefined() &&
            !checkRecord(axes, described(axisTable), place + QStringLiteral(".axes"), false, &figure.axes, problem)) {
            return false;
        }
        if (!checkRows(object, "points", described(pointTable), place, &figure.points, problem) ||
            !checkRows(object, "labels", described(labelTable), place, &figure.labels, problem) ||
            !checkRows(object, "fields", described(fieldTable), place, &figure.fields, problem)) {
            return false;
        }
        read << figure;
    }
    bundle->figures = std::move(read);
    return true;
}

bool readFile(const QString &fileName, Bundle *bundle, QString *problem)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        *problem = file.errorString();
        return false;
    }
    if (file.size() > largestBundle) {
        *problem = QCoreApplication::translate("Bundle", "the bundle is larger than %1 MB").arg(largestBundle >> 20);
        return false;
    }
    return fromJson(file.readAll(), bundle, problem);
}

Status nextFreeNumber(Library &library, QChar letter, QString *number)
{
    QList<std::pair<QString, QString>> all;
    if (Status status = figureNumbers(library, &all); !status) {
        return status;
    }
    int next = 1;
    for (const auto &[taken, group] : all) {
        if (!taken.isEmpty() && taken.at(0).toUpper() == letter.toUpper()) {
            next = std::max(next, taken.mid(1).toInt() + 1);
        }
    }
    *number = next > 999 ? QString() : letter.toUpper() + QStringLiteral("%1").arg(next, 3, 10, QLatin1Char('0'));
    return {};
}

ImportResult write(Library &library, const Bundle &bundle, OnConflict onConflict, bool dryRun)
{
    ImportResult result;
    QList<std::pair<QString, QString>> all;
    if (Status status = figureNumbers(library, &all); !status) {
        result.status = status;
        return result;
    }
    QSet<QString> taken;
    for (const auto &[number, group] : all) {
        taken.insert(number.toUpper());
    }
    for (const BundleFigure &figure : bundle.figures) {
        ImportStep step{figure.number(), figure.number(), ImportStep::Action::Add};
        if (taken.contains(step.number.toUpper())) {
            switch (onConflict) {
            case OnConflict::Skip:
                step.action = ImportStep::Action::Skip;
                step.as.clear();
                break;
            case OnConflict::Replace:
                step.action = ImportStep::Action::Replace;
                break;
            case OnConflict::Renumber: {
                step.action = ImportStep::Action::Renumber;
                const QChar letter = step.number.at(0).toUpper();
                int next = 1;
                for (const QString &number : std::as_const(taken)) {
                    if (number.at(0) == letter) {
                        next = std::max(next, number.mid(1).toInt() + 1);
                    }
                }
                step.as = letter + QStringLiteral("%1").arg(next, 3, 10, QLatin1Char('0'));
                if (next > 999) {
                    result.status = LibraryError{
                        .message = QCoreApplication::translate(
                                       "Bundle", "the figure numbers of %1 are used up: %2 cannot be added")
                                       .arg(letter)
                                       .arg(step.number)};
                    return result;
                }
                break;
            }
            }
        }
        if (!step.as.isEmpty()) {
            taken.insert(step.as.toUpper());
        }
        result.steps << step;
    }
    if (dryRun) {
        return result;
    }
    QSet<QString> groups;
    Query query;
    if (Status status = query.open(library, store::Groups::all(), Query::Mode::ReadOnly); !status) {
        result.status = status;
        return result;
    }
    for (int i = 1; i <= query.recordCount(); ++i) {
        query.move(i);
        groups.insert(query.text(u"grp"));
    }
    const Library::SaveResult saved = library.saveRows(
        1, [](int) { return true; },
        [&](int) -> Status {
            for (qsizetype f = 0; f < bundle.figures.size(); ++f) {
                const BundleFigure &figure = bundle.figures[f];
                const ImportStep &step = result.steps[f];
                if (step.action == ImportStep::Action::Skip) {
                    continue;
                }
                if (step.action == ImportStep::Action::Replace) {
                    if (Status status = removeFigure(library, step.as); !status) {
                        return status;
                    }
                }
                if (Status status = insert(library, figureTable, figure.record, step.as); !status) {
                    return status;
                }
                const QString group = figure.group.value(QStringLiteral("grp")).toVariant().toString();
                if (!figure.group.isEmpty() && !groups.contains(group)) {
                    if (Status status = insert(library, groupTable, figure.group, {}); !status) {
                        return status;
                    }
                    groups.insert(group);
                }
                const std::pair<const QString *, const QList<QJsonObject> *> rows[] = {
                    {&pointTable, &figure.points}, {&labelTable, &figure.labels}, {&fieldTable, &figure.fields}};
                for (const auto &[table, records] : rows) {
                    for (const QJsonObject &record : *records) {
                        if (Status status = insert(library, *table, record, step.as); !status) {
                            return status;
                        }
                    }
                }
                if (!figure.axes.isEmpty()) {
                    if (Status status = insert(library, axisTable, figure.axes, step.as); !status) {
                        return status;
                    }
                }
            }
            return {};
        });
    result.status = saved.status;
    return result;
}

} // namespace exchange
