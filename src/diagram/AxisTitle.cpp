// SPDX-License-Identifier: GPL-3.0-or-later
#include <diagram/AxisTitle.h>

#include <QFontMetricsF>
#include <QPainter>

namespace {

bool isFunction(QStringView word)
{
    for (const char *name : {"log10", "ln", "sqrt", "mol", "cat"}) {
        if (word.compare(QLatin1String(name), Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}

} // namespace

QList<AxisTitle::Run> AxisTitle::runs(QStringView markup)
{
    QList<Run> result;
    auto add = [&](const QString &text, int shift) {
        if (text.isEmpty()) {
            return;
        }
        if (!result.isEmpty() && result.last().shift == shift) {
            result.last().text += text;
        } else {
            result.append({text, shift});
        }
    };
    qsizetype i = 0;
    while (i < markup.size()) {
        const QChar c = markup[i];
        if ((c == u'_' || c == u'^') && i + 1 < markup.size()) {
            const int shift = c == u'_' ? -1 : 1;
            qsizetype end = i + 1;
            QString text;
            if (markup[end] == u'{') {
                const qsizetype close = markup.indexOf(u'}', end);
                if (close > end) {
                    text = markup.mid(end + 1, close - end - 1).toString();
                    end = close + 1;
                }
            } else {
                while (end < markup.size() &&
                       (markup[end].isDigit() || (shift > 0 && (markup[end] == u'+' || markup[end] == u'-')))) {
                    ++end;
                }
                text = markup.mid(i + 1, end - i - 1).toString();
            }
            if (!text.isEmpty()) {
                add(text, shift);
                i = end;
                continue;
            }
        }
        add(QString(c), 0);
        ++i;
    }
    return result;
}

QString AxisTitle::fromExpression(QStringView expression, QStringView unit)
{
    QString title;
    qsizetype i = 0;
    while (i < expression.size()) {
        const QChar c = expression[i];
        if (c.isLetter()) {
            qsizetype end = i;
            while (end < expression.size() && (expression[end].isLetterOrNumber() || expression[end] == u'_')) {
                ++end;
            }
            const QStringView word = expression.mid(i, end - i);
            if (isFunction(word)) {
                title += word;
            } else {
                for (qsizetype k = 0; k < word.size(); ++k) {
                    if (word[k].isDigit() && k > 0 && !word[k - 1].isDigit()) {
                        title += u'_';
                    }
                    title += word[k];
                }
            }
            i = end;
        } else if (c == u'"') {
            ++i;
        } else if (c == u'*') {
            title += QChar(0x00B7);
            ++i;
        } else {
            // A number: its digits stay on the line.
            while (i < expression.size() && (expression[i].isDigit() || expression[i] == u'.')) {
                title += expression[i++];
            }
            if (i < expression.size() && !expression[i].isLetter() && expression[i] != u'"' && expression[i] != u'*') {
                title += expression[i++];
            }
        }
    }
    if (!unit.trimmed().isEmpty()) {
        title += QStringLiteral(" (%1)").arg(unit.trimmed());
    }
    return title;
}

void AxisTitle::paint(QPainter &painter, const QString &markup, QPointF centre, bool upwards)
{
    const QList<Run> parts = runs(markup);
    if (parts.isEmpty()) {
        return;
    }
    const QFont font = painter.font();
    QFont small = font;
    if (font.pixelSize() > 0) {
        small.setPixelSize(std::max(1, qRound(font.pixelSize() * 0.7)));
    } else {
        small.setPointSizeF(font.pointSizeF() * 0.7);
    }
    const QFontMetricsF metrics(font, painter.device()), smallMetrics(small, painter.device());
    double width = 0;
    for (const Run &run : parts) {
        width += (run.shift == 0 ? metrics : smallMetrics).horizontalAdvance(run.text);
    }
    painter.save();
    painter.translate(centre);
    if (upwards) {
        painter.rotate(-90);
    }
    double x = -width / 2;
    const double baseline = (metrics.ascent() - metrics.descent()) / 2;
    for (const Run &run : parts) {
        painter.setFont(run.shift == 0 ? font : small);
        const double y = baseline + (run.shift < 0   ? metrics.ascent() * 0.25
                                     : run.shift > 0 ? -metrics.ascent() * 0.45
                                                     : 0);
        painter.drawText(QPointF(x, y), run.text);
        x += (run.shift == 0 ? metrics : smallMetrics).horizontalAdvance(run.text);
    }
    painter.restore();
}
