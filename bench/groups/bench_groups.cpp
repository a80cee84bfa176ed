// SPDX-License-Identifier: GPL-3.0-or-later
// The group window against the sqlite3 shell on a library of 100,000 groups: the list load
// (setGroup, as the window's opening and every save run it) until the list is painted.
#include "BenchSupport.h"
#include <groups/fGroup.h>

#include <QApplication>

namespace {

constexpr int groupCount = 100'000;

void generate(const QString &file)
{
    bench::generateLibrary(file, [](bench::sqlite::Connection &connection) {
        bench::sqlite::Statement insert(connection, QStringLiteral("insert into picType values (?, ?)"));
        for (int i = 1; i <= groupCount; ++i) {
            insert.run({qint64(i), QStringLiteral("Group %1: figures after Author et al. (%2)")
                                       .arg(i)
                                       .arg(1950 + bench::spread(i, 0) % 70)
                                       .toUtf8()});
        }
    });
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const int runs = bench::runCount(argc, argv);
    bench::printHeader(QStringLiteral("bench_groups"), runs);
    bench::InstallFolder install(generate);

    fGroup window(install.taprell, install.dialogs);
    window.show();
    bench::paintList(&window);
    bench::Samples loadOurs, loadShell;
    for (int run = 0; run < runs; ++run) {
        loadOurs.append(bench::timeOurs([&] {
            window.setGroup();
            bench::paintList(&window);
        }));
        if (bench::listedRows(&window) != groupCount) {
            qFatal("the window lists %d groups", bench::listedRows(&window));
        }
        loadShell.append(bench::runShell(install.libraryFile, install.dir.path(),
                                         "select grp,grpName from picType order by grp;\n"));
    }
    bench::report(QStringLiteral("groups load"), loadOurs, loadShell);
    bench::printLoad();
    return 0;
}
