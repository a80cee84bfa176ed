// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ScriptedDialogs.h"
#include <platform/FileOperations.h>
#include <platform/ProgramStarter.h>
#include <platform/SettingsStore.h>
#include <platform/SpreadsheetApplication.h>
#include <setup/mMain.h>

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// File operations whose failures a test chooses, by path.
class InjectedFileOperations final : public FileOperations
{
public:
    Result remove(const QString &path) override
    {
        if (denyRemove.contains(path)) {
            return {Outcome::PermissionDenied, QStringLiteral("Permission denied")};
        }
        if (keepOnRemove.contains(path)) {
            return {};
        }
        return FileOperations::remove(path);
    }
    Result copy(const QString &from, const QString &to) override
    {
        if (failCopyTo.contains(to)) {
            return {Outcome::Failed, QStringLiteral("No space left on device")};
        }
        return FileOperations::copy(from, to);
    }

    QSet<QString> denyRemove;
    QSet<QString> keepOnRemove; // the delete reports success, yet the file stays
    QSet<QString> failCopyTo;
};

class RecordingStarter final : public ProgramStarter
{
public:
    struct Call
    {
        QString program;
        QStringList arguments;
        QString workingDirectory;
    };
    bool startDetached(const QString &program, const QStringList &arguments, const QString &workingDirectory) override
    {
        calls.append({program, arguments, workingDirectory});
        return true;
    }
    QList<Call> calls;
};

class FakeExcel final : public SpreadsheetApplicationProvider
{
public:
    bool get(SpreadsheetApplication &application, QString &error) override
    {
        if (!available) {
            error = QStringLiteral("cannot start");
            return false;
        }
        application = folders;
        return true;
    }
    SpreadsheetApplication folders;
    bool available = true;
};

// An installer folder with the shipped files, and temporary stand-in folders around it.
struct SetupFixture
{
    SetupFixture()
        : settings(root.filePath(QStringLiteral("config")))
    {
        for (const char *folder : {"installer/Controls", "installer/dbase", "installer/Diagram/MiniMap", "XLSTART",
                                   "Documents", "windows/system32"}) {
            QDir(root.path()).mkpath(QString::fromLatin1(folder));
        }
        installer = root.filePath(QStringLiteral("installer"));
        windows = root.filePath(QStringLiteral("windows"));
        excel.folders = {root.filePath(QStringLiteral("XLSTART")), root.filePath(QStringLiteral("Documents"))};
        write(QStringLiteral("installer/Kalvor.xl"), "add-in workbook, new version");
        write(QStringLiteral("installer/Update.txt"), "Ver: 2.3\r\nFixed the AFM diagram.\r\n");
        write(QStringLiteral("installer/Constant.txt"), "SiO2,60.08\r\nTiO2,79.87\r\nAl2O3,101.96\r\n");
        write(QStringLiteral("installer/Controls/MSCOMCTL.OCX"), "list-view control");
    }

    mMain &setup()
    {
        if (!main) {
            main = std::make_unique<mMain>(
                mMain::Collaborators{settings, dialogs, excel, files, programs, windows, installer});
        }
        return *main;
    }

    void write(const QString &relative, const QByteArray &bytes)
    {
        QFile file(root.filePath(relative));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }
    QByteArray read(const QString &relative) const
    {
        QFile file(root.filePath(relative));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    bool exists(const QString &relative) const { return QFile::exists(root.filePath(relative)); }

    QString setting(const QString &key, const QString &section = QStringLiteral("Kalvor")) const
    {
        return settings.value(mMain::application, section, key);
    }
    bool hasSetting(const QString &key, const QString &section = QStringLiteral("Kalvor")) const
    {
        return settings.contains(mMain::application, section, key);
    }
    QString addIn() const { return QDir(excel.folders.startupPath).filePath(QStringLiteral("Kalvor.xla")); }

    QTemporaryDir root;
    QString installer;
    QString windows;
    SettingsStore settings;
    ScriptedDialogs dialogs;
    FakeExcel excel;
    InjectedFileOperations files;
    RecordingStarter programs;
    std::unique_ptr<mMain> main;
};
