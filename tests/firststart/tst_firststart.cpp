// SPDX-License-Identifier: GPL-3.0-or-later
#include "ScriptedDialogs.h"
#include <catalogue/fMain.h>
#include <firststart/CatalogueStart.h>
#include <firststart/FirstStart.h>
#include <firststart/FolderChooser.h>
#include <library/state/mTaprell.h>
#include <library/store/Library.h>
#include <library/store/LibraryFile.h>
#include <platform/SettingsStore.h>
#include <preview/FigureReader.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// Answers the folder dialog from a list; cancels when it runs out.
class ScriptedFolders final : public FolderChooser
{
public:
    QString chooseFolder(const QString &, const QString &, QWidget *) override
    {
        ++asked;
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }
    QStringList answers;
    int asked = 0;
};

QByteArray fileHash(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

void writeFile(const QString &fileName, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(fileName).absolutePath());
    QFile file(fileName);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

// Every file under a folder, relative to it.
QStringList filesUnder(const QString &folder)
{
    QStringList found;
    const QDir root(folder);
    const QFileInfoList entries = root.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QFileInfo &entry : entries) {
        if (entry.isDir()) {
            for (const QString &inner : filesUnder(entry.filePath())) {
                found << entry.fileName() + u'/' + inner;
            }
        } else {
            found << entry.fileName();
        }
    }
    found.sort();
    return found;
}

} // namespace

class TestFirstStart : public QObject
{
    Q_OBJECT

    // A user account with nothing in it yet: an empty settings folder and data folder.
    struct Account
    {
        Account()
            : settings(dir.filePath(QStringLiteral("config")))
            , taprell(settings)
        {
        }
        QString personal() const { return dir.filePath(QStringLiteral("data/taprell")); }
        QString path() const
        {
            return settings.value(QStringLiteral("venmarod software"), QStringLiteral("kalvor"),
                                  QStringLiteral("path"));
        }
        FirstStart firstStart(const QString &sample = {})
        {
            return FirstStart(taprell, dialogs, settings, folders, {personal(), sample});
        }

        QTemporaryDir dir;
        SettingsStore settings;
        ScriptedDialogs dialogs;
        ScriptedFolders folders;
        mTaprell taprell;
    };

    // A packaged sample install folder: the sample library and two thumbnails.
    static void makeSampleFolder(const QString &folder)
    {
        QVERIFY(LibraryFile::createSample(QDir(folder).filePath(QStringLiteral("dbase/system.mdb"))));
        writeFile(QDir(folder).filePath(QStringLiteral("Diagram/MiniMap/TAS.gif")), "GIF89a tas");
        writeFile(QDir(folder).filePath(QStringLiteral("Diagram/MiniMap/AFM.gif")), "GIF89a afm");
    }

private slots:
    void accepted_afterStartupMessage_createsLibraryWritesPathAndListsSamples()
    {
        Account account;
        account.dialogs.answers = {Dialogs::Answer::Yes};
        FirstStart firstStart = account.firstStart();
        CatalogueStart start(account.taprell, firstStart);
        QSignalSpy answered(&start, &CatalogueStart::offerAnswered);
        start.start();
        QVERIFY(answered.wait(5000));

        QCOMPARE(start.outcome(), FirstStart::Outcome::Created);
        // Today's message about the missing install path comes first, then the offer.
        QVERIFY(account.dialogs.shown.size() >= 2);
        QVERIFY(account.dialogs.shown[0].text.contains(QStringLiteral("设置中没有 Kalvor 的安装路径")));
        QCOMPARE(account.dialogs.shown[1].buttons, Dialogs::Buttons::YesNo);
        QVERIFY(account.dialogs.shown[1].text.contains(QDir::toNativeSeparators(account.personal())));

        QVERIFY(QFileInfo(account.personal() + QStringLiteral("/dbase/system.mdb")).isFile());
        QCOMPARE(account.path(), account.personal());
        QVERIFY(!QFileInfo::exists(account.personal() + QStringLiteral("/dbase/system.mdb.part")));

        // The catalogue now lists the rectangular sample figures, the first one shown.
        fMain *catalogue = start.catalogue();
        QVERIFY(catalogue && catalogue->isVisible());
        QCOMPARE(catalogue->editor().model().size(), 5);
        QCOMPARE(catalogue->findChild<QLineEdit *>(QStringLiteral("tTh"))->text(), QStringLiteral("B001"));
        QCOMPARE(account.taprell.thumbnailFolder(), account.personal() + QStringLiteral("/Diagram/MiniMap/"));
        // Drawn for every figure, as the package's sample comes with them: the first one is shown.
        QVERIFY(!catalogue->findChild<QLabel *>(QStringLiteral("Image1"))->pixmap().isNull());
        Library library;
        QStringList figures;
        QVERIFY(library.open(account.personal() + QStringLiteral("/dbase/system.mdb"), OpenMode::ReadOnly));
        QVERIFY(FigureReader::figureNumbers(library, &figures));
        QCOMPARE(
            QDir(account.personal() + QStringLiteral("/Diagram/MiniMap")).entryList({QStringLiteral("*.gif")}).size(),
            figures.size());
    }

    void accepted_copiesPackagedSampleWithThumbnails_editable()
    {
        Account account;
        const QString sample = account.dir.filePath(QStringLiteral("share/taprell/sample"));
        makeSampleFolder(sample);
        QFile::setPermissions(sample + QStringLiteral("/dbase/system.mdb"), QFile::ReadOwner | QFile::ReadOther);
        account.dialogs.answers = {Dialogs::Answer::Yes};
        FirstStart firstStart = account.firstStart(sample);

        QCOMPARE(firstStart.offer(nullptr), FirstStart::Outcome::Created);
        const QString library = account.personal() + QStringLiteral("/dbase/system.mdb");
        QCOMPARE(fileHash(library), fileHash(sample + QStringLiteral("/dbase/system.mdb")));
        QVERIFY(QFileInfo(library).isWritable());
        QCOMPARE(filesUnder(account.personal()),
                 (QStringList{QStringLiteral("Diagram/MiniMap/AFM.gif"), QStringLiteral("Diagram/MiniMap/TAS.gif"),
                              QStringLiteral("dbase/system.mdb")}));
        QCOMPARE(account.dialogs.shown.last().icon, Dialogs::Icon::Information);
    }

    void declined_writesNothing()
    {
        Account account;
        account.dialogs.answers = {Dialogs::Answer::No, Dialogs::Answer::No};
        FirstStart firstStart = account.firstStart();
        CatalogueStart start(account.taprell, firstStart);
        QSignalSpy answered(&start, &CatalogueStart::offerAnswered);
        start.start();
        QVERIFY(answered.wait(5000));

        QCOMPARE(start.outcome(), FirstStart::Outcome::Declined);
        QCOMPARE(account.dialogs.shown.size(), 3); // today's message and the two questions
        QCOMPARE(account.folders.asked, 0);
        QVERIFY(!QFileInfo::exists(account.dir.filePath(QStringLiteral("config"))));
        QVERIFY(!QFileInfo::exists(account.dir.filePath(QStringLiteral("data"))));
        QCOMPARE(start.catalogue()->editor().model().size(), 0);
    }

    void existingLibrary_neverOverwritten()
    {
        for (const Dialogs::Answer useIt : {Dialogs::Answer::Yes, Dialogs::Answer::No}) {
            Account account;
            const QString sample = account.dir.filePath(QStringLiteral("sample"));
            makeSampleFolder(sample);
            const QString library = account.personal() + QStringLiteral("/dbase/system.mdb");
            QVERIFY(LibraryFile::create(library)); // the user's own, with no figures
            writeFile(account.personal() + QStringLiteral("/Diagram/MiniMap/TAS.gif"), "the user's own");
            const QByteArray before = fileHash(library);
            account.dialogs.answers = {Dialogs::Answer::Yes, useIt};

            const FirstStart::Outcome outcome = account.firstStart(sample).offer(nullptr);

            QCOMPARE(fileHash(library), before);
            QCOMPARE(fileHash(account.personal() + QStringLiteral("/Diagram/MiniMap/TAS.gif")),
                     QCryptographicHash::hash("the user's own", QCryptographicHash::Sha256));
            QVERIFY(!QFileInfo::exists(account.personal() + QStringLiteral("/Diagram/MiniMap/AFM.gif")));
            QVERIFY(account.dialogs.shown.last().text.contains(QStringLiteral("不会被覆盖")));
            if (useIt == Dialogs::Answer::Yes) {
                QCOMPARE(outcome, FirstStart::Outcome::UsedExisting);
                QCOMPARE(account.path(), account.personal());
            } else {
                QCOMPARE(outcome, FirstStart::Outcome::Declined);
                QVERIFY(!QFileInfo::exists(account.dir.filePath(QStringLiteral("config"))));
            }
        }
    }

    void chooseFolder_withoutLibrary_warnsAndAsksAgain_cancelWritesNothing()
    {
        Account account;
        const QString empty = account.dir.filePath(QStringLiteral("empty"));
        QDir().mkpath(empty);
        account.dialogs.answers = {Dialogs::Answer::No, Dialogs::Answer::Yes};
        account.folders.answers = {empty};

        QCOMPARE(account.firstStart().offer(nullptr), FirstStart::Outcome::Declined);
        QCOMPARE(account.folders.asked, 2);
        QCOMPARE(account.dialogs.shown.last().icon, Dialogs::Icon::Warning);
        QVERIFY(account.dialogs.shown.last().text.contains(QStringLiteral("dbase/system.mdb")));
        QVERIFY(!QFileInfo::exists(account.dir.filePath(QStringLiteral("config"))));
    }

    void chooseFolder_withLibrary_writesItsPathAndListsItsFigures()
    {
        Account account;
        const QString suite = account.dir.filePath(QStringLiteral("kalvor"));
        QVERIFY(LibraryFile::createSample(suite + QStringLiteral("/dbase/system.mdb")));
        const QByteArray before = fileHash(suite + QStringLiteral("/dbase/system.mdb"));
        account.dialogs.answers = {Dialogs::Answer::No, Dialogs::Answer::Yes};
        account.folders.answers = {suite + QStringLiteral("/")};
        FirstStart firstStart = account.firstStart();
        CatalogueStart start(account.taprell, firstStart);
        QSignalSpy answered(&start, &CatalogueStart::offerAnswered);
        start.start();
        QVERIFY(answered.wait(5000));

        QCOMPARE(start.outcome(), FirstStart::Outcome::Chosen);
        QCOMPARE(account.path(), suite); // no trailing separator, as the installer writes it
        QCOMPARE(start.catalogue()->editor().model().size(), 5);
        QCOMPARE(fileHash(suite + QStringLiteral("/dbase/system.mdb")), before);
        QVERIFY(!QFileInfo::exists(account.dir.filePath(QStringLiteral("data"))));
    }

    void settingsNotWritable_saysSoAndReportsFailure()
    {
        Account account;
        writeFile(account.dir.filePath(QStringLiteral("config")), "a file where the settings folder should be");
        account.dialogs.answers = {Dialogs::Answer::Yes};

        QCOMPARE(account.firstStart().offer(nullptr), FirstStart::Outcome::Failed);
        QCOMPARE(account.dialogs.shown.last().icon, Dialogs::Icon::Warning);
        QVERIFY(account.dialogs.shown.last().text.contains(QStringLiteral("写不进设置")));
        QVERIFY(account.path().isEmpty());
        // The library made stays for the next start, which offers to use it.
        QVERIFY(QFileInfo(account.personal() + QStringLiteral("/dbase/system.mdb")).isFile());
    }

    void personalFolderUnusable_saysSoAndWritesNoPath()
    {
        Account account;
        writeFile(account.personal(), "a file where the personal folder should be");
        account.dialogs.answers = {Dialogs::Answer::Yes};

        QCOMPARE(account.firstStart().offer(nullptr), FirstStart::Outcome::Failed);
        QVERIFY(account.dialogs.shown.last().text.contains(QStringLiteral("建立不了")));
        QVERIFY(!QFileInfo::exists(account.dir.filePath(QStringLiteral("config"))));
    }

    void libraryNamed_noOffer_settingsUntouched_data()
    {
        QTest::addColumn<QByteArray>("settingsFile");
        QTest::newRow("install path") << QByteArray("[Kalvor]\nPath=/nonexistent/kalvor\n");
        // A server that cannot be reached: a library on a server without "Path".
        QTest::newRow("library on a server, no install path")
            << QByteArray("[Kalvor]\nLibrary=host=/nonexistent/socket dbname=figures\n");
    }
    void libraryNamed_noOffer_settingsUntouched()
    {
        QFETCH(QByteArray, settingsFile);
        Account account;
        const QString file = account.settings.fileName(QStringLiteral("Venmarod Software"));
        writeFile(file, settingsFile);
        FirstStart firstStart = account.firstStart();
        CatalogueStart start(account.taprell, firstStart);
        start.start();
        QTest::qWait(50);

        QVERIFY(!start.outcome().has_value());
        QCOMPARE(firstStart.offer(nullptr), FirstStart::Outcome::NotFirstStart);
        // Only the catalogue's own message about the library it cannot open.
        QCOMPARE(account.dialogs.shown.size(), 1);
        QVERIFY(!QFileInfo::exists(account.personal()));
        QFile after(file);
        QVERIFY(after.open(QIODevice::ReadOnly));
        QCOMPARE(after.readAll(), settingsFile);
    }

    void defaultPersonalFolder_followsXdgDataHome()
    {
        const QByteArray saved = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", "/srv/data");
        QCOMPARE(FirstStart::defaultPersonalFolder(), QStringLiteral("/srv/data/taprell"));
        qunsetenv("XDG_DATA_HOME");
        QCOMPARE(FirstStart::defaultPersonalFolder(), QDir::homePath() + QStringLiteral("/.local/share/taprell"));
        if (!saved.isNull()) {
            qputenv("XDG_DATA_HOME", saved);
        }
    }
};

QTEST_MAIN(TestFirstStart)
#include "tst_firststart.moc"
