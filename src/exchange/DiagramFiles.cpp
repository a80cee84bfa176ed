// SPDX-License-Identifier: GPL-3.0-or-later
#include <diagram/DiagramMapping.h>
#include <diagram/Figure.h>
#include <exchange/DiagramFiles.h>
#include <library/engine/Conversions.h>

#include <QCoreApplication>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include <cmath>

using namespace Qt::StringLiterals;

namespace exchange {

namespace {

using Line = QList<QPointF>;

QString note(const char *text)
{
    return QCoreApplication::translate("DiagramFiles", text);
}

// A point list as the files write it: [[x, y], …] (or [[a, b, c], …] for a triangle's components)
// or {"x": […], "y": […]}. Components come back as QVector3D-like triples in `third`.
bool pointList(const QJsonValue &value, Line *points, QList<double> *third)
{
    if (value.isObject()) {
        const QJsonArray x = value.toObject().value(QStringLiteral("x")).toArray();
        const QJsonArray y = value.toObject().value(QStringLiteral("y")).toArray();
        if (x.size() != y.size() || x.isEmpty()) {
            return false;
        }
        for (qsizetype i = 0; i < x.size(); ++i) {
            points->append({x[i].toDouble(), y[i].toDouble()});
        }
        return true;
    }
    const QJsonArray array = value.toArray();
    for (const QJsonValue &point : array) {
        const QJsonArray xy = point.toArray();
        if (xy.size() < 2 || !xy[0].isDouble() || !xy[1].isDouble()) {
            return false;
        }
        points->append({xy[0].toDouble(), xy[1].toDouble()});
        if (third) {
            third->append(xy.size() > 2 ? xy[2].toDouble() : std::nan(""));
        }
    }
    return !points->isEmpty();
}

// A triangle's components (top, left, right) at the place of the 0-100 triangle.
QPointF trianglePoint(double top, double left, double right)
{
    const double sum = top + left + right;
    if (!(sum > 0)) {
        return {std::nan(""), std::nan("")};
    }
    top *= 100 / sum;
    right *= 100 / sum;
    return {right + top / 2, top * DiagramMapping::triangleHeight / 100};
}

int lineType(const QString &text)
{
    const QString t = text.trimmed().toLower();
    if (t.contains(u"dot")) {
        return 2;
    }
    if (t.contains(u"dash")) {
        return 3;
    }
    return 1;
}

QString axisName(const QJsonValue &axes, int index, const char *key)
{
    if (axes.isArray()) {
        return axes.toArray().at(index).toString();
    }
    return axes.toObject().value(QLatin1String(key)).toString();
}

bool logOf(const QJsonValue &log, int index, const char *key)
{
    if (log.isBool()) {
        return log.toBool();
    }
    if (log.isArray()) {
        return log.toArray().at(index).toBool();
    }
    if (log.isString()) {
        return log.toString().contains(QLatin1String(key)); // "x", "y", "xy"
    }
    return log.toObject().value(QLatin1String(key)).toBool();
}

// A tick step of 1, 2 or 5 times a power of ten giving about five steps over the range.
double niceStep(double span)
{
    const double raw = span / 5;
    const double power = std::pow(10, std::floor(std::log10(raw)));
    for (const double m : {1.0, 2.0, 5.0, 10.0}) {
        if (raw <= m * power) {
            return m * power;
        }
    }
    return 10 * power;
}

// The smallest rectangle holding the points (a line or a point has no size: QRectF's own union
// would drop it).
QRectF extentOf(const QList<Line> &lines)
{
    double left = INFINITY, right = -INFINITY, bottom = INFINITY, top = -INFINITY;
    for (const Line &line : lines) {
        for (const QPointF &p : line) {
            left = std::min(left, p.x());
            right = std::max(right, p.x());
            bottom = std::min(bottom, p.y());
            top = std::max(top, p.y());
        }
    }
    return left <= right ? QRectF(QPointF(left, bottom), QPointF(right, top)) : QRectF();
}

struct Diagram
{
    QString name;
    bool triangular = false;
    bool xLog = false, yLog = false;
    QStringList axes;
    QList<Line> lines;
    QList<int> types;
    QList<std::pair<QPointF, QString>> labels;
    QRectF frame; // empty: from the lines
};

QJsonObject pointRecord(int id, int series, QPointF at, int type)
{
    return {{QStringLiteral("ID"), id},    {QStringLiteral("Series"), series}, {QStringLiteral("curve"), false},
            {QStringLiteral("X"), at.x()}, {QStringLiteral("Y"), at.y()},      {QStringLiteral("L"), type}};
}

BundleFigure toFigure(const Diagram &diagram, const QString &number)
{
    BundleFigure figure;
    QJsonObject &r = figure.record;
    r.insert(QStringLiteral("th"), number);
    r.insert(QStringLiteral("tm"), diagram.name);
    r.insert(QStringLiteral("figName"), number.left(1) + u'P' + number.mid(1));
    r.insert(QStringLiteral("grp"), 1);
    r.insert(QStringLiteral("LB"), diagram.triangular ? QStringLiteral("T") : QStringLiteral("B"));
    r.insert(QStringLiteral("specialCase"), 0);
    r.insert(QStringLiteral("Vector"), true);
    r.insert(QStringLiteral("Bitmap"), false);
    r.insert(QStringLiteral("Comment"), QCoreApplication::translate("DiagramFiles", "Imported from a diagram file."));
    if (!diagram.triangular) {
        const QRectF frame = diagram.frame.isEmpty() ? extentOf(diagram.lines) : diagram.frame;
        const auto axis = [&](const char *side, double low, double high, bool log, double crossing) {
            const QString prefix = QLatin1String(side);
            double step = log ? 10 : niceStep(high - low);
            if (!log) {
                low = std::floor(low / step) * step;
                high = std::ceil(high / step) * step;
            } else {
                low = std::pow(10, std::floor(std::log10(low)));
                high = std::pow(10, std::ceil(std::log10(high)));
            }
            r.insert(prefix + u'1', low);
            r.insert(prefix + u'2', high);
            r.insert(prefix + u'3', log ? 10 : step / 5);
            r.insert(prefix + u'4', step);
            r.insert(prefix + u'5', crossing);
            r.insert(prefix + u'6', log);
            r.insert(prefix + u'7', -1);
            return low;
        };
        const double xLow = diagram.xLog ? std::pow(10, std::floor(std::log10(frame.left())))
                                         : std::floor(frame.left() / niceStep(frame.width())) * niceStep(frame.width());
        const double yLow = diagram.yLog
                                ? std::pow(10, std::floor(std::log10(frame.top())))
                                : std::floor(frame.top() / niceStep(frame.height())) * niceStep(frame.height());
        axis("X", frame.left(), frame.right(), diagram.xLog, yLow);
        axis("Y", frame.top(), frame.bottom(), diagram.yLog, xLow);
        r.insert(QStringLiteral("border"), true);
    }
    int id = 0;
    for (qsizetype l = 0; l < diagram.lines.size(); ++l) {
        const Line &line = diagram.lines[l];
        for (qsizetype i = 0; i < line.size(); ++i) {
            figure.points << pointRecord(++id, int(l + 1), line[i], i == 0 ? 0 : diagram.types.value(l, 1));
        }
    }
    int labelId = 0;
    for (const auto &[at, text] : diagram.labels) {
        figure.labels << QJsonObject{{QStringLiteral("ID"), ++labelId},
                                     {QStringLiteral("X"), at.x()},
                                     {QStringLiteral("Y"), at.y()},
                                     {QStringLiteral("Lbl"), text}};
    }
    if (diagram.axes.size() == (diagram.triangular ? 3 : 2)) {
        const QStringList keys = diagram.triangular ? QStringList{u"topExpr"_s, u"leftExpr"_s, u"rightExpr"_s}
                                                    : QStringList{u"xExpr"_s, u"yExpr"_s};
        for (qsizetype i = 0; i < keys.size(); ++i) {
            figure.axes.insert(keys[i], diagram.axes[i]);
        }
    }
    return figure;
}

// A point well inside a polygon: the middle of the longest piece of the horizontal line through
// its vertical centre that lies inside.
QPointF insidePoint(const Line &ring)
{
    const QRectF box = extentOf({ring});
    const double y = box.center().y();
    QList<double> xs;
    for (qsizetype i = 0; i < ring.size(); ++i) {
        const QPointF a = ring[i], b = ring[(i + 1) % ring.size()];
        if ((a.y() <= y) != (b.y() <= y)) {
            xs << a.x() + (y - a.y()) / (b.y() - a.y()) * (b.x() - a.x());
        }
    }
    std::sort(xs.begin(), xs.end());
    QPointF best = box.center();
    double widest = -1;
    for (qsizetype i = 0; i + 1 < xs.size(); i += 2) {
        if (xs[i + 1] - xs[i] > widest) {
            widest = xs[i + 1] - xs[i];
            best = {(xs[i] + xs[i + 1]) / 2, y};
        }
    }
    return best;
}

// Lines from the polygons' edges, each edge shared by two fields once; the fields' names as
// labels inside them.
void fromPolygons(const QList<std::pair<QString, Line>> &polygons, Diagram *diagram)
{
    QSet<QString> seen;
    const auto key = [](QPointF a, QPointF b) {
        const auto text = [](QPointF p) {
            return QStringLiteral("%1,%2").arg(std::round(p.x() * 1e6) / 1e6).arg(std::round(p.y() * 1e6) / 1e6);
        };
        const QString ka = text(a), kb = text(b);
        return ka < kb ? ka + u'|' + kb : kb + u'|' + ka;
    };
    for (const auto &[name, ring] : polygons) {
        for (qsizetype i = 0; i < ring.size(); ++i) {
            const QPointF a = ring[i], b = ring[(i + 1) % ring.size()];
            if (a == b || seen.contains(key(a, b))) {
                continue;
            }
            seen.insert(key(a, b));
            // An edge continuing the line before it goes on that line.
            if (!diagram->lines.isEmpty() && diagram->lines.last().last() == a) {
                diagram->lines.last() << b;
            } else {
                diagram->lines << Line{a, b};
                diagram->types << 1;
            }
        }
        diagram->labels.append({insidePoint(ring), name});
    }
}

void readDiagram(const QString &name, const QJsonObject &object, Diagram *diagram, QStringList *notes)
{
    static const QSet<QString> known{u"lines"_s,     u"line_type"_s, u"labels"_s, u"label_coords"_s, u"axis"_s,
                                     u"axes"_s,      u"type"_s,      u"log"_s,    u"polygons"_s,     u"fields"_s,
                                     u"transform"_s, u"xlim"_s,      u"ylim"_s,   u"name"_s,         u"title"_s};
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        if (!known.contains(it.key())) {
            notes->append(note("%1: “%2” is not carried (the library has no place for it)").arg(name, it.key()));
        }
    }
    diagram->name = object.value(QStringLiteral("title")).toString(object.value(QStringLiteral("name")).toString(name));
    diagram->triangular = object.value(QStringLiteral("type")).toString() == u"ternary" ||
                          object.value(QStringLiteral("transform")).toString().contains(u"ternary");
    const QJsonValue axes = object.contains(QStringLiteral("axis")) ? object.value(QStringLiteral("axis"))
                                                                    : object.value(QStringLiteral("axes"));
    const char *const keys[] = {"x", "y", "z"};
    const char *const corners[] = {"t", "l", "r"};
    for (int i = 0; i < (diagram->triangular ? 3 : 2); ++i) {
        const QString axis = axisName(axes, i, diagram->triangular ? corners[i] : keys[i]);
        if (!axis.isEmpty()) {
            diagram->axes << axis;
        }
    }
    if (!diagram->triangular) {
        const QJsonValue log = object.value(QStringLiteral("log"));
        diagram->xLog = logOf(log, 0, "x");
        diagram->yLog = logOf(log, 1, "y");
        const QJsonArray xlim = object.value(QStringLiteral("xlim")).toArray();
        const QJsonArray ylim = object.value(QStringLiteral("ylim")).toArray();
        if (xlim.size() == 2 && ylim.size() == 2) {
            diagram->frame = QRectF(QPointF(xlim[0].toDouble(), ylim[0].toDouble()),
                                    QPointF(xlim[1].toDouble(), ylim[1].toDouble()));
        }
    }
    // Points in the file's coordinates to the figure's.
    const auto place = [&](const Line &points, const QList<double> &third) {
        if (!diagram->triangular) {
            return points;
        }
        Line placed;
        for (qsizetype i = 0; i < points.size(); ++i) {
            placed << trianglePoint(points[i].x(), points[i].y(), third.value(i));
        }
        return placed;
    };
    // Lines, as a list or by name.
    const QJsonValue lines = object.value(QStringLiteral("lines"));
    const QJsonValue types = object.value(QStringLiteral("line_type"));
    QList<std::pair<QString, QJsonValue>> named;
    if (lines.isArray()) {
        for (qsizetype i = 0; i < lines.toArray().size(); ++i) {
            named.append({QString::number(i), lines.toArray()[i]});
        }
    } else if (lines.isObject()) {
        const QJsonObject byName = lines.toObject();
        for (auto it = byName.constBegin(); it != byName.constEnd(); ++it) {
            named.append({it.key(), it.value()});
        }
    }
    for (qsizetype i = 0; i < named.size(); ++i) {
        Line points;
        QList<double> third;
        if (!pointList(named[i].second, &points, diagram->triangular ? &third : nullptr)) {
            notes->append(note("%1: line %2 is not a list of points and was left out").arg(name, named[i].first));
            continue;
        }
        diagram->lines << place(points, third);
        const QJsonValue type = types.isArray()    ? types.toArray().at(i)
                                : types.isObject() ? types.toObject().value(named[i].first)
                                                   : types;
        diagram->types << lineType(type.toString());
    }
    // Labels with their places.
    const QJsonValue labels = object.value(QStringLiteral("labels"));
    const QJsonArray coords = object.value(QStringLiteral("label_coords")).toArray();
    if (labels.isArray()) {
        for (qsizetype i = 0; i < labels.toArray().size(); ++i) {
            const QJsonArray at = coords.at(i).toArray();
            if (at.size() < 2) {
                notes->append(
                    note("%1: the label “%2” has no place and was left out").arg(name, labels.toArray()[i].toString()));
                continue;
            }
            const Line placed = place({QPointF(at[0].toDouble(), at[1].toDouble())}, {at.at(2).toDouble()});
            diagram->labels.append({placed.first(), labels.toArray()[i].toString()});
        }
    }
    // Fields as polygons: their edges become the lines when the file has none.
    QList<std::pair<QString, Line>> polygons;
    const auto addPolygon = [&](const QString &field, const QJsonValue &value) {
        Line points;
        QList<double> third;
        if (pointList(value, &points, diagram->triangular ? &third : nullptr)) {
            polygons.append({field, place(points, third)});
        }
    };
    const QJsonObject polys = object.value(QStringLiteral("polygons")).toObject();
    for (auto it = polys.constBegin(); it != polys.constEnd(); ++it) {
        addPolygon(it.key(), it.value());
    }
    for (const QJsonValue &field : object.value(QStringLiteral("fields")).toArray()) {
        addPolygon(field.toObject().value(QStringLiteral("name")).toString(),
                   field.toObject().value(QStringLiteral("poly")));
    }
    if (diagram->lines.isEmpty()) {
        fromPolygons(polygons, diagram);
    }
}

QString nextNumber(const QString &number)
{
    return number.left(1) + QStringLiteral("%1").arg(number.mid(1).toInt() + 1, 3, 10, QLatin1Char('0'));
}

} // namespace

ImportResult importFile(Library &library, const QByteArray &json, OnConflict onConflict, bool dryRun)
{
    Bundle bundle;
    QString problem;
    QStringList notes;
    if (isBundle(json)) {
        if (!fromJson(json, &bundle, &problem)) {
            return {LibraryError{.message = problem}, {}, {}};
        }
    } else {
        QString rectangular, triangular;
        if (Status status = nextFreeNumber(library, u'B', &rectangular); !status) {
            return {status, {}, {}};
        }
        nextFreeNumber(library, u'T', &triangular);
        const DiagramImport read = importDiagrams(json, rectangular, triangular);
        if (!read.error.isEmpty()) {
            return {LibraryError{.message = read.error}, {}, {}};
        }
        bundle.figures = read.figures;
        notes = read.notes;
    }
    ImportResult result = write(library, bundle, onConflict, dryRun);
    result.notes = notes + bundle.notes + result.notes;
    return result;
}

bool isBundle(const QByteArray &json)
{
    return QJsonDocument::fromJson(json).object().value(QStringLiteral("format")).toString() == u"taprell-bundle";
}

DiagramImport importDiagrams(const QByteArray &json, const QString &rectangularNumber, const QString &triangularNumber)
{
    DiagramImport result;
    if (json.size() > largestBundle) {
        result.error = note("the file is larger than 50 MB");
        return result;
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        result.error = note("not JSON: %1 at byte %2").arg(error.errorString()).arg(error.offset);
        return result;
    }
    const QJsonObject root = document.object();
    QList<std::pair<QString, QJsonObject>> diagrams;
    const auto isDiagram = [](const QJsonObject &o) {
        return o.contains(QStringLiteral("lines")) || o.contains(QStringLiteral("polygons")) ||
               o.contains(QStringLiteral("fields"));
    };
    if (isDiagram(root)) {
        diagrams.append({root.value(QStringLiteral("name")).toString(QStringLiteral("diagram")), root});
    } else {
        for (auto it = root.constBegin(); it != root.constEnd(); ++it) {
            if (it.value().isObject() && isDiagram(it.value().toObject())) {
                diagrams.append({it.key(), it.value().toObject()});
            }
        }
    }
    if (diagrams.isEmpty()) {
        result.error = note("no diagram in the file: no \"lines\", \"polygons\" or \"fields\"");
        return result;
    }
    QString rectangular = rectangularNumber, triangular = triangularNumber;
    for (const auto &[name, object] : diagrams) {
        Diagram diagram;
        readDiagram(name, object, &diagram, &result.notes);
        if (diagram.lines.isEmpty()) {
            result.notes << note("%1: no lines and no fields; left out").arg(name);
            continue;
        }
        QString &number = diagram.triangular ? triangular : rectangular;
        result.figures << toFigure(diagram, number);
        number = nextNumber(number);
    }
    if (result.figures.isEmpty()) {
        result.error = note("no diagram of the file could be read");
    }
    return result;
}

QByteArray exportLinesFile(const Figure &figure, const QStringList &axisNames, const Classify::FieldOptions &options)
{
    const bool triangular = figure.record.isTriangular();
    // Triangle points back to their components (top, left, right).
    const auto toFile = [&](QPointF p) {
        if (!triangular) {
            return QJsonArray{p.x(), p.y()};
        }
        const double top = p.y() / DiagramMapping::triangleHeight * 100;
        const double right = p.x() - top / 2;
        return QJsonArray{top, 100 - top - right, right};
    };
    QJsonArray lines, types;
    QString series;
    QJsonArray line;
    int type = 1;
    const auto flush = [&] {
        if (line.size() > 1) {
            lines.append(line);
            types.append(type == 3   ? QStringLiteral("dashed")
                         : type == 2 ? QStringLiteral("dotted")
                                     : QStringLiteral("solid"));
        }
        line = {};
    };
    for (const FigurePoint &point : figure.points) {
        if (point.series != series) {
            flush();
            series = point.series;
        }
        if (point.lineType.toInt() != 0) {
            type = point.lineType.toInt();
        }
        line.append(toFile({numericValue(point.x), numericValue(point.y)}));
    }
    flush();
    QJsonArray labels, coords;
    for (const FigureLabel &label : figure.labels) {
        labels.append(label.text);
        coords.append(toFile({numericValue(label.x), numericValue(label.y)}));
    }
    QJsonObject polygons;
    const Classify::FieldMap fields(figure, options);
    for (const Classify::Field &field : fields.fields()) {
        if (field.rings.isEmpty()) {
            continue;
        }
        QJsonArray ring;
        for (const QPointF &p : field.rings.first()) {
            ring.append(toFile(p));
        }
        QString name = QString(field.name).replace(u'\n', u' ');
        for (int n = 2; polygons.contains(name); ++n) {
            name = QString(field.name).replace(u'\n', u' ') + QStringLiteral(" (%1)").arg(n);
        }
        polygons.insert(name, ring);
    }
    QJsonObject diagram{{QStringLiteral("type"), triangular ? QStringLiteral("ternary") : QStringLiteral("xy")},
                        {QStringLiteral("axis"), QJsonArray::fromStringList(axisNames)},
                        {QStringLiteral("lines"), lines},
                        {QStringLiteral("line_type"), types},
                        {QStringLiteral("labels"), labels},
                        {QStringLiteral("label_coords"), coords},
                        {QStringLiteral("polygons"), polygons}};
    if (!triangular) {
        diagram.insert(QStringLiteral("xlim"),
                       QJsonArray{numericValue(figure.record.X[0]), numericValue(figure.record.X[1])});
        diagram.insert(QStringLiteral("ylim"),
                       QJsonArray{numericValue(figure.record.Y[0]), numericValue(figure.record.Y[1])});
        diagram.insert(QStringLiteral("log"), QJsonArray{figure.record.X[5] == u"True", figure.record.Y[5] == u"True"});
    }
    return QJsonDocument(QJsonObject{{figure.record.tm, diagram}}).toJson(QJsonDocument::Indented);
}

} // namespace exchange
