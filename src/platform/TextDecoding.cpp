// SPDX-License-Identifier: GPL-3.0-or-later
#include <platform/TextDecoding.h>

#include <QFile>
#include <QStringDecoder>

namespace TextDecoding {

namespace {

// How much of the start decides whether unmarked bytes are UTF-16.
constexpr qsizetype sniffLength = 4096;

qsizetype unitSize(Encoding encoding)
{
    switch (encoding) {
    case Encoding::Utf16LE:
    case Encoding::Utf16BE:
        return 2;
    case Encoding::Utf32LE:
    case Encoding::Utf32BE:
        return 4;
    default:
        return 1;
    }
}

QStringDecoder decoderFor(Encoding encoding)
{
    switch (encoding) {
    case Encoding::Utf8:
        return QStringDecoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    case Encoding::Utf16LE:
        return QStringDecoder(QStringConverter::Utf16LE, QStringConverter::Flag::Stateless);
    case Encoding::Utf16BE:
        return QStringDecoder(QStringConverter::Utf16BE, QStringConverter::Flag::Stateless);
    case Encoding::Utf32LE:
        return QStringDecoder(QStringConverter::Utf32LE, QStringConverter::Flag::Stateless);
    case Encoding::Utf32BE:
        return QStringDecoder(QStringConverter::Utf32BE, QStringConverter::Flag::Stateless);
    case Encoding::Gb18030:
        break;
    }
    return QStringDecoder("GB18030", QStringConverter::Flag::Stateless);
}

QString encodingName(Encoding encoding)
{
    switch (encoding) {
    case Encoding::Utf8:
        return QStringLiteral("UTF-8");
    case Encoding::Utf16LE:
        return QStringLiteral("UTF-16LE");
    case Encoding::Utf16BE:
        return QStringLiteral("UTF-16BE");
    case Encoding::Utf32LE:
        return QStringLiteral("UTF-32LE");
    case Encoding::Utf32BE:
        return QStringLiteral("UTF-32BE");
    case Encoding::Gb18030:
        break;
    }
    return QStringLiteral("GB18030");
}

bool startsWith(QByteArrayView bytes, const char *mark, qsizetype length)
{
    return bytes.size() >= length && bytes.first(length) == QByteArrayView(mark, length);
}

// Line number (from 1) of the first NUL, 0 when there is none.
qsizetype lineOfNul(QStringView text)
{
    const qsizetype at = text.indexOf(QChar(u'\0'));
    return at < 0 ? 0 : text.first(at).count(u'\n') + 1;
}

QString nulError(qsizetype line)
{
    return QStringLiteral("line %1 holds a NUL character, which no stored text may hold").arg(line);
}

} // namespace

Detected detect(QByteArrayView bytes)
{
    // UTF-32LE's mark starts with UTF-16LE's: test the longer marks first.
    if (startsWith(bytes, "\xff\xfe\0\0", 4)) {
        return {Encoding::Utf32LE, 4};
    }
    if (startsWith(bytes, "\0\0\xfe\xff", 4)) {
        return {Encoding::Utf32BE, 4};
    }
    if (startsWith(bytes, "\xef\xbb\xbf", 3)) {
        return {Encoding::Utf8, 3};
    }
    if (startsWith(bytes, "\xff\xfe", 2)) {
        return {Encoding::Utf16LE, 2};
    }
    if (startsWith(bytes, "\xfe\xff", 2)) {
        return {Encoding::Utf16BE, 2};
    }
    // Latin characters in UTF-16 have a zero high byte: at the odd places in little endian, at
    // the even places in big endian. Text in UTF-8 or GB18030 holds no NULs at all, so a quarter
    // of the pairs with a NUL on one side and hardly any on the other is UTF-16.
    const qsizetype pairs = qMin(bytes.size(), sniffLength) / 2;
    qsizetype evenZeros = 0;
    qsizetype oddZeros = 0;
    for (qsizetype i = 0; i < pairs; ++i) {
        evenZeros += bytes[2 * i] == '\0';
        oddZeros += bytes[2 * i + 1] == '\0';
    }
    if (pairs > 0 && oddZeros * 4 >= pairs && evenZeros * 8 <= oddZeros) {
        return {Encoding::Utf16LE, 0};
    }
    if (pairs > 0 && evenZeros * 4 >= pairs && oddZeros * 8 <= evenZeros) {
        return {Encoding::Utf16BE, 0};
    }
    return {bytes.isValidUtf8() ? Encoding::Utf8 : Encoding::Gb18030, 0};
}

bool decode(const QByteArray &bytes, QString &text, QString &error)
{
    const Detected detected = detect(bytes);
    const QByteArrayView body = QByteArrayView(bytes).sliced(detected.markLength);
    QStringDecoder decoder = decoderFor(detected.encoding);
    if (!decoder.isValid()) {
        error = QStringLiteral("not UTF-8, and no %1 decoder here").arg(encodingName(detected.encoding));
        return false;
    }
    text = decoder.decode(body);
    // The decoder drops a last incomplete unit silently.
    if (decoder.hasError() || body.size() % unitSize(detected.encoding) != 0) {
        text.clear();
        if (detected.markLength > 0) {
            error = QStringLiteral("not valid %1 although it starts with its byte-order mark")
                        .arg(encodingName(detected.encoding));
        } else if (detected.encoding == Encoding::Gb18030) {
            error = QStringLiteral("neither UTF-8 nor GB18030 text");
        } else {
            error =
                QStringLiteral("not valid %1, which its NUL bytes show it to be").arg(encodingName(detected.encoding));
        }
        return false;
    }
    if (const qsizetype line = lineOfNul(text)) {
        text.clear();
        error = nulError(line);
        return false;
    }
    return true;
}

bool readFile(const QString &fileName, QString &text, QString &error)
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

bool toUtf8(const QByteArray &bytes, QByteArray &utf8, QString &error)
{
    const Detected detected = detect(bytes);
    if (detected.encoding == Encoding::Utf8) {
        utf8 = detected.markLength == 0 ? bytes : bytes.sliced(detected.markLength);
        if (detected.markLength > 0 && !QByteArrayView(utf8).isValidUtf8()) {
            utf8.clear();
            error = QStringLiteral("not valid UTF-8 although it starts with its byte-order mark");
            return false;
        }
        if (const qsizetype at = utf8.indexOf('\0'); at >= 0) {
            const qsizetype line = QByteArrayView(utf8).first(at).count('\n') + 1;
            utf8.clear();
            error = nulError(line);
            return false;
        }
        return true;
    }
    QString text;
    if (!decode(bytes, text, error)) {
        return false;
    }
    utf8 = text.toUtf8();
    return true;
}

} // namespace TextDecoding
