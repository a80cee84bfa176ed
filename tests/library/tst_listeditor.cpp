// SPDX-License-Identifier: GPL-3.0-or-later
#include "TempLibrary.h"
#include <library/engine/Conversions.h>
#include <library/lists/ListEditor.h>
#include <library/store/Query.h>
#include <library/store/Stores.h>

#include <QAbstractItemModelTester>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// A small list of its own over the labels of figure N1, written the plain way every list
// writes a row: read the record, refuse it when it changed since loading, set the fields.
// x takes the numeric value of its text; the name is an optional column.
class NoteList : public ListEditor
{
public:
    NoteList(mTaprell &taprell, ListTable::SavedDeletion savedDeletion)
        : ListEditor(taprell, {{{u"ID"_s, u"序号"_s, 540, ValueType::Number},
                                {u"X"_s, u"x"_s, 760, ValueType::NumericValue},
                                {u"Y"_s, u"y"_s, 760, ValueType::Number},
                                {u"Lbl"_s, u"名称"_s, 1900, ValueType::Text, true}},
                               u"ID"_s,
                               u"★"_s,
                               savedDeletion})
    {
    }

    Status load() { return ListEditor::load(store::Labels::list(u"N1"_s)); }
    Status save() { return ListEditor::save(); }
    using ListEditor::setOptionalColumnsUsed;

    // Sets a cell as the window's edit fields would: the row is marked edited.
    void edit(int row, int column, const QString &text)
    {
        model().setCell(row, column, text);
        markEdited(row);
    }
    int append(const QString &x, const QString &y, const QString &name)
    {
        const int row = model().appendRow({{QString(), x, y, name}, RowState::New});
        model().markNew(row, numberText(nextFreeNumber()));
        return row;
    }

    int writes = 0; // rows handed to writeRow

private:
    Status writeRow(int row) override
    {
        ++writes;
        const ListRow &r = model().row(row);
        const QString id = savedKey(row);
        if (r.state == RowState::Deleted) {
            return m_taprell.execute(store::Labels::remove(u"N1"_s, id));
        }
        Query query;
        if (Status opened = m_taprell.openQuery(query, store::Labels::withNumber(u"N1"_s, id)); !opened) {
            return opened;
        }
        if (r.state == RowState::New) {
            query.addNew();
            query.setField(u"th", u"N1"_s);
            query.setField(u"ID", id);
        } else if (query.recordCount() == 0) {
            return LibraryError{.message = u"gone"_s, .statement = query.statement()};
        } else if (const QStringList changed = query.fieldsChangedSince(r.original, recordFields());
                   !changed.isEmpty()) {
            return query.changedElsewhereError(u"note "_s + id, changed);
        }
        for (const Library::FieldText &set : fieldTexts(savedTexts(row))) {
            if (Status status = query.setField(set.field, set.text); !status) {
                return status;
            }
        }
        return query.update();
    }
};

} // namespace

class TestListEditor : public QObject
{
    Q_OBJECT

    std::unique_ptr<TempLibrary> lib;

    QList<QStringList> stored() const
    {
        return lib->rows(u"select ID, X, Y, Lbl from picLable where th = 'N1' order by ID"_s);
    }
    static QStringList numberCells(const NoteList &list)
    {
        QStringList cells;
        for (int row = 0; row < list.model().size(); ++row) {
            cells << list.model().cell(row, 0);
        }
        return cells;
    }

private slots:
    void init()
    {
        lib = std::make_unique<TempLibrary>(TempLibrary::Content::Empty);
        lib->exec(u"insert into picLable (th, ID, X, Y, Lbl) values ('N1', 1, 10, 11, 'one'), ('N1', 2, 20, 21, "
                  u"'two'), ('N1', 3, 30, 31, 'three'), ('N1', 4, 40, 41, 'four'), ('N2', 1, 0, 0, 'other')"_s);
    }
    void cleanup() { lib.reset(); }

    void loadReadsEachColumnsFieldWithKeysAndNoCurrentRow()
    {
        NoteList list(lib->taprell, ListTable::SavedDeletion::StaysMarked);
        QAbstractItemModelTester tester(&list.model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        list.setCurrentRow(0);
        list.setAddMode(true);
        QVERIFY(list.load());
        QCOMPARE(list.model().size(), 4);
        QCOMPARE(QStringList(list.model().row(1).cells.toList()), (QStringList{u"2"_s, u"20"_s, u"21"_s, u"two"_s}));
        QCOMPARE(list.model().row(3).key(), u"4"_s);
        QCOMPARE(list.currentRow(), -1);
        QVERIFY(!list.addMode());
        QCOMPARE(list.column(u"lbl"), 3);
        QCOMPARE(list.headers(), (QStringList{u"序号"_s, u"x"_s, u"y"_s, u"名称"_s}));
        QCOMPARE(list.model().headerData(3, Qt::Horizontal).toString(), u"名称"_s);
        QCOMPARE(list.widthsInTwips(), (QList<int>{540, 760, 760, 1900}));
        QCOMPARE(list.nextFreeNumber(), 5.0);
    }

    void saveStopsAtFirstFailingRow_keepsEarlierRowsAndLaterMarks()
    {
        NoteList list(lib->taprell, ListTable::SavedDeletion::StaysMarked);
        QVERIFY(list.load());
        list.edit(0, 1, u"12*"_s);     // x takes the numeric value of its text
        list.edit(1, 2, u"not a y"_s); // y refuses a text that is no number
        list.edit(2, 3, u"three again"_s);
        list.model().markDeleted(3);
        const Status status = list.save();
        QVERIFY(!status);
        QCOMPARE(status.error().row, 2);
        QCOMPARE(status.error().field, u"Y"_s);
        // Nothing after the failing row was tried. (A server writes the row before it once more,
        // in a new transaction: the failed statement took the first one with it.)
        QCOMPARE(list.writes, TempLibrary::onServer() ? 3 : 2);

        // What a fresh connection finds: the first row written, the rest as they were.
        QCOMPARE(stored(), (QList<QStringList>{{u"1"_s, u"12"_s, u"11"_s, u"one"_s},
                                               {u"2"_s, u"20"_s, u"21"_s, u"two"_s},
                                               {u"3"_s, u"30"_s, u"31"_s, u"three"_s},
                                               {u"4"_s, u"40"_s, u"41"_s, u"four"_s}}));
        QCOMPARE(numberCells(list), (QStringList{u"1"_s, u"2*"_s, u"3*"_s, u"4★"_s}));
        QCOMPARE(list.model().cell(0, 1), u"12*"_s); // the row keeps what the user typed
        QVERIFY(list.hasUnsavedChanges());

        // Mended, the next save carries out the rest, and the first row is not written again.
        list.edit(1, 2, u"22"_s);
        list.writes = 0;
        QVERIFY(list.save());
        QCOMPARE(list.writes, 3);
        QCOMPARE(stored(), (QList<QStringList>{{u"1"_s, u"12"_s, u"11"_s, u"one"_s},
                                               {u"2"_s, u"20"_s, u"22"_s, u"two"_s},
                                               {u"3"_s, u"30"_s, u"31"_s, u"three again"_s}}));
        QCOMPARE(numberCells(list), (QStringList{u"1"_s, u"2"_s, u"3"_s, u"4★"_s}));
        QVERIFY(!list.hasUnsavedChanges());
    }

    void recordChangedElsewhereIsNotOverwritten_errorNamesTheChangedFields()
    {
        NoteList list(lib->taprell, ListTable::SavedDeletion::StaysMarked);
        QVERIFY(list.load());
        list.edit(0, 2, u"99"_s);
        list.edit(1, 2, u"98"_s);
        lib->exec(u"update picLable set X = 15, Lbl = 'changed' where th = 'N1' and ID = 2"_s);
        lib->exec(u"update picLable set Y = 11.0 where th = 'N1' and ID = 1"_s); // the same value: no change
        const Status status = list.save();
        QVERIFY(!status);
        QCOMPARE(status.error().row, 2);
        QCOMPARE(status.error().field, u"X, Lbl"_s);
        QVERIFY(status.error().message.contains(u"X, Lbl"_s));
        QCOMPARE(stored()[0], (QStringList{u"1"_s, u"10"_s, u"99"_s, u"one"_s}));
        QCOMPARE(stored()[1], (QStringList{u"2"_s, u"15"_s, u"21"_s, u"changed"_s}));
        QCOMPARE(numberCells(list).mid(0, 2), (QStringList{u"1"_s, u"2*"_s}));
    }

    void savedRowsTakeTheirKeys_newRowsAreUpdatedNextTime_savedDeletionsStayMarked()
    {
        NoteList list(lib->taprell, ListTable::SavedDeletion::StaysMarked);
        QVERIFY(list.load());
        const int added = list.append(u"50"_s, u"51"_s, u"five"_s);
        QCOMPARE(list.model().cell(added, 0), u"5#"_s);
        list.model().markDeleted(0);
        QVERIFY(list.save());
        QCOMPARE(list.model().row(added).key(), u"5"_s);
        QCOMPARE(list.model().cell(added, 0), u"5"_s);
        QCOMPARE(list.model().cell(0, 0), u"1★"_s);
        QVERIFY(!list.isStored(0));
        QVERIFY(!list.hasUnsavedChanges());

        // The added row is stored now: changing it updates its record rather than adding another.
        list.edit(added, 3, u"five!"_s);
        QCOMPARE(list.model().cell(added, 0), u"5*"_s);
        // A saved deletion taken back adds the label again.
        list.edit(0, 3, u"one again"_s);
        QCOMPARE(list.model().cell(0, 0), u"1#"_s);
        list.writes = 0;
        QVERIFY(list.save());
        QCOMPARE(list.writes, 2);
        QCOMPARE(stored(), (QList<QStringList>{{u"1"_s, u"10"_s, u"11"_s, u"one again"_s},
                                               {u"2"_s, u"20"_s, u"21"_s, u"two"_s},
                                               {u"3"_s, u"30"_s, u"31"_s, u"three"_s},
                                               {u"4"_s, u"40"_s, u"41"_s, u"four"_s},
                                               {u"5"_s, u"50"_s, u"51"_s, u"five!"_s}}));
        QCOMPARE(lib->scalar(u"select count(*) from picLable where th = 'N2'"_s), u"1"_s);
    }

    void deletionsThatLeaveTheListCountOutOfTheFailingRowNumber()
    {
        NoteList list(lib->taprell, ListTable::SavedDeletion::LeavesList);
        QVERIFY(list.load());
        list.setCurrentRow(3);
        list.model().markDeleted(0);
        list.model().markDeleted(1);
        list.edit(2, 3, u"three again"_s);
        list.edit(3, 2, u"bad"_s);
        const Status status = list.save();
        QVERIFY(!status);
        QCOMPARE(status.error().row, 2); // row 4 of the list as it was, row 2 of the list as it is
        QCOMPARE(numberCells(list), (QStringList{u"3"_s, u"4*"_s}));
        QCOMPARE(list.currentRow(), 1); // stays with its row
        QCOMPARE(stored().size(), 2);
        QCOMPARE(stored()[0], (QStringList{u"3"_s, u"30"_s, u"31"_s, u"three again"_s}));
    }

    void fieldEditsReachTheCurrentRowOnlyWhenChangedAndNotWhileAdding()
    {
        NoteList list(lib->taprell, ListTable::SavedDeletion::StaysMarked);
        QVERIFY(list.load());
        list.setSnapshot(1, u"10"_s);
        QVERIFY(!list.commitField(1, u"13"_s)); // no current row: only the snapshot moves
        QCOMPARE(list.snapshot(1), u"13"_s);
        QCOMPARE(list.model().state(0), RowState::Unchanged);

        list.setCurrentRow(0);
        QVERIFY(!list.commitField(1, u"13"_s)); // the text is what the field had
        QVERIFY(list.commitField(1, u"14"_s));
        QCOMPARE(list.model().cell(0, 1), u"14"_s);
        QCOMPARE(list.model().cell(0, 0), u"1*"_s);

        list.setAddMode(true);
        QVERIFY(!list.commitField(2, u"0"_s));
        QCOMPARE(list.model().cell(0, 2), u"11"_s);

        list.setCurrentRow(7);
        QCOMPARE(list.currentRow(), -1);
    }

    void optionalColumnsLeftOutLoadEmptyAndAreNeitherComparedNorWritten()
    {
        NoteList list(lib->taprell, ListTable::SavedDeletion::StaysMarked);
        list.setOptionalColumnsUsed(false);
        QVERIFY(list.load());
        QCOMPARE(list.model().cell(0, 3), QString());
        list.edit(0, 1, u"17"_s);
        lib->exec(u"update picLable set Lbl = 'renamed elsewhere' where th = 'N1' and ID = 1"_s);
        QVERIFY(list.save());
        QCOMPARE(stored()[0], (QStringList{u"1"_s, u"17"_s, u"11"_s, u"renamed elsewhere"_s}));
    }
};

QTEST_GUILESS_MAIN(TestListEditor)
#include "tst_listeditor.moc"
