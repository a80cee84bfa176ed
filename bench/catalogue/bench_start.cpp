// SPDX-License-Identifier: GPL-3.0-or-later
// Taprell's start on a library of 100,000 figures, to the first paint of the catalogue's list:
// each run is a new process that starts as the program's main() does, from the moment it is
// started until its list receives its first paint event. The same on an empty library shows
// what the start costs without the list.
#include "BenchSupport.h"
#include "CatalogueData.h"
#include <catalogue/fMain.h>
#include <library/state/mTaprell.h>
#include <library/store/LibraryFile.h>
#include <platform/SettingsStore.h>
#include <platform/Translation.h>
#include <widgets/Dialogs.h>
#include <widgets/ProgramFonts.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QFile>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <ctime>

namespace {

qint64 now()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Notes the time of the first paint event and ends the event loop.
class FirstPaint : public QObject
{
public:
    qint64 at = 0;
    double peakMiB = 0;
    double cpu = 0; // seconds of CPU time the process took until then

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && at == 0) {
            at = now();
            peakMiB = bench::peakMemoryMiB();
            timespec cpuTime{};
            clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpuTime);
            cpu = double(cpuTime.tv_sec) + double(cpuTime.tv_nsec) / 1e9;
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return false;
    }
};

// One start, as main() does it (message boxes stop the run instead of waiting for an answer).
// Writes "<first paint> <main entered>" in steady-clock nanoseconds, then the peak memory in MiB
// and the CPU time in seconds at the first paint, to the result file.
int startOnce(int argc, char *argv[], const QString &resultFile)
{
    const qint64 entered = now();
    QApplication app(argc, argv);
    installChineseQtTexts();
    QApplication::setApplicationName(QStringLiteral("Taprell"));
    installProgramFonts();

    SettingsStore settings;
    bench::StopOnMessage dialogs;
    mTaprell taprell(settings);
    fMain window(taprell, dialogs);
    FirstPaint firstPaint;
    window.findChild<QAbstractItemView *>()->viewport()->installEventFilter(&firstPaint);
    window.show();
    QApplication::exec();

    QFile result(resultFile);
    if (!result.open(QIODevice::WriteOnly) || firstPaint.at == 0) {
        return 1;
    }
    QTextStream(&result) << firstPaint.at << ' ' << entered << ' ' << firstPaint.peakMiB << ' ' << firstPaint.cpu;
    return 0;
}

struct Starts
{
    bench::Samples toPaint;
    bench::Samples inMain;
    bench::Samples shell; // the sqlite3 shell printing the list, a run beside each start
    double peakMiB = 0;
};

// With a list statement, each start is followed by the sqlite3 shell printing that list: a
// reference taken in the same runs, for a machine whose speed changes from minute to minute.
Starts measureStarts(const QByteArray &program, const bench::InstallFolder &install, int runs,
                     const QByteArray &shellList = {})
{
    // The started program finds the library through the settings store, as Taprell does.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(install.settingsFolder));
    const QString resultFile = install.dir.filePath(QStringLiteral("start-result"));
    Starts starts;
    for (int run = 0; run < runs; ++run) {
        QFile::remove(resultFile);
        const bench::ShellRun start = bench::runProgram({program, "--start", QFile::encodeName(resultFile)});
        QFile result(resultFile);
        if (!result.open(QIODevice::ReadOnly)) {
            qFatal("the start wrote no result");
        }
        const QList<QByteArray> times = result.readAll().split(' ');
        const qint64 painted = times.value(0).toLongLong();
        const qint64 entered = times.value(1).toLongLong();
        const qint64 started =
            std::chrono::duration_cast<std::chrono::nanoseconds>(start.started.time_since_epoch()).count();
        starts.toPaint.append({double(painted - started) / 1e9, times.value(3).toDouble()});
        starts.inMain.append({double(painted - entered) / 1e9, 0});
        starts.peakMiB = std::max(starts.peakMiB, times.value(2).toDouble());
        if (!shellList.isEmpty()) {
            starts.shell.append(bench::runShell(install.libraryFile, install.dir.path(), shellList));
        }
    }
    return starts;
}

void reportStarts(const QString &measure, const Starts &starts)
{
    auto s = [](double value) { return QString::number(value, 'f', 3); };
    QTextStream(stdout) << measure << ": " << s(starts.toPaint.median()) << " s" << Qt::endl
                        << "    range: " << s(starts.toPaint.min()) << "-" << s(starts.toPaint.max())
                        << " s; from main(): " << s(starts.inMain.median()) << " s (" << s(starts.inMain.min()) << "-"
                        << s(starts.inMain.max()) << "); cpu to the first paint: " << s(starts.toPaint.cpuMedian())
                        << " s; peak memory at the first paint " << QString::number(starts.peakMiB, 'f', 1) << " MiB"
                        << Qt::endl;
    if (!starts.shell.runs().isEmpty()) {
        QList<double> ratios;
        for (qsizetype run = 0; run < starts.shell.runs().size(); ++run) {
            ratios.append(starts.toPaint.runs()[run].wall / starts.shell.runs()[run].wall);
        }
        std::sort(ratios.begin(), ratios.end());
        QTextStream(stdout) << "    the sqlite3 shell printing the same list, in the same runs: "
                            << s(starts.shell.median()) << " s; start / shell " << s(ratios[ratios.size() / 2]) << " ("
                            << s(ratios.first()) << "-" << s(ratios.last()) << ")" << Qt::endl;
    }
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    if (argc == 3 && qstrcmp(argv[1], "--start") == 0) {
        return startOnce(argc, argv, QFile::decodeName(argv[2]));
    }
    QCoreApplication app(argc, argv);
    const int runs = bench::runCount(argc, argv);
    bench::printHeader(QStringLiteral("bench_start"), runs);
    const QByteArray program = QFile::encodeName(QCoreApplication::applicationFilePath());

    const bench::InstallFolder full(catalogue_data::generate);
    reportStarts(QStringLiteral("start to first paint (100,000 figures)"),
                 measureStarts(program, full, runs, catalogue_data::listStatement));
    const bench::InstallFolder empty([](const QString &file) {
        if (const Status status = LibraryFile::create(file); !status) {
            qFatal("%s", qPrintable(status.error().details()));
        }
    });
    reportStarts(QStringLiteral("start to first paint (no figures)"), measureStarts(program, empty, runs));
    bench::printLoad();
    return 0;
}
