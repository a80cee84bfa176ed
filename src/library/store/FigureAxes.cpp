// SPDX-License-Identifier: GPL-3.0-or-later
#include <library/engine/Conversions.h>
#include <library/store/FigureAxes.h>
#include <library/store/Library.h>
#include <library/store/Query.h>
#include <library/store/Stores.h>

#include <QCoreApplication>
#include <QMap>

namespace store {

namespace {

enum FieldKind
{
    Name = 0,
    Extension = 1,
};

Operation axesOf(const QString &figureNumber)
{
    Operation o;
    o.table = Axes::table;
    o.where = {{Condition::Test::Equal, QStringLiteral("th"), figureNumber}};
    o.notice = QStringLiteral("select * from picAxis where th= ") + quoted(figureNumber);
    return o;
}

Operation fieldsOf(const QString &figureNumber)
{
    Operation o;
    o.table = Axes::fieldTable;
    o.where = {{Condition::Test::Equal, QStringLiteral("th"), figureNumber}};
    o.orderBy = {QStringLiteral("ID")};
    o.notice =
        QStringLiteral("select * from picField where th= ") + quoted(figureNumber) + QStringLiteral(" order by ID");
    return o;
}

Operation everyOne(const QString &table, const QStringList &order)
{
    Operation o;
    o.table = table;
    o.orderBy = order;
    o.notice = QStringLiteral("select * from %1 order by %2").arg(table, order.join(QStringLiteral(", ")));
    return o;
}

const QStringList axisFields = {QStringLiteral("xExpr"),   QStringLiteral("yExpr"),     QStringLiteral("leftExpr"),
                                QStringLiteral("topExpr"), QStringLiteral("rightExpr"), QStringLiteral("xTitle"),
                                QStringLiteral("yTitle")};

QList<QString *> axisTexts(FigureAxes &a)
{
    return {&a.x, &a.y, &a.left, &a.top, &a.right, &a.xTitle, &a.yTitle};
}

void addField(const Query &query, FigureAxes *axes)
{
    const QPointF at(numericValue(query.text(u"X")), numericValue(query.text(u"Y")));
    if (query.text(u"kind").toInt() == Extension) {
        axes->extendToFrame << at;
    } else {
        axes->fieldNames << FigureAxes::FieldName{at, query.text(u"name")};
    }
}

Status addRecord(Library &library, const QString &table, const QList<std::pair<QString, QString>> &fields)
{
    Query query;
    if (Status status = query.open(library, noRecords(table)); !status) {
        return status;
    }
    query.addNew();
    for (const auto &[field, text] : fields) {
        if (Status status = query.setField(field, text); !status) {
            return status;
        }
    }
    return query.update();
}

} // namespace

const QString Axes::table = QStringLiteral("picAxis");
const QString Axes::fieldTable = QStringLiteral("picField");

bool FigureAxes::isEmpty() const
{
    FigureAxes copy = *this;
    for (const QString *text : axisTexts(copy)) {
        if (!text->isEmpty()) {
            return false;
        }
    }
    return fieldNames.isEmpty() && extendToFrame.isEmpty();
}

Status Axes::read(Library &library, const QString &figureNumber, std::optional<FigureAxes> *axes)
{
    axes->reset();
    if (!library.tableInfo(table) || !library.tableInfo(fieldTable)) {
        return {}; // a library from before these tables
    }
    FigureAxes found;
    found.figureNumber = figureNumber;
    Query query;
    if (Status status = query.open(library, axesOf(figureNumber), Query::Mode::ReadOnly); !status) {
        return status;
    }
    bool any = query.recordCount() > 0;
    if (any) {
        query.move(1);
        found.figureNumber = query.text(u"th"); // as stored
        const QList<QString *> texts = axisTexts(found);
        for (qsizetype i = 0; i < axisFields.size(); ++i) {
            *texts[i] = query.text(axisFields[i]);
        }
    }
    if (Status status = query.open(library, fieldsOf(figureNumber), Query::Mode::ReadOnly); !status) {
        return status;
    }
    for (int i = 1; i <= query.recordCount(); ++i) {
        query.move(i);
        if (!any) {
            found.figureNumber = query.text(u"th");
        }
        addField(query, &found);
        any = true;
    }
    if (any) {
        *axes = std::move(found);
    }
    return {};
}

Status Axes::readAll(Library &library, QList<FigureAxes> *all)
{
    all->clear();
    if (!library.tableInfo(table) || !library.tableInfo(fieldTable)) {
        return {};
    }
    QMap<QString, FigureAxes> byFigure; // keyed without regard to case, as figure numbers compare
    auto entry = [&](const QString &number) -> FigureAxes & {
        FigureAxes &a = byFigure[number.toUpper()];
        if (a.figureNumber.isEmpty()) {
            a.figureNumber = number;
        }
        return a;
    };
    Query query;
    if (Status status = query.open(library, everyOne(table, {QStringLiteral("th")}), Query::Mode::ReadOnly); !status) {
        return status;
    }
    for (int i = 1; i <= query.recordCount(); ++i) {
        query.move(i);
        FigureAxes &a = entry(query.text(u"th"));
        const QList<QString *> texts = axisTexts(a);
        for (qsizetype f = 0; f < axisFields.size(); ++f) {
            *texts[f] = query.text(axisFields[f]);
        }
    }
    if (Status status = query.open(library, everyOne(fieldTable, {QStringLiteral("th"), QStringLiteral("ID")}),
                                   Query::Mode::ReadOnly);
        !status) {
        return status;
    }
    for (int i = 1; i <= query.recordCount(); ++i) {
        query.move(i);
        addField(query, &entry(query.text(u"th")));
    }
    *all = byFigure.values();
    return {};
}

Status Axes::write(Library &library, const FigureAxes &axes)
{
    if (axes.figureNumber.trimmed().isEmpty()) {
        return LibraryError{.message = QCoreApplication::translate("Axes", "没有图号，不能保存坐标轴设置。")};
    }
    // One save: a library from before these tables gains them at its start.
    const Library::SaveResult saved = library.saveRows(
        1, [](int) { return true; },
        [&](int) -> Status {
            Operation removeAxes = axesOf(axes.figureNumber);
            removeAxes.verb = Operation::Verb::Delete;
            removeAxes.notice = QStringLiteral("DELETE from picAxis where th= ") + quoted(axes.figureNumber);
            Operation removeFields = fieldsOf(axes.figureNumber);
            removeFields.verb = Operation::Verb::Delete;
            removeFields.orderBy.clear();
            removeFields.notice = QStringLiteral("DELETE from picField where th= ") + quoted(axes.figureNumber);
            for (const Operation &remove : {removeAxes, removeFields}) {
                if (Status status = library.execute(remove); !status) {
                    return status;
                }
            }
            if (axes.isEmpty()) {
                return {};
            }
            QList<std::pair<QString, QString>> record{{QStringLiteral("th"), axes.figureNumber}};
            FigureAxes copy = axes;
            const QList<QString *> texts = axisTexts(copy);
            for (qsizetype i = 0; i < axisFields.size(); ++i) {
                record.append({axisFields[i], *texts[i]});
            }
            if (Status status = addRecord(library, table, record); !status) {
                return status;
            }
            int id = 0;
            auto addPoint = [&](FieldKind kind, QPointF at, const QString &name) {
                return addRecord(library, fieldTable,
                                 {{QStringLiteral("th"), axes.figureNumber},
                                  {QStringLiteral("ID"), QString::number(++id)},
                                  {QStringLiteral("kind"), QString::number(int(kind))},
                                  {QStringLiteral("X"), numberText(at.x())},
                                  {QStringLiteral("Y"), numberText(at.y())},
                                  {QStringLiteral("name"), name}});
            };
            for (const FigureAxes::FieldName &field : axes.fieldNames) {
                if (Status status = addPoint(Name, field.at, field.name); !status) {
                    return status;
                }
            }
            for (const QPointF &end : axes.extendToFrame) {
                if (Status status = addPoint(Extension, end, {}); !status) {
                    return status;
                }
            }
            return {};
        });
    return saved.status;
}

} // namespace store
