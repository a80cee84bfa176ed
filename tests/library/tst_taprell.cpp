// SPDX-License-Identifier: GPL-3.0-or-later
#include "TempLibrary.h"
#include <library/store/Stores.h>

class TestTaprell : public QObject
{
    Q_OBJECT

private slots:
    void findsTheLibraryThroughSettingsWrittenInAnotherCase()
    {
        TempLibrary lib;
        QVERIFY(lib.taprell.openLibrary());
        QCOMPARE(lib.taprell.library().fileName(), lib.libraryFile());
        QVERIFY(lib.taprell.openSharedQuery(store::Groups::all()));
        QCOMPARE(lib.taprell.sharedQuery().recordCount(), 4);
        QCOMPARE(lib.taprell.statementText(), QStringLiteral("select grp,grpName from picType order by grp"));
    }

    void repeatedOpensKeepOneConnection()
    {
        TempLibrary lib;
        const int before = Library::openConnectionCount();
        QVERIFY(lib.taprell.openLibrary());
        QVERIFY(lib.taprell.openLibrary());
        QVERIFY(lib.taprell.openLibrary());
        QCOMPARE(Library::openConnectionCount(), before + 1);
    }

    void missingPathOrFileIsAnErrorThatNamesTheFile()
    {
        TempLibrary lib;
        lib.settings.removeSection(QStringLiteral("Venmarod Software"), QStringLiteral("Kalvor"));
        const Status noPath = lib.taprell.openLibrary();
        QVERIFY(!noPath);
        QVERIFY(noPath.error().message.contains(QStringLiteral("/dbase/system.mdb")));
        QVERIFY(!lib.taprell.library().isOpen());
        QVERIFY(!lib.taprell.execute(store::Figures::remove(QStringLiteral("B001"))));
        QVERIFY(lib.dialogs.shown.isEmpty());

        lib.settings.setValue(QStringLiteral("venmarod software"), QStringLiteral("kalvor"), QStringLiteral("path"),
                              lib.dir.filePath(QStringLiteral("elsewhere")));
        const Status noFile = lib.taprell.openLibrary();
        QVERIFY(!noFile);
        QVERIFY(noFile.error().message.contains(lib.dir.filePath(QStringLiteral("elsewhere/dbase/system.mdb"))));
        QCOMPARE(lib.scalar(QStringLiteral("select count(*) from picMain")), QStringLiteral("6"));
        // An empty file is an empty database to the engine, but no figure library.
        QDir().mkpath(lib.dir.filePath(QStringLiteral("empty/dbase")));
        QFile empty(lib.dir.filePath(QStringLiteral("empty/dbase/system.mdb")));
        QVERIFY(empty.open(QIODevice::WriteOnly));
        empty.close();
        lib.settings.setValue(QStringLiteral("Venmarod Software"), QStringLiteral("Kalvor"), QStringLiteral("Path"),
                              lib.dir.filePath(QStringLiteral("empty")));
        const Status noTables = lib.taprell.openLibrary();
        QVERIFY(!noTables);
        QVERIFY(noTables.error().message.contains(empty.fileName()));
        QVERIFY(!lib.taprell.library().isOpen());
        QCOMPARE(QFileInfo(empty.fileName()).size(), 0);
    }
};

QTEST_MAIN(TestTaprell)
#include "tst_taprell.moc"
