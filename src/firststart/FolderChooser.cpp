// SPDX-License-Identifier: GPL-3.0-or-later
#include <firststart/FolderChooser.h>

#include <QFileDialog>

QString FileDialogFolderChooser::chooseFolder(const QString &title, const QString &startFolder, QWidget *parent)
{
    return QFileDialog::getExistingDirectory(parent, title, startFolder);
}
