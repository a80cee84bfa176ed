// SPDX-License-Identifier: GPL-3.0-or-later
#include <platform/SettingsStore.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestSettingsStore : public QObject
{
    Q_OBJECT

private slots:
    void namesMatchWithoutRegardToCase()
    {
        QTemporaryDir dir;
        SettingsStore store(dir.path());
        QVERIFY(store.setValue(QStringLiteral("Venmarod Software"), QStringLiteral("Kalvor"), QStringLiteral("Path"),
                               QStringLiteral("/opt/kalvor suite")));
        QCOMPARE(store.fileName(QStringLiteral("Venmarod software")),
                 dir.filePath(QStringLiteral("venmarod software.ini")));
        QCOMPARE(store.value(QStringLiteral("Venmarod software"), QStringLiteral("KALVOR"), QStringLiteral("path")),
                 QStringLiteral("/opt/kalvor suite"));
        QVERIFY(store.contains(QStringLiteral("venmarod SOFTWARE"), QStringLiteral("kalvor"), QStringLiteral("PATH")));

        // A write under other spellings replaces the existing entry instead of adding a twin.
        QVERIFY(store.setValue(QStringLiteral("venmarod software"), QStringLiteral("KALVOR"), QStringLiteral("PATH"),
                               QStringLiteral("/srv/k")));
        QCOMPARE(store.value(QStringLiteral("Venmarod Software"), QStringLiteral("Kalvor"), QStringLiteral("Path")),
                 QStringLiteral("/srv/k"));
        QFile file(store.fileName(QStringLiteral("Venmarod Software")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        QCOMPARE(text.count("/srv/k"), 1);
        QVERIFY(!text.contains("/opt/kalvor"));
    }

    void missingFileSectionOrKeyGiveEmptyText()
    {
        QTemporaryDir dir;
        SettingsStore store(dir.path());
        QCOMPARE(store.value(QStringLiteral("Venmarod software"), QStringLiteral("Kalvor"), QStringLiteral("Path")),
                 QString());
        QVERIFY(store.setValue(QStringLiteral("Venmarod Software"), QStringLiteral("Kalvor"), QStringLiteral("Ver"),
                               QStringLiteral("2.3")));
        QCOMPARE(store.value(QStringLiteral("Venmarod software"), QStringLiteral("Kalvor"), QStringLiteral("Path")),
                 QString());
        QCOMPARE(store.value(QStringLiteral("Venmarod software"), QStringLiteral("Other"), QStringLiteral("Ver")),
                 QString());
    }

    void handWrittenFileIsRead()
    {
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("venmarod software.ini")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[kalvor]\npath=/home/ana/kalvor\nDataPath=/home/ana/data,2024\n");
        file.close();
        SettingsStore store(dir.path());
        QCOMPARE(store.value(QStringLiteral("Venmarod software"), QStringLiteral("Kalvor"), QStringLiteral("Path")),
                 QStringLiteral("/home/ana/kalvor"));
        QCOMPARE(store.value(QStringLiteral("Venmarod software"), QStringLiteral("Kalvor"), QStringLiteral("DataPath")),
                 QStringLiteral("/home/ana/data,2024"));
    }

    void removeSectionKeepsOtherSectionsAndReportsMissing()
    {
        QTemporaryDir dir;
        SettingsStore store(dir.path());
        const QString app = QStringLiteral("Venmarod Software");
        QCOMPARE(store.removeSection(app, QStringLiteral("Kalvor")), SettingsStore::RemoveResult::Missing);
        QVERIFY(store.setValue(app, QStringLiteral("Kalvor"), QStringLiteral("Path"), QStringLiteral("/k")));
        QVERIFY(
            store.setValue(app, QStringLiteral("GeochemConstant"), QStringLiteral("SiO2"), QStringLiteral("60.08")));
        QCOMPARE(store.removeSection(app, QStringLiteral("KALVOR")), SettingsStore::RemoveResult::Removed);
        QVERIFY(!store.contains(app, QStringLiteral("Kalvor"), QStringLiteral("Path")));
        QCOMPARE(store.value(app, QStringLiteral("GeochemConstant"), QStringLiteral("SiO2")), QStringLiteral("60.08"));
        QCOMPARE(store.removeSection(app, QStringLiteral("Kalvor")), SettingsStore::RemoveResult::Missing);
    }

    void setValuesWritesManyInOneGo_matchingNamesLikeSingleWrites()
    {
        QTemporaryDir dir;
        SettingsStore store(dir.path());
        const QString app = QStringLiteral("Venmarod Software");
        QVERIFY(store.setValue(app, QStringLiteral("GeochemConstant"), QStringLiteral("SiO2"), QStringLiteral("1")));
        QVERIFY(store.setValue(app, QStringLiteral("Other"), QStringLiteral("Kept"), QStringLiteral("yes")));

        QList<SettingsStore::Entry> entries;
        for (int i = 0; i < 5000; ++i) {
            entries.append({QStringLiteral("geochemconstant"), QStringLiteral("C%1").arg(i), QString::number(i)});
        }
        entries.append({QStringLiteral("GEOCHEMCONSTANT"), QStringLiteral("sio2"), QStringLiteral("60.08")});
        entries.append({QStringLiteral("GeochemConstant"), QStringLiteral("c7"), QStringLiteral("seven")});
        entries.append({QStringLiteral("Kalvor"), QStringLiteral("Path"), QStringLiteral("/k, with a comma")});
        QVERIFY(store.setValues(QStringLiteral("venmarod software"), entries));

        QCOMPARE(store.value(app, QStringLiteral("GeochemConstant"), QStringLiteral("SiO2")), QStringLiteral("60.08"));
        QCOMPARE(store.value(app, QStringLiteral("GeochemConstant"), QStringLiteral("C7")), QStringLiteral("seven"));
        QCOMPARE(store.value(app, QStringLiteral("GeochemConstant"), QStringLiteral("C4999")), QStringLiteral("4999"));
        QCOMPARE(store.value(app, QStringLiteral("Kalvor"), QStringLiteral("Path")),
                 QStringLiteral("/k, with a comma"));
        QCOMPARE(store.value(app, QStringLiteral("Other"), QStringLiteral("Kept")), QStringLiteral("yes"));
        // Names already in the file keep their spelling; no twins in other spellings.
        QFile file(store.fileName(app));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        QCOMPARE(text.count("[GeochemConstant]"), 1);
        QVERIFY(!text.contains("[geochemconstant]"));
        QVERIFY(text.contains("\nSiO2=60.08\n"));
        QVERIFY(!text.contains("sio2"));
        QVERIFY(text.contains("\nC7=seven\n"));
        QCOMPARE(text.count("\nC"), 5000);
    }

    void fileWithUnreadableLinesIsWrittenAndItsOldContentKept()
    {
        QTemporaryDir dir;
        SettingsStore store(dir.path());
        const QString app = QStringLiteral("Venmarod Software");
        const QByteArray old = "a note without a key\n[Kalvor]\nPath=/old\n";
        const auto writeOld = [&] {
            QFile file(store.fileName(app));
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(old);
        };
        const auto backup = [&](const QString &suffix) {
            QFile file(store.fileName(app) + suffix);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };

        writeOld();
        QVERIFY(store.setValue(app, QStringLiteral("Kalvor"), QStringLiteral("Ver"), QStringLiteral("2.3")));
        QCOMPARE(store.value(app, QStringLiteral("Kalvor"), QStringLiteral("Ver")), QStringLiteral("2.3"));
        QCOMPARE(store.value(app, QStringLiteral("Kalvor"), QStringLiteral("Path")), QStringLiteral("/old"));
        QCOMPARE(backup(QStringLiteral(".bak")), old);

        // A later backup never replaces an earlier one.
        writeOld();
        QCOMPARE(store.removeSection(app, QStringLiteral("kalvor")), SettingsStore::RemoveResult::Removed);
        QVERIFY(!store.contains(app, QStringLiteral("Kalvor"), QStringLiteral("Path")));
        QCOMPARE(backup(QStringLiteral(".bak.1")), old);
    }

    void unwritableFileIsReportedAsFailed()
    {
        QTemporaryDir dir;
        SettingsStore store(dir.path());
        const QString app = QStringLiteral("Venmarod Software");
        // A folder where the file should be: nothing can write it.
        QVERIFY(QDir().mkpath(store.fileName(app)));
        QVERIFY(!store.setValues(app, {{QStringLiteral("Kalvor"), QStringLiteral("Path"), QStringLiteral("/k")}}));
        QVERIFY(!store.setValue(app, QStringLiteral("Kalvor"), QStringLiteral("Path"), QStringLiteral("/k")));
    }

    void defaultFolderFollowsXdgConfigHome()
    {
        const QByteArray old = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", "/tmp/some-config");
        QCOMPARE(SettingsStore::defaultFolder(), QStringLiteral("/tmp/some-config"));
        qunsetenv("XDG_CONFIG_HOME");
        QVERIFY(SettingsStore::defaultFolder().endsWith(QStringLiteral("/.config")));
        if (!old.isNull()) {
            qputenv("XDG_CONFIG_HOME", old);
        }
    }
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
