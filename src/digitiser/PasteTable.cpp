// SPDX-License-Identifier: GPL-3.0-or-later
#include <digitiser/PasteTable.h>

#include <QCoreApplication>
#include <QLocale>
#include <QRegularExpression>

#include <cmath>

namespace {

enum class Separator
{
    Tab,
    Semicolon,
    Comma,
    Blank,
};

bool isNumber(const QString &text, double *value = nullptr)
{
    // The C locale would take a comma for a group separator ("1,234" as 1234): commas never
    // reach it, a decimal comma is made a point before.
    if (text.contains(u',')) {
        return false;
    }
    bool ok = false;
    const double v = QLocale::c().toDouble(text, &ok);
    if (value) {
        *value = v;
    }
    return ok && std::isfinite(v);
}

// The fields of a trimmed line, split by its one kind of separator; *mixed when a field still
// holds a separator of another kind.
QStringList split(const QString &line, Separator *kind, bool *mixed)
{
    static const QRegularExpression tab(QStringLiteral("[^\\S\\t]*\\t[^\\S\\t]*"));
    static const QRegularExpression semicolon(QStringLiteral("\\s*;\\s*"));
    static const QRegularExpression comma(QStringLiteral("\\s*,\\s*"));
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    static const QRegularExpression commaBesideBlank(QStringLiteral("\\s,|,\\s"));
    static const QRegularExpression notTab(QStringLiteral("[\\s;]"));
    static const QRegularExpression blank(QStringLiteral("\\s"));
    QStringList fields;
    const QRegularExpression *other = nullptr;
    if (line.contains(u'\t')) {
        *kind = Separator::Tab;
        fields = line.split(tab);
        other = &notTab;
    } else if (line.contains(u';')) {
        *kind = Separator::Semicolon;
        fields = line.split(semicolon);
        other = &blank;
    } else if (line.contains(commaBesideBlank) || !line.contains(blank)) {
        *kind = Separator::Comma;
        fields = line.split(comma);
        other = &blank;
    } else {
        *kind = Separator::Blank;
        fields = line.split(blanks);
    }
    *mixed = other && std::any_of(fields.begin(), fields.end(),
                                  [other](const QString &field) { return field.contains(*other); });
    return fields;
}

// A field with one comma and no point where another separator split the line: the comma is
// the decimal mark. Empty when it is not such a field.
QString withDecimalPoint(const QString &field)
{
    if (field.count(u',') != 1 || field.contains(u'.')) {
        return {};
    }
    QString text = field;
    text.replace(u',', u'.');
    return isNumber(text) ? text : QString();
}

// Whether the columns' names put X or Y where the other one is.
bool namesOutOfOrder(const QString &line)
{
    static const QRegularExpression separators(QStringLiteral("[\\s,;]+"));
    const QStringList names = line.split(separators, Qt::SkipEmptyParts);
    for (int i = 0; i < names.size(); ++i) {
        const bool x = names[i].compare(u"X", Qt::CaseInsensitive) == 0;
        const bool y = names[i].compare(u"Y", Qt::CaseInsensitive) == 0;
        if ((x && i != 0) || (y && i != 1)) {
            return true;
        }
    }
    return false;
}

} // namespace

PasteTable PasteTable::parse(const QString &text)
{
    PasteTable table;
    const QStringList lines = text.split(u'\n');
    auto refuse = [&](int index, const QString &why) {
        table.points.clear();
        table.errorLine = index + 1;
        table.error = QCoreApplication::translate("PasteTable", "第 %1 行%2：“%3”")
                          .arg(index + 1)
                          .arg(why, lines[index].trimmed());
        return table;
    };
    static const QRegularExpression grouping(QStringLiteral("^[+-]?[1-9]\\d{0,2},\\d{3}$"));
    int commaLine = -1;           // the first line with a decimal comma
    int pointLine = -1;           // the first line with a decimal point
    int commaSeparatedLine = -1;  // the first line split by commas
    bool commasCouldGroup = true; // every decimal comma could as well separate thousands
    bool first = true;
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty()) {
            continue;
        }
        Separator kind = Separator::Blank;
        bool mixed = false;
        QStringList fields = split(line, &kind, &mixed);
        if (first) {
            first = false;
            static const QRegularExpression anySeparator(QStringLiteral("[\\s,;]+"));
            const QStringList words = line.split(anySeparator, Qt::SkipEmptyParts);
            if (std::none_of(words.begin(), words.end(), [](const QString &word) { return isNumber(word); })) {
                if (namesOutOfOrder(line)) {
                    return refuse(
                        i, QCoreApplication::translate("PasteTable", "的栏名次序不对，应是 X、Y、线号、曲线、线型"));
                }
                table.headerLine = i + 1;
                continue;
            }
        }
        if (mixed) {
            return refuse(i, QCoreApplication::translate(
                                 "PasteTable", "混用了两种分栏符（制表符、分号、逗号、空格只能用一种），读不准"));
        }
        if (fields.size() < 2 || fields.size() > 5) {
            return refuse(
                i, QCoreApplication::translate("PasteTable", "应有 2 到 5 栏（X、Y、线号、曲线、线型），现在是 %1 栏")
                       .arg(fields.size()));
        }
        for (const QString &field : fields) {
            if (field.isEmpty()) {
                return refuse(i, QCoreApplication::translate("PasteTable", "有空栏"));
            }
        }
        if (kind == Separator::Comma && commaSeparatedLine < 0) {
            commaSeparatedLine = i;
        }
        for (int f = 0; f < fields.size(); ++f) {
            if (f == 3) {
                continue; // the curve flag: 0, 1, True, False
            }
            if (fields[f].contains(u',')) {
                const QString converted = withDecimalPoint(fields[f]);
                if (converted.isEmpty()) {
                    return refuse(i, QCoreApplication::translate("PasteTable", "不是数字"));
                }
                commaLine = commaLine < 0 ? i : commaLine;
                commasCouldGroup = commasCouldGroup && grouping.match(fields[f]).hasMatch();
                fields[f] = converted;
            } else if (fields[f].contains(u'.') && isNumber(fields[f])) {
                pointLine = pointLine < 0 ? i : pointLine;
            }
        }
        PastedPoint point;
        if (!isNumber(fields[0]) || !isNumber(fields[1])) {
            return refuse(i, QCoreApplication::translate("PasteTable", "不是数字"));
        }
        point.x = fields[0];
        point.y = fields[1];
        if (fields.size() > 2) {
            double series = 0;
            if (!isNumber(fields[2], &series) || series != std::floor(series)) {
                return refuse(i, QCoreApplication::translate("PasteTable", "的线号不是整数"));
            }
            point.series = fields[2];
        }
        if (fields.size() > 3) {
            const QString &curve = fields[3];
            if (curve == u"1" || curve.compare(u"True", Qt::CaseInsensitive) == 0) {
                point.curve = QStringLiteral("True");
            } else if (curve == u"0" || curve.compare(u"False", Qt::CaseInsensitive) == 0) {
                point.curve = QStringLiteral("False");
            } else {
                return refuse(i, QCoreApplication::translate("PasteTable", "的曲线栏应是 0 或 1"));
            }
        }
        if (fields.size() > 4) {
            double type = -1;
            if (!isNumber(fields[4], &type) || (type != 0 && type != 1 && type != 2 && type != 3)) {
                return refuse(i, QCoreApplication::translate("PasteTable", "的线型应是 0 到 3"));
            }
            point.lineType = QString::number(static_cast<int>(type));
        }
        table.points.append(point);
    }
    // One decimal mark for the whole table, and commas that are decimal commas beyond doubt.
    if (commaLine >= 0 && pointLine >= 0) {
        return refuse(std::max(commaLine, pointLine),
                      QCoreApplication::translate(
                          "PasteTable", "与别的行不一致：第 %1 行用小数逗号，第 %2 行用小数点，不知道按哪种读")
                          .arg(commaLine + 1)
                          .arg(pointLine + 1));
    }
    if (commaLine >= 0 && commaSeparatedLine >= 0) {
        return refuse(
            std::max(commaLine, commaSeparatedLine),
            QCoreApplication::translate(
                "PasteTable", "与别的行不一致：第 %1 行的逗号是小数逗号，第 %2 行却用逗号分栏，不知道按哪种读")
                .arg(commaLine + 1)
                .arg(commaSeparatedLine + 1));
    }
    if (commaLine >= 0 && commasCouldGroup) {
        return refuse(commaLine,
                      QCoreApplication::translate(
                          "PasteTable", "的逗号可能是小数逗号，也可能是千位分隔符，分不清（请把小数写成小数点）"));
    }
    return table;
}
