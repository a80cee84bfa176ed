// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

// The text files shipped in the installer folder come from whatever editor the suite's makers
// used: UTF-8, UTF-16 ("Unicode", with a byte-order mark) or, from Chinese editors, GB18030
// (and its subset GBK) with no mark at all.
namespace InstallerText {

// A byte-order mark decides (UTF-8, UTF-16 or UTF-32, either byte order); without one the text
// is UTF-8 when it is valid UTF-8, else GB18030. False, with a reason in error, when the bytes
// are not valid in the encoding they were taken for: no text with replacement characters ever
// comes back, so two different names cannot turn into one.
bool decode(const QByteArray &bytes, QString &text, QString &error);

// Reads and decodes a whole file; the error names the file.
bool read(const QString &fileName, QString &text, QString &error);

} // namespace InstallerText
