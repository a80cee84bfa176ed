// SPDX-License-Identifier: GPL-3.0-or-later
#include "SetupFixture.h"
#include <setup/fLanguage.h>

#include <QDate>
#include <QLocale>
#include <QStringEncoder>
#include <QTest>

#include <sys/inotify.h>
#include <unistd.h>

namespace {

const QString today()
{
    return QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat);
}

// Two line breaks: a blank line between the two sentences.
const QString closeExcelText = QStringLiteral("先前的Kalvor未能成功卸载，不能安装新版本\n\n请关闭Excel 后再安装 !  ");

QByteArray encoded(const QString &text, QStringConverter::Encoding encoding,
                   QStringEncoder::Flags flags = QStringEncoder::Flag::WriteBom)
{
    return QStringEncoder(encoding, flags).encode(text);
}

QByteArray gb18030(const QString &text)
{
    QStringEncoder encoder("GB18030");
    return encoder.isValid() ? QByteArray(encoder.encode(text)) : QByteArray();
}

// Counts how often a file in a folder is written (closed after writing, or renamed into place as
// QSettings does), from the kernel's file events.
class WriteCounter
{
public:
    explicit WriteCounter(const QString &folder)
        : m_fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        if (m_fd >= 0) {
            inotify_add_watch(m_fd, QFile::encodeName(folder).constData(), IN_CLOSE_WRITE | IN_MOVED_TO);
        }
    }
    ~WriteCounter()
    {
        if (m_fd >= 0) {
            close(m_fd);
        }
    }
    WriteCounter(const WriteCounter &) = delete;
    WriteCounter &operator=(const WriteCounter &) = delete;

    bool isValid() const { return m_fd >= 0; }
    // Writes of fileName since the last call; -1 when events were lost.
    int writesOf(const QString &fileName)
    {
        int writes = 0;
        alignas(inotify_event) char buffer[64 * 1024];
        for (ssize_t length; (length = read(m_fd, buffer, sizeof buffer)) > 0;) {
            for (char *at = buffer; at < buffer + length;) {
                const auto *event = reinterpret_cast<const inotify_event *>(at);
                if (event->mask & IN_Q_OVERFLOW) {
                    return -1;
                }
                if (event->len > 0 && QFile::decodeName(event->name) == fileName) {
                    ++writes;
                }
                at += sizeof(inotify_event) + event->len;
            }
        }
        return writes;
    }

private:
    int m_fd;
};

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

    // A copy of the installer on the program path: no question, no folder, no setting.
    void startOutsideInstallerFolder_saysSoAndChangesNothing()
    {
        SetupFixture f;
        for (const char *file : {"Kalvor.xl", "Update.txt", "Constant.txt", "Controls/MSCOMCTL.OCX"}) {
            QVERIFY(QFile::remove(QDir(f.installer).filePath(QString::fromLatin1(file))));
        }
        f.write(QStringLiteral("XLSTART/Kalvor.xla"), "add-in workbook, old version");
        QCOMPARE(f.setup().start(), mMain::StartOutcome::Ended);

        QCOMPARE(f.dialogs.shown.size(), 1);
        QCOMPARE(f.dialogs.shown.first().title, QStringLiteral("Kalvor安装"));
        QCOMPARE(f.dialogs.shown.first().icon, Dialogs::Icon::Warning);
        QVERIFY(f.dialogs.shown.first().text.contains(QDir::toNativeSeparators(f.installer)));
        QVERIFY(!f.setup().languageWindow());
        QVERIFY(f.exists(QStringLiteral("XLSTART/Kalvor.xla")));
        QVERIFY(!QFile::exists(f.settings.fileName(mMain::application)));
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

    void install_writesTheSettingsFileTwiceWhateverTheNumberOfConstants()
    {
        SetupFixture f;
        QByteArray file;
        for (int i = 1; i <= 1000; ++i) {
            file += "K" + QByteArray::number(i) + "," + QByteArray::number(i) + ".25\r\n";
        }
        f.write(QStringLiteral("installer/Constant.txt"), file);
        QVERIFY(QDir().mkpath(f.settings.folder()));
        WriteCounter counter(f.settings.folder());
        QVERIFY(counter.isValid());

        QVERIFY(f.setup().install().isEmpty());
        // Section "Kalvor" once, all constants once.
        QCOMPARE(counter.writesOf(QStringLiteral("venmarod software.ini")), 2);
        const QString section = QStringLiteral("GeochemConstant");
        for (const int i : {1, 2, 999, 1000}) {
            QCOMPARE(f.setting(QStringLiteral("k%1").arg(i), section), QStringLiteral("%1.25").arg(i));
        }
        QCOMPARE(f.setting(QStringLiteral("Path")), f.installer);
    }

    void install_writesEachConstantAsTheValueItHolds_data()
    {
        QTest::addColumn<QByteArray>("field");
        QTest::addColumn<QString>("stored");
        QTest::newRow("trailing zero") << QByteArray("1.50") << QStringLiteral("1.5");
        QTest::newRow("whole number with point") << QByteArray("  2.0 ") << QStringLiteral("2");
        QTest::newRow("exponent") << QByteArray("6.02E2") << QStringLiteral("602");
        QTest::newRow("small, no exponent") << QByteArray("1e-7") << QStringLiteral("0.0000001");
        QTest::newRow("sign and bare point") << QByteArray("+.5") << QStringLiteral("0.5");
        QTest::newRow("negative zero") << QByteArray("-0.00") << QStringLiteral("0");
        QTest::newRow("negative") << QByteArray("-12.340") << QStringLiteral("-12.34");
        QTest::newRow("already shortest") << QByteArray("60.08") << QStringLiteral("60.08");
        // Not a number: the text is the value.
        QTest::newRow("quoted number") << QByteArray("\"1.50\"") << QStringLiteral("1.50");
        QTest::newRow("text") << QByteArray("g/mol") << QStringLiteral("g/mol");
        QTest::newRow("number with a tail") << QByteArray("12*") << QStringLiteral("12*");
        QTest::newRow("two points") << QByteArray("1.2.3") << QStringLiteral("1.2.3");
        QTest::newRow("beyond a double") << QByteArray("1e400") << QStringLiteral("1e400");
        QTest::newRow("inf") << QByteArray("inf") << QStringLiteral("inf");
        QTest::newRow("empty") << QByteArray("") << QString();
    }
    void install_writesEachConstantAsTheValueItHolds()
    {
        QFETCH(QByteArray, field);
        QFETCH(QString, stored);
        SetupFixture f;
        f.write(QStringLiteral("installer/Constant.txt"), "Value," + field + "\r\nNext,1\r\n");
        QVERIFY(f.setup().install().isEmpty());
        const QString section = QStringLiteral("GeochemConstant");
        QVERIFY(f.hasSetting(QStringLiteral("Value"), section));
        QCOMPARE(f.setting(QStringLiteral("Value"), section), stored);
        QCOMPARE(f.setting(QStringLiteral("Next"), section), QStringLiteral("1"));
    }

    void install_readsInstallerFilesInTheirEncoding_data()
    {
        const QString constants = QStringLiteral("二氧化硅,60.08\r\n二氧化钛,79.87\r\n\"Fe₂O₃\",159.69\r\n");
        const QString update = QStringLiteral("Ver: 2.3 版\r\n说明\r\n");
        QTest::addColumn<QByteArray>("constantFile");
        QTest::addColumn<QByteArray>("updateFile");
        QTest::newRow("UTF-16LE with mark")
            << encoded(constants, QStringConverter::Utf16LE) << encoded(update, QStringConverter::Utf16LE);
        QTest::newRow("UTF-16BE with mark")
            << encoded(constants, QStringConverter::Utf16BE) << encoded(update, QStringConverter::Utf16BE);
        QTest::newRow("UTF-16LE without mark")
            << encoded(constants, QStringConverter::Utf16LE, {}) << encoded(update, QStringConverter::Utf16LE, {});
        QTest::newRow("UTF-16BE without mark")
            << encoded(constants, QStringConverter::Utf16BE, {}) << encoded(update, QStringConverter::Utf16BE, {});
        QTest::newRow("UTF-8 with mark") << encoded(constants, QStringConverter::Utf8)
                                         << encoded(update, QStringConverter::Utf8);
        QTest::newRow("UTF-8 without mark") << constants.toUtf8() << update.toUtf8();
        QTest::newRow("GB18030 without mark") << gb18030(constants) << gb18030(update);
    }
    void install_readsInstallerFilesInTheirEncoding()
    {
        QFETCH(QByteArray, constantFile);
        QFETCH(QByteArray, updateFile);
        QVERIFY(!constantFile.isEmpty());
        SetupFixture f;
        f.write(QStringLiteral("installer/Constant.txt"), constantFile);
        f.write(QStringLiteral("installer/Update.txt"), updateFile);
        QCOMPARE(f.setup().install(), QStringList());

        const QString section = QStringLiteral("GeochemConstant");
        QCOMPARE(f.setting(QStringLiteral("Ver")), QStringLiteral("2.3 版"));
        QCOMPARE(f.setting(QStringLiteral("二氧化硅"), section), QStringLiteral("60.08"));
        QCOMPARE(f.setting(QStringLiteral("二氧化钛"), section), QStringLiteral("79.87"));
        QCOMPARE(f.setting(QStringLiteral("Fe₂O₃"), section), QStringLiteral("159.69"));
    }

    void install_undecodableInstallerFiles_areListedAndWriteNothing_data()
    {
        QTest::addColumn<QByteArray>("constantFile");
        QTest::addColumn<QByteArray>("updateFile");
        // Valid neither as UTF-8 nor as GB18030; a mark that promises UTF-16 but an odd length.
        QTest::newRow("bad bytes") << QByteArray("SiO2,60.08\r\n\x80\xff,1\r\n") << QByteArray("\xff\xfeV\0e\0r\0", 7);
        // A NUL is never stored; UTF-16 by its NULs but an odd length.
        QTest::newRow("NUL, odd UTF-16") << QByteArray("SiO2,60.08\r\nTi\0O2,79.87\r\n", 24)
                                         << QByteArray("V\0e\0r\0:\0 \0002\0.\0003\0\r", 17);
    }
    void install_undecodableInstallerFiles_areListedAndWriteNothing()
    {
        QFETCH(QByteArray, constantFile);
        QFETCH(QByteArray, updateFile);
        SetupFixture f;
        f.write(QStringLiteral("installer/Constant.txt"), constantFile);
        f.write(QStringLiteral("installer/Update.txt"), updateFile);
        const QStringList failures = f.setup().install();
        QCOMPARE(failures,
                 QStringList({QStringLiteral("读取版本文件 Update.txt"), QStringLiteral("读取常数文件 Constant.txt")}));
        QVERIFY(f.dialogs.shown.first().details.contains(QStringLiteral("Constant.txt")));
        QVERIFY(!f.hasSetting(QStringLiteral("SiO2"), QStringLiteral("GeochemConstant")));
        QCOMPARE(f.setting(QStringLiteral("Ver")), QString());
        QCOMPARE(f.setting(QStringLiteral("Path")), f.installer);
    }

    void install_intoAStoreFileWithUnreadableLines_succeedsAndKeepsTheOldFile()
    {
        SetupFixture f;
        QVERIFY(QDir().mkpath(f.settings.folder()));
        const QByteArray old = "written by hand\n[Kalvor]\nPath=/old\n[Other]\nKept=yes\n";
        f.write(QStringLiteral("config/venmarod software.ini"), old);

        QCOMPARE(f.setup().install(), QStringList());
        QVERIFY(f.dialogs.shown.isEmpty());
        QCOMPARE(f.setting(QStringLiteral("Path")), f.installer);
        QCOMPARE(f.setting(QStringLiteral("Kept"), QStringLiteral("Other")), QStringLiteral("yes"));
        QCOMPARE(f.setting(QStringLiteral("SiO2"), QStringLiteral("GeochemConstant")), QStringLiteral("60.08"));
        QCOMPARE(f.read(QStringLiteral("config/venmarod software.ini.bak")), old);
    }

    void startWithAddIn_storeFileWithUnreadableLines_stillRemovesTheSection()
    {
        SetupFixture f;
        installEarlierVersion(f);
        const QByteArray stored = f.read(QStringLiteral("config/venmarod software.ini"));
        f.write(QStringLiteral("config/venmarod software.ini"), "a line without a key\n" + stored);
        f.dialogs.answers = {Dialogs::Answer::Yes, Dialogs::Answer::Yes};
        QCOMPARE(f.setup().start(), mMain::StartOutcome::LanguageShown);
        QVERIFY(!f.hasSetting(QStringLiteral("Path")));
        QCOMPARE(f.setting(QStringLiteral("SiO2"), QStringLiteral("GeochemConstant")), QStringLiteral("60.08"));
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
