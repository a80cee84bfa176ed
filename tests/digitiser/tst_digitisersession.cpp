// SPDX-License-Identifier: GPL-3.0-or-later
#include "InMemoryTarget.h"
#include <digitiser/DigitiserSession.h>

#include <QTest>

using namespace Qt::StringLiterals;

// The session against a working copy with the windows' marks: what each action leaves in the
// list, and that undo takes it back.
class TestDigitiserSession : public QObject
{
    Q_OBJECT

    std::unique_ptr<InMemoryTarget> target;
    std::unique_ptr<DigitiserSession> session;
    QString error;

    // 10 pixels per unit, x from pixel 0 = 0, y from pixel 1000 = 0 upwards.
    static Calibration plainCalibration()
    {
        QString error;
        return Calibration::axes({{0, 1000}, 0, 0}, {{1000, 1000}, 100, 0}, {{0, 1000}, 0, 0}, {{0, 0}, 0, 100}, false,
                                 false, &error);
    }
    static QPointF pixelOf(double x, double y) { return {x * 10, 1000 - y * 10}; }

private slots:
    void init()
    {
        target = std::make_unique<InMemoryTarget>();
        target->load({{u"1"_s, u"False"_s, u"10"_s, u"10"_s, u"0"_s}, {u"1"_s, u"False"_s, u"20"_s, u"20"_s, u"1"_s}});
        session = std::make_unique<DigitiserSession>();
        session->setTarget(target.get());
        session->setCalibration(plainCalibration());
        error.clear();
    }
    void cleanup()
    {
        session.reset();
        target.reset();
    }

    void clicks_appendMarkedRows_aNewLineStartingWithLineTypeZero()
    {
        session->lineType = 3;
        QVERIFY(session->appendAt(pixelOf(30.04, 25.3), &error));
        QCOMPARE(target->rows.size(), 3);
        QCOMPARE(target->rows[2].number, 3);
        QCOMPARE(target->rows[2].mark, InMemoryTarget::Mark::New);
        QCOMPARE(target->rows[2].point.x, u"30"_s); // 0.1 per pixel: one decimal
        QCOMPARE(target->rows[2].point.y, u"25.3"_s);
        QCOMPARE(target->rows[2].point.lineType, u"3"_s); // line 1 goes on

        session->series = 2;
        session->curve = true;
        QVERIFY(session->appendAt(pixelOf(50, 50), &error));
        QVERIFY(session->appendAt(pixelOf(60, 40), &error));
        QCOMPARE(target->rows[3].point.series, u"2"_s);
        QCOMPARE(target->rows[3].point.curve, u"True"_s);
        QCOMPARE(target->rows[3].point.lineType, u"0"_s); // first point of line 2
        QCOMPARE(target->rows[4].point.lineType, u"3"_s);
        QCOMPARE(session->undoDepth(), 3);
    }

    void undo_takesBackSeveralStepsInOrder()
    {
        QVERIFY(session->appendAt(pixelOf(30, 30), &error));
        QVERIFY(session->moveTo(0, pixelOf(12, 11), &error));
        QCOMPARE(target->rows[0].mark, InMemoryTarget::Mark::Changed);
        QCOMPARE(target->rows[0].point.x, u"12"_s);
        QVERIFY(session->removePoint(1, &error));
        QCOMPARE(target->rows[1].mark, InMemoryTarget::Mark::Deleted);
        QCOMPARE(target->points().size(), 2);
        QVERIFY(session->placeLabel(pixelOf(40, 40), u"玄武岩\nBasalt"_s, &error));
        QCOMPARE(target->labelRows.last().x, u"40"_s);

        QVERIFY(session->undo(&error));
        QVERIFY(target->labelRows.isEmpty());
        QVERIFY(session->undo(&error));
        QCOMPARE(target->rows[1].mark, InMemoryTarget::Mark::Stored);
        QCOMPARE(target->selected, 1);
        QVERIFY(session->undo(&error));
        QCOMPARE(target->rows[0].point.x, u"10"_s);
        QCOMPARE(target->rows[0].point.y, u"10"_s);
        QVERIFY(session->undo(&error));
        QCOMPARE(target->rows.size(), 2);
        QVERIFY(!session->undo(&error));
        QVERIFY(error.contains(u"没有可以撤销"_s));
    }

    void removingANewPoint_dropsIt_andTheSaveNumbersTheRest()
    {
        QVERIFY(session->appendAt(pixelOf(30, 30), &error));
        QVERIFY(session->removePoint(0, &error));
        QVERIFY(session->removePoint(1, &error)); // the new point, now second
        QCOMPARE(target->rows.size(), 2);
        target->save();
        QCOMPARE(target->rows.size(), 1);
        QCOMPARE(target->rows[0].number, 1);
        QCOMPARE(target->rows[0].point.x, u"20"_s);
        QVERIFY(!session->canUndo()); // the save changed the list under the undo steps
    }

    void anEditElsewhere_forgetsTheUndoSteps_butASelectionDoesNot()
    {
        QVERIFY(session->appendAt(pixelOf(30, 30), &error));
        target->selectPoint(0);
        QVERIFY(session->canUndo());
        target->movePoint(0, u"11"_s, u"11"_s); // as typed into the data window
        QVERIFY(!session->canUndo());
    }

    void paste_appendsAllRowsAsOneStep_orNothing()
    {
        session->series = 4;
        int added = 0;
        QVERIFY(session->paste(u"41\t3\n41\t7\n45\t9.4\t5\t1\t3\n"_s, &added, &error));
        QCOMPARE(added, 3);
        QCOMPARE(target->rows.size(), 5);
        QCOMPARE(target->rows[2].point.series, u"4"_s);
        QCOMPARE(target->rows[2].point.lineType, u"0"_s);
        QCOMPARE(target->rows[3].point.lineType, u"1"_s);
        QCOMPARE(target->rows[4].point.series, u"5"_s);
        QCOMPARE(target->rows[4].point.lineType, u"3"_s);
        QCOMPARE(target->rows[4].point.curve, u"True"_s);
        QCOMPARE(target->rows[4].mark, InMemoryTarget::Mark::New);

        QVERIFY(!session->paste(u"50\t5\n51\tfive\n"_s, &added, &error));
        QCOMPARE(added, 0);
        QVERIFY2(error.contains(u"第 2 行"_s), qPrintable(error));
        QCOMPARE(target->rows.size(), 5);

        QVERIFY(session->undo(&error));
        QCOMPARE(target->rows.size(), 2);
    }

    void withoutAWindowOrCalibration_nothingChanges()
    {
        target->pointsOpen = false;
        QVERIFY(!session->appendAt(pixelOf(30, 30), &error));
        QVERIFY(error.contains(u"图版数据"_s));
        int added = 0;
        QVERIFY(!session->paste(u"1,2"_s, &added, &error));
        target->pointsOpen = true;
        target->labelsOpen = false;
        QVERIFY(!session->placeLabel(pixelOf(1, 1), u"A"_s, &error));
        QVERIFY(error.contains(u"图版标签"_s));
        session->setCalibration(Calibration());
        QVERIFY(!session->appendAt(pixelOf(30, 30), &error));
        QVERIFY(error.contains(u"定标"_s));
        QCOMPARE(target->rows.size(), 2);
        QVERIFY(!session->canUndo());
    }

    void pointNear_findsTheClosestPointWithinTheRadius()
    {
        QCOMPARE(session->pointNear(pixelOf(10.3, 10.2), 6), 0);
        QCOMPARE(session->pointNear(pixelOf(19.8, 20), 6), 1);
        QCOMPARE(session->pointNear(pixelOf(15, 15), 6), -1);
    }
};

QTEST_MAIN(TestDigitiserSession)
#include "tst_digitisersession.moc"
