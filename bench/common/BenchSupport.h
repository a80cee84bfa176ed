// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SqliteDirect.h"
#include <library/state/mTaprell.h>
#include <platform/SettingsStore.h>
#include <widgets/Dialogs.h>

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <chrono>
#include <functional>

class QWidget;

// What the benchmarks share: timing (wall clock and CPU), the sqlite3 shell run on the same work
// in the same run, the floor (the same updates through one prepared statement), medians with
// their range, and the report lines.
//
// Every measure is taken `runs` times, side by side: round r runs ours, then the shell, then the
// floor, so a busy moment of the machine hits all of them. Each measured save writes values that
// differ from the stored ones; a save that writes what is already there is cheaper for SQLite and
// would flatter whoever runs it.
namespace bench {

// The number of runs per measure: the first program argument, 5 without one.
int runCount(int argc, char *argv[]);

// "<program>: <n> runs; load average 1.05 0.80 0.64 on 2 cores" — a busy machine widens the ranges.
void printHeader(const QString &program, int runs);
void printLoad();

struct Timing
{
    double wall = 0; // seconds
    double cpu = 0;  // seconds of user and system time
};

// Wall clock and this process's CPU time of f.
Timing timeOurs(const std::function<void()> &f);

struct ShellRun : Timing
{
    std::chrono::steady_clock::time_point started;
};

// Runs a program (found on the PATH) to its end with its input from the file and its output
// discarded, timed from just before its start. Stops the benchmark when it fails.
ShellRun runProgram(const QList<QByteArray> &arguments, const QByteArray &inputFile = "/dev/null");

// Runs `sqlite3 -bail <database>` with the SQL as its input, its output discarded, from its start
// to its end. The SQL goes to a file in the folder first, so writing it is not timed. Stops the
// benchmark when the shell fails.
ShellRun runShell(const QString &database, const QString &folder, const QByteArray &sql);

// The peak resident memory of the sqlite3 shell running the SQL, in MiB, watched while it runs
// (an untimed run: the kernel's own count for a child includes the memory of this process, which
// it shares until it starts the shell).
double shellPeakMemoryMiB(const QString &database, const QString &folder, const QByteArray &sql);

// One UPDATE statement shape: SET the columns, WHERE the key columns equal the given values.
struct Update
{
    QString table;
    QStringList set;
    QStringList where;
};

// Each row holds the values of `set` followed by those of `where`.
using UpdateRows = QList<sqlite::Row>;

// The shell's input for the updates: one transaction of UPDATE statements with literal values.
QByteArray shellScript(const Update &update, const UpdateRows &rows);

// The floor: the updates through one prepared statement in a loop, in one transaction, on a
// connection of its own (opened and closed within the timing, as the shell does).
Timing timeFloor(const QString &database, const Update &update, const UpdateRows &rows);

class Samples
{
public:
    void append(const Timing &timing) { m_runs.append(timing); }
    double median() const;
    double cpuMedian() const;
    double min() const;
    double max() const;
    const QList<Timing> &runs() const { return m_runs; }

private:
    QList<Timing> m_runs;
};

// "<measure>: ours <s> s, sqlite3 <s> s, ratio <r>" with the medians, then a line with the runs'
// ranges (the ratio's range from the runs taken side by side) and the CPU time medians.
void report(const QString &measure, const Samples &ours, const Samples &shell);
// "<measure> floor: <s> s", then its range and CPU time.
void reportFloor(const QString &measure, const Samples &floor);

// Peak resident memory of this process so far, in MiB.
double peakMemoryMiB();
// The same from a process's status file (/proc/<pid>/status); 0 when it has none.
double residentPeakMiB(const QString &statusFile);

// What a user sees after a list load: the window's pending events handled and its list painted.
void paintList(QWidget *window);
// The rows the window's list shows, and the text of one cell, read through the list itself.
int listedRows(QWidget *window);
QString listedText(QWidget *window, int row, int column);
// A click on the window's button with that object name.
void click(QWidget *window, const QString &button);

// Creates a new figure library and fills it through fill(), inside one transaction.
void generateLibrary(const QString &file, const std::function<void(sqlite::Connection &)> &fill);

// A benchmark has nobody to answer a message box: it stops with the message instead.
class StopOnMessage final : public Dialogs
{
public:
    Answer show(const Message &message, QWidget *parent) override;
};

// A temporary install folder whose settings store points Taprell at it, with the mTaprell the
// windows use. generate() fills the library file before the settings are written.
struct InstallFolder
{
    explicit InstallFolder(const std::function<void(const QString &libraryFile)> &generate);

    QTemporaryDir dir;
    QString libraryFile;
    QString settingsFolder;
    SettingsStore settings;
    StopOnMessage dialogs;
    mTaprell taprell;
};

// A number in [0, 1000003) that differs for every i of one column (1000003 is prime and the
// factor is not a multiple of it), spread so that neighbouring rows do not get neighbouring
// values. Used to give every row numbers of its own.
qint64 spread(qint64 i, int column);

} // namespace bench
