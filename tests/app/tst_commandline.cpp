// SPDX-License-Identifier: GPL-3.0-or-later
// The four programs started as a user starts them, with their own command lines: help, version,
// refused arguments, and the English of what the command-line tools print.
#include <library/store/LibraryFile.h>

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

class TestCommandLine : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_library; // the sample library: one point of B001 with line type 7, 10,000 groups
    QString m_runtime; // XDG_RUNTIME_DIR, which Qt wants for a graphical program

    QString home() const { return m_dir.filePath(QStringLiteral("home")); }

private slots:
    void initTestCase()
    {
        m_library = m_dir.filePath(QStringLiteral("suite/dbase/system.mdb"));
        QVERIFY(LibraryFile::createSample(m_library));
        m_runtime = m_dir.filePath(QStringLiteral("runtime"));
        QVERIFY(QDir().mkpath(m_runtime));
        QVERIFY(QFile::setPermissions(m_runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        sqlite3 *db = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(m_library).constData(), &db), SQLITE_OK);
        // A table of exactly 10,000 rows ends on one of the copy's reporting steps.
        const char *sql = "UPDATE pData SET L = 7 WHERE th = 'B001' AND ID = (SELECT min(ID) FROM pData WHERE th = "
                          "'B001');"
                          "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                          "WHERE i < 10000 - (SELECT count(*) FROM picType)) "
                          "INSERT INTO picType SELECT 100000 + i, 'group ' || i FROM n;";
        char *message = nullptr;
        const int code = sqlite3_exec(db, sql, nullptr, nullptr, &message);
        QVERIFY2(code == SQLITE_OK, message);
        sqlite3_close(db);
    }

    void programs_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out"); // a pattern stdout must match
        QTest::addColumn<QString>("err"); // a pattern stderr must match

        const QString usage = QStringLiteral("^(.*\\n)?Usage: ");
        const QList<std::pair<const char *, const char *>> programs = {{"Taprell", TAPRELL_BIN},
                                                                       {"KalvorSetup", KALVORSETUP_BIN},
                                                                       {"taprell-render", RENDER_BIN},
                                                                       {"taprell-plot", PLOT_BIN},
                                                                       {"taprell-library", LIBRARY_BIN}};
        for (const auto &[name, binary] : programs) {
            const QString program = QString::fromUtf8(binary);
            const QString n = QString::fromLatin1(name);
            QTest::addRow("%s --help", name) << program << QStringList{QStringLiteral("--help")} << 0
                                             << QStringLiteral("^Usage: %1 ").arg(n) << QStringLiteral("^$");
            QTest::addRow("%s --version", name)
                << program << QStringList{QStringLiteral("--version")} << 0
                << QStringLiteral("^%1 %2\\n$").arg(n, QRegularExpression::escape(QStringLiteral(TAPRELL_VERSION)))
                << QStringLiteral("^$");
            QTest::addRow("%s unknown option", name)
                << program << QStringList{QStringLiteral("--frobnicate")} << 2 << QStringLiteral("^$") << usage;
            QTest::addRow("%s --version with an unknown option", name)
                << program << QStringList{QStringLiteral("--version"), QStringLiteral("--frobnicate")} << 2
                << QStringLiteral("^$") << usage;
        }
        for (const auto &[name, binary] : programs.mid(0, 2)) {
            QTest::addRow("%s with an argument", name)
                << QString::fromUtf8(binary) << QStringList{QStringLiteral("install")} << 2 << QStringLiteral("^$")
                << usage;
        }
        QTest::newRow("taprell-render: a figure's problem, in English")
            << QString::fromUtf8(RENDER_BIN)
            << QStringList{QStringLiteral("--library"), QStringLiteral("{suite}"), QStringLiteral("B001"),
                           QStringLiteral("-o"), QStringLiteral("{out}/B001.svg")}
            << 0 << QStringLiteral("^$")
            << QStringLiteral("^B001: point \\d+: line type \"7\" is not 0 to 3, drawn solid\\n$");
        QTest::newRow("taprell-library: each progress line once")
            << QString::fromUtf8(LIBRARY_BIN)
            << QStringList{QStringLiteral("copy"), QStringLiteral("{suite}"), QStringLiteral("{out}/copy.mdb")} << 0
            << QStringLiteral("^Copied ") << QStringLiteral("picType: 10,000 of 10,000 rows");
    }

    // Without a display: --help and --version need none, and a refused argument ends before one
    // is looked for. Nothing is written into the account's folders.
    void programs()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);

        QTemporaryDir output;
        for (QString &argument : arguments) {
            argument.replace(QStringLiteral("{suite}"), m_dir.filePath(QStringLiteral("suite")))
                .replace(QStringLiteral("{out}"), output.path());
        }
        QDir(home()).removeRecursively();
        QVERIFY(QDir().mkpath(home()));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
            environment.remove(QString::fromLatin1(name));
        }
        for (const char *name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "windir", "KALVOR_EXCEL_STARTUP",
                                 "KALVOR_EXCEL_DEFAULT_PATH"}) {
            environment.insert(QString::fromLatin1(name), QDir(home()).filePath(QString::fromLatin1(name)));
        }
        environment.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime);
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(program, arguments);
        QVERIFY(process.waitForFinished(60000));
        const QString stdoutText = QString::fromUtf8(process.readAllStandardOutput());
        const QString stderrText = QString::fromUtf8(process.readAllStandardError());
        const QString shown = QStringLiteral("\nstdout: %1\nstderr: %2").arg(stdoutText, stderrText);

        QVERIFY2(process.exitStatus() == QProcess::NormalExit && process.exitCode() == status,
                 qPrintable(QStringLiteral("exit %1").arg(process.exitCode()) + shown));
        QVERIFY2(QRegularExpression(out).match(stdoutText).hasMatch(), qPrintable(shown));
        QVERIFY2(QRegularExpression(err).match(stderrText).hasMatch(), qPrintable(shown));
        QVERIFY2(!QRegularExpression(QStringLiteral("[\\x{3000}-\\x{9fff}\\x{ff00}-\\x{ffef}]"))
                      .match(stdoutText + stderrText)
                      .hasMatch(),
                 qPrintable(QStringLiteral("Chinese text in the output") + shown));
        const QStringList lines = stderrText.split(u'\n', Qt::SkipEmptyParts);
        for (int i = 1; i < lines.size(); ++i) {
            QVERIFY2(lines[i] != lines[i - 1], qPrintable(QStringLiteral("printed twice: ") + lines[i]));
        }
        QVERIFY2(
            QDir(home()).isEmpty(),
            qPrintable(QDir(home()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).join(QStringLiteral(", "))));
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
