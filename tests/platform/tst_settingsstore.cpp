// SPDX-License-Identifier: GPL-3.0-or-later
#include "SettingsStore.h"

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
