// SPDX-License-Identifier: GPL-3.0-or-later
#include "SetupFixture.h"
#include "fLanguage.h"

#include <QDate>
#include <QLocale>
#include <QTest>

namespace {

const QString today()
{
    return QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat);
}

const QString closeExcelText = QStringLiteral("先前的Kalvor未能成功卸载，不能安装新版本\r\r请关闭Excel 后再安装 !  ");

} // namespace

class TestMMain : public QObject
{
    Q_OBJECT

private:
    // An earlier installation: the add-in, its settings and constants, and a profile file.
    static void installEarlierVersion(SetupFixture &f)
    {
        f.write(QStringLiteral("XLSTART/Kalvor.xla"), "add-in workbook, old version");
        QVERIFY(f.settings.setValue(mMain::application, QStringLiteral("Kalvor"), QStringLiteral("Path"), f.installer));
        QVERIFY(f.settings.setValue(mMain::application, QStringLiteral("GeochemConstant"), QStringLiteral("SiO2"),
                                    QStringLiteral("60.08")));
        f.write(QStringLiteral("windows/QVDProfile.ini"), "[Kalvor]\r\nInstalDate=2020/1/2\r\n");
    }

private slots:
    void startWithoutAddIn_showsLanguageWindowAtOnce()
    {
        SetupFixture f;
        QCOMPARE(f.setup().start(), mMain::StartOutcome::LanguageShown);
        QVERIFY(f.dialogs.shown.isEmpty());
        QVERIFY(f.setup().languageWindow());
        QVERIFY(f.setup().languageWindow()->isVisible());
        QVERIFY(!QFile::exists(f.settings.fileName(mMain::application)));
    }

    void startWithAddIn_answerNo_changesNothing()
    {
        SetupFixture f;
        installEarlierVersion(f);
        f.dialogs.answers = {Dialogs::Answer::No};
        QCOMPARE(f.setup().start(), mMain::StartOutcome::Ended);

        QCOMPARE(f.dialogs.shown.size(), 1);
        const Dialogs::Message &question = f.dialogs.shown.first();
        QCOMPARE(question.title, QStringLiteral(" 卸载 Kalvor "));
        QCOMPARE(question.text, QStringLiteral(" Kalvor 已经安装，是否要卸载？   "));
        QCOMPARE(question.icon, Dialogs::Icon::Warning);
        QCOMPARE(question.buttons, Dialogs::Buttons::YesNo);
        QCOMPARE(f.read(QStringLiteral("XLSTART/Kalvor.xla")), QByteArray("add-in workbook, old version"));
        QCOMPARE(f.setting(QStringLiteral("Path")), f.installer);
        QVERIFY(!f.setup().languageWindow());
    }

    void startWithAddIn_deleteDenied_showsCloseExcelMessage()
    {
        SetupFixture f;
        installEarlierVersion(f);
        f.files.denyRemove.insert(f.addIn());
        f.dialogs.answers = {Dialogs::Answer::Yes, Dialogs::Answer::Yes};
        QCOMPARE(f.setup().start(), mMain::StartOutcome::Ended);

        QCOMPARE(f.dialogs.shown.size(), 2);
        const Dialogs::Message &message = f.dialogs.shown.at(1);
        QCOMPARE(message.title, QStringLiteral("Kalvor安装"));
        QCOMPARE(message.text, closeExcelText);
        QCOMPARE(message.icon, Dialogs::Icon::Warning);
        QCOMPARE(message.buttons, Dialogs::Buttons::Ok);
        QVERIFY(f.exists(QStringLiteral("XLSTART/Kalvor.xla")));
        QCOMPARE(f.setting(QStringLiteral("Path")), f.installer);
        QVERIFY(!f.setup().languageWindow());
    }

    void startWithAddIn_fileSurvivesDelete_showsCloseExcelMessage()
    {
        SetupFixture f;
        installEarlierVersion(f);
        f.files.keepOnRemove.insert(f.addIn());
        f.dialogs.answers = {Dialogs::Answer::Yes, Dialogs::Answer::Yes};
        QCOMPARE(f.setup().start(), mMain::StartOutcome::Ended);
        QCOMPARE(f.dialogs.shown.size(), 2);
        QCOMPARE(f.dialogs.shown.at(1).text, closeExcelText);
        QCOMPARE(f.setting(QStringLiteral("Path")), f.installer);
    }

    void startWithAddIn_yes_removesAddInAndKalvorSection_data()
    {
        QTest::addColumn<Dialogs::Answer>("installNew");
        QTest::addColumn<mMain::StartOutcome>("outcome");
        QTest::newRow("install the new version") << Dialogs::Answer::Yes << mMain::StartOutcome::LanguageShown;
        QTest::newRow("stop after removing") << Dialogs::Answer::No << mMain::StartOutcome::Ended;
    }
    void startWithAddIn_yes_removesAddInAndKalvorSection()
    {
        QFETCH(Dialogs::Answer, installNew);
        QFETCH(mMain::StartOutcome, outcome);
        SetupFixture f;
        installEarlierVersion(f);
        f.dialogs.answers = {Dialogs::Answer::Yes, installNew};
        QCOMPARE(f.setup().start(), outcome);

        QVERIFY(!f.exists(QStringLiteral("XLSTART/Kalvor.xla")));
        QVERIFY(!f.hasSetting(QStringLiteral("Path")));
        QCOMPARE(f.setting(QStringLiteral("SiO2"), QStringLiteral("GeochemConstant")), QStringLiteral("60.08"));
        QVERIFY(f.exists(QStringLiteral("windows/QVDProfile.ini")));
        QCOMPARE(f.dialogs.shown.size(), 2);
        const Dialogs::Message &question = f.dialogs.shown.at(1);
        QCOMPARE(question.title, QStringLiteral("  安装新版Kalvor "));
        QCOMPARE(question.text, QStringLiteral(" 原Kalvor 已经从您的系统中移除！接下来是否安装新版本..."));
        QCOMPARE(question.icon, Dialogs::Icon::Information);
        QCOMPARE(question.buttons, Dialogs::Buttons::YesNo);
        QCOMPARE(f.setup().languageWindow() != nullptr, outcome == mMain::StartOutcome::LanguageShown);
    }

    void startWithAddIn_withoutKalvorSection_stillOffersNewVersion()
    {
        SetupFixture f;
        f.write(QStringLiteral("XLSTART/Kalvor.xla"), "old");
        f.dialogs.answers = {Dialogs::Answer::Yes, Dialogs::Answer::Yes};
        QCOMPARE(f.setup().start(), mMain::StartOutcome::LanguageShown);
        QVERIFY(!f.exists(QStringLiteral("XLSTART/Kalvor.xla")));
        QCOMPARE(f.dialogs.shown.size(), 2);
    }

    void startWithoutExcel_endsSilently()
    {
        SetupFixture f;
        f.write(QStringLiteral("XLSTART/Kalvor.xla"), "old");
        f.excel.available = false;
        QCOMPARE(f.setup().start(), mMain::StartOutcome::Ended);
        QVERIFY(f.dialogs.shown.isEmpty());
        QVERIFY(f.exists(QStringLiteral("XLSTART/Kalvor.xla")));
    }

    void install_writesAddInSettingsProfileAndControl()
    {
        SetupFixture f;
        f.setup().setChosenLanguage(QStringLiteral("English"));
        QVERIFY(f.setup().install().isEmpty());

        QVERIFY(f.dialogs.shown.isEmpty());
        QCOMPARE(f.read(QStringLiteral("XLSTART/Kalvor.xla")), QByteArray("add-in workbook, new version"));
        QCOMPARE(f.setting(QStringLiteral("Date")), today());
        QCOMPARE(f.setting(QStringLiteral("Language")), QStringLiteral("English"));
        QCOMPARE(f.setting(QStringLiteral("DataPath")), f.installer + QStringLiteral("/dbase/UserData.mdb"));
        QCOMPARE(f.setting(QStringLiteral("WorkPath")), f.root.filePath(QStringLiteral("Documents/Kalvor Files")));
        QCOMPARE(f.setting(QStringLiteral("Ver")), QStringLiteral("2.3"));
        QCOMPARE(f.setting(QStringLiteral("Path")), f.installer);
        QVERIFY(!f.exists(QStringLiteral("Documents/Kalvor Files")));
        QCOMPARE(f.read(QStringLiteral("windows/QVDProfile.ini")),
                 QStringLiteral("[Kalvor]\nInstalDate=%1\n").arg(today()).toUtf8());

        // The manager finds the install folder under its own spelling of the application.
        SettingsStore manager(f.settings.folder());
        QCOMPARE(manager.value(QStringLiteral("Venmarod software"), QStringLiteral("Kalvor"), QStringLiteral("Path")),
                 f.installer);

        QCOMPARE(f.read(QStringLiteral("windows/system32/MSCOMCTL.OCX")), QByteArray("list-view control"));
        QCOMPARE(f.programs.calls.size(), 1);
        QCOMPARE(f.programs.calls.first().program, QStringLiteral("regsvr32"));
        QCOMPARE(f.programs.calls.first().arguments,
                 QStringList({QStringLiteral("/s"), QStringLiteral("MSCOMCTL.OCX")}));
        QCOMPARE(f.programs.calls.first().workingDirectory, f.root.filePath(QStringLiteral("windows/system32")));
    }

    void install_laterInstallation_keepsFirstDateAndProfilePaths()
    {
        SetupFixture f;
        const QByteArray profile = "; written by the add-in\r\n[Other]\r\nInstalDate=1999\r\n\r\n"
                                   "[KALVOR]\r\n  workpath = \"/home/ana/kalvor work\" \r\nDataPath=/data/my.mdb\r\n"
                                   "InstalDate=2020/1/2\r\n";
        f.write(QStringLiteral("windows/QVDProfile.ini"), profile);
        QVERIFY(f.setup().install().isEmpty());

        QCOMPARE(f.setting(QStringLiteral("Date")), QStringLiteral("2020/1/2"));
        QCOMPARE(f.setting(QStringLiteral("DataPath")), QStringLiteral("/data/my.mdb"));
        QCOMPARE(f.setting(QStringLiteral("WorkPath")), QStringLiteral("/home/ana/kalvor work"));
        QCOMPARE(f.read(QStringLiteral("windows/QVDProfile.ini")), profile);
    }

    void install_takesVersionFromFirstItemOfUpdate_data()
    {
        QTest::addColumn<QByteArray>("update");
        QTest::addColumn<QString>("version");
        QTest::newRow("version line") << QByteArray("Ver: 2.3\r\nnotes\r\n") << QStringLiteral("2.3");
        QTest::newRow("blanks and a second field") << QByteArray("   Ver: 2.4  , 2024\n") << QStringLiteral("2.4");
        QTest::newRow("quoted with a comma") << QByteArray("\"Ver: 3.0, beta\"\n") << QStringLiteral("3.0, beta");
        QTest::newRow("five characters") << QByteArray("Ver:2\n") << QString();
        QTest::newRow("empty file") << QByteArray() << QString();
    }
    void install_takesVersionFromFirstItemOfUpdate()
    {
        QFETCH(QByteArray, update);
        QFETCH(QString, version);
        SetupFixture f;
        f.write(QStringLiteral("installer/Update.txt"), update);
        QVERIFY(f.setup().install().isEmpty());
        QVERIFY(f.hasSetting(QStringLiteral("Ver")));
        QCOMPARE(f.setting(QStringLiteral("Ver")), version);
    }

    void install_writesEveryConstant_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("count");
        QTest::newRow("none") << QByteArray() << 0;
        QTest::newRow("three, blank line at the end") << QByteArray("SiO2,60.08\nTiO2, 79.87\n\"FeO\",71.84\n\n") << 3;
        QByteArray many;
        for (int i = 1; i <= 150; ++i) {
            many += "C" + QByteArray::number(i) + "," + QByteArray::number(i * 1.5) + "\r\n";
        }
        QTest::newRow("150") << many << 150;
    }
    void install_writesEveryConstant()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, count);
        SetupFixture f;
        f.write(QStringLiteral("installer/Constant.txt"), file);
        QVERIFY(f.setup().install().isEmpty());

        const QString section = QStringLiteral("GeochemConstant");
        if (count == 0) {
            QVERIFY(!f.hasSetting(QStringLiteral("SiO2"), section));
        } else if (count == 3) {
            QCOMPARE(f.setting(QStringLiteral("SiO2"), section), QStringLiteral("60.08"));
            QCOMPARE(f.setting(QStringLiteral("TiO2"), section), QStringLiteral("79.87"));
            QCOMPARE(f.setting(QStringLiteral("FeO"), section), QStringLiteral("71.84"));
            QVERIFY(!f.hasSetting(QString(), section));
        } else {
            for (int i = 1; i <= count; ++i) {
                QCOMPARE(f.setting(QStringLiteral("C%1").arg(i), section), QString::number(i * 1.5));
            }
        }
    }

    void install_controlGoesToSyswow64OnlyWhenItHoldsFiles()
    {
        SetupFixture f;
        QDir(f.windows).mkpath(QStringLiteral("syswow64"));
        QVERIFY(!f.setup().is64Bit());
        f.write(QStringLiteral("windows/syswow64/kernel32.dll"), "x");
        QVERIFY(f.setup().is64Bit());
        QVERIFY(f.setup().install().isEmpty());
        QVERIFY(f.exists(QStringLiteral("windows/syswow64/MSCOMCTL.OCX")));
        QVERIFY(!f.exists(QStringLiteral("windows/system32/MSCOMCTL.OCX")));
        QCOMPARE(f.programs.calls.first().workingDirectory, f.root.filePath(QStringLiteral("windows/syswow64")));
    }

    void install_goesOnPastFailures_andListsThemOnce()
    {
        SetupFixture f;
        QFile::remove(f.root.filePath(QStringLiteral("installer/Constant.txt")));
        QFile::remove(f.root.filePath(QStringLiteral("installer/Update.txt")));
        f.files.failCopyTo.insert(f.root.filePath(QStringLiteral("windows/system32/MSCOMCTL.OCX")));
        f.setup().setChosenLanguage(QStringLiteral("Chinese"));

        const QStringList failures = f.setup().install();
        QCOMPARE(failures.size(), 3);
        QCOMPARE(f.dialogs.shown.size(), 1);
        const Dialogs::Message &message = f.dialogs.shown.first();
        QCOMPARE(message.title, QStringLiteral("Kalvor安装"));
        QCOMPARE(message.icon, Dialogs::Icon::Warning);
        QVERIFY(message.text.startsWith(QStringLiteral("Kalvor 安装未能全部完成")));
        for (const QString &needle :
             {QStringLiteral("Update.txt"), QStringLiteral("Constant.txt"), QStringLiteral("MSCOMCTL.OCX")}) {
            QVERIFY2(message.text.contains(needle), qPrintable(message.text));
        }
        QVERIFY(message.details.contains(QStringLiteral("No space left on device")));
        // The registration needs the copied control; everything else was done.
        QVERIFY(f.programs.calls.isEmpty());
        QCOMPARE(f.setting(QStringLiteral("Ver")), QString());
        QCOMPARE(f.setting(QStringLiteral("Language")), QStringLiteral("Chinese"));
        QCOMPARE(f.setting(QStringLiteral("Path")), f.installer);
        QVERIFY(f.exists(QStringLiteral("XLSTART/Kalvor.xla")));
    }

    void install_whenExcelIsGone_keepsTheFoldersItHad()
    {
        SetupFixture f;
        QCOMPARE(f.setup().start(), mMain::StartOutcome::LanguageShown);
        f.excel.available = false;
        const QStringList failures = f.setup().install();
        QCOMPARE(failures, QStringList({QStringLiteral("连接 Excel")}));
        QVERIFY(f.exists(QStringLiteral("XLSTART/Kalvor.xla")));
        QCOMPARE(f.setting(QStringLiteral("WorkPath")), f.root.filePath(QStringLiteral("Documents/Kalvor Files")));
    }
};

QTEST_MAIN(TestMMain)
#include "tst_mmain.moc"
