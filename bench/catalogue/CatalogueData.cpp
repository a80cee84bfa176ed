// SPDX-License-Identifier: GPL-3.0-or-later
#include "CatalogueData.h"

#include "BenchSupport.h"

namespace catalogue_data {

using bench::spread;
using bench::sqlite::Row;

const QStringList &columns()
{
    static const QStringList names = {
        QStringLiteral("th"),          QStringLiteral("tm"),      QStringLiteral("figName"), QStringLiteral("grp"),
        QStringLiteral("LB"),          QStringLiteral("X1"),      QStringLiteral("X2"),      QStringLiteral("X3"),
        QStringLiteral("X4"),          QStringLiteral("X5"),      QStringLiteral("X6"),      QStringLiteral("X7"),
        QStringLiteral("Y1"),          QStringLiteral("Y2"),      QStringLiteral("Y3"),      QStringLiteral("Y4"),
        QStringLiteral("Y5"),          QStringLiteral("Y6"),      QStringLiteral("Y7"),      QStringLiteral("border"),
        QStringLiteral("specialCase"), QStringLiteral("Comment"), QStringLiteral("Vector"),  QStringLiteral("Bitmap"),
    };
    return names;
}

int column(const QString &name)
{
    const qsizetype index = columns().indexOf(name);
    if (index < 0) {
        qFatal("picMain has no column %s", qPrintable(name));
    }
    return int(index);
}

QString figureNumber(int i)
{
    return QStringLiteral("B%1").arg(i, 6, 10, QLatin1Char('0'));
}

Row figure(int i)
{
    Row row;
    row << figureNumber(i).toUtf8()
        << QStringLiteral("Diagram %1 (Author et al., %2)").arg(i).arg(1950 + i % 70).toUtf8()
        << QStringLiteral("BP%1").arg(i, 6, 10, QLatin1Char('0')).toUtf8() << qint64(1 + i % 10) << QByteArray("B");
    // X1..X5 with three decimals, then X6 (log axis) and X7 (decimal places); Y the same with five decimals.
    for (int k = 0; k < 5; ++k) {
        row << double(spread(i, k)) / 1000.0;
    }
    row << qint64(i % 2) << qint64(-1 + i % 6);
    for (int k = 0; k < 5; ++k) {
        row << double(spread(i, 5 + k)) / 100000.0;
    }
    row << qint64((i / 2) % 2) << qint64(-1 + (i / 6) % 6);
    row << qint64(i % 3 ? 1 : 0) << qint64(spread(i, 10))
        << QStringLiteral(
               "Boundary lines after the original publication, figure %1; coordinates in wt%, volatile-free.")
               .arg(i)
               .toUtf8()
        << qint64(1) << qint64(i % 7 == 0 ? 1 : 0);
    return row;
}

void generate(const QString &file)
{
    bench::generateLibrary(file, [](bench::sqlite::Connection &connection) {
        QStringList parameters;
        for (qsizetype c = 0; c < columns().size(); ++c) {
            parameters << QStringLiteral("?");
        }
        bench::sqlite::Statement insert(
            connection,
            QStringLiteral("insert into picMain (%1) values (%2)").arg(columns().join(u','), parameters.join(u',')));
        for (int i = 1; i <= figureCount; ++i) {
            insert.run(figure(i));
        }
    });
}

} // namespace catalogue_data
