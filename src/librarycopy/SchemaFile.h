// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The file that makes the figure library's tables on a server (schema-postgresql.sql), as an
// administrator finds it: installed beside the program (<prefix>/share/taprell/), or in the
// source tree when the program runs from its build folder.
QString serverSchemaFile();

// The same for a program in that folder.
QString serverSchemaFileFor(const QString &programFolder);
