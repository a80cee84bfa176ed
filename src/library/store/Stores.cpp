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
    Operation o;
    o.table = table;
    o.where = {equal(QStringLiteral("LB"), letter)};
    o.orderBy = {QStringLiteral("figName")};
    o.notice =
        QStringLiteral("select * from picMain where LB = ") + quoted(letter) + QStringLiteral(" order by figName");
    return o;
}

Operation Figures::record(const QString &figureNumber)
{
    Operation o;
    o.table = table;
    o.where = {equal(QStringLiteral("th"), figureNumber)};
    o.notice = QStringLiteral("select * from picMain where th= ") + quoted(figureNumber);
    return o;
}

Operation Figures::remove(const QString &figureNumber)
{
    Operation o;
    o.verb = Operation::Verb::Delete;
    o.table = table;
    o.where = {equal(QStringLiteral("th"), figureNumber)};
    o.notice = QStringLiteral("DELETE from picMain where th= ") + quoted(figureNumber);
    return o;
}

Operation Figures::numbersStartingWith(const QString &letter)
{
    Operation o;
    o.table = table;
    o.columns = {QStringLiteral("th")};
    o.where = {{Condition::Test::FirstLetter, QStringLiteral("th"), letter}};
    o.notice = QStringLiteral("select th from picMain where upper(substr(th, 1, 1)) = upper(") + quoted(letter) +
               QStringLiteral(")");
    return o;
}

Operation Figures::numbersInOrder()
{
    Operation o;
    o.table = table;
    o.columns = {QStringLiteral("th")};
    o.orderBy = {QStringLiteral("LB"), QStringLiteral("figName")};
    o.notice = QStringLiteral("select th from picMain order by LB, figName");
    return o;
}

Operation Groups::all()
{
    Operation o;
    o.table = table;
    o.columns = {QStringLiteral("grp"), QStringLiteral("grpName")};
    o.orderBy = {QStringLiteral("grp")};
    o.notice = QStringLiteral("select grp,grpName from picType order by grp");
    return o;
}

Operation Groups::name(const QString &number)
{
    Operation o;
    o.table = table;
    o.columns = {QStringLiteral("grpName")};
    o.where = {equal(QStringLiteral("grp"), storedNumber(number))};
    o.notice = QStringLiteral("select grpName from picType where grp = ") + numberLiteral(number);
    return o;
}

Operation Groups::record(const QString &number)
{
    Operation o;
    o.table = table;
    o.where = {equal(QStringLiteral("grp"), storedNumber(number))};
    o.notice = QStringLiteral("select * from picType where grp = ") + numberLiteral(number);
    return o;
}

Operation Groups::remove(const QString &number)
{
    Operation o;
    o.verb = Operation::Verb::Delete;
    o.table = table;
    o.where = {equal(QStringLiteral("grp"), storedNumber(number))};
    o.notice = QStringLiteral("DELETE from picType where grp = ") + numberLiteral(number);
    return o;
}

Operation Points::list(const QString &figureNumber)
{
    Operation o;
    o.table = table;
    // The columns the list shows, not every one: reading the figure number of every row only to
    // drop it costs a large figure much of its load time.
    o.columns = {QStringLiteral("ID"), QStringLiteral("Series"), QStringLiteral("curve"),
                 QStringLiteral("X"),  QStringLiteral("Y"),      QStringLiteral("L")};
    o.where = {equal(QStringLiteral("th"), figureNumber)};
    o.orderBy = {QStringLiteral("ID")};
    o.notice =
        QStringLiteral("select * from pData where Th = ") + quoted(figureNumber) + QStringLiteral(" order by ID");
    return o;
}

Operation Points::stored(const QString &figureNumber)
{
    Operation o;
    o.table = table;
    o.where = {equal(QStringLiteral("th"), figureNumber)};
    o.notice = QStringLiteral("select * from pData where th= ") + quoted(figureNumber);
    return o;
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
    Operation o;
    o.verb = Operation::Verb::Delete;
    o.table = table;
    o.where = {{Condition::Test::Identity, {}, identity}};
    o.notice = QStringLiteral("DELETE from pData where rowid = ") + QString::number(identity);
    return o;
}

Operation Labels::list(const QString &figureNumber)
{
    Operation o = ofFigure(figureNumber);
    o.thenByIdentity = true;
    return o;
}

Operation Labels::ofFigure(const QString &figureNumber)
{
    Operation o;
    o.table = table;
    o.where = {equal(QStringLiteral("th"), figureNumber)};
    o.orderBy = {QStringLiteral("ID")};
    o.notice =
        QStringLiteral("select * from picLable where Th = ") + quoted(figureNumber) + QStringLiteral(" order by ID");
    return o;
}

Operation Labels::withNumber(const QString &figureNumber, const QString &number, bool inOrder)
{
    Operation o;
    o.table = table;
    o.where = {equal(QStringLiteral("th"), figureNumber), equal(QStringLiteral("ID"), storedNumber(number))};
    o.thenByIdentity = inOrder;
    o.notice = QStringLiteral("select * from picLable where th= ") + quoted(figureNumber) + QStringLiteral(" and ID=") +
               numberLiteral(number);
    return o;
}

Operation Labels::highestNumber(const QString &figureNumber)
{
    Operation o;
    o.table = table;
    o.highest = QStringLiteral("ID");
    o.where = {equal(QStringLiteral("th"), figureNumber), {Condition::Test::HoldsNumber, QStringLiteral("ID"), {}}};
    o.notice = QStringLiteral("select max(ID) as highest from picLable where th= ") + quoted(figureNumber);
    return o;
}

Operation Labels::remove(const QString &figureNumber, const QString &number, int occurrence)
{
    Operation o;
    o.verb = Operation::Verb::Delete;
    o.table = table;
    o.where = {equal(QStringLiteral("th"), figureNumber), equal(QStringLiteral("ID"), storedNumber(number))};
    o.onlyOccurrence = occurrence;
    o.notice = QStringLiteral("DELETE from picLable where th= ") + quoted(figureNumber) + QStringLiteral(" and ID=") +
               numberLiteral(number);
    return o;
}

} // namespace store
