// SPDX-License-Identifier: GPL-3.0-or-later
#include "InstallerText.h"

#include <QFile>
#include <QStringDecoder>

namespace {

qsizetype unitSize(QStringConverter::Encoding encoding)
{
    switch (encoding) {
    case QStringConverter::Utf16:
    case QStringConverter::Utf16LE:
    case QStringConverter::Utf16BE:
        return 2;
    case QStringConverter::Utf32:
    case QStringConverter::Utf32LE:
    case QStringConverter::Utf32BE:
        return 4;
    default:
        return 1;
    }
}

} // namespace

namespace InstallerText {

bool decode(const QByteArray &bytes, QString &text, QString &error)
{
    if (const std::optional<QStringConverter::Encoding> marked = QStringConverter::encodingForData(bytes)) {
        // The decoder drops the mark itself, and a last incomplete unit silently.
        const qsizetype unit = unitSize(*marked);
        QStringDecoder decoder(*marked, QStringDecoder::Flag::Stateless);
        text = decoder.decode(bytes);
        if (decoder.hasError() || bytes.size() % unit != 0) {
            error = QStringLiteral("not valid %1 although it starts with its byte-order mark")
                        .arg(QString::fromLatin1(QStringConverter::nameForEncoding(*marked)));
            return false;
        }
        return true;
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    text = utf8.decode(bytes);
    if (!utf8.hasError()) {
        return true;
    }
    QStringDecoder gb18030("GB18030", QStringDecoder::Flag::Stateless);
    if (!gb18030.isValid()) {
        error = QStringLiteral("neither UTF-8 nor readable as GB18030 here (no GB18030 decoder)");
        return false;
    }
    text = gb18030.decode(bytes);
    if (gb18030.hasError()) {
        error = QStringLiteral("neither UTF-8 nor GB18030 text");
        return false;
    }
    return true;
}

bool read(const QString &fileName, QString &text, QString &error)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("%1: %2").arg(fileName, file.errorString());
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        error = QStringLiteral("%1: %2").arg(fileName, file.errorString());
        return false;
    }
    if (!decode(bytes, text, error)) {
        error = QStringLiteral("%1: %2").arg(fileName, error);
        return false;
    }
    return true;
}

} // namespace InstallerText
