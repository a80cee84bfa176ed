// SPDX-License-Identifier: GPL-3.0-or-later
#include "SetupFixture.h"
#include <platform/ProfileFile.h>
#include <setup/fLanguage.h>

#include <QApplication>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

class TestFLanguage : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SetupFixture> f;
    fLanguage *window = nullptr;

    template <typename T>
    T *control(const char *name)
    {
        return window->findChild<T *>(QString::fromLatin1(name));
    }

private slots:
    void init()
    {
        f = std::make_unique<SetupFixture>();
        QCOMPARE(f->setup().start(), mMain::StartOutcome::LanguageShown);
        window = f->setup().languageWindow();
        QVERIFY(window);
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
    }
    void cleanup()
    {
        window = nullptr;
        f.reset();
    }

    void showsCaptionsListAndDesignedLayout()
    {
        QCOMPARE(window->windowTitle(), QStringLiteral("select Language"));
        QVERIFY(!window->windowIcon().isNull());
        QCOMPARE(window->size(), QSize(244, 113));

        auto *label = control<QLabel>("Label1");
        auto *combo = control<QComboBox>("Combo1");
        auto *ok = control<QPushButton>("cmdOK");
        QVERIFY(label && combo && ok);
        QCOMPARE(label->text(), QStringLiteral("Select Language"));
        QCOMPARE(label->geometry(), QRect(32, 16, 137, 17));
        QCOMPARE(combo->geometry(), QRect(32, 40, 169, 20));
        QCOMPARE(ok->geometry(), QRect(136, 80, 49, 20));
        QCOMPARE(ok->text(), QStringLiteral("OK"));

        QVERIFY(combo->isEditable());
        QCOMPARE(combo->count(), 2);
        QCOMPARE(combo->itemText(0), QStringLiteral("简体中文(Chinese)"));
        QCOMPARE(combo->itemText(1), QStringLiteral("English"));
        QCOMPARE(combo->currentIndex(), 0);
        QCOMPARE(combo->currentText(), QStringLiteral("简体中文(Chinese)"));
        QVERIFY(combo->hasFocus());
        QTest::keyClick(window, Qt::Key_Tab);
        QVERIFY(ok->hasFocus());
    }

    void confirmWithoutTouching_storesChineseAndCloses()
    {
        QTest::mouseClick(control<QPushButton>("cmdOK"), Qt::LeftButton);
        QCOMPARE(f->setting(QStringLiteral("Language")), QStringLiteral("Chinese"));
        QCOMPARE(f->setting(QStringLiteral("Path")), f->installer);
        QVERIFY(!window->isVisible());
        QVERIFY(f->dialogs.shown.isEmpty());
    }

    void chooseSecondItem_storesEnglish()
    {
        auto *combo = control<QComboBox>("Combo1");
        QTest::keyClick(combo, Qt::Key_Down);
        QCOMPARE(combo->currentText(), QStringLiteral("English"));
        QTest::mouseClick(control<QPushButton>("cmdOK"), Qt::LeftButton);
        QCOMPARE(f->setting(QStringLiteral("Language")), QStringLiteral("English"));
    }

    void editedText_storesEmptyLanguage_andStillInstalls()
    {
        auto *combo = control<QComboBox>("Combo1");
        combo->lineEdit()->selectAll();
        QTest::keyClicks(combo->lineEdit(), QStringLiteral("Deutsch"));
        QCOMPARE(combo->currentText(), QStringLiteral("Deutsch"));
        QCOMPARE(combo->count(), 2);
        QCOMPARE(window->listIndex(), -1);
        QTest::mouseClick(control<QPushButton>("cmdOK"), Qt::LeftButton);

        QVERIFY(f->hasSetting(QStringLiteral("Language")));
        QCOMPARE(f->setting(QStringLiteral("Language")), QString());
        QCOMPARE(f->setting(QStringLiteral("Path")), f->installer);
        QVERIFY(f->exists(QStringLiteral("XLSTART/Kalvor.xla")));
    }

    void typedItemText_staysEditedText_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("ending"); // how the typing ends before OK is clicked
        const int clickOk = 0;
        const int enter = 1;
        const int tab = 2;
        QTest::newRow("English, then OK") << QStringLiteral("English") << clickOk;
        QTest::newRow("English, Enter") << QStringLiteral("English") << enter;
        QTest::newRow("English, Tab") << QStringLiteral("English") << tab;
        QTest::newRow("the first item, Enter") << QStringLiteral("简体中文(Chinese)") << enter;
    }
    void typedItemText_staysEditedText()
    {
        QFETCH(QString, typed);
        QFETCH(int, ending);
        auto *combo = control<QComboBox>("Combo1");
        combo->lineEdit()->selectAll();
        if (typed.front().unicode() < 0x80) {
            QTest::keyClicks(combo->lineEdit(), typed);
        } else {
            // Chinese text arrives through the input method as one committed string.
            QInputMethodEvent commit;
            commit.setCommitString(typed);
            QApplication::sendEvent(combo->lineEdit(), &commit);
        }
        if (ending == 1) {
            QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
        } else if (ending == 2) {
            QTest::keyClick(window, Qt::Key_Tab);
            QVERIFY(control<QPushButton>("cmdOK")->hasFocus());
        }
        QCOMPARE(window->listIndex(), -1);
        QTest::mouseClick(control<QPushButton>("cmdOK"), Qt::LeftButton);

        QVERIFY(f->hasSetting(QStringLiteral("Language")));
        QCOMPARE(f->setting(QStringLiteral("Language")), QString());
        QCOMPARE(combo->currentText(), typed);
        QCOMPARE(f->setting(QStringLiteral("Path")), f->installer);
    }

    void choosingAnItemAfterTyping_choosesIt()
    {
        auto *combo = control<QComboBox>("Combo1");
        combo->lineEdit()->selectAll();
        QTest::keyClicks(combo->lineEdit(), QStringLiteral("Deutsch"));
        QCOMPARE(window->listIndex(), -1);
        QTest::keyClick(combo, Qt::Key_Down);
        QCOMPARE(combo->currentText(), QStringLiteral("English"));
        QCOMPARE(window->listIndex(), 1);
        QTest::mouseClick(control<QPushButton>("cmdOK"), Qt::LeftButton);
        QCOMPARE(f->setting(QStringLiteral("Language")), QStringLiteral("English"));
    }

    void closingTheWindow_installsNothing()
    {
        window->close();
        QVERIFY(!window->isVisible());
        QVERIFY(!QFile::exists(f->settings.fileName(mMain::application)));
        QVERIFY(!f->exists(QStringLiteral("XLSTART/Kalvor.xla")));
        QVERIFY(!f->exists(QStringLiteral("windows/QVDProfile.ini")));
        QVERIFY(f->programs.calls.isEmpty());
    }

    void reinstall_removesOldAddInAndKeepsFirstDate()
    {
        QTest::mouseClick(control<QPushButton>("cmdOK"), Qt::LeftButton);
        // Pretend the first installation happened on another day.
        const QString profile = f->root.filePath(QStringLiteral("windows/QVDProfile.ini"));
        QVERIFY(ProfileFile::writeString(QStringLiteral("Kalvor"), QStringLiteral("InstalDate"),
                                         QStringLiteral("2021/3/4"), profile));
        f->write(QStringLiteral("installer/Kalvor.xl"), "add-in workbook, newest version");

        SetupFixture &first = *f;
        mMain second(
            {first.settings, first.dialogs, first.excel, first.files, first.programs, first.windows, first.installer});
        first.dialogs.answers = {Dialogs::Answer::Yes, Dialogs::Answer::Yes};
        QCOMPARE(second.start(), mMain::StartOutcome::LanguageShown);
        QVERIFY(!first.exists(QStringLiteral("XLSTART/Kalvor.xla")));
        QVERIFY(!first.hasSetting(QStringLiteral("Path")));
        QCOMPARE(first.setting(QStringLiteral("SiO2"), QStringLiteral("GeochemConstant")), QStringLiteral("60.08"));

        QTest::mouseClick(second.languageWindow()->findChild<QPushButton *>(QStringLiteral("cmdOK")), Qt::LeftButton);
        QCOMPARE(first.read(QStringLiteral("XLSTART/Kalvor.xla")), QByteArray("add-in workbook, newest version"));
        QCOMPARE(first.setting(QStringLiteral("Date")), QStringLiteral("2021/3/4"));
        QCOMPARE(SettingsStore(first.settings.folder())
                     .value(QStringLiteral("Venmarod software"), QStringLiteral("Kalvor"), QStringLiteral("Path")),
                 first.installer);
    }
};

QTEST_MAIN(TestFLanguage)
#include "tst_flanguage.moc"
