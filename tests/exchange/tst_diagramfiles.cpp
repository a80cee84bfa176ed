// SPDX-License-Identifier: GPL-3.0-or-later
#include "TempLibrary.h"
#include <classify/FieldMap.h>
#include <diagram/DiagramMapping.h>
#include <exchange/DiagramFiles.h>
#include <preview/FigureReader.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Part of TAS (Le Bas et al. 1986) as a fields file: the published corners of four fields.
const QByteArray tasFields = R"({"axes": {"x": "SiO2", "y": "Na2O+K2O"}, "style": "thin", "fields": [
 {"name": "Picrobasalt", "poly": [[41,0],[45,0],[45,3],[41,3]]},
 {"name": "Basalt", "poly": [[45,0],[52,0],[52,5],[45,5]]},
 {"name": "Basaltic andesite", "poly": [[52,0],[57,0],[57,5.9],[52,5]]},
 {"name": "Andesite", "poly": [[57,0],[63,0],[63,7],[57,5.9]]}]})";

// AFM's boundary as a lines file: components in the order of its axes (F, A, M: top, left, right).
const QByteArray afmLines = R"({"AFM": {"type": "ternary", "axis": ["F", "A", "M"], "lines": [[[60,35,5],[50,20,30]]],
 "line_type": ["dashed"], "labels": ["Tholeiitic"], "label_coords": [[70,20,10]]}})";

Figure imported(const TempLibrary &lib, const QByteArray &json, QStringList *notes)
{
    const exchange::DiagramImport read = exchange::importDiagrams(json, u"B901"_s, u"T901"_s);
    if (!read.error.isEmpty()) {
        qFatal("%s", qPrintable(read.error));
    }
    *notes = read.notes;
    Library library;
    library.open(lib.location());
    exchange::Bundle bundle{read.figures, {}};
    if (!exchange::write(library, bundle, exchange::OnConflict::Skip).status) {
        qFatal("the import was not written");
    }
    Figure figure;
    FigureReader::readFigure(library, read.figures.first().number(), &figure);
    return figure;
}

} // namespace

class TestDiagramFiles : public QObject
{
    Q_OBJECT

private slots:
    // A fields file becomes lines (each shared edge once) and labels; its fields classify points
    // as the file's polygons do, and go out again as polygons.
    void fieldsFileBecomesAFigureThatClassifiesAndGoesOutAgain()
    {
        TempLibrary lib(TempLibrary::Content::Empty);
        QStringList notes;
        const Figure figure = imported(lib, tasFields, &notes);
        QCOMPARE(notes, QStringList{u"diagram: “style” is not carried (the library has no place for it)"_s});
        QCOMPARE(figure.labels.size(), 4);
        const Classify::FieldMap fields(figure);
        const struct
        {
            QPointF at;
            QString field;
        } samples[] = {{{43, 1.5}, u"Picrobasalt"_s},
                       {{48.5, 2.5}, u"Basalt"_s},
                       {{55, 3}, u"Basaltic andesite"_s},
                       {{60, 4}, u"Andesite"_s}};
        for (const auto &s : samples) {
            const Classify::Location place = fields.locate(s.at);
            QCOMPARE(place.place, Classify::Place::Field);
            QCOMPARE(fields.fields()[place.field].name, s.field);
        }
        QCOMPARE(fields.locate({52, 2}).place, Classify::Place::Boundary); // the shared edge, drawn once

        const QJsonObject out =
            QJsonDocument::fromJson(exchange::exportLinesFile(figure, {u"SiO2"_s, u"Na2O+K2O"_s}, {}))
                .object()
                .begin()
                ->toObject();
        QCOMPARE(out.value(u"axis"_s).toArray(), (QJsonArray{u"SiO2"_s, u"Na2O+K2O"_s}));
        QVERIFY(out.value(u"polygons"_s).toObject().contains(u"Basaltic andesite"_s));
    }

    // A triangle's components land on the 0-100 triangle by the file's axis order, and go out in it.
    void linesFileTriangleKeepsItsCorners()
    {
        TempLibrary lib(TempLibrary::Content::Empty);
        QStringList notes;
        const Figure figure = imported(lib, afmLines, &notes);
        QVERIFY(figure.record.isTriangular());
        QCOMPARE(figure.points.size(), 2);
        QCOMPARE(figure.points[1].lineType, u"3"_s); // dashed
        // F 50, A 20, M 30: x = M + F/2 = 55, y = F of the triangle's height.
        QCOMPARE(figure.points[1].x.toDouble(), 55.0);
        QVERIFY(qAbs(figure.points[1].y.toDouble() - 50 * DiagramMapping::triangleHeight / 100) < 1e-9);
        const QJsonObject out = QJsonDocument::fromJson(exchange::exportLinesFile(figure, {u"F"_s, u"A"_s, u"M"_s}, {}))
                                    .object()
                                    .begin()
                                    ->toObject();
        const QJsonArray back = out.value(u"lines"_s).toArray()[0].toArray()[1].toArray();
        QVERIFY(qAbs(back[0].toDouble() - 50) < 1e-9 && qAbs(back[1].toDouble() - 20) < 1e-9);
    }

    // Log axes from "log" as a list, lines as x/y arrays, no frame given: the frame is the lines'
    // extent widened to whole decades, and the fields are found on the log scales.
    void linesFileLogLogFramesItsLinesByDecades()
    {
        const QByteArray logLog = R"({"type": "xy", "axis": ["Y", "Nb"], "log": [true, true],
 "lines": [{"x": [1, 40, 1000], "y": [3, 3, 1000]}, {"x": [40, 40], "y": [3, 0.1]}], "line_type": ["solid", "dotted"],
 "labels": ["low", "high"], "label_coords": [[200, 4], [5, 100]], "label_angle": [0, 30]})";
        TempLibrary lib(TempLibrary::Content::Empty);
        QStringList notes;
        const Figure figure = imported(lib, logLog, &notes);
        QVERIFY2(notes.join(u'\n').contains(u"label_angle"_s), qPrintable(notes.join(u'\n')));
        const FigureRecord &r = figure.record;
        QCOMPARE((QStringList{r.X[0], r.X[1], r.Y[0], r.Y[1]}), (QStringList{u"1"_s, u"1000"_s, u"0.1"_s, u"1000"_s}));
        QVERIFY(r.X[5].compare(u"True"_s, Qt::CaseInsensitive) == 0 &&
                r.Y[5].compare(u"True"_s, Qt::CaseInsensitive) == 0);
        QCOMPARE(figure.points[2].lineType, u"1"_s); // a line's first point starts it: "0"
        QCOMPARE(figure.points[4].lineType, u"2"_s); // dotted
        const Classify::FieldMap fields(figure);
        const struct
        {
            QPointF at;
            QString field;
        } samples[] = {{{200, 5}, u"low"_s}, {{5, 100}, u"high"_s}, {{500, 20}, u"low"_s}};
        for (const auto &s : samples) {
            const Classify::Location place = fields.locate(s.at);
            QCOMPARE(place.place, Classify::Place::Field);
            QCOMPARE(fields.fields()[place.field].name, s.field);
        }
    }

    void filesWithoutDiagramsAreRefused_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("problem");
        QTest::newRow("not JSON") << QByteArray("{\"lines\": [") << u"not JSON"_s;
        QTest::newRow("no diagram") << QByteArray("{\"a\": 1}") << u"no diagram in the file"_s;
        QTest::newRow("no points") << QByteArray("{\"lines\": [[1, 2]]}") << u"no diagram of the file"_s;
    }
    void filesWithoutDiagramsAreRefused()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, problem);
        const exchange::DiagramImport read = exchange::importDiagrams(json, u"B901"_s, u"T901"_s);
        QVERIFY2(read.error.contains(problem), qPrintable(read.error));
        QVERIFY(read.figures.isEmpty());
    }
};

QTEST_MAIN(TestDiagramFiles)
#include "tst_diagramfiles.moc"
