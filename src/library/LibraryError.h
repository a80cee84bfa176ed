// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

// What went wrong in the figure library, in words the user can act on. The windows show it
// under the error notice.
struct LibraryError
{
    QString message;             // what failed
    QString statement;           // the statement that was running, if any
    QString engineMessage;       // the database engine's own words, if any
    QString field;               // the field being set, if any
    int row = 0;                 // 1-based list row the save stopped at, 0 for none
    bool readOnly = false;       // the library file cannot be written
    bool inUse = false;          // another program held the library locked longer than we wait
    bool readFailed = false;     // the library opened but reading it failed part way (a damaged file)
    bool connectionLost = false; // the server's connection went away: the save's transaction with it

    // It went during the save's COMMIT, and the server could not be asked since whether the save was kept.
    bool saveOutcomeUnknown = false;
    // Read-only because the server refused the write; its words (engineMessage) say why.
    bool refusedByServer = false;

    QString details() const;
};

// The result of an operation that can fail: success, or the error.
class Status
{
public:
    Status() = default;
    Status(LibraryError error)
        : m_error(std::move(error))
    {
    }

    bool ok() const { return !m_error.has_value(); }
    explicit operator bool() const { return ok(); }
    const LibraryError &error() const { return *m_error; }
    LibraryError &error() { return *m_error; }

private:
    std::optional<LibraryError> m_error;
};
