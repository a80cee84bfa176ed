// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Profile (INI) files with the Windows profile functions' rules, over a plain UTF-8 text file:
// section and key names match without regard to case, blanks around names and values do not
// count, a value in matching quotes loses them, and a write changes only the one line it
// needs; every other line, comments and line endings included, stays byte for byte.
namespace ProfileFile {

// Like GetPrivateProfileString: the value, or defaultValue when there is none, cut to
// bufferSize - 1 characters (the buffer keeps room for its terminating NUL).
QString readString(const QString &section, const QString &key, const QString &defaultValue, int bufferSize,
                   const QString &fileName);

// Like WritePrivateProfileString: replaces the key's value, adds the key at the end of its
// section, or adds the section at the end of the file (creating the file). False when the file
// cannot be written.
bool writeString(const QString &section, const QString &key, const QString &value, const QString &fileName);

} // namespace ProfileFile
