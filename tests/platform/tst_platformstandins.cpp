// SPDX-License-Identifier: GPL-3.0-or-later
#include <platform/FileOperations.h>
#include <platform/ProgramStarter.h>
#include <platform/SpreadsheetApplication.h>
#include <platform/WindowsFolder.h>

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Sets an environment variable for one scope.
class ScopedEnv
{
public:
    ScopedEnv(const char *name, const QByteArray &value)
        : m_name(name)
        , m_old(qgetenv(name))
        , m_had(qEnvironmentVariableIsSet(name))
    {
        value.isNull() ? qunsetenv(name) : qputenv(name, value);
    }
    ~ScopedEnv() { m_had ? qputenv(m_name, m_old) : qunsetenv(m_name); }

private:
    const char *m_name;
    QByteArray m_old;
    bool m_had;
};

} // namespace

class TestPlatformStandIns : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void spreadsheetFoldersFollowTheEnvironment()
    {
        QTemporaryDir dir;
        const QString startup = dir.filePath(QStringLiteral("excel/XLSTART"));
        ScopedEnv a("KALVOR_EXCEL_STARTUP", startup.toUtf8());
        ScopedEnv b("KALVOR_EXCEL_DEFAULT_PATH", dir.filePath(QStringLiteral("docs")).toUtf8());
        ScopedEnv c("KALVOR_EXCEL_UNAVAILABLE", QByteArray("0"));
        EnvironmentSpreadsheetApplication excel;
        SpreadsheetApplication application;
        QString error;
        QVERIFY(excel.get(application, error));
        QCOMPARE(application.startupPath, startup);
        QCOMPARE(application.defaultFilePath, dir.filePath(QStringLiteral("docs")));
        QVERIFY(QFileInfo(startup).isDir());

        ScopedEnv d("KALVOR_EXCEL_UNAVAILABLE", QByteArray("1"));
        QVERIFY(!excel.get(application, error));
        QVERIFY(!error.isEmpty());
    }

    void windowsFolderIsWindirOrAPreparedDefault()
    {
        {
            ScopedEnv windir("windir", QByteArray("/somewhere/windows"));
            QCOMPARE(WindowsFolder::locate(), QStringLiteral("/somewhere/windows"));
        }
        ScopedEnv windir("windir", QByteArray());
        const QString folder = WindowsFolder::locate();
        QCOMPARE(folder, WindowsFolder::defaultPath());
        QVERIFY(folder.endsWith(QStringLiteral("/kalvor/windows")));
        QVERIFY(QFileInfo(QDir(folder).filePath(QStringLiteral("system32"))).isDir());
        QDir(folder).removeRecursively();
    }

    void copyReplacesAndRemoveReportsWhatHappened()
    {
        QTemporaryDir dir;
        const QString from = dir.filePath(QStringLiteral("Kalvor.xl"));
        const QString to = dir.filePath(QStringLiteral("Kalvor.xla"));
        QFile source(from);
        QVERIFY(source.open(QIODevice::WriteOnly));
        source.write("new");
        source.close();
        QFile old(to);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old and longer");
        old.close();

        FileOperations files;
        QVERIFY(files.copy(from, to).ok());
        QFile copied(to);
        QVERIFY(copied.open(QIODevice::ReadOnly));
        QCOMPARE(copied.readAll(), QByteArray("new"));
        QCOMPARE(files.copy(dir.filePath(QStringLiteral("missing")), to).outcome, FileOperations::Outcome::NotFound);
        QCOMPARE(files.copy(from, dir.filePath(QStringLiteral("no folder/x"))).outcome,
                 FileOperations::Outcome::Failed);

        QVERIFY(files.exists(to));
        QVERIFY(files.remove(to).ok());
        QVERIFY(!files.exists(to));
        QCOMPARE(files.remove(to).outcome, FileOperations::Outcome::NotFound);
        QVERIFY(!files.exists(dir.path()));
    }

    void registrationRunsTheSubstituteDetached()
    {
        QTemporaryDir dir;
        const QString script = dir.filePath(QStringLiteral("register.sh"));
        const QString log = dir.filePath(QStringLiteral("log"));
        QFile file(script);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\necho \"$PWD $*\" > \"" + log.toUtf8() + ".tmp\" && mv \"" + log.toUtf8() + ".tmp\" \"" +
                   log.toUtf8() + "\"\n");
        file.close();
        QVERIFY(file.setPermissions(file.permissions() | QFile::ExeOwner));

        ScopedEnv env("KALVOR_REGSVR32", script.toUtf8());
        DetachedProcessStarter starter = DetachedProcessStarter::fromEnvironment();
        QCOMPARE(starter.resolve(QStringLiteral("REGSVR32")), script);
        QCOMPARE(starter.resolve(QStringLiteral("other")), QStringLiteral("other"));
        QVERIFY(starter.startDetached(QStringLiteral("regsvr32"),
                                      {QStringLiteral("/s"), QStringLiteral("MSCOMCTL.OCX")}, dir.path()));
        QTRY_VERIFY(QFile::exists(log));
        QFile result(log);
        QVERIFY(result.open(QIODevice::ReadOnly));
        QCOMPARE(result.readAll().trimmed(), (dir.path() + QStringLiteral(" /s MSCOMCTL.OCX")).toUtf8());

        QVERIFY(
            !DetachedProcessStarter().startDetached(dir.filePath(QStringLiteral("no such program")), {}, dir.path()));
        ScopedEnv unset("KALVOR_REGSVR32", QByteArray());
        QCOMPARE(DetachedProcessStarter::fromEnvironment().resolve(QStringLiteral("regsvr32")), QStringLiteral("true"));
    }
};

QTEST_MAIN(TestPlatformStandIns)
#include "tst_platformstandins.moc"
