// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

// Text files reach both programs from whatever editor made them: UTF-8, UTF-16 ("Unicode", with
// or without a byte-order mark) or, from Chinese editors, GB18030 (and its subset GBK) with no
// mark at all. One reading rule for all of them, Qt Core only.
namespace TextDecoding {

enum class Encoding
{
    Utf8,
    Utf16LE,
    Utf16BE,
    Utf32LE,
    Utf32BE,
    Gb18030,
};

struct Detected
{
    Encoding encoding = Encoding::Utf8;
    qsizetype markLength = 0; // bytes of the byte-order mark, 0 without one
};

// A byte-order mark decides (UTF-8, UTF-16 or UTF-32, either byte order). Without one, bytes
// with many NULs at the even or the odd places of the first few kilobytes are UTF-16 (the NULs
// are the high bytes of Latin text: big or little endian); else the text is UTF-8 when it is
// valid UTF-8, else GB18030.
Detected detect(QByteArrayView bytes);

// Decodes by the rule above. False, with a reason in error, when the bytes are not valid in the
// encoding they were taken for, or the text holds a NUL character (no stored text ever holds
// one): no text with replacement characters ever comes back, so two different names cannot
// turn into one.
bool decode(const QByteArray &bytes, QString &text, QString &error);

// Reads and decodes a whole file; the error names the file.
bool readFile(const QString &fileName, QString &text, QString &error);

// For readers that work on UTF-8 bytes: the text of bytes as UTF-8 without a byte-order mark.
// Valid UTF-8 without a mark comes back as is (shared, not copied), so a large file is never
// held twice. Same failures as decode().
bool toUtf8(const QByteArray &bytes, QByteArray &utf8, QString &error);

} // namespace TextDecoding
