// SPDX-License-Identifier: GPL-3.0-or-later
#include "TempLibrary.h"
#include <library/engine/Conversions.h>
#include <library/store/Query.h>
#include <library/store/Stores.h>

#include <QFile>

#include <clocale>

class TestQuery : public QObject
{
    Q_OBJECT

private slots:
    void readsTypedValuesAsText()
    {
        TempLibrary lib;
        Library library;
        QVERIFY(library.open(lib.location()));
        Query query;
        QVERIFY(query.open(library, store::Figures::ofKind(QStringLiteral("B"))));
        QCOMPARE(query.recordCount(), 5);
        QVERIFY(query.move(3));
        QCOMPARE(query.text(u"th"), QStringLiteral("B003"));
        QCOMPARE(query.text(u"GRP"), QStringLiteral("2"));
        QCOMPARE(query.text(u"X2"), QStringLiteral("2000"));
        QCOMPARE(query.text(u"X6"), QStringLiteral("True"));
        QCOMPARE(query.text(u"specialCase"), QStringLiteral("0"));
        QVERIFY(!query.move(6));
        QVERIFY(!query.move(0));

        QVERIFY(query.open(library, store::Figures::record(QStringLiteral("T001"))));
        QCOMPARE(query.recordCount(), 1);
        QVERIFY(query.isNull(u"X1"));
        QCOMPARE(query.text(u"X1"), QString());
        QVERIFY(!query.isNull(u"tm"));
        QVERIFY(query.fieldIndex(u"nosuchfield") < 0);
    }

    void writesConvertedValuesThatAFreshConnectionSees()
    {
        TempLibrary lib;
        Library library;
        QVERIFY(library.open(lib.location()));
        Query query;
        QVERIFY(query.open(library, store::Figures::record(QStringLiteral("B002"))));
        QVERIFY(query.setField(u"X2", QStringLiteral("82.5")));
        QVERIFY(query.setField(u"X6", QStringLiteral("True")));
        QVERIFY(query.setField(u"Comment", QString()));
        QVERIFY(query.update());
        QCOMPARE(lib.rows(QStringLiteral("select X2, X6, Comment from picMain where th='B002'")).first(),
                 (QStringList{QStringLiteral("82.5"), QStringLiteral("1"), QString()}));
        // The record can be written again after a write.
        QVERIFY(query.setField(u"X2", QStringLiteral("90")));
        QVERIFY(query.update());
        QCOMPARE(lib.scalar(QStringLiteral("select X2 from picMain where th='B002'")), QStringLiteral("90"));
    }

    // A desktop whose locale writes a decimal comma must store the number typed, to the last
    // digit: the C library's own reading stopped at the point there.
    void numbersAreStoredAsTypedUnderADecimalCommaLocale()
    {
        const QByteArray before = setlocale(LC_NUMERIC, nullptr);
        if (!setlocale(LC_NUMERIC, "de_DE.UTF-8")) {
            QSKIP("de_DE.UTF-8 is not installed (scripts/install-deps.sh makes it)");
        }
        TempLibrary lib;
        Library library;
        QVERIFY(library.open(lib.location()));
        Query query;
        QVERIFY(query.open(library, store::Figures::record(QStringLiteral("B002"))));
        QVERIFY(query.setField(u"X2", QStringLiteral("112.648")));
        QVERIFY(query.setField(u"X3", QStringLiteral("1234.56789012345678")));
        QVERIFY(query.setField(u"X4", QStringLiteral("2.5e3")));
        const Status written = query.update();
        setlocale(LC_NUMERIC, before.constData());
        QVERIFY(written);
        QCOMPARE(lib.scalar(QStringLiteral("select X2 = 112.648 and X3 = 1234.56789012345678 and X4 = 2500 "
                                           "from picMain where th='B002'")),
                 QStringLiteral("1"));
    }

    void rejectedTextsFailTheWriteAndNameTheField()
    {
        TempLibrary lib;
        Library library;
        QVERIFY(library.open(lib.location()));
        Query query;
        QVERIFY(query.open(library, store::Figures::record(QStringLiteral("B002"))));
        const Status bad = query.setField(u"X1", QStringLiteral("4O"));
        QVERIFY(!bad);
        QCOMPARE(bad.error().field, QStringLiteral("X1"));
        QVERIFY(!query.setField(u"grp", QStringLiteral("1.5")));
        QVERIFY(!query.setField(u"Vector", QStringLiteral("perhaps")));
        QVERIFY(query.update()); // nothing was accepted, nothing written
        QCOMPARE(lib.scalar(QStringLiteral("select X1 from picMain where th='B002'")), QStringLiteral("45"));
    }

    void optimisticLockingRefusesToOverwriteAnotherProgramsChange()
    {
        TempLibrary lib;
        Library library;
        QVERIFY(library.open(lib.location()));
        Query query;
        QVERIFY(query.open(library, store::Figures::record(QStringLiteral("B001"))));
        lib.exec(QStringLiteral("update picMain set tm = 'changed elsewhere' where th = 'B001'"));
        QVERIFY(query.setField(u"tm", QStringLiteral("mine")));
        const Status status = query.update();
        QVERIFY(!status);
        QVERIFY(!status.error().message.isEmpty());
        QCOMPARE(lib.scalar(QStringLiteral("select tm from picMain where th='B001'")),
                 QStringLiteral("changed elsewhere"));

        QVERIFY(query.open(library, store::Figures::record(QStringLiteral("B003"))));
        lib.exec(QStringLiteral("delete from picMain where th = 'B003'"));
        QVERIFY(query.setField(u"tm", QStringLiteral("mine")));
        QVERIFY(!query.update());
        QCOMPARE(lib.scalar(QStringLiteral("select count(*) from picMain where th='B003'")), QStringLiteral("0"));
    }

    void addNewInsertsAndTheUniqueKeyRefusesATwin()
    {
        TempLibrary lib;
        Library library;
        QVERIFY(library.open(lib.location()));
        const QString number = QStringLiteral("B0'9");
        Query query;
        QVERIFY(query.open(library, store::Figures::record(number)));
        QCOMPARE(query.recordCount(), 0);
        QVERIFY(!query.setField(u"tm", QStringLiteral("x"))); // no record to set a field on
        QVERIFY(!query.update());
        query.addNew();
        for (const auto &[field, value] :
             QList<std::pair<QString, QString>>{{QStringLiteral("th"), number},
                                                {QStringLiteral("tm"), QStringLiteral("O'Neil's plot")},
                                                {QStringLiteral("figName"), QStringLiteral("BP0'9")},
                                                {QStringLiteral("grp"), QStringLiteral("2")},
                                                {QStringLiteral("LB"), QStringLiteral("T")},
                                                {QStringLiteral("Vector"), QStringLiteral("False")},
                                                {QStringLiteral("Bitmap"), QStringLiteral("True")}}) {
            QVERIFY(query.setField(field, value));
        }
        QVERIFY(query.update());
        QCOMPARE(lib.rows(QStringLiteral("select tm, X1 from picMain where th='B0''9'")).first(),
                 (QStringList{QStringLiteral("O'Neil's plot"), QStringLiteral("<null>")}));

        Query twin;
        QVERIFY(twin.open(library, store::Figures::record(QStringLiteral("x"))));
        twin.addNew();
        QVERIFY(twin.setField(u"th", QStringLiteral("b001"))); // figure numbers ignore case
        QVERIFY(twin.setField(u"tm", QStringLiteral("t")));
        QVERIFY(twin.setField(u"figName", QStringLiteral("f")));
        QVERIFY(twin.setField(u"grp", QStringLiteral("1")));
        QVERIFY(twin.setField(u"LB", QStringLiteral("B")));
        const Status refused = twin.update();
        QVERIFY(!refused);
        QVERIFY(refused.error().engineMessage.contains(QStringLiteral("UNIQUE"), Qt::CaseInsensitive));
    }

    void openingNeverCreatesAndExplainsWhy()
    {
        QTemporaryDir dir;
        Library library;
        const QString missing = dir.filePath(QStringLiteral("dbase/system.mdb"));
        const Status status = library.open(missing);
        QVERIFY(!status);
        QVERIFY(status.error().message.contains(missing));
        QVERIFY(!QFile::exists(missing));
        QVERIFY(!library.isOpen());

        const QString garbage = dir.filePath(QStringLiteral("garbage.mdb"));
        QFile file(garbage);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4096, 'x'));
        file.close();
        const Status notDatabase = library.open(garbage);
        QVERIFY(!notDatabase);
        QVERIFY(notDatabase.error().message.contains(garbage));
        QVERIFY(!notDatabase.error().engineMessage.isEmpty());
        QCOMPARE(QFileInfo(garbage).size(), 4096);
    }

    void readOnlyLibraryRefusesWritesAndSaysSo()
    {
        TempLibrary lib;
        Library library;
        QVERIFY(library.open(lib.location(), OpenMode::ReadOnly));
        Query query;
        QVERIFY(query.open(library, store::Figures::record(QStringLiteral("B001"))));
        QVERIFY(query.setField(u"tm", QStringLiteral("new")));
        const Status status = query.update();
        QVERIFY(!status);
        QVERIFY(status.error().cannotWrite());
        QVERIFY(status.error().details().contains(QStringLiteral("只读")));
        const Status deletion = library.execute(store::Figures::remove(QStringLiteral("B001")));
        QVERIFY(!deletion);
        QVERIFY(deletion.error().cannotWrite());
    }

    void saveRowsCommitsRowsBeforeTheFailingOneAndNothingOfIt()
    {
        TempLibrary lib;
        Library library;
        QVERIFY(library.open(lib.location()));
        QList<int> visited;
        const auto result = library.saveRows(
            4, [](int row) { return row != 1; },
            [&](int row) -> Status {
                visited << row;
                Query rename;
                Status s = rename.open(library, store::Groups::name(QString::number(row + 1)));
                s = s ? rename.setField(u"grpName", QStringLiteral("r%1").arg(row)) : s;
                s = s ? rename.update() : s;
                if (!s || row != 2) {
                    return s;
                }
                Query twin;
                s = twin.open(library, store::Groups::record(QStringLiteral("1")));
                twin.addNew();
                s = s ? twin.setField(u"grp", QStringLiteral("1")) : s;
                s = s ? twin.setField(u"grpName", QStringLiteral("twin")) : s;
                return s ? twin.update() : s;
            });
        QCOMPARE(result.done, 2);
        QVERIFY(!result.status);
        // A server takes a failed statement's transaction with it: there the rows before the
        // failing one are written again, in a transaction of their own.
        QCOMPARE(visited, (TempLibrary::onServer() ? QList<int>{0, 2, 0} : QList<int>{0, 2}));
        QVERIFY(result.status.error().engineMessage.contains(QStringLiteral("unique"), Qt::CaseInsensitive));
        const auto names = lib.rows(QStringLiteral("select grpName from picType order by grp"));
        QCOMPARE(names[0].first(), QStringLiteral("r0"));
        QVERIFY(names[2].first() != QStringLiteral("r2")); // the failing row's first statement was undone
        QCOMPARE(names[3].first(), QStringLiteral("铝饱和度 (alumina saturation)"));
    }

    // Each operation reads or deletes the same records on both engines, with its values bound as
    // parameters (quotes and case included), and is known to users by the statement they know.
    void operationsSelectTheSameRecordsOnBothEngines()
    {
        TempLibrary lib;
        lib.exec(QStringLiteral("insert into picLable (th, ID, X, Y, Lbl) values ('O''Hara', 2, 1, 1, 'a'), "
                                "('O''Hara', 2, 2, 2, 'b'), ('O''Hara', 5, 3, 3, 'c')"));
        Library library;
        QVERIFY(library.open(lib.location()));
        const struct
        {
            store::Operation read;
            int records;
            QString firstField; // the first record's first field (after the identity)
            QString notice;
        } reads[] = {
            {store::Figures::ofKind(QStringLiteral("B")), 5, QStringLiteral("B001"),
             QStringLiteral("select * from picMain where LB = 'B' order by figName")},
            {store::Figures::record(QStringLiteral("b003")), 1, QStringLiteral("B003"),
             QStringLiteral("select * from picMain where th= 'b003'")},
            {store::Figures::numbersStartingWith(QStringLiteral("t")), 1, QStringLiteral("T001"), {}},
            {store::Groups::name(QStringLiteral("2")),
             1,
             {},
             QStringLiteral("select grpName from picType where grp = 2")},
            {store::Points::list(QStringLiteral("b001")),
             lib.scalar(QStringLiteral("select count(*) from pData where th = 'B001'")).toInt(), QStringLiteral("1"),
             QStringLiteral("select * from pData where Th = 'b001' order by ID")},
            {store::Labels::withNumber(QStringLiteral("o'hara"), QStringLiteral("2"), true), 2,
             QStringLiteral("o'hara"), QStringLiteral("select * from picLable where th= 'o''hara' and ID=2")},
            {store::Labels::highestNumber(QStringLiteral("O'Hara")), 1, QStringLiteral("5"), {}},
        };
        for (const auto &r : reads) {
            Query query;
            QVERIFY2(query.open(library, r.read), qPrintable(r.read.notice));
            QCOMPARE(query.recordCount(), r.records);
            if (!r.firstField.isEmpty()) {
                QVERIFY(query.move(1));
                QCOMPARE(query.text(0).toLower(), r.firstField.toLower());
            }
            if (!r.notice.isEmpty()) {
                QCOMPARE(query.statement(), r.notice);
            }
        }
        // Of two labels that share a number, only the second goes.
        QVERIFY(library.execute(store::Labels::remove(QStringLiteral("O'HARA"), QStringLiteral("2"), 1)));
        QCOMPARE(lib.rows(QStringLiteral("select Lbl from picLable where th = 'O''Hara' order by ID, Lbl")),
                 (QList<QStringList>{{QStringLiteral("a")}, {QStringLiteral("c")}}));
    }

    void readOnlyQueriesShareTextsAndRefuseWrites()
    {
        TempLibrary lib;
        lib.exec(QStringLiteral("update picMain set Comment = '' where th = 'B001'"));
        Library library;
        QVERIFY(library.open(lib.location()));
        Query query;
        store::Operation everyFigure;
        everyFigure.table = store::Figures::table;
        everyFigure.orderBy = {QStringLiteral("th")};
        QVERIFY(query.open(library, everyFigure, Query::Mode::ReadOnly));
        QCOMPARE(query.recordCount(), 6);
        QCOMPARE(query.text(u"Comment"), QString());
        QVERIFY(!query.isNull(u"Comment")); // an empty text is not "no value"
        QVERIFY(query.move(6));
        QVERIFY(query.isNull(u"X1"));
        QCOMPARE(query.text(u"grp"), QStringLiteral("3"));
        QCOMPARE(query.text(u"Vector"), QStringLiteral("True"));
        QVERIFY(!query.setField(u"tm", QStringLiteral("x")));
        QVERIFY(!query.update());
    }

    void onlyOneConnectionAfterReopening()
    {
        TempLibrary lib;
        const int before = Library::openConnectionCount();
        Library library;
        QVERIFY(library.open(lib.location()));
        Query query;
        QVERIFY(query.open(library, store::Groups::name(QStringLiteral("1"))));
        QVERIFY(library.open(lib.location()));
        QCOMPARE(Library::openConnectionCount(), before + 1);
        // A query read before the reopening cannot write any more.
        QVERIFY(query.setField(u"grpName", QStringLiteral("x")));
        QVERIFY(!query.update());
    }
};

QTEST_GUILESS_MAIN(TestQuery)
#include "tst_query.moc"
