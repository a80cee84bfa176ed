// SPDX-License-Identifier: GPL-3.0-or-later
#include <platform/FileOperations.h>
#include <platform/ProfileFile.h>
#include <platform/ProgramStarter.h>
#include <platform/SettingsStore.h>
#include <platform/TextDecoding.h>
#include <setup/DelimitedReader.h>
#include <setup/fLanguage.h>
#include <setup/mMain.h>

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QtDebug>

namespace {

const QString addInName = QStringLiteral("Kalvor.xla");
const QString controlName = QStringLiteral("MSCOMCTL.OCX");
const QString kalvorSection = QStringLiteral("Kalvor");
const QString constantSection = QStringLiteral("GeochemConstant");

} // namespace

mMain::mMain(Collaborators collaborators)
    : m_settings(collaborators.settings)
    , m_dialogs(collaborators.dialogs)
    , m_spreadsheet(collaborators.spreadsheet)
    , m_files(collaborators.files)
    , m_programs(collaborators.programs)
    , m_windowsFolder(std::move(collaborators.windowsFolder))
    , m_installerFolder(std::move(collaborators.installerFolder))
    , m_profileFile(QDir(m_windowsFolder).filePath(QStringLiteral("QVDProfile.ini")))
{
}

mMain::~mMain() = default;

bool mMain::getExcel(QString &error)
{
    SpreadsheetApplication excel;
    if (!m_spreadsheet.get(excel, error)) {
        return false;
    }
    m_excel = excel;
    return true;
}

void mMain::showCloseExcelMessage()
{
    m_dialogs.show({title,
                    // A blank line between the two sentences.
                    QStringLiteral("先前的Kalvor未能成功卸载，不能安装新版本") + QStringLiteral("\n\n") +
                        QStringLiteral("请关闭Excel 后再安装 !  "),
                    {},
                    Dialogs::Icon::Warning,
                    Dialogs::Buttons::Ok},
                   nullptr);
}

bool mMain::checkInstallerFolder(const QString &folder, Dialogs &dialogs)
{
    const QDir installer(folder);
    for (const char *file : {"Kalvor.xl", "Update.txt", "Constant.txt", "Controls/MSCOMCTL.OCX"}) {
        if (QFileInfo::exists(installer.filePath(QString::fromLatin1(file)))) {
            return true;
        }
    }
    dialogs.show({title,
                  QStringLiteral("KalvorSetup 不是从 Kalvor 的安装文件夹启动的：\n%1\n\n"
                                 "这里没有 Kalvor.xl、Update.txt、Constant.txt 或 Controls/MSCOMCTL.OCX。"
                                 "请把 KalvorSetup 复制到安装文件夹里，再从那里启动。什么都没有改动。")
                      .arg(QDir::toNativeSeparators(folder)),
                  {},
                  Dialogs::Icon::Warning,
                  Dialogs::Buttons::Ok},
                 nullptr);
    return false;
}

mMain::StartOutcome mMain::start()
{
    if (!checkInstallerFolder(m_installerFolder, m_dialogs)) {
        return StartOutcome::Ended;
    }
    QString error;
    if (!getExcel(error)) {
        qWarning().noquote() << "KalvorSetup:" << error;
        return StartOutcome::Ended;
    }
    const QString addIn = QDir(m_excel.startupPath).filePath(addInName);
    if (m_files.exists(addIn)) {
        const Dialogs::Answer remove = m_dialogs.show({QStringLiteral(" 卸载 Kalvor "),
                                                       QStringLiteral(" Kalvor 已经安装，是否要卸载？   "),
                                                       {},
                                                       Dialogs::Icon::Warning,
                                                       Dialogs::Buttons::YesNo},
                                                      nullptr);
        if (remove != Dialogs::Answer::Yes) {
            return StartOutcome::Ended;
        }
        const FileOperations::Result removed = m_files.remove(addIn);
        if (removed.outcome == FileOperations::Outcome::PermissionDenied) {
            showCloseExcelMessage();
            return StartOutcome::Ended;
        }
        if (!removed.ok()) {
            qWarning().noquote() << "KalvorSetup: cannot delete" << addIn << ":" << removed.message;
            return StartOutcome::Ended;
        }
        if (m_files.exists(addIn)) {
            showCloseExcelMessage();
            return StartOutcome::Ended;
        }
        // A section that is not there is as good as deleted.
        if (m_settings.removeSection(application, kalvorSection) == SettingsStore::RemoveResult::Failed) {
            qWarning().noquote() << "KalvorSetup: cannot delete the settings section" << kalvorSection << "in"
                                 << m_settings.fileName(application);
            return StartOutcome::Ended;
        }
        const Dialogs::Answer again =
            m_dialogs.show({QStringLiteral("  安装新版Kalvor "),
                            QStringLiteral(" 原Kalvor 已经从您的系统中移除！接下来是否安装新版本..."),
                            {},
                            Dialogs::Icon::Information,
                            Dialogs::Buttons::YesNo},
                           nullptr);
        if (again != Dialogs::Answer::Yes) {
            return StartOutcome::Ended;
        }
    }
    m_window = std::make_unique<fLanguage>(*this);
    m_window->show();
    return StartOutcome::LanguageShown;
}

QString mMain::readProfile(const QString &key) const
{
    return ProfileFile::readString(QStringLiteral("kalvor"), key, QString(), 255, m_profileFile);
}

bool mMain::writeSetting(const QString &section, const QString &key, const QString &value)
{
    return m_settings.setValue(application, section, key, value);
}

bool mMain::is64Bit() const
{
    return !QDir(QDir(m_windowsFolder).filePath(QStringLiteral("syswow64"))).entryList(QDir::Files).isEmpty();
}

QStringList mMain::install()
{
    QStringList failures;
    QStringList details;
    const QDir installer(m_installerFolder);

    // When Excel cannot be reached again, the folders read by the start-up routine still hold.
    QString error;
    if (!getExcel(error)) {
        failures << QStringLiteral("连接 Excel");
        details << error;
    }
    m_profileFile = QDir(m_windowsFolder).filePath(QStringLiteral("QVDProfile.ini"));

    if (m_excel.startupPath.isEmpty()) {
        failures << QStringLiteral("复制 Kalvor.xla 到 Excel 的启动文件夹");
    } else {
        const FileOperations::Result copied = m_files.copy(installer.filePath(QStringLiteral("Kalvor.xl")),
                                                           QDir(m_excel.startupPath).filePath(addInName));
        if (!copied.ok()) {
            failures << QStringLiteral("复制 Kalvor.xla 到 Excel 的启动文件夹");
            details << copied.message;
        }
    }

    QString date = readProfile(QStringLiteral("InstalDate"));
    if (date.isEmpty()) {
        date = QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat);
    }
    QString dataPath = readProfile(QStringLiteral("DataPath"));
    if (dataPath.isEmpty()) {
        dataPath = installer.filePath(QStringLiteral("dbase/UserData.mdb"));
    }
    QString workPath = readProfile(QStringLiteral("WorkPath"));
    if (workPath.isEmpty()) {
        if (m_excel.defaultFilePath.isEmpty()) {
            failures << QStringLiteral("取得 Excel 的默认文件夹");
        } else {
            workPath = QDir(m_excel.defaultFilePath).filePath(QStringLiteral("Kalvor Files"));
        }
    }

    QString version;
    QString update;
    if (TextDecoding::readFile(installer.filePath(QStringLiteral("Update.txt")), update, error)) {
        const QString item = DelimitedReader(update).readField();
        version = item.size() <= 5 ? QString() : item.mid(5);
    } else {
        failures << QStringLiteral("读取版本文件 Update.txt");
        details << error;
    }

    const QList<SettingsStore::Entry> settings = {
        {kalvorSection, QStringLiteral("Date"), date},
        {kalvorSection, QStringLiteral("Language"), m_language},
        {kalvorSection, QStringLiteral("DataPath"), dataPath},
        {kalvorSection, QStringLiteral("WorkPath"), workPath},
        {kalvorSection, QStringLiteral("Ver"), version},
        {kalvorSection, QStringLiteral("Path"), m_installerFolder},
    };
    if (!m_settings.setValues(application, settings)) {
        for (const SettingsStore::Entry &setting : settings) {
            failures << QStringLiteral("写入设置 %1\\%2").arg(kalvorSection, setting.key);
        }
        details << m_settings.fileName(application);
    }

    if (!ProfileFile::writeString(kalvorSection, QStringLiteral("InstalDate"), date, m_profileFile)) {
        failures << QStringLiteral("写入安装日期到 QVDProfile.ini");
        details << m_profileFile;
    }

    writeConstants(failures, details);
    registerControl(failures, details);

    if (!failures.isEmpty()) {
        QString text = QStringLiteral("Kalvor 安装未能全部完成，以下步骤失败：\n");
        for (const QString &failure : std::as_const(failures)) {
            text += QStringLiteral("\n· ") + failure;
        }
        m_dialogs.show({title, text, details.join(QLatin1Char('\n')), Dialogs::Icon::Warning, Dialogs::Buttons::Ok},
                       m_window.get());
    }
    return failures;
}

void mMain::writeConstants(QStringList &failures, QStringList &details)
{
    QString text;
    QString error;
    if (!TextDecoding::readFile(QDir(m_installerFolder).filePath(QStringLiteral("Constant.txt")), text, error)) {
        failures << QStringLiteral("读取常数文件 Constant.txt");
        details << error;
        return;
    }
    QList<SettingsStore::Entry> constants;
    DelimitedReader reader(text);
    while (!reader.atEnd()) {
        QString name = reader.readField();
        QString value = reader.readValue();
        // The store takes slashes in a key name for a path; such a name could not be read back.
        if (name.isEmpty() || name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\'))) {
            failures << QStringLiteral("写入常数 %1").arg(name.isEmpty() ? QStringLiteral("（无名称）") : name);
            details << QStringLiteral("constant name not storable: \"%1\"").arg(name);
            continue;
        }
        constants.append({constantSection, std::move(name), std::move(value)});
    }
    // All constants in one write: the settings file is read and written once, however many.
    if (!constants.isEmpty() && !m_settings.setValues(application, constants)) {
        failures << QStringLiteral("写入常数（%1 个）").arg(constants.size());
        details << m_settings.fileName(application);
    }
}

void mMain::registerControl(QStringList &failures, QStringList &details)
{
    const QString systemFolder =
        QDir(m_windowsFolder).filePath(is64Bit() ? QStringLiteral("syswow64") : QStringLiteral("system32"));
    const FileOperations::Result copied =
        m_files.copy(QDir(m_installerFolder).filePath(QStringLiteral("Controls/") + controlName),
                     QDir(systemFolder).filePath(controlName));
    if (!copied.ok()) {
        failures << QStringLiteral("复制列表控件 %1 到 %2").arg(controlName, systemFolder);
        details << copied.message;
        return;
    }
    if (!m_programs.startDetached(QStringLiteral("regsvr32"), {QStringLiteral("/s"), controlName}, systemFolder)) {
        failures << QStringLiteral("注册列表控件 %1").arg(controlName);
        details << QStringLiteral("regsvr32 /s %1 could not be started").arg(controlName);
    }
}
