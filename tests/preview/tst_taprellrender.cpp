// SPDX-License-Identifier: GPL-3.0-or-later
#include "TempLibrary.h"

#include <QImage>
#include <QProcess>

using namespace Qt::StringLiterals;

// taprell-render as a user runs it: exit statuses, messages and the files it leaves.
class TestTaprellRender : public QObject
{
    Q_OBJECT

    std::unique_ptr<TempLibrary> lib;
    QString errors;

    int run(const QStringList &arguments)
    {
        QProcess process;
        process.start(QStringLiteral(TAPRELL_RENDER), arguments);
        if (!process.waitForFinished(60000)) {
            qFatal("taprell-render did not finish");
        }
        errors = QString::fromUtf8(process.readAllStandardError());
        return process.exitCode();
    }

private slots:
    void init() { lib = std::make_unique<TempLibrary>(); }
    void cleanup() { lib.reset(); }

    void allThumbnails_writeOneGifPerFigure_intoTheMiniMapFolder()
    {
        QCOMPARE(run({u"--library"_s, lib->dir.path(), u"--all"_s, u"--thumbnails"_s}), 0);
        const QDir miniMap(lib->dir.filePath(u"Diagram/MiniMap"_s));
        QCOMPARE(miniMap.entryList({u"*.gif"_s}, QDir::Files).size(), 6);
        QCOMPARE(QImage(miniMap.filePath(u"BP001.gif"_s)).size(), QSize(393, 337));
        QVERIFY(errors.contains(u"6/6"_s)); // the progress line
    }

    void oneFigure_toANamedFile_inTheFormatOfItsEnding()
    {
        const QString svg = lib->dir.filePath(u"tas.svg"_s);
        QCOMPARE(run({u"--library"_s, lib->libraryFile(), u"b001"_s, u"-o"_s, svg}), 0);
        QFile file(svg);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().contains("<svg"));
        const QString png = lib->dir.filePath(u"afm.png"_s);
        QCOMPARE(run({u"--library"_s, lib->dir.path(), u"T001"_s, u"-o"_s, png, u"--size"_s, u"300x260"_s}), 0);
        QCOMPARE(QImage(png).size(), QSize(300, 260));
    }

    // --library takes what the Library setting takes: a library on a server, named without its
    // password. A server holds no thumbnails: they need a folder.
    void aServerLibrary_isDrawnAsTheLibrarySettingNamesIt()
    {
        REQUIRE_TEST_SERVER();
        TestDatabase server;
        QCOMPARE(LibraryCopy::copy(LibraryCopy::locate(lib->libraryFile()), LibraryCopy::locate(server.conninfo()),
                                   LibraryCopy::Replace::Yes)
                     .outcome,
                 LibraryCopy::Outcome::Copied);
        const QString out = lib->dir.filePath(u"out"_s);
        QVERIFY(QDir().mkpath(out));
        QCOMPARE(run({u"--library"_s, server.conninfo(), u"--all"_s, u"--format"_s, u"svg"_s, u"-o"_s, out}), 0);
        QCOMPARE(QDir(out).entryList({u"*.svg"_s}, QDir::Files).size(), 6);
        QCOMPARE(run({u"--library"_s, server.conninfo(), u"--all"_s, u"--thumbnails"_s, u"-o"_s, out}), 0);
        QCOMPARE(QImage(QDir(out).filePath(u"BP001.gif"_s)).size(), QSize(393, 337));

        QCOMPARE(run({u"--library"_s, server.conninfo(), u"--all"_s, u"--thumbnails"_s}), 2);
        QVERIFY2(errors.contains(u"-o"_s), qPrintable(errors));
        const QString unreachable = u"postgresql://ann:Geheim42@/lab?host=/nonexistent-taprell"_s;
        QCOMPARE(run({u"--library"_s, unreachable, u"--all"_s, u"-o"_s, out}), 3);
        QVERIFY2(errors.contains(u"postgresql://ann@/lab?host=/nonexistent-taprell"_s) &&
                     !errors.contains(u"Geheim42"_s),
                 qPrintable(errors));
    }

    void failures_haveTheirOwnExitStatusAndMessage()
    {
        QCOMPARE(run({u"--library"_s, lib->dir.filePath(u"nowhere"_s), u"--all"_s, u"--thumbnails"_s}), 3);
        QVERIFY(errors.contains(u"no figure library"_s));

        QCOMPARE(run({u"--library"_s, lib->dir.path(), u"B999"_s, u"-o"_s, lib->dir.filePath(u"x.svg"_s)}), 4);
        QVERIFY(errors.contains(u"no figure B999"_s));
        QVERIFY(!QFile::exists(lib->dir.filePath(u"x.svg"_s)));

        QCOMPARE(run({u"--library"_s, lib->dir.path(), u"B001"_s, u"-o"_s, lib->dir.filePath(u"no/such/x.svg"_s)}), 5);
        QVERIFY(errors.contains(u"cannot write into"_s));

        QCOMPARE(run({u"--library"_s, lib->dir.path()}), 2);
        QCOMPARE(run({u"--library"_s, lib->dir.path(), u"B001"_s, u"-o"_s, lib->dir.filePath(u"x.doc"_s)}), 2);
        QCOMPARE(run({u"--library"_s, lib->dir.path(), u"--all"_s, u"--size"_s, u"big"_s}), 2);

        // A file that is not a figure library.
        QFile junk(lib->dir.filePath(u"junk.mdb"_s));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("not a database at all, not even close");
        junk.close();
        QCOMPARE(run({u"--library"_s, junk.fileName(), u"--all"_s}), 3);
    }
};

QTEST_MAIN(TestTaprellRender)
#include "tst_taprellrender.moc"
