// SPDX-License-Identifier: GPL-3.0-or-later
#include <library/engine/LibraryError.h>

#include <QCoreApplication>
#include <QStringList>

QString LibraryError::details() const
{
    QStringList lines;
    if (!message.isEmpty()) {
        lines << message;
    }
    if (kind == Kind::ReadOnly) {
        lines << QCoreApplication::translate("LibraryError", "图版库文件是只读的，不能写入。");
    }
    if (row > 0) {
        lines << QCoreApplication::translate("LibraryError", "行：%1").arg(row);
    }
    if (!field.isEmpty()) {
        lines << QCoreApplication::translate("LibraryError", "字段：%1").arg(field);
    }
    if (!statement.isEmpty()) {
        lines << QCoreApplication::translate("LibraryError", "语句：%1").arg(statement);
    }
    if (!engineMessage.isEmpty()) {
        lines << QCoreApplication::translate("LibraryError", "数据库：%1").arg(engineMessage);
    }
    return lines.join(u'\n');
}
