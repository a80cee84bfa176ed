// SPDX-License-Identifier: GPL-3.0-or-later
#include <firststart/FirstStart.h>
#include <firststart/FolderChooser.h>
#include <library/state/mTaprell.h>
#include <library/store/Library.h>
#include <library/store/LibraryFile.h>
#include <platform/SettingsStore.h>
#include <preview/FigureReader.h>
#include <preview/Thumbnails.h>
#include <widgets/Dialogs.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QString libraryInFolder = QStringLiteral("dbase/system.mdb");
const QString thumbnailsInFolder = QStringLiteral("Diagram/MiniMap");
// KalvorSetup's spelling of the application; the store matches it without regard to case.
const QString installerApplication = QStringLiteral("Venmarod Software");

bool holdsLibrary(const QString &folder)
{
    return QFileInfo(QDir(folder).filePath(libraryInFolder)).isFile();
}

QString cleanFolder(const QString &folder)
{
    return QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
}

} // namespace

QString FirstStart::defaultPersonalFolder()
{
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.isEmpty()) {
        data = QDir::homePath() + QStringLiteral("/.local/share");
    }
    return QDir(data).filePath(QStringLiteral("taprell"));
}

QString FirstStart::packagedSampleFolder()
{
    // TAPRELL_SAMPLE_FROM_BIN: the sample folder relative to the installed program's folder.
    const QString folder =
        cleanFolder(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral(TAPRELL_SAMPLE_FROM_BIN)));
    return holdsLibrary(folder) ? folder : QString();
}

FirstStart::FirstStart(mTaprell &taprell, Dialogs &dialogs, SettingsStore &settings, FolderChooser &folders,
                       Places places)
    : m_taprell(taprell)
    , m_dialogs(dialogs)
    , m_settings(settings)
    , m_folders(folders)
    , m_places(std::move(places))
{
}

// A library on a server ("Library") is a set-up too, even without "Path": the offer would write
// the settings file over the user's own entries.
bool FirstStart::isFirstStart() const
{
    return m_taprell.settingsLookup(QStringLiteral("Path")).isEmpty() &&
           m_taprell.settingsLookup(QStringLiteral("Library")).trimmed().isEmpty();
}

FirstStart::Outcome FirstStart::offer(QWidget *parent)
{
    if (!isFirstStart()) {
        return Outcome::NotFirstStart;
    }
    if (ask(QCoreApplication::translate("FirstStart",
                                        "设置中还没有 Kalvor 的安装路径：Taprell 在这个帐户上是第一次启动。\n\n"
                                        "要用随程序提供的样例图版建立个人图版库吗？\n图版库将放在：%1\n\n"
                                        "选“否”可以改为选择一个已有的安装文件夹。")
                .arg(QDir::toNativeSeparators(m_places.personalFolder)),
            parent)) {
        return createPersonalLibrary(parent);
    }
    if (ask(QCoreApplication::translate("FirstStart",
                                        "要选择一个已有的 Kalvor 安装文件夹吗？\n（文件夹里应有 dbase/system.mdb）\n\n"
                                        "选“否”则什么都不改，下次启动时还会再问。"),
            parent)) {
        return chooseInstallFolder(parent);
    }
    return Outcome::Declined;
}

FirstStart::Outcome FirstStart::createPersonalLibrary(QWidget *parent)
{
    const QString folder = cleanFolder(m_places.personalFolder);
    const QString libraryFile = QDir(folder).filePath(libraryInFolder);
    if (QFileInfo::exists(libraryFile)) {
        // Left exactly as it is: it may hold the user's own figures.
        if (!ask(QCoreApplication::translate(
                     "FirstStart", "%1 里已经有图版库（dbase/system.mdb），它不会被覆盖。\n\n使用这个图版库吗？")
                     .arg(QDir::toNativeSeparators(folder)),
                 parent)) {
            return Outcome::Declined;
        }
        return writePath(folder, parent) ? Outcome::UsedExisting : Outcome::Failed;
    }

    QString problem;
    if (!copySample(libraryFile, problem)) {
        tell(QCoreApplication::translate("FirstStart", "个人图版库建立不了，设置没有改动。\n\n%1").arg(problem), parent,
             Dialogs::Icon::Warning);
        return Outcome::Failed;
    }
    copyThumbnails();
    if (m_places.sampleFolder.isEmpty()) {
        drawThumbnails(libraryFile);
    }
    if (!writePath(folder, parent)) {
        return Outcome::Failed;
    }
    tell(QCoreApplication::translate("FirstStart", "个人图版库已建立：%1\n设置中的安装路径（Path）已指向它。")
             .arg(QDir::toNativeSeparators(folder)),
         parent, Dialogs::Icon::Information);
    return Outcome::Created;
}

// The library is made under a temporary name and renamed into place, which never replaces a
// file: a library that appeared meanwhile stays, and a failure leaves no half-made library.
bool FirstStart::copySample(const QString &libraryFile, QString &problem) const
{
    const QString partial = libraryFile + QStringLiteral(".part");
    if (!QDir().mkpath(QFileInfo(libraryFile).absolutePath())) {
        problem =
            QCoreApplication::translate("FirstStart", "不能建立文件夹：%1").arg(QFileInfo(libraryFile).absolutePath());
        return false;
    }
    QFile::remove(partial); // what an interrupted earlier attempt left
    if (!m_places.sampleFolder.isEmpty()) {
        QFile sample(QDir(m_places.sampleFolder).filePath(libraryInFolder));
        if (!sample.copy(partial)) {
            problem = QCoreApplication::translate("FirstStart", "不能复制样例图版库 %1：%2")
                          .arg(sample.fileName(), sample.errorString());
            return false;
        }
        // The packaged copy is read-only for users; the personal library is theirs to edit.
        QFile::setPermissions(partial, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    } else if (const Status made = LibraryFile::createSample(partial); !made) {
        QFile::remove(partial);
        problem = made.error().details();
        return false;
    }
    QFile made(partial);
    if (!made.rename(libraryFile)) {
        problem = QCoreApplication::translate("FirstStart", "不能把 %1 改名为 %2：%3")
                      .arg(partial, libraryFile, made.errorString());
        made.remove();
        return false;
    }
    return true;
}

// Thumbnails the personal folder already has are kept; the list works without any of them.
void FirstStart::copyThumbnails() const
{
    if (m_places.sampleFolder.isEmpty()) {
        return;
    }
    const QDir from(QDir(m_places.sampleFolder).filePath(thumbnailsInFolder));
    const QDir to(QDir(m_places.personalFolder).filePath(thumbnailsInFolder));
    QDir().mkpath(to.path());
    for (const QString &name : from.entryList({QStringLiteral("*.gif")}, QDir::Files)) {
        const QString target = to.filePath(name);
        if (!QFileInfo::exists(target) && QFile::copy(from.filePath(name), target)) {
            QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
        }
    }
}

// Without a packaged sample folder (run from the build folder) the thumbnails are drawn from the
// new library's figures, as the package's are. One that cannot be drawn leaves its picture empty.
void FirstStart::drawThumbnails(const QString &libraryFile) const
{
    const QString folder = QDir(m_places.personalFolder).filePath(thumbnailsInFolder);
    Library library;
    QStringList numbers;
    if (!QDir().mkpath(folder) || !library.open(libraryFile, OpenMode::ReadOnly) ||
        !FigureReader::figureNumbers(library, &numbers)) {
        return;
    }
    for (const QString &number : std::as_const(numbers)) {
        Figure figure;
        QString error;
        if (FigureReader::readFigure(library, number, &figure)) {
            const QString target = Thumbnails::fileName(folder, figure.record.figName);
            if (!QFileInfo::exists(target)) {
                Thumbnails::write(figure, target, &error);
            }
        }
    }
}

FirstStart::Outcome FirstStart::chooseInstallFolder(QWidget *parent)
{
    QString start = QDir::homePath();
    for (;;) {
        const QString chosen = m_folders.chooseFolder(
            QCoreApplication::translate("FirstStart", "选择 Kalvor 的安装文件夹"), start, parent);
        if (chosen.isEmpty()) {
            return Outcome::Declined;
        }
        if (holdsLibrary(chosen)) {
            return writePath(cleanFolder(chosen), parent) ? Outcome::Chosen : Outcome::Failed;
        }
        tell(QCoreApplication::translate(
                 "FirstStart", "这个文件夹里没有图版库文件 dbase/system.mdb：\n%1\n\n请另选一个文件夹，或者取消。")
                 .arg(QDir::toNativeSeparators(chosen)),
             parent, Dialogs::Icon::Warning);
        start = chosen;
    }
}

bool FirstStart::writePath(const QString &folder, QWidget *parent)
{
    if (m_settings.setValue(installerApplication, mTaprell::settingsSection, QStringLiteral("Path"), folder) &&
        m_taprell.settingsLookup(QStringLiteral("Path")) == folder) {
        return true;
    }
    tell(QCoreApplication::translate("FirstStart", "安装路径写不进设置文件：%1\n\nTaprell 下次启动时还会再问。")
             .arg(QDir::toNativeSeparators(m_settings.fileName(installerApplication))),
         parent, Dialogs::Icon::Warning);
    return false;
}

bool FirstStart::ask(const QString &text, QWidget *parent)
{
    return m_dialogs.show({mTaprell::programTitle, text, {}, Dialogs::Icon::Question, Dialogs::Buttons::YesNo},
                          parent) == Dialogs::Answer::Yes;
}

void FirstStart::tell(const QString &text, QWidget *parent, Dialogs::Icon icon)
{
    m_dialogs.show({mTaprell::programTitle, text, {}, icon, Dialogs::Buttons::Ok}, parent);
}
