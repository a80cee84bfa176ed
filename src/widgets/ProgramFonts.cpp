// SPDX-License-Identifier: GPL-3.0-or-later
#include <widgets/ProgramFonts.h>

#include <QApplication>
#include <QFont>

void installProgramFonts()
{
    QFont::insertSubstitutions(
        QStringLiteral("宋体"),
        {QStringLiteral("AR PL UMing CN"), QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Noto Sans CJK SC")});
    QFont::insertSubstitutions(
        QStringLiteral("楷体"),
        {QStringLiteral("AR PL UKai CN"), QStringLiteral("AR PL UMing CN"), QStringLiteral("Noto Serif CJK SC")});
    QApplication::setFont(QFont(QStringLiteral("宋体"), 9));
}
