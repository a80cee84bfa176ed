// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

// What went wrong in the figure library, in words the user can act on. The windows show it
// under the error notice.
struct LibraryError
{
    // The kind of trouble, where the user can do something about it.
    enum class Kind
    {
        Other,
        ReadOnly,       // the library cannot be written
        InUse,          // another program held the library locked longer than we wait
        ReadFailed,     // the library opened but reading it failed part way (a damaged file)
        ConnectionLost, // the server's connection went away: the save's transaction with it
        // It went during the save's COMMIT, and the server could not be asked since whether the
        // save was kept.
        CommitOutcomeUnknown,
        WriteRefused, // the server refused the write; its words (engineMessage) say why
        NewerLayout,  // a newer Taprell laid the library out: this one must not touch it
    };

    QString message;       // what failed
    QString statement;     // the statement that was running, if any
    QString engineMessage; // the database engine's own words, if any
    QString field;         // the field being set, if any
    int row = 0;           // 1-based list row the save stopped at, 0 for none
    Kind kind = Kind::Other;

    QString details() const;
    // Nothing can be written: a read-only library, or a server that refused the write.
    bool cannotWrite() const { return kind == Kind::ReadOnly || kind == Kind::WriteRefused; }
    // The connection to the server is gone, whatever became of the save.
    bool connectionGone() const { return kind == Kind::ConnectionLost || kind == Kind::CommitOutcomeUnknown; }
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
