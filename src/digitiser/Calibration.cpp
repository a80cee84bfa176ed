// SPDX-License-Identifier: GPL-3.0-or-later
#include <digitiser/Calibration.h>

#include <QCoreApplication>
#include <QLocale>
#include <QStringList>

#include <array>
#include <cmath>
#include <limits>

namespace {

constexpr double triangleHeight = 86.6025;
// Reference lines closer to parallel than this (the sine of the angle between them) make a map
// that one pixel of error throws far off: refused.
constexpr double minimumSine = 0.05;

double length(QPointF v)
{
    return std::hypot(v.x(), v.y());
}

double cross(QPointF a, QPointF b)
{
    return a.x() * b.y() - a.y() * b.x();
}

QString number(double value)
{
    return QLocale::c().toString(value, 'g', 12);
}

// The value on an axis as the map sees it; false (and the message) for one a logarithmic axis
// cannot take.
bool axisValue(double value, bool logarithmic, QChar axis, double *out, QString *error)
{
    if (!std::isfinite(value)) {
        *error = QCoreApplication::translate("Calibration", "%1 的参考值不是数字。").arg(axis);
        return false;
    }
    if (logarithmic) {
        if (value <= 0) {
            *error = QCoreApplication::translate("Calibration", "%1 轴是对数坐标，参考值必须大于 0，现在是 %2。")
                         .arg(axis)
                         .arg(number(value));
            return false;
        }
        *out = std::log10(value);
        return true;
    }
    *out = value;
    return true;
}

// The affine map taking the three pixels to the three axis-space points, as a QTransform.
QTransform solveAffine(const QPointF p[3], const QPointF q[3])
{
    const double det = cross(p[1] - p[0], p[2] - p[0]);
    auto solve = [&](double v0, double v1, double v2) {
        // v = a*x + b*y + c through the three points.
        const double a = ((v1 - v0) * (p[2].y() - p[0].y()) - (v2 - v0) * (p[1].y() - p[0].y())) / det;
        const double b = ((v2 - v0) * (p[1].x() - p[0].x()) - (v1 - v0) * (p[2].x() - p[0].x())) / det;
        const double c = v0 - a * p[0].x() - b * p[0].y();
        return std::array<double, 3>{a, b, c};
    };
    const auto u = solve(q[0].x(), q[1].x(), q[2].x());
    const auto v = solve(q[0].y(), q[1].y(), q[2].y());
    return QTransform(u[0], v[0], u[1], v[1], u[2], v[2]);
}

bool nearlyCollinear(const QPointF p[3])
{
    const QPointF ab = p[1] - p[0], ac = p[2] - p[0], bc = p[2] - p[1];
    if (length(ab) < 1e-9 || length(ac) < 1e-9 || length(bc) < 1e-9) {
        return true;
    }
    return std::abs(cross(ab, ac)) / (length(ab) * length(ac)) < minimumSine;
}

} // namespace

Calibration Calibration::fromTransform(Kind kind, const QTransform &toAxis, bool logX, bool logY,
                                       QList<Reference> references, QString *error)
{
    bool invertible = false;
    const QTransform toPixel = toAxis.inverted(&invertible);
    if (!invertible ||
        !std::isfinite(toAxis.m11() + toAxis.m12() + toAxis.m21() + toAxis.m22() + toAxis.dx() + toAxis.dy())) {
        *error = QCoreApplication::translate("Calibration", "这些参考点定不出坐标，请重新定标。");
        return {};
    }
    Calibration calibration;
    calibration.m_kind = kind;
    calibration.m_logX = logX;
    calibration.m_logY = logY;
    calibration.m_toAxis = toAxis;
    calibration.m_toPixel = toPixel;
    calibration.m_references = std::move(references);
    return calibration;
}

Calibration Calibration::axes(const Reference &x1, const Reference &x2, const Reference &y1, const Reference &y2,
                              bool logX, bool logY, QString *error)
{
    double u1 = 0, u2 = 0, v1 = 0, v2 = 0;
    if (!axisValue(x1.x, logX, u'X', &u1, error) || !axisValue(x2.x, logX, u'X', &u2, error) ||
        !axisValue(y1.y, logY, u'Y', &v1, error) || !axisValue(y2.y, logY, u'Y', &v2, error)) {
        return {};
    }
    const QPointF dX = x2.pixel - x1.pixel, dY = y2.pixel - y1.pixel;
    if (length(dX) < 1) {
        *error = QCoreApplication::translate("Calibration", "两个 X 参考点点在了同一个位置，无法定标。");
        return {};
    }
    if (length(dY) < 1) {
        *error = QCoreApplication::translate("Calibration", "两个 Y 参考点点在了同一个位置，无法定标。");
        return {};
    }
    if (u1 == u2) {
        *error =
            QCoreApplication::translate("Calibration", "两个 X 参考点的值相同（%1），无法定标。").arg(number(x1.x));
        return {};
    }
    if (v1 == v2) {
        *error =
            QCoreApplication::translate("Calibration", "两个 Y 参考点的值相同（%1），无法定标。").arg(number(y1.y));
        return {};
    }
    const double det = cross(dX, dY);
    if (std::abs(det) / (length(dX) * length(dY)) < minimumSine) {
        *error = QCoreApplication::translate("Calibration", "X 参考点的连线与 Y 参考点的连线几乎平行，无法定标。");
        return {};
    }
    // x grows along the x references and stays constant along the y references; y the other way.
    const double du = u2 - u1, dv = v2 - v1;
    const double a1 = du * dY.y() / det, a2 = -du * dY.x() / det;
    const double b1 = -dv * dX.y() / det, b2 = dv * dX.x() / det;
    const double c = u1 - a1 * x1.pixel.x() - a2 * x1.pixel.y();
    const double d = v1 - b1 * y1.pixel.x() - b2 * y1.pixel.y();
    return fromTransform(Kind::Axes, QTransform(a1, b1, a2, b2, c, d), logX, logY, {x1, x2, y1, y2}, error);
}

Calibration Calibration::threePoints(const Reference &a, const Reference &b, const Reference &c, bool logX, bool logY,
                                     QString *error)
{
    QPointF axis[3];
    const Reference *refs[3] = {&a, &b, &c};
    for (int i = 0; i < 3; ++i) {
        double u = 0, v = 0;
        if (!axisValue(refs[i]->x, logX, u'X', &u, error) || !axisValue(refs[i]->y, logY, u'Y', &v, error)) {
            return {};
        }
        axis[i] = QPointF(u, v);
    }
    const QPointF pixels[3] = {a.pixel, b.pixel, c.pixel};
    for (int i = 0; i < 3; ++i) {
        for (int j = i + 1; j < 3; ++j) {
            if (length(pixels[j] - pixels[i]) < 1) {
                *error =
                    QCoreApplication::translate("Calibration", "第 %1 和第 %2 个参考点点在了同一个位置，无法定标。")
                        .arg(i + 1)
                        .arg(j + 1);
                return {};
            }
            if (axis[i] == axis[j]) {
                *error = QCoreApplication::translate("Calibration", "第 %1 和第 %2 个参考点的值相同，无法定标。")
                             .arg(i + 1)
                             .arg(j + 1);
                return {};
            }
        }
    }
    if (nearlyCollinear(pixels)) {
        *error = QCoreApplication::translate("Calibration", "三个参考点几乎在一条直线上，无法定标。");
        return {};
    }
    if (nearlyCollinear(axis)) {
        *error = QCoreApplication::translate("Calibration", "三个参考点的值几乎在一条直线上，无法定标。");
        return {};
    }
    return fromTransform(Kind::ThreePoints, solveAffine(pixels, axis), logX, logY, {a, b, c}, error);
}

Calibration Calibration::triangle(QPointF left, QPointF right, QPointF top, QString *error)
{
    const QPointF pixels[3] = {left, right, top};
    const QPointF corners[3] = {{0, 0}, {100, 0}, {50, triangleHeight}};
    for (int i = 0; i < 3; ++i) {
        for (int j = i + 1; j < 3; ++j) {
            if (length(pixels[j] - pixels[i]) < 1) {
                *error = QCoreApplication::translate("Calibration", "三角图的两个角点在了同一个位置，无法定标。");
                return {};
            }
        }
    }
    if (nearlyCollinear(pixels)) {
        *error = QCoreApplication::translate("Calibration", "三角图的三个角几乎在一条直线上，无法定标。");
        return {};
    }
    return fromTransform(Kind::Triangle, solveAffine(pixels, corners), false, false,
                         {{left, corners[0].x(), corners[0].y()},
                          {right, corners[1].x(), corners[1].y()},
                          {top, corners[2].x(), corners[2].y()}},
                         error);
}

QPointF Calibration::toData(QPointF pixel) const
{
    const QPointF axis = m_toAxis.map(pixel);
    return {m_logX ? std::pow(10.0, axis.x()) : axis.x(), m_logY ? std::pow(10.0, axis.y()) : axis.y()};
}

QPointF Calibration::toPixel(QPointF data) const
{
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    const double u = m_logX ? (data.x() > 0 ? std::log10(data.x()) : nan) : data.x();
    const double v = m_logY ? (data.y() > 0 ? std::log10(data.y()) : nan) : data.y();
    if (std::isnan(u) || std::isnan(v)) {
        return {nan, nan};
    }
    return m_toPixel.map(QPointF(u, v));
}

std::pair<QString, QString> Calibration::roundedData(QPointF pixel) const
{
    const QPointF here = toData(pixel);
    const QPointF right = toData(pixel + QPointF(1, 0)), below = toData(pixel + QPointF(0, 1));
    const double stepX = std::max(std::abs(right.x() - here.x()), std::abs(below.x() - here.x()));
    const double stepY = std::max(std::abs(right.y() - here.y()), std::abs(below.y() - here.y()));
    return {Precision::rounded(here.x(), stepX), Precision::rounded(here.y(), stepY)};
}

QString Calibration::toText() const
{
    static const char *names[] = {"None", "Axes", "ThreePoints", "Triangle"};
    QStringList parts{QString::fromLatin1(names[static_cast<int>(m_kind)]),
                      QString::number(int(m_logX)) + QString::number(int(m_logY))};
    for (const Reference &r : m_references) {
        parts << QStringList{QLocale::c().toString(r.pixel.x(), 'g', 17), QLocale::c().toString(r.pixel.y(), 'g', 17),
                             QLocale::c().toString(r.x, 'g', 17), QLocale::c().toString(r.y, 'g', 17)}
                     .join(u' ');
    }
    return parts.join(u'|');
}

Calibration Calibration::fromText(const QString &text)
{
    const QStringList parts = text.split(u'|');
    if (parts.size() < 2 || parts[1].size() != 2) {
        return {};
    }
    QList<Reference> refs;
    for (int i = 2; i < parts.size(); ++i) {
        const QStringList numbers = parts[i].split(u' ');
        if (numbers.size() != 4) {
            return {};
        }
        double v[4];
        for (int k = 0; k < 4; ++k) {
            bool ok = false;
            v[k] = QLocale::c().toDouble(numbers[k], &ok);
            if (!ok) {
                return {};
            }
        }
        refs.append({QPointF(v[0], v[1]), v[2], v[3]});
    }
    const bool logX = parts[1][0] == u'1', logY = parts[1][1] == u'1';
    QString error;
    if (parts[0] == u"Axes" && refs.size() == 4) {
        return axes(refs[0], refs[1], refs[2], refs[3], logX, logY, &error);
    }
    if (parts[0] == u"ThreePoints" && refs.size() == 3) {
        return threePoints(refs[0], refs[1], refs[2], logX, logY, &error);
    }
    if (parts[0] == u"Triangle" && refs.size() == 3) {
        return triangle(refs[0].pixel, refs[1].pixel, refs[2].pixel, &error);
    }
    return {};
}

QString Precision::rounded(double value, double step)
{
    if (!std::isfinite(value)) {
        return QString();
    }
    if (!std::isfinite(step) || step <= 0) {
        return QLocale::c().toString(value, 'g', 15);
    }
    const int exponent = static_cast<int>(std::floor(std::log10(step)));
    const double quantum = std::pow(10.0, exponent);
    double roundedValue = std::round(value / quantum) * quantum;
    QString text = QString::number(roundedValue, 'f', std::clamp(-exponent, 0, 15));
    if (text.contains(u'.')) {
        while (text.endsWith(u'0')) {
            text.chop(1);
        }
        if (text.endsWith(u'.')) {
            text.chop(1);
        }
    }
    if (text == u"-0") {
        text = QStringLiteral("0");
    }
    return text;
}
