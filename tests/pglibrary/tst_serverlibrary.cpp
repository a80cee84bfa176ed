// SPDX-License-Identifier: GPL-3.0-or-later
// A figure library on a server, as a lab shares it: two programs editing it at once, a connection
// that goes away in the middle of a save, a server that cannot be reached, and the statements of
// the file as the server takes them.
#include "LabelEditor.h"
#include "ServerEngine.h"
#include "TempLibrary.h"

using namespace Qt::StringLiterals;

class TestServerLibrary : public QObject
{
    Q_OBJECT

    // Commits an edit of box i in the current row as the label window does.
    static bool edit(LabelEditor &editor, int box, const QString &text)
    {
        const LabelEditor::BoxTexts t = editor.rowTexts(editor.currentRow());
        editor.setSnapshot(box, box == 1 ? t.x : box == 2 ? t.y : t.name);
        return editor.commitField(box, text);
    }

    // The server process behind a library connection, and a way to end it as an administrator would.
    static QString backendOf(mTaprell &taprell)
    {
        Query query;
        if (!taprell.openQuery(query, u"select pg_backend_pid() as pid"_s)) {
            return {};
        }
        return query.text(u"pid");
    }
    static void terminate(const TempLibrary &lib, const QString &backend)
    {
        QCOMPARE(lib.scalar(u"select pg_terminate_backend(%1)"_s.arg(backend)), u"1"_s);
    }

private slots:
    void initTestCase()
    {
        // Every library of this program lives on the test server.
        qputenv("TAPRELL_TEST_LIBRARY", "server");
    }

    void statementsOfTheFileAsTheServerTakesThem_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("server");
        QTest::newRow("parameters") << u"update picType set grpName=? where grp=?"_s
                                    << u"update picType set grpName=$1 where grp=$2"_s;
        // The schema makes figure numbers compare without regard to case: they stay as written.
        QTest::newRow("figure numbers as written")
            << u"select * from pData where Th = ? and ID=?"_s << u"select * from pData where Th = $1 and ID=$2"_s;
        QTest::newRow("quoted texts are left alone")
            << u"select * from picLable where th= 'th = ?' and Lbl = 'where 0'"_s
            << u"select * from picLable where th= 'th = ?' and Lbl = 'where 0'"_s;
        QTest::newRow("a constant condition")
            << u"select * from picMain where 0"_s << u"select * from picMain where false"_s;
        QTest::newRow("the identity an insert gave") << u"INSERT INTO pData (th,ID) VALUES (?,?)"_s
                                                     << u"INSERT INTO pData (th,ID) VALUES ($1,$2) RETURNING rowid"_s;
        QTest::newRow("the last identity") << u"select last_insert_rowid()"_s << u"select lastval()"_s;
    }
    void statementsOfTheFileAsTheServerTakesThem()
    {
        QFETCH(QString, file);
        QFETCH(QString, server);
        QCOMPARE(ServerEngine::inServerDialect(file), server);
    }

    void theLibrarySettingChoosesTheServer()
    {
        REQUIRE_TEST_SERVER();
        TempLibrary lib;
        QCOMPARE(lib.taprell.libraryLocation(), lib.location());
        QVERIFY(lib.taprell.openLibrary());
        QVERIFY(lib.taprell.library().isServer());
        // Without the setting the file under the install path is the library again.
        lib.settings.setValue(u"Venmarod Software"_s, u"Kalvor"_s, u"Library"_s, QString());
        QCOMPARE(lib.taprell.libraryLocation(), lib.libraryFile());
        QVERIFY(lib.taprell.openLibrary());
        QVERIFY(!lib.taprell.library().isServer());
    }

    void anUnreachableServerIsNamedWithoutItsPassword()
    {
        REQUIRE_TEST_SERVER();
        TempLibrary lib;
        const QString unreachable = u"postgresql://lab:s3cret@/figures?host=/nonexistent-taprell-socket"_s;
        lib.settings.setValue(u"Venmarod Software"_s, u"Kalvor"_s, u"Library"_s, unreachable);
        LabelEditor editor(lib.taprell);
        const Status loaded = editor.load(u"B001"_s);
        QVERIFY(!loaded);
        QCOMPARE(editor.model().size(), 0);
        QVERIFY2(loaded.error().message.contains(u"/nonexistent-taprell-socket"_s), qPrintable(loaded.error().message));
        QVERIFY(!loaded.error().details().contains(u"s3cret"_s));
        lib.taprell.libraryProblem(loaded.error(), nullptr);
        QCOMPARE(lib.dialogs.shown.size(), 1);
        QVERIFY(lib.dialogs.shown.first().text.contains(u"/nonexistent-taprell-socket"_s));
        QVERIFY(!lib.dialogs.shown.first().text.contains(u"s3cret"_s));
        QVERIFY(!lib.dialogs.shown.first().details.contains(u"s3cret"_s));
    }

    // Two programs take turns on one label; each save starts from what the other stored, and a
    // save from a list the other has overtaken is refused with the field named, never stored.
    void alternatingSavesOfTwoProgramsLoseNoUpdate()
    {
        REQUIRE_TEST_SERVER();
        TempLibrary lib;
        mTaprell otherProgram(lib.settings, lib.dialogs);
        LabelEditor first(lib.taprell);
        LabelEditor second(otherProgram);
        const auto storedX = [&] {
            return lib.scalar(u"select X from picLable where th = 'B004' and ID = 1"_s).toInt();
        };
        const int start = storedX();
        constexpr int rounds = 500;
        for (int round = 0; round < rounds; ++round) {
            QVERIFY(first.load(u"B004"_s));
            QVERIFY(second.load(u"B004"_s));
            QVERIFY(first.chooseRow(0));
            QVERIFY(edit(first, 1, QString::number(first.rowTexts(0).x.toInt() + 1)));
            QVERIFY(first.save());

            QVERIFY(second.chooseRow(0));
            QVERIFY(edit(second, 1, QString::number(second.rowTexts(0).x.toInt() + 1)));
            const Status refused = second.save();
            QVERIFY(!refused);
            QCOMPARE(refused.error().field, u"X"_s);
            QCOMPARE(second.model().cell(0, 0), u"1*"_s);

            QVERIFY(second.load(u"B004"_s));
            QVERIFY(second.chooseRow(0));
            QVERIFY(edit(second, 1, QString::number(second.rowTexts(0).x.toInt() + 1)));
            QVERIFY(second.save());
        }
        QCOMPARE(storedX(), start + 2 * rounds);
    }

    // The server ends the connection after two rows of a save: the server takes the whole
    // transaction back, so nothing of that save is stored, and the save says so.
    void aConnectionLostDuringASaveLeavesTheLibraryAsBefore()
    {
        REQUIRE_TEST_SERVER();
        TempLibrary lib;
        QVERIFY(lib.taprell.openLibrary());
        Library &library = lib.taprell.library();
        const QString backend = backendOf(lib.taprell);
        QVERIFY(!backend.isEmpty());
        const QList<QStringList> before = lib.rows(u"select grp, grpName from picType order by grp"_s);
        const auto result = library.saveRows(
            4, [](int) { return true; },
            [&](int row) -> Status {
                if (row == 2) {
                    terminate(lib, backend);
                }
                return library.execute(
                    u"update picType set grpName = 'saved %1' where grp = %2"_s.arg(row).arg(row + 1));
            });
        QCOMPARE(result.done, 0);
        QVERIFY(!result.status);
        QCOMPARE(result.status.error().kind, LibraryError::Kind::ConnectionLost);
        QVERIFY(result.status.error().message.contains(u"没有写入"_s));
        QCOMPARE(lib.rows(u"select grp, grpName from picType order by grp"_s), before);
    }

    // The same from the label window: the marks stay, and after the next load (a new connection)
    // the edit can be made and saved.
    void aDroppedConnectionKeepsTheMarksAndTheNextLoadReconnects()
    {
        REQUIRE_TEST_SERVER();
        TempLibrary lib;
        LabelEditor editor(lib.taprell);
        QVERIFY(editor.load(u"B002"_s));
        QVERIFY(editor.chooseRow(1));
        QVERIFY(edit(editor, 3, u"renamed"_s));
        terminate(lib, backendOf(lib.taprell));

        const Status saved = editor.save();
        QVERIFY(!saved);
        QCOMPARE(saved.error().kind, LibraryError::Kind::ConnectionLost);
        QCOMPARE(editor.model().cell(1, 0), u"2*"_s);
        QCOMPARE(editor.model().cell(1, 3), u"renamed"_s);
        QVERIFY(lib.scalar(u"select Lbl from picLable where th = 'B002' and ID = 2"_s) != u"renamed"_s);

        QVERIFY(editor.load(u"B002"_s));
        QVERIFY(editor.chooseRow(1));
        QVERIFY(edit(editor, 3, u"renamed"_s));
        QVERIFY(editor.save());
        QCOMPARE(lib.scalar(u"select Lbl from picLable where th = 'B002' and ID = 2"_s), u"renamed"_s);
    }

    // A save waits for another's save as long as on a file, then says the library is in use.
    void aSaveHeldUpByAnotherSaysTheLibraryIsInUse()
    {
        REQUIRE_TEST_SERVER();
        TempLibrary lib;
        mTaprell otherProgram(lib.settings, lib.dialogs);
        QVERIFY(otherProgram.openLibrary());
        QVERIFY(lib.taprell.openLibrary());
        LabelEditor editor(lib.taprell);
        QVERIFY(editor.load(u"B002"_s));
        QVERIFY(editor.chooseRow(0));
        QVERIFY(edit(editor, 3, u"mine"_s));

        Status inner;
        const auto outer = otherProgram.library().saveRows(
            1, [](int) { return true; },
            [&](int) {
                inner = editor.save();
                return Status();
            });
        QVERIFY(outer.status);
        QVERIFY(!inner);
        QCOMPARE(inner.error().kind, LibraryError::Kind::InUse);
        QCOMPARE(editor.model().cell(0, 0), u"1*"_s);
        QVERIFY(editor.save());
        QCOMPARE(lib.scalar(u"select Lbl from picLable where th = 'B002' and ID = 1"_s), u"mine"_s);
    }
};

QTEST_GUILESS_MAIN(TestServerLibrary)
#include "tst_serverlibrary.moc"
