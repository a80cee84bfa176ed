// SPDX-License-Identifier: GPL-3.0-or-later
#include "CatalogueData.h"

#include "BenchSupport.h"
#include <catalogue/CatalogueEditor.h>
#include <catalogue/fMain.h>
#include <library/engine/Schema.h>

#include <QLocale>

namespace catalogue_data {

using bench::spread;
using bench::sqlite::Row;

const QStringList &columns()
{
    static const QStringList names = schema::library().table(u"picMain")->columnNames();
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
        // The columns the generated rows fill, in the description's order; a column added later
        // is left to its default.
        const QStringList filled = columns().mid(0, figure(1).size());
        const QStringList parameters(filled.size(), QStringLiteral("?"));
        bench::sqlite::Statement insert(
            connection,
            QStringLiteral("insert into picMain (%1) values (%2)").arg(filled.join(u','), parameters.join(u',')));
        for (int i = 1; i <= figureCount; ++i) {
            insert.run(figure(i));
        }
    });
}

// The k-th changed figure: every tenth, spread over the whole list.
int changedFigure(int k)
{
    return k * (figureCount / changedCount) + 1;
}

// What a save of some revision gives figure i: a new name and a new X2, never stored before.
QString changedName(int i, int revision)
{
    return QStringLiteral("Diagram %1, revision %2").arg(i).arg(revision);
}

double changedX2(int i, int revision)
{
    return 10000.0 * revision + double(bench::spread(i, 1)) / 1000.0;
}

// The user changes figure i in the catalogue window: its name and X2, then Update list.
void changeFigure(fMain &window, int i, int revision)
{
    CatalogueEditor &editor = window.editor();
    const int row = i - 1;
    QList<QString> cells = editor.model().row(row).cells;
    if (cells[CatalogueEditor::Th] != figureNumber(i)) {
        qFatal("row %d lists %s", row, qPrintable(cells[CatalogueEditor::Th]));
    }
    cells[CatalogueEditor::Tm] = changedName(i, revision);
    cells[CatalogueEditor::X1 + 1] = QString::number(changedX2(i, revision), 'g', QLocale::FloatingPointShortest);
    editor.changeRow(row, cells);
}

bench::Timing timeListLoad(fMain &window, int revision)
{
    const bench::Timing timing = bench::timeOurs([&] {
        bench::click(&window, QStringLiteral("Opt1"));
        bench::paintList(&window);
    });
    if (bench::listedRows(&window) != figureCount ||
        (revision > 0 && bench::listedText(&window, 0, 2) != changedName(1, revision))) {
        qFatal("the catalogue did not list the stored figures");
    }
    return timing;
}

} // namespace catalogue_data
