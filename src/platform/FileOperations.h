// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The file operations the installer uses. Virtual so that tests can make an operation fail the
// way another program holding the file would make it fail (tests run as root, which no file
// permission stops).
class FileOperations
{
public:
    enum class Outcome
    {
        Done,
        PermissionDenied,
        NotFound,
        Failed,
    };
    struct Result
    {
        Outcome outcome = Outcome::Done;
        QString message; // the system's reason when not Done

        bool ok() const { return outcome == Outcome::Done; }
    };

    virtual ~FileOperations() = default;

    virtual bool exists(const QString &path) const;
    virtual Result remove(const QString &path);
    // Replaces an existing target; the target never holds a half-written copy.
    virtual Result copy(const QString &from, const QString &to);
};
