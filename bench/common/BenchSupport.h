// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Dialogs.h"
#include "SettingsStore.h"
#include "mTaprell.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariantList>

#include <functional>

// Helpers the benchmarks share: timing, the sqlite3 shell run the same way, the report line.
namespace bench {

// The best of `runs` timings of f, in seconds; prepare() runs untimed before each.
double bestOf(int runs, const std::function<void()> &f, const std::function<void()> &prepare = {});

// Runs the sqlite3 shell on the database with the given input (SQL text), discarding its
// output, and returns the time it took in seconds. Aborts when the shell fails.
double timeShell(const QString &database, const QString &sql);

// "<measure>: ours <s> s, sqlite3 <s> s, ratio <r>"
void report(const QString &measure, double ours, double shell);

// Peak resident memory of this process so far, in MiB.
double peakMemoryMiB();

// Creates a new figure library and runs fill() on a connection of its own, inside one
// transaction, with one prepared insert statement; rows are bound and run through insertRow().
void generateLibrary(const QString &file, const QString &insertSql,
                     const std::function<void(const std::function<void(const QVariantList &)> &insertRow)> &fill);

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
    SettingsStore settings;
    StopOnMessage dialogs;
    mTaprell taprell;
};

} // namespace bench
