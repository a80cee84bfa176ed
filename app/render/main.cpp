// SPDX-License-Identifier: GPL-3.0-or-later
// taprell-render: draws one figure, several, or all figures of a figure library as GIF
// thumbnails or as SVG, PDF or PNG files, from the figures' own points and labels.
#include <diagram/DiagramRenderer.h>
#include <diagram/FigureExport.h>
#include <library/server/PgDatabase.h>
#include <library/store/Library.h>
#include <preview/FigureReader.h>
#include <preview/Thumbnails.h>

#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTextStream>

#include <unistd.h>

namespace {

// Exit statuses, also listed by --help.
enum Exit
{
    Success = 0,
    DrawingFailed = 1, // a file could not be written
    BadUsage = 2,
    NoLibrary = 3,
    UnknownFigure = 4,
    Unwritable = 5, // the output folder is missing or cannot be written
};

const char *const usage =
    "Usage: taprell-render --library PATH (--all | FIGURE...) [--thumbnails] [-o OUTPUT] [--format FORMAT] "
    "[--size WxH]\n";

const char *const exitHelp = "Exit status: 0 done, 1 a file could not be written, 2 bad arguments, 3 the library is "
                             "missing or unreadable, 4 an unknown figure number, 5 the output folder is missing or "
                             "not writable.";

QSize parseSize(const QString &text, bool *ok)
{
    const QStringList parts = text.toLower().split(u'x');
    bool w = false, h = false;
    const QSize size = parts.size() == 2 ? QSize(parts[0].toInt(&w), parts[1].toInt(&h)) : QSize();
    *ok = w && h && size.width() >= 16 && size.height() >= 16 && size.width() <= 20000 && size.height() <= 20000;
    return size;
}

bool writableFolder(const QString &folder)
{
    const QFileInfo info(folder);
    return info.isDir() && info.isWritable();
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("taprell-render"));
    QGuiApplication::setApplicationVersion(QStringLiteral(TAPRELL_VERSION));
    QTextStream out(stdout), err(stderr);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Draws figures of a Taprell figure library as GIF thumbnails or SVG, PDF or PNG files.\n\n"
                       "  taprell-render --library demo --all --thumbnails\n"
                       "  taprell-render --library demo B001 -o tas.svg\n"
                       "  taprell-render --library demo --all --format pdf -o figures/\n\n") +
        QString::fromLatin1(exitHelp));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption libraryOption(
        QStringLiteral("library"),
        QStringLiteral("The install folder (its dbase/system.mdb), the library file itself, or a library on a "
                       "PostgreSQL server as the Library setting names it (postgresql://host/db, service=lab)."),
        QStringLiteral("library"));
    const QCommandLineOption allOption(QStringLiteral("all"), QStringLiteral("Every figure of the library."));
    const QCommandLineOption thumbnailOption(
        QStringLiteral("thumbnails"),
        QStringLiteral("Write each figure's thumbnail (393x337 GIF, named after its thumbnail name) into the install "
                       "folder's Diagram/MiniMap/, or into the folder given with -o."));
    const QCommandLineOption outputOption(
        {QStringLiteral("o"), QStringLiteral("output")},
        QStringLiteral("The file to write (one figure; .svg, .pdf, .png or .gif), or the folder for several."),
        QStringLiteral("path"));
    const QCommandLineOption formatOption(QStringLiteral("format"),
                                          QStringLiteral("svg, pdf, png or gif, for files written into a folder "
                                                         "(named after the figure number). Default: png."),
                                          QStringLiteral("format"), QStringLiteral("png"));
    const QCommandLineOption sizeOption(
        QStringLiteral("size"), QStringLiteral("Width x height in pixels. Default: 1000x800, thumbnails 393x337."),
        QStringLiteral("WxH"));
    parser.addOptions({libraryOption, allOption, thumbnailOption, outputOption, formatOption, sizeOption});
    parser.addPositionalArgument(QStringLiteral("figures"), QStringLiteral("Figure numbers, such as B001."),
                                 QStringLiteral("[figure...]"));
    if (!parser.parse(QCoreApplication::arguments())) {
        err << "taprell-render: " << parser.errorText() << "\n" << usage;
        return BadUsage;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        // The usage line the errors print, in place of Qt's with the program's whole path.
        const QString help = parser.helpText();
        out << usage << help.mid(help.indexOf(u'\n') + 1);
        return Success;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        out << "taprell-render " << TAPRELL_VERSION << "\n";
        return Success;
    }

    QStringList requested = parser.positionalArguments();
    const bool all = parser.isSet(allOption), thumbnails = parser.isSet(thumbnailOption);
    if (!parser.isSet(libraryOption) || (all == !requested.isEmpty())) {
        err << "taprell-render: give --library and either --all or figure numbers (see --help).\n" << usage;
        return BadUsage;
    }
    QSize size = thumbnails ? Thumbnails::size : QSize(1000, 800);
    if (parser.isSet(sizeOption)) {
        bool ok = false;
        size = parseSize(parser.value(sizeOption), &ok);
        if (!ok) {
            err << "taprell-render: --size takes WIDTHxHEIGHT, each 16 to 20000, such as 1000x800.\n";
            return BadUsage;
        }
    }
    const QString format = parser.value(formatOption).toLower();
    if (FigureExport::formatOf(QStringLiteral("x.") + format) == FigureExport::Format::Unknown) {
        err << "taprell-render: unknown format \"" << format << "\" (svg, pdf, png or gif).\n";
        return BadUsage;
    }

    // The library: an install folder, the file itself, or a server (named without its password).
    QString libraryFile = parser.value(libraryOption);
    QString installFolder;
    const bool server = pg::isConnectionString(libraryFile);
    const QString shown = server ? pg::redacted(libraryFile) : QDir::toNativeSeparators(libraryFile);
    if (server) {
        // A server holds no thumbnails: they stay in each user's install folder (Path).
        if (thumbnails && !parser.isSet(outputOption)) {
            err << "taprell-render: a library on a server has no install folder: give the thumbnails' folder "
                   "with -o (Path's Diagram/MiniMap/).\n";
            return BadUsage;
        }
    } else if (QFileInfo(libraryFile).isDir()) {
        installFolder = libraryFile;
        libraryFile = QDir(installFolder).filePath(QStringLiteral("dbase/system.mdb"));
    } else {
        installFolder = QFileInfo(libraryFile).dir().filePath(QStringLiteral(".."));
    }
    if (!server && !QFileInfo::exists(libraryFile)) {
        err << "taprell-render: no figure library at " << QDir::toNativeSeparators(libraryFile) << "\n";
        return NoLibrary;
    }
    Library library;
    QStringList numbers;
    if (Status status = library.open(libraryFile, OpenMode::ReadOnly); !status) {
        err << "taprell-render: cannot open the figure library " << shown << ": " << status.error().details() << "\n";
        return NoLibrary;
    }
    if (Status status = FigureReader::figureNumbers(library, &numbers); !status) {
        err << "taprell-render: cannot read the figures of " << shown << ": " << status.error().details() << "\n";
        return NoLibrary;
    }
    if (all) {
        requested = numbers;
    } else {
        for (QString &number : requested) {
            const auto found = std::find_if(numbers.cbegin(), numbers.cend(), [&](const QString &n) {
                return n.compare(number, Qt::CaseInsensitive) == 0;
            });
            if (found == numbers.cend()) {
                err << "taprell-render: no figure " << number << " in " << shown << "\n";
                return UnknownFigure;
            }
            number = *found;
        }
    }

    // Where the files go: one named file, or a folder.
    const QString output = parser.value(outputOption);
    const bool oneFile =
        !thumbnails && requested.size() == 1 && !all && !output.isEmpty() && !QFileInfo(output).isDir();
    QString folder;
    if (oneFile) {
        if (FigureExport::formatOf(output) == FigureExport::Format::Unknown) {
            err << "taprell-render: " << output << ": the file name must end in .svg, .pdf, .png or .gif\n";
            return BadUsage;
        }
        folder = QFileInfo(output).absolutePath();
    } else if (!output.isEmpty()) {
        folder = output;
    } else if (thumbnails) {
        folder = QDir(installFolder).filePath(QStringLiteral("Diagram/MiniMap"));
        QDir().mkpath(folder);
    } else {
        folder = QDir::currentPath();
    }
    if (!writableFolder(folder)) {
        err << "taprell-render: cannot write into " << QDir::toNativeSeparators(QFileInfo(folder).absoluteFilePath())
            << " (missing or not writable)\n";
        return Unwritable;
    }

    const bool progress = all;
    const bool terminal = isatty(fileno(stderr));
    QElapsedTimer clock;
    clock.start();
    int failed = 0, done = 0;
    for (const QString &number : std::as_const(requested)) {
        Figure figure;
        if (Status status = FigureReader::readFigure(library, number, &figure); !status) {
            err << number << ": cannot be read: " << status.error().details() << "\n";
            ++failed;
            continue;
        }
        const DiagramRenderer renderer(figure, Wording::English);
        for (const QString &problem : renderer.problems()) {
            err << number << ": " << problem << "\n";
        }
        QString target;
        if (thumbnails) {
            target = Thumbnails::fileName(folder, figure.record.figName);
        } else if (oneFile) {
            target = output;
        } else {
            target = QDir(folder).filePath(number + QStringLiteral(".") + format);
        }
        QString error;
        if (!FigureExport::write(renderer, target, size, {}, &error)) {
            err << number << ": " << error << "\n";
            ++failed;
        }
        ++done;
        if (progress && (terminal || done % 100 == 0 || done == requested.size())) {
            err << (terminal ? "\r" : "") << "taprell-render: " << done << "/" << requested.size() << " figures, "
                << QString::number(clock.elapsed() / 1000.0, 'f', 1) << " s" << (terminal ? "" : "\n");
            err.flush();
        }
    }
    if (progress && terminal) {
        err << "\n";
    }
    if (!oneFile) {
        out << (done - failed) << " of " << requested.size() << " figures written to "
            << QDir::toNativeSeparators(QFileInfo(folder).absoluteFilePath()) << "\n";
    }
    return failed == 0 ? Success : DrawingFailed;
}
