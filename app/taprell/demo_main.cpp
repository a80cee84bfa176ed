// SPDX-License-Identifier: GPL-3.0-or-later
// taprell-demo FOLDER: makes FOLDER a demo install folder with the sample figure library in
// dbase/system.mdb and a GIF thumbnail per figure in Diagram/MiniMap/.
#include "Library.h"
#include "LibraryFile.h"
#include "Query.h"
#include "ThumbnailRenderer.h"

#include <QDir>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    if (argc != 2) {
        err << "usage: taprell-demo FOLDER\n";
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    const QString file = folder.filePath(QStringLiteral("dbase/system.mdb"));
    if (const Status status = LibraryFile::createSample(file); !status) {
        err << status.error().details() << '\n';
        return 1;
    }

    const QString miniMap = folder.filePath(QStringLiteral("Diagram/MiniMap"));
    QDir().mkpath(miniMap);
    Library library;
    Query figures;
    if (!library.open(file) || !figures.open(library, QStringLiteral("select th, figName from picMain"))) {
        err << "cannot read the new library\n";
        return 1;
    }
    // Qt reads GIF but does not write it: ImageMagick turns the drawn PNG into the GIF.
    QTemporaryDir scratch;
    int made = 0;
    for (int i = 1; i <= figures.recordCount(); ++i) {
        figures.move(i);
        const QString png = scratch.filePath(figures.text(1) + QStringLiteral(".png"));
        renderThumbnail(library, figures.text(0), QSize(393, 337)).save(png);
        const QString gif = QDir(miniMap).filePath(figures.text(1) + QStringLiteral(".gif"));
        if (QProcess::execute(QStringLiteral("convert"), {png, gif}) == 0) {
            ++made;
        }
    }
    QTextStream(stdout) << "Demo library: " << file << " (" << figures.recordCount() << " figures, " << made
                        << " thumbnails)\n";
    return 0;
}
