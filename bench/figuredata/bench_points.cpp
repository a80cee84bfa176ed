// SPDX-License-Identifier: GPL-3.0-or-later
// The figure data window against the sqlite3 shell on a figure of 100,000 points: opening the
// window until its list is painted, and a save after every point got a new X, with its floor.
#include "BenchSupport.h"
#include <figuredata/PicDataEditor.h>
#include <figuredata/fPicData.h>

#include <QApplication>
#include <QLocale>

#include <memory>

namespace {

using bench::spread;
using bench::sqlite::Row;

constexpr int pointCount = 100'000;
const QString figure = QStringLiteral("B001");

// Point i of a figure: every X and every Y differs from the others.
Row point(const QString &th, int i)
{
    return {th.toUtf8(),
            qint64(i),
            qint64(1 + i % 16),
            qint64(i % 5 == 0 ? 1 : 0),
            30.0 + double(spread(i, 0)) / 10000.0,
            double(spread(i, 1)) / 100000.0,
            qint64(i % 4)};
}

void generate(const QString &file)
{
    bench::generateLibrary(file, [](bench::sqlite::Connection &connection) {
        bench::sqlite::Statement insert(connection, QStringLiteral("insert into pData values (?, ?, ?, ?, ?, ?, ?)"));
        // Other figures' points around it, so the figure is read through the index.
        for (const QString &th : {QStringLiteral("A001"), figure, QStringLiteral("C001")}) {
            const int count = th == figure ? pointCount : 1000;
            for (int i = 1; i <= count; ++i) {
                insert.run(point(th, i));
            }
        }
    });
}

// The X a save of some revision gives point i, never stored before.
double changedX(int i, int revision)
{
    return 1000.0 * revision + 30.0 + double(spread(i, 0)) / 10000.0;
}

// The user changes every point's X: clicks its row, types the new X, leaves the field.
void changeEveryX(fPicData &window, int revision)
{
    PicDataEditor &editor = window.editor();
    for (int row = 0; row < pointCount; ++row) {
        editor.chooseRow(row);
        editor.commitField(PicDataEditor::XField,
                           QString::number(changedX(row + 1, revision), 'g', QLocale::FloatingPointShortest));
    }
}

const bench::Update saveUpdate{QStringLiteral("pData"),
                               {QStringLiteral("th"), QStringLiteral("ID"), QStringLiteral("Series"),
                                QStringLiteral("curve"), QStringLiteral("X"), QStringLiteral("Y"), QStringLiteral("L")},
                               {QStringLiteral("th"), QStringLiteral("ID")}};

// The same changes for the shell and the floor: every field set, as the window's save does.
bench::UpdateRows updateRows(int revision)
{
    bench::UpdateRows rows;
    rows.reserve(pointCount);
    for (int i = 1; i <= pointCount; ++i) {
        Row row = point(figure, i);
        row[4] = changedX(i, revision);
        row << figure.toUtf8() << qint64(i);
        rows << row;
    }
    return rows;
}

void checkStored(const QString &file, int revision)
{
    bench::sqlite::Connection connection(file);
    const qint64 stored = connection.scalar(QStringLiteral("select count(*) from pData where th = '%1' and "
                                                           "X >= %2 and X < %3")
                                                .arg(figure)
                                                .arg(1000 * revision)
                                                .arg(1000 * (revision + 1)));
    if (stored != pointCount) {
        qFatal("revision %d: %lld of %d points stored", revision, stored, pointCount);
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
    bench::printHeader(QStringLiteral("bench_points"), runs);
    bench::InstallFolder install(generate);
    const QString &file = install.libraryFile;
    const QString folder = install.dir.path();
    install.taprell.setCurrentFigureNumber(figure);

    bench::Samples loadOurs, loadShell, saveOurs, saveShell, saveFloor;
    std::unique_ptr<fPicData> window;
    int revision = 0;
    for (int run = 0; run < runs; ++run) {
        // Opening the window: its controls, the library reopened, the points read and painted.
        window.reset();
        loadOurs.append(bench::timeOurs([&] {
            window = std::make_unique<fPicData>(install.taprell, install.dialogs);
            window->show();
            bench::paintList(window.get());
        }));
        if (bench::listedRows(window.get()) != pointCount) {
            qFatal("the window lists %d points", bench::listedRows(window.get()));
        }
        loadShell.append(bench::runShell(
            file, folder, QStringLiteral("select * from pData where Th = '%1' order by ID;\n").arg(figure).toUtf8()));

        // The save: every point changed, then the Save button.
        ++revision;
        changeEveryX(*window, revision);
        saveOurs.append(bench::timeOurs([&] { bench::click(window.get(), QStringLiteral("cmdSave")); }));
        checkStored(file, revision);

        ++revision;
        saveShell.append(bench::runShell(file, folder, bench::shellScript(saveUpdate, updateRows(revision))));
        checkStored(file, revision);

        ++revision;
        saveFloor.append(bench::timeFloor(file, saveUpdate, updateRows(revision)));
        checkStored(file, revision);
    }

    bench::report(QStringLiteral("points load"), loadOurs, loadShell);
    bench::report(QStringLiteral("points save"), saveOurs, saveShell);
    bench::reportFloor(QStringLiteral("points save"), saveFloor);
    bench::printLoad();
    return 0;
}
