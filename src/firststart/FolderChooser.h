// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QWidget;

// Asks the user for a folder. The program uses the platform's folder dialog; tests answer
// from a list.
class FolderChooser
{
public:
    virtual ~FolderChooser() = default;
    // The chosen folder, or the empty text when the user cancelled.
    virtual QString chooseFolder(const QString &title, const QString &startFolder, QWidget *parent) = 0;
};

class FileDialogFolderChooser final : public FolderChooser
{
public:
    QString chooseFolder(const QString &title, const QString &startFolder, QWidget *parent) override;
};
