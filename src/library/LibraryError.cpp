// SPDX-License-Identifier: GPL-3.0-or-later
#include "LibraryError.h"

#include <QStringList>

QString LibraryError::details() const
{
    QStringList lines;
    if (!message.isEmpty()) {
        lines << message;
    }
    if (kind == Kind::ReadOnly) {
        lines << QStringLiteral("图版库文件是只读的，不能写入。");
    }
    if (row > 0) {
        lines << QStringLiteral("行：%1").arg(row);
    }
    if (!field.isEmpty()) {
        lines << QStringLiteral("字段：%1").arg(field);
    }
    if (!statement.isEmpty()) {
        lines << QStringLiteral("语句：%1").arg(statement);
    }
    if (!engineMessage.isEmpty()) {
        lines << QStringLiteral("数据库：%1").arg(engineMessage);
    }
    return lines.join(u'\n');
}
