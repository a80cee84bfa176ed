// SPDX-License-Identifier: GPL-3.0-or-later
#include "ThumbnailRenderer.h"

#include "Conversions.h"
#include "Query.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

struct Axis
{
    double low = 0;
    double high = 100;
    bool logarithmic = false;

    double fraction(double value) const
    {
        if (logarithmic) {
            if (value <= 0 || low <= 0 || high <= low) {
                return 0;
            }
            return (std::log10(value) - std::log10(low)) / (std::log10(high) - std::log10(low));
        }
        return high == low ? 0 : (value - low) / (high - low);
    }
};

} // namespace

QImage renderThumbnail(Library &library, const QString &figureNumber, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);

    Query figure;
    if (!figure.open(library, QStringLiteral("select * from picMain where th= ") + quoted(figureNumber)) ||
        figure.recordCount() == 0) {
        return image;
    }
    const bool triangular = figure.text(u"LB") == QStringLiteral("T");
    Axis x, y;
    if (triangular) {
        y.high = 86.6025;
    } else {
        x = {numericValue(figure.text(u"X1")), numericValue(figure.text(u"X2")), figure.text(u"X6") == u"True"};
        y = {numericValue(figure.text(u"Y1")), numericValue(figure.text(u"Y2")), figure.text(u"Y6") == u"True"};
    }

    const QRectF plot(size.width() * 0.08, size.height() * 0.1, size.width() * 0.86, size.height() * 0.82);
    auto toPixel = [&](double px, double py) {
        return QPointF(plot.left() + x.fraction(px) * plot.width(), plot.bottom() - y.fraction(py) * plot.height());
    };

    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1));
    if (triangular) {
        painter.drawPolygon(QPolygonF{toPixel(0, 0), toPixel(100, 0), toPixel(50, 86.6025)});
    } else {
        painter.drawRect(plot);
    }

    Query points;
    if (points.open(library, QStringLiteral("select * from pData where Th = ") + quoted(figureNumber) +
                                 QStringLiteral(" order by ID"))) {
        const int series = points.fieldIndex(u"Series"), px = points.fieldIndex(u"X"), py = points.fieldIndex(u"Y"),
                  type = points.fieldIndex(u"L");
        QString previousSeries;
        QPointF previous;
        for (int i = 1; i <= points.recordCount(); ++i) {
            points.move(i);
            const QPointF here = toPixel(numericValue(points.text(px)), numericValue(points.text(py)));
            const int line = static_cast<int>(numericValue(points.text(type)));
            if (points.text(series) == previousSeries && line != 0) {
                painter.setPen(QPen(QColor(20, 60, 160), 1.6,
                                    line == 3   ? Qt::DashLine
                                    : line == 2 ? Qt::DotLine
                                                : Qt::SolidLine));
                painter.drawLine(previous, here);
            }
            previousSeries = points.text(series);
            previous = here;
        }
    }

    Query labels;
    if (labels.open(library, QStringLiteral("select * from picLable where Th = ") + quoted(figureNumber) +
                                 QStringLiteral(" order by ID"))) {
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(std::max(7, size.height() / 28));
        painter.setFont(font);
        painter.setPen(QColor(150, 30, 30));
        for (int i = 1; i <= labels.recordCount(); ++i) {
            labels.move(i);
            const QPointF at = toPixel(numericValue(labels.text(u"X")), numericValue(labels.text(u"Y")));
            const QString first = labels.text(u"Lbl").section(u'\n', 0, 0);
            const QRectF box(at.x() - 60, at.y() - 6, 120, 12);
            painter.drawText(box, Qt::AlignCenter, first);
        }
    }
    painter.setPen(Qt::black);
    painter.drawText(QRectF(0, 0, size.width(), plot.top()), Qt::AlignCenter, figure.text(u"tm"));
    return image;
}
