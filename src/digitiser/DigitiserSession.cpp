// SPDX-License-Identifier: GPL-3.0-or-later
#include <digitiser/DigitiserSession.h>
#include <digitiser/DigitiserTarget.h>
#include <digitiser/PasteTable.h>

#include <QCoreApplication>
#include <QLocale>
#include <QSet>

#include <cmath>

namespace {

constexpr int maximumUndo = 200;

bool sameSeries(const QString &a, int series)
{
    bool ok = false;
    const double value = QLocale::c().toDouble(a.trimmed(), &ok);
    return ok && value == series;
}

QString flag(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

// Marks the target's changes as the session's own while it lives.
class Acting
{
public:
    explicit Acting(bool &flag)
        : m_flag(flag)
    {
        m_flag = true;
    }
    ~Acting() { m_flag = false; }

private:
    bool &m_flag;
};

} // namespace

DigitiserSession::DigitiserSession(QObject *parent)
    : QObject(parent)
{
}

void DigitiserSession::setTarget(DigitiserTarget *target)
{
    if (m_target) {
        disconnect(m_target, nullptr, this, nullptr);
    }
    m_target = target;
    if (target) {
        connect(target, &DigitiserTarget::changed, this, &DigitiserSession::targetChanged);
    }
    m_undo.clear();
    emit undoChanged();
}

void DigitiserSession::targetChanged()
{
    if (!m_acting && !m_undo.isEmpty()) {
        m_undo.clear();
        emit undoChanged();
    }
}

void DigitiserSession::push(const Step &step)
{
    m_undo.append(step);
    if (m_undo.size() > maximumUndo) {
        m_undo.removeFirst();
    }
    emit undoChanged();
}

FigurePoint DigitiserSession::nextPoint(const QString &x, const QString &y) const
{
    bool startsLine = true;
    if (m_target) {
        const QList<FigurePoint> points = m_target->points();
        startsLine = std::none_of(points.begin(), points.end(),
                                  [this](const FigurePoint &p) { return sameSeries(p.series, series); });
    }
    return {QString::number(series), flag(curve), x, y, QString::number(startsLine ? 0 : lineType)};
}

bool DigitiserSession::readyForPoints(QString *error) const
{
    if (!m_target || !m_target->acceptsPoints()) {
        *error =
            QCoreApplication::translate("DigitiserSession", "请先为这个图版打开“图版数据”窗口，点才能加到它的列表里。");
        return false;
    }
    return true;
}

bool DigitiserSession::appendAt(QPointF pixel, QString *error)
{
    return append(place(pixel, 0, 0), error);
}

bool DigitiserSession::append(const Placement &placement, QString *error)
{
    if (!readyForPoints(error)) {
        return false;
    }
    if (!m_calibration.isValid()) {
        *error = QCoreApplication::translate("DigitiserSession", "底图还没有定标。");
        return false;
    }
    if (placement.x.isEmpty() || placement.y.isEmpty()) {
        *error = QCoreApplication::translate("DigitiserSession", "这个位置算不出坐标。");
        return false;
    }
    Acting acting(m_acting);
    const int index = m_target->appendPoint(nextPoint(placement.x, placement.y));
    if (index < 0) {
        *error = QCoreApplication::translate(
            "DigitiserSession",
            "“图版数据”窗口没有接受这个点。它正在添加一个点时，请先在那里按“加 入”或在列表中点选一行。");
        return false;
    }
    push({Step::Kind::Append, index});
    return true;
}

DigitiserSession::Placement DigitiserSession::place(QPointF pixel, double pointRadius, double lineRadius) const
{
    Placement placement;
    if (!m_calibration.isValid()) {
        return placement;
    }
    std::tie(placement.x, placement.y) = m_calibration.roundedData(pixel);
    if (pointRadius <= 0 && lineRadius <= 0) {
        return placement;
    }
    const QPointF here = m_calibration.toData(pixel);
    auto distance = [&](QPointF data) {
        const QPointF at = m_calibration.toPixel(data);
        return std::isfinite(at.x()) && std::isfinite(at.y()) ? std::hypot(at.x() - pixel.x(), at.y() - pixel.y())
                                                              : qInf();
    };
    auto text = [](double value) { return QLocale::c().toString(value, 'g', 12); };

    // What the frame offers: its corners, and the X and Y of its vertical and horizontal sides.
    QList<QPointF> corners;
    QList<double> frameX, frameY;
    const bool triangle = m_frame && m_frame->kind() == DiagramMapping::Kind::Triangular;
    if (triangle) {
        corners = {{0, 0}, {100, 0}, {50, DiagramMapping::triangleHeight}};
        frameY = {0};
    } else if (m_frame) {
        const AxisScale &x = m_frame->xAxis(), &y = m_frame->yAxis();
        corners = {{x.minimum, y.minimum}, {x.maximum, y.minimum}, {x.maximum, y.maximum}, {x.minimum, y.maximum}};
        frameX = {x.minimum, x.maximum};
        frameY = {y.minimum, y.maximum};
    }
    struct Known
    {
        QPointF data;
        QString x;
        QString y;
    };
    QList<Known> known;
    if (m_target) {
        for (const FigurePoint &p : m_target->points()) {
            bool okX = false, okY = false;
            const double x = QLocale::c().toDouble(p.x.trimmed(), &okX);
            const double y = QLocale::c().toDouble(p.y.trimmed(), &okY);
            if (okX && okY) {
                known.append({{x, y}, p.x.trimmed(), p.y.trimmed()});
            }
        }
    }

    // On a point, or a corner.
    double best = pointRadius;
    for (const Known &k : std::as_const(known)) {
        if (const double d = distance(k.data); d <= best) {
            best = d;
            placement = {k.x, k.y, QCoreApplication::translate("DigitiserSession", "落在已有的点上")};
        }
    }
    for (const QPointF &corner : std::as_const(corners)) {
        if (const double d = distance(corner); d < best || (d <= best && placement.snappedTo.isEmpty())) {
            best = d;
            placement = {text(corner.x()), text(corner.y()),
                         QCoreApplication::translate("DigitiserSession", "落在图框的角上")};
        }
    }
    if (!placement.snappedTo.isEmpty()) {
        return placement;
    }

    // The X (or Y) of a point or a side whose vertical (horizontal) line passes nearest.
    auto align = [&](bool isX, const QString &rounded, QString *snapped) {
        double nearest = lineRadius;
        QString value = rounded;
        auto consider = [&](double v, const QString &written, const QString &what) {
            const double d = distance(isX ? QPointF(v, here.y()) : QPointF(here.x(), v));
            if (d <= nearest) {
                nearest = d;
                value = written;
                *snapped = what;
            }
        };
        for (double v : isX ? frameX : frameY) {
            consider(v, text(v), QCoreApplication::translate("DigitiserSession", "落在图框上"));
        }
        for (const Known &k : std::as_const(known)) {
            consider(isX ? k.data.x() : k.data.y(), isX ? k.x : k.y,
                     isX ? QCoreApplication::translate("DigitiserSession", "X 与已有的点对齐")
                         : QCoreApplication::translate("DigitiserSession", "Y 与已有的点对齐"));
        }
        return value;
    };

    if (triangle) {
        // The slanted sides: y = h/50 x and y = h/50 (100 - x), with the X of the click (or of
        // a point) and Y computed from it, so the point lies on the side as drawn.
        const double slope = DiagramMapping::triangleHeight / 50;
        double nearest = lineRadius;
        int side = 0;
        for (int s : {1, 2}) {
            const QPointF a = corners[s == 1 ? 0 : 1], b = corners[2];
            const QPointF pa = m_calibration.toPixel(a), pb = m_calibration.toPixel(b);
            const QPointF ab = pb - pa, ap = pixel - pa;
            const double t = std::clamp(QPointF::dotProduct(ap, ab) / QPointF::dotProduct(ab, ab), 0.0, 1.0);
            const QPointF foot = pa + t * ab;
            if (const double d = std::hypot(foot.x() - pixel.x(), foot.y() - pixel.y()); d <= nearest) {
                nearest = d;
                side = s;
            }
        }
        if (side != 0) {
            // The foot of the perpendicular in data space (the triangle is equilateral there).
            const QPointF a = corners[side == 1 ? 0 : 1], b = corners[2];
            const QPointF ab = b - a;
            const QPointF foot = a + QPointF::dotProduct(here - a, ab) / QPointF::dotProduct(ab, ab) * ab;
            QString snapped;
            const QString rounded = m_calibration.roundedData(m_calibration.toPixel(foot)).first;
            const QString x = align(true, rounded, &snapped);
            const double xValue = QLocale::c().toDouble(x);
            const double y = side == 1 ? slope * xValue : slope * (100 - xValue);
            return {x, text(y),
                    snapped.isEmpty()
                        ? QCoreApplication::translate("DigitiserSession", "落在三角形的边上")
                        : snapped + QCoreApplication::translate("DigitiserSession", "，落在三角形的边上")};
        }
    }

    QString snappedX, snappedY;
    placement.x = align(true, placement.x, &snappedX);
    placement.y = align(false, placement.y, &snappedY);
    QStringList said;
    for (const QString &what : {snappedX, snappedY}) {
        if (!what.isEmpty() && !said.contains(what)) {
            said << what;
        }
    }
    placement.snappedTo = said.join(QCoreApplication::translate("DigitiserSession", "，"));
    return placement;
}

bool DigitiserSession::moveTo(int index, QPointF pixel, QString *error)
{
    if (!readyForPoints(error) || !m_calibration.isValid()) {
        return false;
    }
    const QList<FigurePoint> points = m_target->points();
    if (index < 0 || index >= points.size()) {
        *error = QCoreApplication::translate("DigitiserSession", "没有这个点。");
        return false;
    }
    const auto [x, y] = m_calibration.roundedData(pixel);
    Acting acting(m_acting);
    if (x.isEmpty() || y.isEmpty() || !m_target->movePoint(index, x, y)) {
        *error = QCoreApplication::translate("DigitiserSession", "这个点不能移到这里。");
        return false;
    }
    Step step{Step::Kind::Move, index};
    step.oldX = points[index].x;
    step.oldY = points[index].y;
    push(step);
    return true;
}

bool DigitiserSession::removePoint(int index, QString *error)
{
    if (!readyForPoints(error)) {
        return false;
    }
    if (index < 0 || index >= m_target->points().size()) {
        *error = QCoreApplication::translate("DigitiserSession", "没有选中的点。");
        return false;
    }
    Acting acting(m_acting);
    QVariant removed = m_target->removePoint(index);
    if (!removed.isValid()) {
        *error = QCoreApplication::translate("DigitiserSession", "“图版数据”窗口没有删去这个点。");
        return false;
    }
    Step step{Step::Kind::Remove, index};
    step.removed = removed;
    push(step);
    return true;
}

bool DigitiserSession::placeLabel(QPointF pixel, const QString &text, QString *error)
{
    if (!m_target || !m_target->acceptsLabels()) {
        *error = QCoreApplication::translate("DigitiserSession",
                                             "请先为这个图版打开“图版标签”窗口，标签才能加到它的列表里。");
        return false;
    }
    if (!m_calibration.isValid()) {
        *error = QCoreApplication::translate("DigitiserSession", "底图还没有定标。");
        return false;
    }
    if (text.trimmed().isEmpty()) {
        *error = QCoreApplication::translate("DigitiserSession", "标签没有文字。");
        return false;
    }
    const auto [x, y] = m_calibration.roundedData(pixel);
    Acting acting(m_acting);
    const int index = m_target->appendLabel({x, y, text});
    if (index < 0) {
        *error = QCoreApplication::translate(
            "DigitiserSession",
            "“图版标签”窗口没有接受这个标签。它正在新建一个标签时，请先在那里按“加 入”或在列表中点选一行。");
        return false;
    }
    push({Step::Kind::Label, index});
    return true;
}

bool DigitiserSession::paste(const QString &text, int *added, QString *error, int *headerLine)
{
    *added = 0;
    if (!readyForPoints(error)) {
        return false;
    }
    const PasteTable table = PasteTable::parse(text);
    if (!table.isValid()) {
        *error = table.error + QCoreApplication::translate("DigitiserSession", "\n这次粘贴的点一个也没有加入。");
        return false;
    }
    if (table.points.isEmpty()) {
        *error = QCoreApplication::translate("DigitiserSession", "剪贴板里没有点的表格。");
        return false;
    }
    if (headerLine) {
        *headerLine = table.headerLine;
    }
    Acting acting(m_acting);
    const int firstIndex = static_cast<int>(m_target->points().size());
    QSet<double> lines; // line numbers the working copy holds: a row of another one starts a line
    for (const FigurePoint &p : m_target->points()) {
        bool ok = false;
        const double number = QLocale::c().toDouble(p.series.trimmed(), &ok);
        if (ok) {
            lines.insert(number);
        }
    }
    for (const PastedPoint &row : table.points) {
        const double rowSeries = row.series ? QLocale::c().toDouble(*row.series) : series;
        const bool startsLine = !lines.contains(rowSeries);
        lines.insert(rowSeries);
        const FigurePoint point{row.series.value_or(QString::number(series)), row.curve.value_or(flag(curve)), row.x,
                                row.y, row.lineType.value_or(QString::number(startsLine ? 0 : lineType))};
        if (m_target->appendPoint(point) < 0) {
            // Take back what this paste appended: all or nothing.
            *error = QCoreApplication::translate("DigitiserSession",
                                                 "“图版数据”窗口没有接受第 %1 个点，这次粘贴的点一个也没有加入。")
                         .arg(*added + 1);
            for (int i = *added - 1; i >= 0; --i) {
                m_target->removePoint(firstIndex + i);
            }
            *added = 0;
            return false;
        }
        ++*added;
    }
    Step step{Step::Kind::Append, firstIndex};
    step.count = *added;
    push(step);
    return true;
}

bool DigitiserSession::undo(QString *error)
{
    if (m_undo.isEmpty() || !m_target) {
        *error = QCoreApplication::translate("DigitiserSession", "没有可以撤销的操作。");
        return false;
    }
    const Step step = m_undo.takeLast();
    emit undoChanged();
    Acting acting(m_acting);
    bool done = true;
    switch (step.kind) {
    case Step::Kind::Append:
        for (int i = step.count - 1; i >= 0; --i) {
            done = m_target->removePoint(step.index + i).isValid() && done;
        }
        break;
    case Step::Kind::Move:
        done = m_target->movePoint(step.index, step.oldX, step.oldY);
        break;
    case Step::Kind::Remove:
        done = m_target->restorePoint(step.index, step.removed);
        if (done) {
            m_target->selectPoint(step.index);
        }
        break;
    case Step::Kind::Label:
        done = m_target->removeLabel(step.index).isValid();
        break;
    }
    if (!done) {
        m_undo.clear();
        emit undoChanged();
        *error = QCoreApplication::translate("DigitiserSession", "撤销没有完成：列表已经变了。");
    }
    return done;
}

int DigitiserSession::pointNear(QPointF pixel, double radius) const
{
    if (!m_target || !m_calibration.isValid()) {
        return -1;
    }
    const QList<FigurePoint> points = m_target->points();
    int best = -1;
    double bestDistance = radius * radius;
    for (int i = 0; i < points.size(); ++i) {
        bool okX = false, okY = false;
        const double x = QLocale::c().toDouble(points[i].x.trimmed(), &okX);
        const double y = QLocale::c().toDouble(points[i].y.trimmed(), &okY);
        if (!okX || !okY) {
            continue;
        }
        const QPointF at = m_calibration.toPixel({x, y});
        const double dx = at.x() - pixel.x(), dy = at.y() - pixel.y();
        const double distance = dx * dx + dy * dy;
        if (distance <= bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return best;
}
