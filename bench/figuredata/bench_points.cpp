// SPDX-License-Identifier: GPL-3.0-or-later
// The figure data window against the sqlite3 shell on a figure of 100,000 points: opening the
// window until its list is filled, and a save after every row was changed.
#include "BenchSupport.h"
#include "Dialogs.h"
#include "LibraryFile.h"
#include "SettingsStore.h"
#include "fPicData.h"
#include "mTaprell.h"

#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <memory>

namespace {

constexpr int pointCount = 100'000;
constexpr int runs = 3;
const QString figure = QStringLiteral("B001");

void generate(const QString &file)
{
    bench::generateLibrary(file, QStringLiteral("insert into pData values (?, ?, ?, ?, ?, ?, ?)"),
                           [](const auto &insertRow) {
                               // Another figure's points around it, so the figure is read through the index.
                               for (const QString &th : {QStringLiteral("A001"), figure, QStringLiteral("C001")}) {
                                   const int count = th == figure ? pointCount : 1000;
                                   for (int i = 1; i <= count; ++i) {
                                       insertRow({th, i, 1 + i % 16, i % 5 == 0 ? 1 : 0, 40.0 + (i % 4000) / 100.0,
                                                  (i % 1700) / 100.0, i % 4});
                                   }
                               }
                           });
}

// The X every point gets in a save run: a different value each run, so every row really changes.
QString changedX(int point, int run)
{
    return QString::number(100 + run) + QStringLiteral(".") + QString::number(point % 100);
}

QString updatesFile(const QDir &dir, int run)
{
    const QString name = dir.filePath(QStringLiteral("updates%1.sql").arg(run));
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        qFatal("cannot write %s", qPrintable(name));
    }
    QTextStream out(&file);
    out << "BEGIN;\n";
    for (int i = 1; i <= pointCount; ++i) {
        out << "UPDATE pData SET th='" << figure << "', ID=" << i << ", Series=" << 1 + i % 16
            << ", curve=" << (i % 5 == 0 ? 1 : 0) << ", X=" << changedX(i, run + 10) << ", Y=" << (i % 1700) / 100.0
            << ", L=" << i % 4 << " WHERE th='" << figure << "' AND ID=" << i << ";\n";
    }
    out << "COMMIT;\n";
    return name;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    bench::InstallFolder install(generate);
    const QString &file = install.libraryFile;
    mTaprell &taprell = install.taprell;
    taprell.setCurrentFigureNumber(figure);

    // Opening the window: the controls, the library reopened, the points read, the list filled.
    std::unique_ptr<fPicData> window;
    const double loadOurs = bench::bestOf(
        runs, [&] { window = std::make_unique<fPicData>(taprell); }, [&] { window.reset(); });
    if (window->editor().model()->size() != pointCount) {
        qFatal("the window listed %d points", window->editor().model()->size());
    }
    // The shell is timed from its start to its end, the best of the same number of runs.
    const QString selectFigure = QStringLiteral("select * from pData where Th = '%1' order by ID;\n").arg(figure);
    double loadShell = 1e9;
    for (int i = 0; i < runs; ++i) {
        loadShell = std::min(loadShell, bench::timeShell(file, selectFigure));
    }
    bench::report(QStringLiteral("points load"), loadOurs, loadShell);

    // Saving after every row was changed: the click on the Save button.
    PicDataEditor &editor = window->editor();
    auto *save = window->findChild<QPushButton *>(QStringLiteral("cmdSave"));
    int run = 0;
    const double saveOurs = bench::bestOf(
        runs,
        [&] {
            save->click();
            if (editor.hasUnsavedChanges()) {
                qFatal("the save stopped early");
            }
        },
        [&] {
            ++run;
            for (int row = 0; row < pointCount; ++row) {
                editor.chooseRow(row);
                editor.commitField(PicDataEditor::XField, changedX(row + 1, run));
            }
        });
    double saveShell = 1e9;
    for (int i = 0; i < runs; ++i) {
        const QString sql = updatesFile(QDir(install.dir.path()), i);
        saveShell = std::min(saveShell, bench::timeShell(file, QStringLiteral(".read '%1'\n").arg(sql)));
    }
    bench::report(QStringLiteral("points save"), saveOurs, saveShell);
    return 0;
}
