// SPDX-License-Identifier: GPL-3.0-or-later
#include <widgets/Controls.h>
#include <widgets/FieldBinder.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(FieldBinder::Counted)

class TestFieldBinder : public QObject
{
    Q_OBJECT

    // What the binder reported, as "in 2 text" / "out 2 text".
    QStringList m_seen;
    std::unique_ptr<QWidget> m_window;
    FieldBinder *m_binder = nullptr;
    QLineEdit *m_edit = nullptr;
    QComboBox *m_combo = nullptr;
    QPlainTextEdit *m_area = nullptr;
    QCheckBox *m_check = nullptr;

    void makeWindow(FieldBinder::Counted counted)
    {
        m_seen.clear();
        m_window = std::make_unique<QWidget>();
        m_edit = textBox(m_window.get(), "edit", {0, 0, 80, 20}, u"x"_s);
        m_combo = comboBox(m_window.get(), "combo", {0, 30, 80, 20}, {u"1"_s, u"2"_s});
        m_combo->setEditText(u"2"_s);
        m_area = textArea(m_window.get(), "area", {0, 60, 80, 40}, u"a\nb"_s);
        m_check = checkBox(m_window.get(), "check", u"c"_s, {0, 110, 80, 20});
        m_check->setCheckState(Qt::PartiallyChecked);
        m_binder = new FieldBinder(
            m_window.get(), counted, [this](int i, const QString &text) { m_seen << u"in %1 %2"_s.arg(i).arg(text); },
            [this](int i, const QString &text) { m_seen << u"out %1 %2"_s.arg(i).arg(text); });
        m_binder->bind(m_edit, 1);
        m_binder->bind(m_combo, 2);
        m_binder->bind(m_area, 3);
        m_binder->bind(m_check, 4);
    }

    static void focus(QObject *target, QEvent::Type type, Qt::FocusReason reason)
    {
        QFocusEvent event(type, reason);
        QCoreApplication::sendEvent(target, &event);
    }

private slots:
    void cleanup() { m_window.reset(); }

    void focusChangesTakeSnapshotsAndCommit_asTheWindowCountsThem_data()
    {
        QTest::addColumn<FieldBinder::Counted>("counted");
        QTest::addColumn<Qt::FocusReason>("reason");
        QTest::addColumn<bool>("counts");
        using C = FieldBinder::Counted;
        QTest::newRow("every: click") << C::Every << Qt::MouseFocusReason << true;
        QTest::newRow("every: popup") << C::Every << Qt::PopupFocusReason << true;
        QTest::newRow("every: other window") << C::Every << Qt::ActiveWindowFocusReason << true;
        QTest::newRow("not popups: tab") << C::NotPopups << Qt::TabFocusReason << true;
        QTest::newRow("not popups: popup") << C::NotPopups << Qt::PopupFocusReason << false;
        QTest::newRow("not popups: other window") << C::NotPopups << Qt::ActiveWindowFocusReason << true;
        QTest::newRow("within window: click") << C::WithinWindow << Qt::MouseFocusReason << true;
        QTest::newRow("within window: popup") << C::WithinWindow << Qt::PopupFocusReason << false;
        QTest::newRow("within window: other window") << C::WithinWindow << Qt::ActiveWindowFocusReason << false;
    }
    void focusChangesTakeSnapshotsAndCommit_asTheWindowCountsThem()
    {
        QFETCH(FieldBinder::Counted, counted);
        QFETCH(Qt::FocusReason, reason);
        QFETCH(bool, counts);
        makeWindow(counted);

        focus(m_edit, QEvent::FocusIn, reason);
        focus(m_edit, QEvent::FocusOut, reason);
        // The combo box's own text box is the combo box's field.
        focus(m_combo->lineEdit(), QEvent::FocusOut, reason);
        focus(m_area, QEvent::FocusIn, reason);
        focus(m_check, QEvent::FocusOut, reason);

        const QStringList all = {u"in 1 x"_s, u"out 1 x"_s, u"out 2 2"_s, u"in 3 a\nb"_s, u"out 4 True"_s};
        QCOMPARE(m_seen, counts ? all : QStringList());
    }

    void mapsControlsToFields_andCommitsTheFocusedOne()
    {
        makeWindow(FieldBinder::Counted::WithinWindow);
        QCOMPARE(m_binder->fieldOf(m_combo->lineEdit()), 2);
        QCOMPARE(m_binder->fieldOf(m_window.get()), 0);
        QCOMPARE(m_binder->control(3), m_area);
        QCOMPARE(m_binder->text(4), u"True"_s); // a greyed box goes into its cell as ticked
        m_check->setCheckState(Qt::Unchecked);
        QCOMPARE(m_binder->text(4), u"False"_s);

        m_window->show();
        m_combo->setFocus();
        m_seen.clear();
        m_binder->commitFocused();
        QCOMPARE(m_seen, QStringList{u"out 2 2"_s});
        m_window->setFocus();
        m_binder->commitFocused();
        QCOMPARE(m_seen.size(), 1); // the window itself is no field
    }
};

QTEST_MAIN(TestFieldBinder)
#include "tst_fieldbinder.moc"
