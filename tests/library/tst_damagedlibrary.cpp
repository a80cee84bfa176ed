// SPDX-License-Identifier: GPL-3.0-or-later
// Libraries that another program holds locked, that broke off in the middle of a write, or
// whose file is damaged: each is reported for what it is, and nothing partial is shown.
#include "TempLibrary.h"
#include <catalogue/CatalogueEditor.h>
#include <library/engine/SqliteDatabase.h>
#include <library/store/Stores.h>
#include <widgets/Notices.h>

#include <QFile>
#include <QTest>

#include <chrono>
#include <sqlite3.h>
#include <thread>

namespace {

// A connection of another program, on SQLite's own API.
struct OtherProgram
{
    explicit OtherProgram(const QString &file)
    {
        if (db.open(file, sqlite::Connection::Access::ReadWrite) != SQLITE_OK) {
            qFatal("cannot open the library as another program");
        }
    }
    void run(const char *sql)
    {
        if (db.execute(sql) != SQLITE_OK) {
            qFatal("another program's statement failed: %s", qPrintable(db.errorMessage()));
        }
    }
    sqlite::Connection db;
};

void addFigures(TempLibrary &lib, int count)
{
    lib.exec(QStringLiteral("with recursive n(i) as (select 1 union all select i + 1 from n where i < %1) "
                            "insert into picMain (th, tm, figName, grp, LB, X1, X2) "
                            "select printf('B%05d', i), printf('F%05d', i), printf('Figure %05d %s', i, "
                            "hex(randomblob(40))), 1, 'B', i, i * 2 from n")
                 .arg(count));
}

} // namespace

class TestDamagedLibrary : public QObject
{
    Q_OBJECT

private slots:
    void readErrorPartWayIsAnErrorNotAShorterList()
    {
        TempLibrary lib(TempLibrary::Content::Empty);
        addFigures(lib, 2000);
        const int pageSize = lib.scalar(QStringLiteral("pragma page_size")).toInt();
        const int pages = lib.scalar(QStringLiteral("pragma page_count")).toInt();
        QVERIFY(pages > 20);
        {
            // Zero a page in the middle of the figures, as a failing disk would.
            QFile file(lib.libraryFile());
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.seek(qint64(pages / 2) * pageSize));
            QCOMPARE(file.write(QByteArray(pageSize, '\0')), qint64(pageSize));
        }

        CatalogueEditor editor(lib.taprell);
        const Status loaded = editor.load(FigureKind::Rectangular);
        QVERIFY(!loaded);
        QCOMPARE(loaded.error().kind, LibraryError::Kind::ReadFailed);
        QVERIFY2(loaded.error().engineMessage.contains(QStringLiteral("malformed")),
                 qPrintable(loaded.error().engineMessage));
        QCOMPARE(editor.model().size(), 0); // nothing a save could write from

        // The window shows the error notice, with the engine's words under it.
        libraryProblem(lib.dialogs, loaded.error(), nullptr);
        QCOMPARE(lib.dialogs.shown.last().text, errorNoticeText);
        QVERIFY(lib.dialogs.shown.last().details.contains(QStringLiteral("malformed")));
    }

    void libraryLockedByAnotherProgramIsInUseAndALaterLoadWorks()
    {
        TempLibrary lib;
        OtherProgram other(lib.libraryFile());
        other.run("BEGIN EXCLUSIVE");

        CatalogueEditor editor(lib.taprell);
        const Status locked = editor.load(FigureKind::Rectangular);
        QVERIFY(!locked);
        QCOMPARE(locked.error().kind, LibraryError::Kind::InUse);
        QVERIFY(locked.error().message.contains(QStringLiteral("其他程序使用")));
        QVERIFY(locked.error().message.contains(lib.libraryFile()));
        QVERIFY(!locked.error().message.contains(QStringLiteral("不是图版库")));

        other.run("COMMIT");
        QVERIFY(editor.load(FigureKind::Rectangular));
        QCOMPARE(editor.model().size(), 5);
    }

    void saveWaitsForAShortWriteAndReportsALongOneAsInUse()
    {
        TempLibrary lib;
        QVERIFY(lib.taprell.openLibrary());
        Library &library = lib.taprell.library();
        const auto rename = [&](const QString &name) {
            return library.saveRows(
                1, [](int) { return true; },
                [&](int) {
                    Query query;
                    Status s = query.open(library, store::Groups::name(QStringLiteral("1")));
                    s = s ? query.setField(u"grpName", name) : s;
                    return s ? query.update() : s;
                });
        };

        // Another program writes for a moment: the save waits for it and then goes through.
        std::atomic<bool> started = false;
        std::thread shortWriter([&] {
            OtherProgram other(lib.libraryFile());
            other.run("BEGIN IMMEDIATE");
            started = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            other.run("update picType set grpName = 'theirs' where grp = 2; COMMIT");
        });
        while (!started) {
            std::this_thread::yield();
        }
        const Library::SaveResult waited = rename(QStringLiteral("after the wait"));
        shortWriter.join();
        QVERIFY2(waited.status.ok(), qPrintable(waited.status.ok() ? QString() : waited.status.error().details()));
        QCOMPARE(lib.scalar(QStringLiteral("select grpName from picType where grp = 1")),
                 QStringLiteral("after the wait"));
        QCOMPARE(lib.scalar(QStringLiteral("select grpName from picType where grp = 2")), QStringLiteral("theirs"));

        // A writer that does not let go: the save stops before writing anything and says why.
        OtherProgram other(lib.libraryFile());
        other.run("BEGIN IMMEDIATE");
        const Library::SaveResult refused = rename(QStringLiteral("never"));
        QVERIFY(!refused.status);
        QCOMPARE(refused.done, 0);
        QCOMPARE(refused.status.error().kind, LibraryError::Kind::InUse);
        QVERIFY(refused.status.error().message.contains(QStringLiteral("其他程序使用")));
        other.run("ROLLBACK");
        QCOMPARE(lib.scalar(QStringLiteral("select grpName from picType where grp = 1")),
                 QStringLiteral("after the wait"));
    }

    void leftoverJournalThatCannotBeRolledBackHereIsSaidSo()
    {
        TempLibrary lib;
        addFigures(lib, 300);
        // Copy the library and its journal in the middle of another program's write: the copy
        // looks like a library whose writer died, with a journal that must be rolled back.
        QTemporaryDir copy;
        const QString copied = copy.filePath(QStringLiteral("system.mdb"));
        {
            OtherProgram other(lib.libraryFile());
            other.run("PRAGMA cache_size = 2; BEGIN; update picMain set figName = figName || ' changed'");
            QVERIFY(QFile::exists(lib.libraryFile() + QStringLiteral("-journal")));
            QVERIFY(QFile::copy(lib.libraryFile(), copied));
            QVERIFY(QFile::copy(lib.libraryFile() + QStringLiteral("-journal"), copied + QStringLiteral("-journal")));
            other.run("ROLLBACK");
        }

        Library library;
        const Status opened = library.open(copied, OpenMode::ReadOnly);
        QVERIFY(!opened);
        QVERIFY2(opened.error().message.contains(QStringLiteral("无法恢复")), qPrintable(opened.error().details()));
        QVERIFY(opened.error().message.contains(copied));
        QVERIFY(!opened.error().message.contains(QStringLiteral("不是图版库")));

        // Where it may write, the library rolls the broken write back and opens as it was.
        QVERIFY(library.open(copied));
        Query query;
        store::Operation names;
        names.table = store::Figures::table;
        names.columns = {QStringLiteral("figName")};
        QVERIFY(query.open(library, names));
        QVERIFY(query.recordCount() > 0);
        for (int i = 1; i <= query.recordCount(); ++i) {
            QVERIFY(query.move(i));
            QVERIFY(!query.text(0).endsWith(QStringLiteral(" changed")));
        }
    }
};

QTEST_GUILESS_MAIN(TestDamagedLibrary)
#include "tst_damagedlibrary.moc"
