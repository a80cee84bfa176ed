// SPDX-License-Identifier: GPL-3.0-or-later
#include "BenchSupport.h"

#include "LibraryFile.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace bench {

double bestOf(int runs, const std::function<void()> &f, const std::function<void()> &prepare)
{
    double best = std::numeric_limits<double>::max();
    for (int i = 0; i < runs; ++i) {
        if (prepare) {
            prepare();
        }
        QElapsedTimer timer;
        timer.start();
        f();
        best = std::min(best, timer.nsecsElapsed() / 1e9);
    }
    return best;
}

double timeShell(const QString &database, const QString &sql)
{
    QProcess shell;
    shell.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    shell.start(QStringLiteral("sqlite3"), {database});
    if (!shell.waitForStarted()) {
        std::fprintf(stderr, "cannot start sqlite3\n");
        std::exit(1);
    }
    shell.write(sql.toUtf8());
    shell.closeWriteChannel();
    shell.waitForFinished(-1);
    const double seconds = timer.nsecsElapsed() / 1e9;
    if (shell.exitCode() != 0) {
        std::fprintf(stderr, "sqlite3 failed: %s\n", shell.readAllStandardError().constData());
        std::exit(1);
    }
    return seconds;
}

void report(const QString &measure, double ours, double shell)
{
    QTextStream(stdout) << measure << ": ours " << QString::number(ours, 'f', 3) << " s, sqlite3 "
                        << QString::number(shell, 'f', 3) << " s, ratio " << QString::number(ours / shell, 'f', 2)
                        << Qt::endl;
}

double peakMemoryMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
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

void generateLibrary(const QString &file, const QString &insertSql,
                     const std::function<void(const std::function<void(const QVariantList &)> &insertRow)> &fill)
{
    if (const Status status = LibraryFile::create(file); !status) {
        qFatal("%s", qPrintable(status.error().details()));
    }
    const QString name = QStringLiteral("generate");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        db.open();
        db.transaction();
        QSqlQuery insert(db);
        insert.prepare(insertSql);
        fill([&](const QVariantList &values) {
            for (int v = 0; v < values.size(); ++v) {
                insert.bindValue(v, values[v]);
            }
            if (!insert.exec()) {
                qFatal("generate: %s", qPrintable(insert.lastError().text()));
            }
        });
        insert.finish();
        db.commit();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

Dialogs::Answer StopOnMessage::show(const Message &message, QWidget *)
{
    std::fprintf(stderr, "%s\n%s\n", qPrintable(message.text), qPrintable(message.details));
    std::exit(1);
}

InstallFolder::InstallFolder(const std::function<void(const QString &libraryFile)> &generate)
    : libraryFile(dir.filePath(QStringLiteral("dbase/system.mdb")))
    , settings(dir.filePath(QStringLiteral("config")))
    , taprell(settings, dialogs)
{
    generate(libraryFile);
    settings.setValue(mTaprell::applicationName, mTaprell::settingsSection, QStringLiteral("Path"), dir.path());
}

} // namespace bench
