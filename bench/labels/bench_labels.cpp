// SPDX-License-Identifier: GPL-3.0-or-later
// The label window against the sqlite3 shell on a figure of 100,000 labels: opening the window
// until its list is painted, and a save after every label got a new x, with its floor.
#include "BenchSupport.h"
#include <labels/LabelEditor.h>
#include <labels/fPicLbl.h>

#include <QApplication>
#include <QLocale>

#include <memory>

namespace {

using bench::spread;
using bench::sqlite::Row;

constexpr int labelCount = 100'000;
const QString figure = QStringLiteral("B001");

// Label i of a figure: every x and every y differs from the others.
Row label(const QString &th, int i)
{
    return {th.toUtf8(), double(i), double(spread(i, 0)) / 1000.0, double(spread(i, 1)) / 100000.0,
            QStringLiteral("Field %1 (after Author, %2)").arg(i).arg(1950 + i % 70).toUtf8()};
}

void generate(const QString &file)
{
    bench::generateLibrary(file, [](bench::sqlite::Connection &connection) {
        bench::sqlite::Statement insert(connection, QStringLiteral("insert into picLable values (?, ?, ?, ?, ?)"));
        // Other figures' labels around it, so the figure is read through the index.
        for (const QString &th : {QStringLiteral("A001"), figure, QStringLiteral("C001")}) {
            const int count = th == figure ? labelCount : 1000;
            for (int i = 1; i <= count; ++i) {
                insert.run(label(th, i));
            }
        }
    });
}

// The x a save of some revision gives label i, never stored before.
double changedX(int i, int revision)
{
    return 10000.0 * revision + double(spread(i, 0)) / 1000.0;
}

// The user changes every label's x: clicks its row, enters the x box, types, leaves the box.
void changeEveryX(fPicLbl &window, int revision)
{
    LabelEditor &editor = window.editor();
    for (int row = 0; row < labelCount; ++row) {
        const std::optional<LabelEditor::BoxTexts> shown = editor.chooseRow(row);
        if (!shown) {
            qFatal("no row %d", row);
        }
        editor.setSnapshot(1, shown->x);
        editor.commitField(1, QString::number(changedX(row + 1, revision), 'g', QLocale::FloatingPointShortest));
    }
}

const bench::Update saveUpdate{
    QStringLiteral("picLable"),
    {QStringLiteral("th"), QStringLiteral("ID"), QStringLiteral("X"), QStringLiteral("Y"), QStringLiteral("Lbl")},
    {QStringLiteral("th"), QStringLiteral("ID")}};

// The same changes for the shell and the floor: every field set, as the window's save does.
bench::UpdateRows updateRows(int revision)
{
    bench::UpdateRows rows;
    rows.reserve(labelCount);
    for (int i = 1; i <= labelCount; ++i) {
        Row row = label(figure, i);
        row[2] = changedX(i, revision);
        row << figure.toUtf8() << double(i);
        rows << row;
    }
    return rows;
}

void checkStored(const QString &file, int revision)
{
    bench::sqlite::Connection connection(file);
    const qint64 stored = connection.scalar(QStringLiteral("select count(*) from picLable where th = '%1' and "
                                                           "X >= %2 and X < %3")
                                                .arg(figure)
                                                .arg(10000 * revision)
                                                .arg(10000 * (revision + 1)));
    if (stored != labelCount) {
        qFatal("revision %d: %lld of %d labels stored", revision, stored, labelCount);
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
    bench::printHeader(QStringLiteral("bench_labels"), runs);
    bench::InstallFolder install(generate);
    const QString &file = install.libraryFile;
    const QString folder = install.dir.path();
    install.taprell.setCurrentFigureNumber(figure);

    bench::Samples loadOurs, loadShell, saveOurs, saveShell, saveFloor;
    std::unique_ptr<fPicLbl> window;
    int revision = 0;
    for (int run = 0; run < runs; ++run) {
        // Opening the window: its controls, the library reopened, the labels read and painted.
        window.reset();
        loadOurs.append(bench::timeOurs([&] {
            window = std::make_unique<fPicLbl>(install.taprell, install.dialogs);
            window->show();
            bench::paintList(window.get());
        }));
        if (bench::listedRows(window.get()) != labelCount) {
            qFatal("the window lists %d labels", bench::listedRows(window.get()));
        }
        loadShell.append(bench::runShell(
            file, folder,
            QStringLiteral("select * from picLable where Th = '%1' order by ID;\n").arg(figure).toUtf8()));

        // The save: every label changed, then the Save button.
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

    bench::report(QStringLiteral("labels load"), loadOurs, loadShell);
    bench::report(QStringLiteral("labels save"), saveOurs, saveShell);
    bench::reportFloor(QStringLiteral("labels save"), saveFloor);
    bench::printLoad();
    return 0;
}
