// SPDX-License-Identifier: GPL-3.0-or-later
#include <library/engine/Conversions.h>
#include <library/store/Library.h>
#include <library/store/Query.h>
#include <library/store/Stores.h>
#include <preview/FigureReader.h>

namespace {

void copyRecord(const Query &query, FigureRecord *record)
{
    record->th = query.text(u"th");
    record->tm = query.text(u"tm");
    record->figName = query.text(u"figName");
    record->LB = query.text(u"LB");
    for (int i = 0; i < 7; ++i) {
        record->X[i] = query.text(QStringLiteral("X%1").arg(i + 1));
        record->Y[i] = query.text(QStringLiteral("Y%1").arg(i + 1));
    }
    record->border = query.text(u"border");
}

} // namespace

Status FigureReader::readFigure(Library &library, const QString &figureNumber, Figure *figure, bool *found)
{
    *figure = Figure();
    Query query;
    if (Status status = query.open(library, store::Figures::record(figureNumber), Query::Mode::ReadOnly); !status) {
        return status;
    }
    if (found) {
        *found = query.recordCount() > 0;
    }
    if (query.recordCount() > 0) {
        query.move(1);
        copyRecord(query, &figure->record);
    } else {
        figure->record.th = figureNumber;
    }
    if (Status status = readPoints(library, figureNumber, &figure->points); !status) {
        return status;
    }
    return readLabels(library, figureNumber, &figure->labels);
}

Status FigureReader::readPoints(Library &library, const QString &figureNumber, QList<FigurePoint> *points)
{
    points->clear();
    Query query;
    if (Status status = query.open(library, store::Points::ofFigure(figureNumber), Query::Mode::ReadOnly); !status) {
        return status;
    }
    const int series = query.fieldIndex(u"Series"), curve = query.fieldIndex(u"curve"), x = query.fieldIndex(u"X"),
              y = query.fieldIndex(u"Y"), type = query.fieldIndex(u"L");
    points->reserve(query.recordCount());
    for (int i = 1; i <= query.recordCount(); ++i) {
        query.move(i);
        points->append({query.text(series), query.text(curve), query.text(x), query.text(y), query.text(type)});
    }
    return {};
}

Status FigureReader::readLabels(Library &library, const QString &figureNumber, QList<FigureLabel> *labels)
{
    labels->clear();
    Query query;
    if (Status status = query.open(library, store::Labels::ofFigure(figureNumber), Query::Mode::ReadOnly); !status) {
        return status;
    }
    const int x = query.fieldIndex(u"X"), y = query.fieldIndex(u"Y"), text = query.fieldIndex(u"Lbl");
    for (int i = 1; i <= query.recordCount(); ++i) {
        query.move(i);
        labels->append({query.text(x), query.text(y), query.text(text)});
    }
    return {};
}

Status FigureReader::figureNumbers(Library &library, QStringList *numbers)
{
    numbers->clear();
    Query query;
    if (Status status = query.open(library, store::Figures::numbersInOrder(), Query::Mode::ReadOnly); !status) {
        return status;
    }
    for (int i = 1; i <= query.recordCount(); ++i) {
        query.move(i);
        numbers->append(query.text(0));
    }
    return {};
}
