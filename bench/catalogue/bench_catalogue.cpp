// SPDX-License-Identifier: GPL-3.0-or-later
// The catalogue against the sqlite3 shell on a library of 100,000 rectangular figures: the memory
// after the first and after a second load of the list, the list load, and a save of 10,000
// changed rows with its floor.
#include "BenchSupport.h"
#include "CatalogueData.h"
#include <catalogue/CatalogueEditor.h>
#include <catalogue/fMain.h>

#include <QApplication>
#include <QTextStream>

namespace {

using namespace catalogue_data;
using bench::sqlite::Row;

const bench::Update saveUpdate{QStringLiteral("picMain"), columns(), {QStringLiteral("th")}};

// The same changes for the shell and the floor: every field set, as the window's save does.
bench::UpdateRows updateRows(int revision)
{
    bench::UpdateRows rows;
    for (int k = 0; k < changedCount; ++k) {
        const int i = changedFigure(k);
        Row row = figure(i);
        row[column(QStringLiteral("tm"))] = changedName(i, revision).toUtf8();
        row[column(QStringLiteral("X2"))] = changedX2(i, revision);
        row << figureNumber(i).toUtf8();
        rows << row;
    }
    return rows;
}

// Every changed figure holds the revision's values now.
void checkStored(const QString &file, int revision)
{
    bench::sqlite::Connection connection(file);
    const qint64 stored = connection.scalar(
        QStringLiteral("select count(*) from picMain where tm like '%, revision %1' and X2 >= %2 and X2 < %3")
            .arg(revision)
            .arg(10000 * revision)
            .arg(10000 * (revision + 1)));
    if (stored != changedCount) {
        qFatal("revision %d: %lld of %d figures stored", revision, stored, changedCount);
    }
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const int runs = bench::runCount(argc, argv);
    bench::printHeader(QStringLiteral("bench_catalogue"), runs);
    bench::InstallFolder install(generate);
    const QString &file = install.libraryFile;
    const QString folder = install.dir.path();

    // Memory: the window loads its list as it is built, as at the program's start; then a second
    // load of the same list, as the kind option does it.
    const double beforeLoad = bench::peakMemoryMiB();
    fMain window(install.taprell, install.dialogs);
    const double firstLoad = bench::peakMemoryMiB();
    window.show();
    bench::paintList(&window);
    bench::click(&window, QStringLiteral("Opt1"));
    bench::paintList(&window);
    const double secondLoad = bench::peakMemoryMiB();
    if (bench::listedRows(&window) != figureCount) {
        qFatal("the catalogue lists %d figures", bench::listedRows(&window));
    }

    bench::Samples loadOurs, loadShell, saveOurs, saveShell, saveFloor;
    int revision = 0;
    for (int run = 0; run < runs; ++run) {
        loadOurs.append(timeListLoad(window, revision));
        loadShell.append(bench::runShell(file, folder, listStatement));

        // The save: 10,000 rows changed in the list, then the Save button.
        ++revision;
        for (int k = 0; k < changedCount; ++k) {
            changeFigure(window, changedFigure(k), revision);
        }
        saveOurs.append(bench::timeOurs([&] { bench::click(&window, QStringLiteral("cmdSaveLvFigure")); }));
        checkStored(file, revision);

        ++revision;
        saveShell.append(bench::runShell(file, folder, bench::shellScript(saveUpdate, updateRows(revision))));
        checkStored(file, revision);

        ++revision;
        saveFloor.append(bench::timeFloor(file, saveUpdate, updateRows(revision)));
        checkStored(file, revision);
    }

    const double shellMemory = bench::shellPeakMemoryMiB(file, folder, listStatement);
    bench::report(QStringLiteral("catalogue load"), loadOurs, loadShell);
    bench::report(QStringLiteral("catalogue save"), saveOurs, saveShell);
    bench::reportFloor(QStringLiteral("catalogue save"), saveFloor);
    QTextStream(stdout) << "catalogue peak memory: " << QString::number(firstLoad, 'f', 1) << " MiB" << Qt::endl
                        << "catalogue peak memory after a second load: " << QString::number(secondLoad, 'f', 1)
                        << " MiB" << Qt::endl
                        << "    before the first load: " << QString::number(beforeLoad, 'f', 1)
                        << " MiB; the sqlite3 shell printing the list: " << QString::number(shellMemory, 'f', 1)
                        << " MiB" << Qt::endl;
    bench::printLoad();
    return 0;
}
