// SPDX-License-Identifier: GPL-3.0-or-later
#include <library/engine/Conversions.h>
#include <library/store/Stores.h>

namespace store {

namespace {

bool isPlainDecimal(const QString &text)
{
    qsizetype i = text.startsWith(u'-') ? 1 : 0;
    const qsizetype digitsFrom = i;
    while (i < text.size() && text[i].isDigit() && text[i].unicode() < 128) {
        ++i;
    }
    if (i == digitsFrom) {
        return false;
    }
    if (i < text.size() && text[i] == u'.') {
        const qsizetype fractionFrom = ++i;
        while (i < text.size() && text[i].isDigit() && text[i].unicode() < 128) {
            ++i;
        }
        if (i == fractionFrom) {
            return false;
        }
    }
    return i == text.size();
}

// The number as the statement users know shows it: as it was listed.
QString numberLiteral(const QString &key)
{
    return isPlainDecimal(key) ? key : quoted(key);
}

Condition equal(const QString &column, const QVariant &value)
{
    return {Condition::Test::Equal, column, value};
}

Operation read(const QString &table, const QList<Condition> &where, const QString &notice,
               const QStringList &orderBy = {}, const QStringList &columns = {})
{
    Operation o;
    o.table = table;
    o.columns = columns;
    o.where = where;
    o.orderBy = orderBy;
    o.notice = notice;
    return o;
}

Operation removal(const QString &table, const QList<Condition> &where, const QString &notice)
{
    Operation o = read(table, where, notice);
    o.verb = Operation::Verb::Delete;
    return o;
}

} // namespace

QVariant storedNumber(const QString &key)
{
    if (!isPlainDecimal(key)) {
        return key;
    }
    bool whole = false;
    const qlonglong number = key.toLongLong(&whole);
    return whole ? QVariant(number) : QVariant(key.toDouble());
}

Operation noRecords(const QString &table)
{
    Operation o;
    o.table = table;
    // Row identities start at 1.
    o.where = {{Condition::Test::Identity, {}, qint64(0)}};
    o.notice = QStringLiteral("select * from %1 where 0").arg(table);
    return o;
}

const QString Figures::table = QStringLiteral("picMain");
const QString Groups::table = QStringLiteral("picType");
const QString Points::table = QStringLiteral("pData");
const QString Labels::table = QStringLiteral("picLable");

Operation Figures::ofKind(const QString &letter)
{
    return read(table, {equal(QStringLiteral("LB"), letter)},
                QStringLiteral("select * from picMain where LB = ") + quoted(letter) +
                    QStringLiteral(" order by figName"),
                {QStringLiteral("figName")});
}

Operation Figures::record(const QString &figureNumber)
{
    return read(table, {equal(QStringLiteral("th"), figureNumber)},
                QStringLiteral("select * from picMain where th= ") + quoted(figureNumber));
}

Operation Figures::remove(const QString &figureNumber)
{
    return removal(table, {equal(QStringLiteral("th"), figureNumber)},
                   QStringLiteral("DELETE from picMain where th= ") + quoted(figureNumber));
}

Operation Figures::numbersStartingWith(const QString &letter)
{
    return read(table, {{Condition::Test::FirstLetter, QStringLiteral("th"), letter}},
                QStringLiteral("select th from picMain where upper(substr(th, 1, 1)) = upper(") + quoted(letter) +
                    QStringLiteral(")"),
                {}, {QStringLiteral("th")});
}

Operation Figures::numbersInOrder()
{
    return read(table, {}, QStringLiteral("select th from picMain order by LB, figName"),
                {QStringLiteral("LB"), QStringLiteral("figName")}, {QStringLiteral("th")});
}

Operation Groups::all()
{
    return read(table, {}, QStringLiteral("select grp,grpName from picType order by grp"), {QStringLiteral("grp")},
                {QStringLiteral("grp"), QStringLiteral("grpName")});
}

Operation Groups::name(const QString &number)
{
    return read(table, {equal(QStringLiteral("grp"), storedNumber(number))},
                QStringLiteral("select grpName from picType where grp = ") + numberLiteral(number), {},
                {QStringLiteral("grpName")});
}

Operation Groups::record(const QString &number)
{
    return read(table, {equal(QStringLiteral("grp"), storedNumber(number))},
                QStringLiteral("select * from picType where grp = ") + numberLiteral(number));
}

Operation Groups::remove(const QString &number)
{
    return removal(table, {equal(QStringLiteral("grp"), storedNumber(number))},
                   QStringLiteral("DELETE from picType where grp = ") + numberLiteral(number));
}

Operation Points::list(const QString &figureNumber)
{
    // The columns the list shows, not every one: reading the figure number of every row only to
    // drop it costs a large figure much of its load time.
    return read(table, {equal(QStringLiteral("th"), figureNumber)},
                QStringLiteral("select * from pData where Th = ") + quoted(figureNumber) +
                    QStringLiteral(" order by ID"),
                {QStringLiteral("ID")},
                {QStringLiteral("ID"), QStringLiteral("Series"), QStringLiteral("curve"), QStringLiteral("X"),
                 QStringLiteral("Y"), QStringLiteral("L")});
}

Operation Points::stored(const QString &figureNumber)
{
    return read(table, {equal(QStringLiteral("th"), figureNumber)},
                QStringLiteral("select * from pData where th= ") + quoted(figureNumber));
}

Operation Points::ofFigure(const QString &figureNumber)
{
    Operation o = list(figureNumber);
    o.identity = false;
    o.columns.clear();
    return o;
}

Operation Points::remove(qint64 identity)
{
    return removal(table, {{Condition::Test::Identity, {}, identity}},
                   QStringLiteral("DELETE from pData where rowid = ") + QString::number(identity));
}

Operation Labels::list(const QString &figureNumber)
{
    Operation o = ofFigure(figureNumber);
    o.thenByIdentity = true;
    return o;
}

Operation Labels::ofFigure(const QString &figureNumber)
{
    return read(table, {equal(QStringLiteral("th"), figureNumber)},
                QStringLiteral("select * from picLable where Th = ") + quoted(figureNumber) +
                    QStringLiteral(" order by ID"),
                {QStringLiteral("ID")});
}

Operation Labels::withNumber(const QString &figureNumber, const QString &number, bool inOrder)
{
    Operation o =
        read(table, {equal(QStringLiteral("th"), figureNumber), equal(QStringLiteral("ID"), storedNumber(number))},
             QStringLiteral("select * from picLable where th= ") + quoted(figureNumber) + QStringLiteral(" and ID=") +
                 numberLiteral(number));
    o.thenByIdentity = inOrder;
    return o;
}

Operation Labels::highestNumber(const QString &figureNumber)
{
    Operation o = read(
        table, {equal(QStringLiteral("th"), figureNumber), {Condition::Test::HoldsNumber, QStringLiteral("ID"), {}}},
        QStringLiteral("select max(ID) as highest from picLable where th= ") + quoted(figureNumber));
    o.highest = QStringLiteral("ID");
    return o;
}

Operation Labels::remove(const QString &figureNumber, const QString &number, int occurrence)
{
    Operation o =
        removal(table, {equal(QStringLiteral("th"), figureNumber), equal(QStringLiteral("ID"), storedNumber(number))},
                QStringLiteral("DELETE from picLable where th= ") + quoted(figureNumber) + QStringLiteral(" and ID=") +
                    numberLiteral(number));
    o.onlyOccurrence = occurrence;
    return o;
}

} // namespace store
