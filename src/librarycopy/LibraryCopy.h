// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>

// Copying a whole figure library (picMain, picType, pData, picLable) between a library file and
// a library on a PostgreSQL server, in either direction. Every value arrives as it left: texts
// byte for byte, numbers by value, yes/no values, empty (NULL) fields, and each row's identity
// (rowid), which keeps the order of labels that share a number.
//
// The target is written in one transaction; on any failure it is rolled back and the target is
// as it was. A new library file is built under a temporary name and renamed into place only
// once it is complete. The source is read in one read transaction, so a library being edited
// meanwhile is copied as it was at one moment.
namespace LibraryCopy {

// Where a library is: a server (a postgresql:// URI or key=value pairs such as service=lab), an
// install folder (its dbase/system.mdb), or the library file itself. A path that does not exist
// (yet) is a file when its name ends in ".mdb", an install folder otherwise.
struct Location
{
    enum class Kind
    {
        File,
        Server,
    };
    Kind kind = Kind::File;
    QString text;     // as given: the file's path, or the connection string
    QString fileName; // the library file, for Kind::File
    QString shown;    // how messages name it: the file, or the server without a password
};
Location locate(const QString &text);

enum class Replace
{
    No,  // a target that holds any row is refused
    Yes, // the target's rows are replaced
};

struct Progress
{
    QString table;
    qint64 tableRows = 0; // copied rows of this table
    qint64 tableTotal = 0;
    qint64 done = 0; // copied rows of the whole library
    qint64 total = 0;
};

enum class Outcome
{
    Copied = 0,
    Failed = 1,       // something went wrong while copying; the target is unchanged
    SourceFailed = 3, // the source is missing, unreachable or not a figure library
    TargetFailed = 4, // the target is unreachable, not a figure library, or cannot be written
    NotEmpty = 5,     // the target holds a library and --replace was not given
};

struct Result
{
    Outcome outcome = Outcome::Copied;
    QString message; // what went wrong, with the engine's words; empty when copied
    qint64 rows = 0; // rows copied
};

Result copy(const Location &source, const Location &target, Replace replace,
            const std::function<void(const Progress &)> &progress = {});

} // namespace LibraryCopy
