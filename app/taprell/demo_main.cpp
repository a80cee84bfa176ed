// SPDX-License-Identifier: GPL-3.0-or-later
// taprell-demo FOLDER: makes FOLDER a demo install folder with the sample figure library in
// dbase/system.mdb and a GIF thumbnail per figure in Diagram/MiniMap/, drawn from the figure.
#include <library/store/Library.h>
#include <library/store/LibraryFile.h>
#include <preview/FigureReader.h>
#include <preview/Thumbnails.h>

#include <QDir>
#include <QGuiApplication>
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
    QStringList numbers;
    if (!library.open(file, OpenMode::ReadOnly) || !FigureReader::figureNumbers(library, &numbers)) {
        err << "cannot read the new library\n";
        return 1;
    }
    int made = 0;
    for (const QString &number : std::as_const(numbers)) {
        Figure figure;
        QString error;
        if (!FigureReader::readFigure(library, number, &figure)) {
            err << number << ": cannot be read\n";
        } else if (!Thumbnails::write(figure, Thumbnails::fileName(miniMap, figure.record.figName), &error)) {
            err << number << ": " << error << '\n';
        } else {
            ++made;
        }
    }
    QTextStream(stdout) << "Demo library: " << file << " (" << numbers.size() << " figures, " << made
                        << " thumbnails)\n";
    return made == numbers.size() ? 0 : 1;
}
