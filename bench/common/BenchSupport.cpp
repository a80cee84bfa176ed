// SPDX-License-Identifier: GPL-3.0-or-later
#include "BenchSupport.h"

#include <library/store/LibraryFile.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QCoreApplication>
#include <QFile>
#include <QTextStream>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace bench {

namespace {

double cpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

double seconds(const timeval &time)
{
    return double(time.tv_sec) + double(time.tv_usec) / 1e6;
}

double medianOf(QList<double> values)
{
    if (values.isEmpty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

QString s(double value)
{
    return QString::number(value, 'f', 3);
}

QString r(double value)
{
    return QString::number(value, 'f', 2);
}

QAbstractItemView *listOf(QWidget *window)
{
    auto *list = window->findChild<QAbstractItemView *>();
    if (!list) {
        qFatal("%s has no list", qPrintable(window->objectName()));
    }
    return list;
}

} // namespace

int runCount(int argc, char *argv[])
{
    const int runs = argc > 1 ? std::atoi(argv[1]) : 5;
    if (runs < 1) {
        qFatal("usage: %s [runs]", argv[0]);
    }
    return runs;
}

void printHeader(const QString &program, int runs)
{
    QTextStream(stdout) << program << ": median of " << runs << " runs" << Qt::endl;
    printLoad();
}

void printLoad()
{
    QFile loadavg(QStringLiteral("/proc/loadavg"));
    QByteArray load = "unknown";
    if (loadavg.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> fields = loadavg.readAll().split(' ');
        if (fields.size() >= 3) {
            load = fields[0] + ' ' + fields[1] + ' ' + fields[2];
        }
    }
    QTextStream(stdout) << "load average " << load << " on " << QThread::idealThreadCount() << " cores" << Qt::endl;
}

Timing timeOurs(const std::function<void()> &f)
{
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = cpuSeconds();
    f();
    const double cpu = cpuSeconds() - cpuStart;
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), cpu};
}

ShellRun runProgram(const QList<QByteArray> &arguments, const QByteArray &inputFile)
{
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 0, inputFile.constData(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files, 1, "/dev/null", O_WRONLY, 0);
    QList<char *> argv;
    for (const QByteArray &argument : arguments) {
        argv << const_cast<char *>(argument.constData());
    }
    argv << nullptr;

    ShellRun run;
    run.started = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &files, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&files);
    if (spawned != 0) {
        std::fprintf(stderr, "cannot start %s\n", argv[0]);
        std::exit(1);
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed (input %s)\n", argv[0], inputFile.constData());
        std::exit(1);
    }
    run.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - run.started).count();
    run.cpu = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    return run;
}

QByteArray shellInput(const QString &folder, const QByteArray &sql)
{
    const QString inputName = folder + QStringLiteral("/shell-input.sql");
    QFile input(inputName);
    if (!input.open(QIODevice::WriteOnly | QIODevice::Truncate) || input.write(sql) != sql.size()) {
        qFatal("cannot write %s", qPrintable(inputName));
    }
    return QFile::encodeName(inputName);
}

ShellRun runShell(const QString &database, const QString &folder, const QByteArray &sql)
{
    return runProgram({"sqlite3", "-bail", QFile::encodeName(database)}, shellInput(folder, sql));
}

double shellPeakMemoryMiB(const QString &database, const QString &folder, const QByteArray &sql)
{
    const QByteArray input = shellInput(folder, sql);
    const QByteArray db = QFile::encodeName(database);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 0, input.constData(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files, 1, "/dev/null", O_WRONLY, 0);
    char program[] = "sqlite3";
    char *argv[] = {program, const_cast<char *>(db.constData()), nullptr};
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, program, &files, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&files);
    if (spawned != 0) {
        qFatal("cannot start sqlite3");
    }
    const QString statusFile = QStringLiteral("/proc/%1/status").arg(pid);
    double peak = 0;
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        peak = std::max(peak, residentPeakMiB(statusFile));
        QThread::usleep(200);
    }
    return peak;
}

QByteArray shellScript(const Update &update, const UpdateRows &rows)
{
    const qsizetype setCount = update.set.size();
    QByteArray script = "BEGIN;\n";
    for (const sqlite::Row &row : rows) {
        script += "UPDATE " + update.table.toUtf8() + " SET ";
        for (qsizetype c = 0; c < setCount; ++c) {
            script += (c ? ", " : "") + update.set[c].toUtf8() + '=' + sqlite::literal(row[c]);
        }
        script += " WHERE ";
        for (qsizetype c = 0; c < update.where.size(); ++c) {
            script += (c ? " AND " : "") + update.where[c].toUtf8() + '=' + sqlite::literal(row[setCount + c]);
        }
        script += ";\n";
    }
    script += "COMMIT;\n";
    return script;
}

Timing timeFloor(const QString &database, const Update &update, const UpdateRows &rows)
{
    QStringList set;
    for (const QString &column : update.set) {
        set << column + QStringLiteral("=?");
    }
    QStringList where;
    for (const QString &column : update.where) {
        where << column + QStringLiteral("=?");
    }
    const QString sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                            .arg(update.table, set.join(QStringLiteral(", ")), where.join(QStringLiteral(" AND ")));
    qint64 changed = 0;
    const Timing timing = timeOurs([&] {
        sqlite::Connection connection(database);
        sqlite::Statement statement(connection, sql);
        connection.execute("BEGIN");
        for (const sqlite::Row &row : rows) {
            changed += statement.run(row);
        }
        connection.execute("COMMIT");
    });
    if (changed != rows.size()) {
        qFatal("the floor changed %lld rows of %lld", changed, qint64(rows.size()));
    }
    return timing;
}

double Samples::median() const
{
    QList<double> values;
    for (const Timing &run : m_runs) {
        values << run.wall;
    }
    return medianOf(values);
}

double Samples::cpuMedian() const
{
    QList<double> values;
    for (const Timing &run : m_runs) {
        values << run.cpu;
    }
    return medianOf(values);
}

double Samples::min() const
{
    double least = m_runs.value(0).wall;
    for (const Timing &run : m_runs) {
        least = std::min(least, run.wall);
    }
    return least;
}

double Samples::max() const
{
    double most = 0;
    for (const Timing &run : m_runs) {
        most = std::max(most, run.wall);
    }
    return most;
}

void report(const QString &measure, const Samples &ours, const Samples &shell)
{
    double leastRatio = 1e9;
    double mostRatio = 0;
    for (qsizetype i = 0; i < ours.runs().size() && i < shell.runs().size(); ++i) {
        const double ratio = ours.runs()[i].wall / shell.runs()[i].wall;
        leastRatio = std::min(leastRatio, ratio);
        mostRatio = std::max(mostRatio, ratio);
    }
    QTextStream(stdout) << measure << ": ours " << s(ours.median()) << " s, sqlite3 " << s(shell.median())
                        << " s, ratio " << r(ours.median() / shell.median()) << Qt::endl
                        << "    range: ours " << s(ours.min()) << "-" << s(ours.max()) << " s, sqlite3 "
                        << s(shell.min()) << "-" << s(shell.max()) << " s, ratio " << r(leastRatio) << "-"
                        << r(mostRatio) << "; cpu: ours " << s(ours.cpuMedian()) << " s, sqlite3 "
                        << s(shell.cpuMedian()) << " s, ratio " << r(ours.cpuMedian() / shell.cpuMedian()) << Qt::endl;
}

void reportFloor(const QString &measure, const Samples &floor)
{
    QTextStream(stdout) << measure << " floor: " << s(floor.median()) << " s" << Qt::endl
                        << "    range: " << s(floor.min()) << "-" << s(floor.max())
                        << " s; cpu: " << s(floor.cpuMedian()) << " s" << Qt::endl;
}

double peakMemoryMiB()
{
    return residentPeakMiB(QStringLiteral("/proc/self/status"));
}

double residentPeakMiB(const QString &statusFile)
{
    QFile status(statusFile);
    if (!status.open(QIODevice::ReadOnly)) {
        return 0;
    }
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:")) {
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
        }
    }
    return 0;
}

void paintList(QWidget *window)
{
    QCoreApplication::processEvents();
    listOf(window)->viewport()->repaint();
}

int listedRows(QWidget *window)
{
    return listOf(window)->model()->rowCount();
}

QString listedText(QWidget *window, int row, int column)
{
    const QAbstractItemModel *model = listOf(window)->model();
    return model->data(model->index(row, column)).toString();
}

void click(QWidget *window, const QString &button)
{
    auto *target = window->findChild<QAbstractButton *>(button);
    if (!target) {
        qFatal("%s has no button %s", qPrintable(window->objectName()), qPrintable(button));
    }
    target->click();
}

void generateLibrary(const QString &file, const std::function<void(sqlite::Connection &)> &fill)
{
    if (const Status status = LibraryFile::create(file); !status) {
        qFatal("%s", qPrintable(status.error().details()));
    }
    sqlite::Connection connection(file);
    connection.execute("BEGIN");
    fill(connection);
    connection.execute("COMMIT");
}

Dialogs::Answer StopOnMessage::show(const Message &message, QWidget *)
{
    std::fprintf(stderr, "%s\n%s\n", qPrintable(message.text), qPrintable(message.details));
    std::exit(1);
}

InstallFolder::InstallFolder(const std::function<void(const QString &libraryFile)> &generate)
    : libraryFile(dir.filePath(QStringLiteral("dbase/system.mdb")))
    , settingsFolder(dir.filePath(QStringLiteral("config")))
    , settings(settingsFolder)
    , taprell(settings)
{
    generate(libraryFile);
    // The new file goes to the disk now, so that writing it back does not run beside the measures.
    if (const int fd = ::open(QFile::encodeName(libraryFile).constData(), O_RDONLY); fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
    settings.setValue(mTaprell::applicationName, mTaprell::settingsSection, QStringLiteral("Path"), dir.path());
}

qint64 spread(qint64 i, int column)
{
    return (i * 7919 + qint64(column) * 104729) % 1000003;
}

} // namespace bench
