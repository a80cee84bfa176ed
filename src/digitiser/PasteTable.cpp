// SPDX-License-Identifier: GPL-3.0-or-later
#include "PasteTable.h"

#include <QLocale>
#include <QRegularExpression>

#include <cmath>

namespace {

bool isNumber(const QString &text, double *value = nullptr)
{
    bool ok = false;
    const double v = QLocale::c().toDouble(text, &ok);
    if (value) {
        *value = v;
    }
    return ok && std::isfinite(v);
}

} // namespace

PasteTable PasteTable::parse(const QString &text)
{
    static const QRegularExpression separator(QStringLiteral("\\s*[,\\t]\\s*| +"));
    PasteTable table;
    const QStringList lines = text.split(u'\n');
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty()) {
            continue;
        }
        auto refuse = [&](const QString &why) {
            table.points.clear();
            table.errorLine = i + 1;
            table.error = QStringLiteral("第 %1 行%2：“%3”").arg(i + 1).arg(why, line);
            return table;
        };
        const QStringList fields = line.split(separator);
        if (fields.size() < 2 || fields.size() > 5) {
            return refuse(QStringLiteral("应有 2 到 5 栏（X、Y、线号、曲线、线型），现在是 %1 栏").arg(fields.size()));
        }
        for (const QString &field : fields) {
            if (field.isEmpty()) {
                return refuse(QStringLiteral("有空栏"));
            }
        }
        PastedPoint point;
        if (!isNumber(fields[0]) || !isNumber(fields[1])) {
            return refuse(QStringLiteral("不是数字"));
        }
        point.x = fields[0];
        point.y = fields[1];
        if (fields.size() > 2) {
            double series = 0;
            if (!isNumber(fields[2], &series) || series != std::floor(series)) {
                return refuse(QStringLiteral("的线号不是整数"));
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
                return refuse(QStringLiteral("的曲线栏应是 0 或 1"));
            }
        }
        if (fields.size() > 4) {
            double type = -1;
            if (!isNumber(fields[4], &type) || (type != 0 && type != 1 && type != 2 && type != 3)) {
                return refuse(QStringLiteral("的线型应是 0 到 3"));
            }
            point.lineType = QString::number(static_cast<int>(type));
        }
        table.points.append(point);
    }
    return table;
}
