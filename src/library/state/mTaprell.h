// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <library/state/FigureKind.h>
#include <library/store/Library.h>
#include <library/store/Query.h>

#include <QString>

class SettingsStore;

// What all of Taprell's windows share: the settings lookup, the one library connection, the
// shared statement text and query, the figure kind, the thumbnail folder and the current figure
// number. main() creates one and hands it to every window; tests make their own over a temporary
// library. The windows tell the user through the notices of the widget layer (Notices.h).
class mTaprell
{
public:
    static const QString applicationName; // the settings store's application, "Venmarod software"
    static const QString settingsSection; // "Kalvor"
    static const QString programTitle;    // "Taprell"

    explicit mTaprell(SettingsStore &settings);

    // The value under the program's application and section; the empty text when there is none.
    QString settingsLookup(const QString &key) const;
    // install path + "/dbase/system.mdb", the install path looked up anew.
    QString libraryFileName() const;
    // Where the library is: the server named by the "Library" setting when there is one (a
    // postgresql:// URI or a connection string such as "service=lab"; passwords stay in
    // ~/.pgpass or the service file), the library file otherwise.
    QString libraryLocation() const;

    // Closes and reopens the library connection on the library (libraryLocation()). The result tells why it
    // could not be opened; the connection is then left closed.
    Status openLibrary();
    // Opens the library read-only from now on (a library that must not be written).
    void setOpenMode(OpenMode mode) { m_openMode = mode; }
    Library &library() { return m_library; }

    // Every statement goes into the shared statement text before it runs.
    QString statementText() const { return m_statementText; }
    Status execute(const store::Operation &operation);
    Status openQuery(Query &query, const store::Operation &read, Query::Mode mode = Query::Mode::ReadWrite);
    // Streams the read's records through the query (see Query::stream).
    Status streamQuery(Query &query, const store::Operation &read, const std::function<void()> &eachRecord);
    Query &sharedQuery() { return m_sharedQuery; }
    // Replaces the shared query by a new one opened for the statement.
    Status openSharedQuery(const store::Operation &read, Query::Mode mode = Query::Mode::ReadWrite);

    FigureKind figureKind() const { return m_figureKind; }
    void setFigureKind(FigureKind kind) { m_figureKind = kind; }
    QString thumbnailFolder() const { return m_thumbnailFolder; }
    void setThumbnailFolder(const QString &folder) { m_thumbnailFolder = folder; }
    QString currentFigureNumber() const { return m_currentFigureNumber; }
    void setCurrentFigureNumber(const QString &number) { m_currentFigureNumber = number; }

private:
    SettingsStore &m_settings;
    Library m_library;
    OpenMode m_openMode = OpenMode::ReadWrite;
    QString m_statementText;
    Query m_sharedQuery;
    FigureKind m_figureKind = FigureKind::Rectangular;
    QString m_thumbnailFolder;
    QString m_currentFigureNumber;
};
