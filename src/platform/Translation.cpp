// SPDX-License-Identifier: GPL-3.0-or-later
#include <platform/Translation.h>

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

void installChineseQtTexts()
{
    auto *translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(translator);
    } else {
        delete translator;
    }
}

bool installTaprellTexts(const QString &language)
{
    if (language.trimmed() != u"English") {
        installChineseQtTexts();
        return false;
    }
    // Qt's own texts are written in English: without a translation of theirs they stay so.
    auto *translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(QStringLiteral(":/i18n/taprell_en.qm"))) {
        QCoreApplication::installTranslator(translator);
        return true;
    }
    delete translator;
    return false;
}
