// SPDX-License-Identifier: GPL-3.0-or-later
// taprell-library: copies a whole figure library between a library file and a PostgreSQL
// server, in either direction, so a lab can publish its library and a user can take a copy home.
#include <classify/FieldMap.h>
#include <diagram/Figure.h>
#include <exchange/Bundle.h>
#include <exchange/DiagramFiles.h>
#include <library/store/FigureAxes.h>
#include <library/store/Library.h>
#include <librarycopy/LibraryCopy.h>
#include <preview/FigureReader.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QSaveFile>
#include <QTextStream>

#include <unistd.h>

namespace {

constexpr int badUsage = 2;

const char *const usage =
    "Usage: taprell-library copy [--replace] [-q] SOURCE TARGET\n"
    "       taprell-library export [--figure TH]... [--group N] [--all] [--format bundle|lines] LIBRARY FILE.json\n"
    "       taprell-library import [--on-conflict skip|replace|renumber] [--dry-run] "
    "FILE.json LIBRARY\n";

// Exit statuses of export and import beside copy's.
constexpr int badBundle = 6; // the bundle cannot be read, or is not a valid bundle

const char *const description =
    "Copies a whole Taprell figure library (figures, groups, points and labels) from SOURCE to TARGET.\n"
    "Each is a library file (an install folder, for its dbase/system.mdb, or the .mdb file itself) or a\n"
    "PostgreSQL server: a connection URI (postgresql://host/db) or key=value pairs (service=lab).\n"
    "Give no password there: libpq reads it from ~/.pgpass, the service file or PGPASSWORD.\n\n"
    "  taprell-library copy ~/kalvor 'postgresql://db.lab.example/figures'\n"
    "  taprell-library copy service=lab ~/kalvor-copy\n\n"
    "The target is written in one transaction: after a failure it is as it was. A target that\n"
    "already holds a library is refused unless --replace is given.\n\n"
    "Exit status: 0 copied, 1 the copy failed (the target is unchanged), 2 bad arguments, 3 the source\n"
    "is missing, unreachable or not a figure library, 4 the target cannot be reached or written,\n"
    "5 the target is not empty and --replace was not given.\n\n"
    "export writes figures of LIBRARY (--figure, again for more; --group; or --all) as a Taprell bundle,\n"
    "a JSON file with every field of each figure, its group, points, labels, axes and field corrections.\n"
    "import writes a bundle's figures into LIBRARY in one transaction: all of them or none. A figure\n"
    "number the library holds already is skipped (the default), replaced, or renumbered to the next free\n"
    "number of its letter; --dry-run lists what would be done and writes nothing. Exit status: 0 done,\n"
    "1 the library refused the write (nothing written), 2 bad arguments, 3 the library is missing or\n"
    "unreachable, 4 an unknown figure or the bundle file cannot be written, 6 the bundle cannot be read.";

// Opens the library a location names (an install folder, the file, or a server).
bool openLibrary(Library &library, const QString &where, OpenMode mode, QTextStream &err)
{
    const LibraryCopy::Location location = LibraryCopy::locate(where);
    const bool file = location.kind == LibraryCopy::Location::Kind::File;
    if (file && !QFileInfo::exists(location.fileName)) {
        err << "taprell-library: there is no figure library at " << location.shown << '\n';
        return false;
    }
    if (Status status = library.open(file ? location.fileName : location.text, mode); !status) {
        err << "taprell-library: " << location.shown << ": " << status.error().details() << '\n';
        return false;
    }
    return true;
}

// The figures of a bundle as one lines file of the scripting tools, with their fields as polygons.
QByteArray linesFile(Library &library, const exchange::Bundle &bundle)
{
    QJsonObject all;
    for (const exchange::BundleFigure &figure : bundle.figures) {
        Figure drawn;
        FigureReader::readFigure(library, figure.number(), &drawn);
        std::optional<store::FigureAxes> axes;
        store::Axes::read(library, figure.number(), &axes);
        QStringList names{QStringLiteral("x"), QStringLiteral("y")};
        Classify::FieldOptions options;
        if (drawn.record.isTriangular()) {
            names = {QStringLiteral("top"), QStringLiteral("left"), QStringLiteral("right")};
        }
        if (axes) {
            const QStringList own = drawn.record.isTriangular() ? QStringList{axes->top, axes->left, axes->right}
                                                                : QStringList{axes->x, axes->y};
            for (qsizetype i = 0; i < names.size(); ++i) {
                names[i] = own[i].isEmpty() ? names[i] : own[i];
            }
            for (const store::FigureAxes::FieldName &name : axes->fieldNames) {
                options.names << Classify::FieldName{name.at, name.name};
            }
            options.extendToFrame = axes->extendToFrame;
        }
        const QJsonObject one = QJsonDocument::fromJson(exchange::exportLinesFile(drawn, names, options)).object();
        for (auto it = one.constBegin(); it != one.constEnd(); ++it) {
            all.insert(it.key(), it.value());
        }
    }
    return QJsonDocument(all).toJson(QJsonDocument::Indented);
}

int exportBundle(const QString &where, const exchange::Selection &selection, const QString &file, bool lines,
                 QTextStream &out, QTextStream &err)
{
    Library library;
    if (!openLibrary(library, where, OpenMode::ReadOnly, err)) {
        return 3;
    }
    exchange::Bundle bundle;
    if (Status status = exchange::read(library, selection, &bundle); !status) {
        err << "taprell-library: " << status.error().details() << '\n';
        return 4;
    }
    QSaveFile saved(file);
    const QByteArray json = lines ? linesFile(library, bundle) : exchange::toJson(bundle);
    if (!saved.open(QIODevice::WriteOnly) || saved.write(json) < 0 || !saved.commit()) {
        err << "taprell-library: cannot write " << file << ": " << saved.errorString() << '\n';
        return 4;
    }
    for (const QString &note : std::as_const(bundle.notes)) {
        err << "note: " << note << '\n';
    }
    out << "Exported " << bundle.figures.size() << " figure(s) to " << file << ".\n";
    return 0;
}

int importBundle(const QString &file, const QString &where, exchange::OnConflict onConflict, bool dryRun,
                 QTextStream &out, QTextStream &err)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) {
        err << "taprell-library: " << file << ": " << in.errorString() << '\n';
        return badBundle;
    }
    if (in.size() > exchange::largestBundle) {
        err << "taprell-library: " << file << ": larger than 50 MB\n";
        return badBundle;
    }
    const QByteArray json = in.readAll();
    Library library;
    if (!openLibrary(library, where, OpenMode::ReadWrite, err)) {
        return 3;
    }
    const exchange::ImportResult result = exchange::importFile(library, json, onConflict, dryRun);
    for (const QString &note : result.notes) {
        err << "note: " << note << '\n';
    }
    if (!result.status) {
        const bool unreadable = result.steps.isEmpty() && result.status.error().engineMessage.isEmpty();
        err << "taprell-library: nothing was imported: " << result.status.error().details() << '\n';
        return unreadable ? badBundle : 1;
    }
    static const char *const actions[] = {"add", "replace", "add as", "skip"};
    for (const exchange::ImportStep &step : result.steps) {
        out << actions[int(step.action)] << ' ' << step.number;
        if (step.action == exchange::ImportStep::Action::Renumber) {
            out << ' ' << step.as;
        }
        out << '\n';
    }
    if (dryRun) {
        out << "Dry run: nothing was written.\n";
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("taprell-library"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TAPRELL_VERSION));
    QTextStream out(stdout), err(stderr);

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(description));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption replaceOption(QStringLiteral("replace"),
                                           QStringLiteral("Replace the library the target holds."));
    const QCommandLineOption quietOption({QStringLiteral("q"), QStringLiteral("quiet")},
                                         QStringLiteral("No progress, only errors."));
    const QCommandLineOption figureOption(QStringLiteral("figure"), QStringLiteral("export: a figure number."),
                                          QStringLiteral("th"));
    const QCommandLineOption groupOption(QStringLiteral("group"), QStringLiteral("export: the figures of a group."),
                                         QStringLiteral("n"));
    const QCommandLineOption allOption(QStringLiteral("all"), QStringLiteral("export: every figure."));
    const QCommandLineOption conflictOption(
        QStringLiteral("on-conflict"),
        QStringLiteral("import: what to do with a figure number the library holds: skip, replace or renumber."),
        QStringLiteral("what"), QStringLiteral("skip"));
    const QCommandLineOption formatOption(
        QStringLiteral("format"),
        QStringLiteral("export: bundle (Taprell's own) or lines (the scripting tools' diagram file, with the fields "
                       "as polygons)."),
        QStringLiteral("format"), QStringLiteral("bundle"));
    const QCommandLineOption dryRunOption(QStringLiteral("dry-run"),
                                          QStringLiteral("import: list what would be done, write nothing."));
    parser.addOption(replaceOption);
    parser.addOption(quietOption);
    parser.addOptions({figureOption, groupOption, allOption, conflictOption, dryRunOption, formatOption});
    parser.addPositionalArgument(QStringLiteral("copy"), QStringLiteral("The command: copy."));
    parser.addPositionalArgument(QStringLiteral("SOURCE"), QStringLiteral("The library to read."));
    parser.addPositionalArgument(QStringLiteral("TARGET"), QStringLiteral("The library to write."));
    // Not process(): it ends with status 1 on an unknown option, where 2 is bad arguments.
    if (!parser.parse(QCoreApplication::arguments())) {
        err << "taprell-library: " << parser.errorText() << '\n' << usage;
        return badUsage;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        // The usage line the errors print, in place of Qt's with the program's whole path.
        const QString help = parser.helpText();
        out << usage << help.mid(help.indexOf(u'\n') + 1);
        return 0;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        out << "taprell-library " << TAPRELL_VERSION << '\n';
        return 0;
    }

    const QStringList arguments = parser.positionalArguments();
    if (arguments.size() == 3 && arguments[0] == QStringLiteral("export")) {
        exchange::Selection selection{parser.values(figureOption), parser.value(groupOption), parser.isSet(allOption)};
        if (selection.figureNumbers.isEmpty() && selection.group.isEmpty() && !selection.all) {
            err << "taprell-library: export: give --figure, --group or --all\n" << usage;
            return badUsage;
        }
        const QString format = parser.value(formatOption);
        if (format != u"bundle" && format != u"lines") {
            err << "taprell-library: --format takes bundle or lines\n" << usage;
            return badUsage;
        }
        return exportBundle(arguments[1], selection, arguments[2], format == u"lines", out, err);
    }
    if (arguments.size() == 3 && arguments[0] == QStringLiteral("import")) {
        const QString mode = parser.value(conflictOption);
        const QStringList modes{QStringLiteral("skip"), QStringLiteral("replace"), QStringLiteral("renumber")};
        if (!modes.contains(mode)) {
            err << "taprell-library: --on-conflict takes skip, replace or renumber\n" << usage;
            return badUsage;
        }
        return importBundle(arguments[1], arguments[2], exchange::OnConflict(modes.indexOf(mode)),
                            parser.isSet(dryRunOption), out, err);
    }
    if (arguments.size() != 3 || arguments[0] != QStringLiteral("copy")) {
        err << usage;
        return badUsage;
    }
    const LibraryCopy::Location source = LibraryCopy::locate(arguments[1]);
    const LibraryCopy::Location target = LibraryCopy::locate(arguments[2]);
    const auto replace = parser.isSet(replaceOption) ? LibraryCopy::Replace::Yes : LibraryCopy::Replace::No;
    const bool quiet = parser.isSet(quietOption);
    const bool terminal = isatty(STDERR_FILENO);
    const QLocale numbers(QLocale::English);

    // On a terminal one line is rewritten; otherwise a line per table and per tenth of a large one.
    qint64 lastTenth = -1;
    QString lastLine;
    auto progress = [&](const LibraryCopy::Progress &p) {
        if (quiet) {
            return;
        }
        const QString line = QStringLiteral("%1: %2 of %3 rows (%4 of %5 in all)")
                                 .arg(p.table, numbers.toString(p.tableRows), numbers.toString(p.tableTotal),
                                      numbers.toString(p.done), numbers.toString(p.total));
        // The copy reports a table's end also when its last row was a reporting step.
        if (line == lastLine) {
            return;
        }
        lastLine = line;
        if (terminal) {
            err << '\r' << line << "\x1b[K";
            if (p.tableRows == p.tableTotal) {
                err << '\n';
            }
        } else {
            const qint64 tenth = p.total > 0 ? p.done * 10 / p.total : 10;
            if (p.tableRows == p.tableTotal || tenth != lastTenth) {
                err << line << '\n';
            }
            lastTenth = tenth;
        }
        err.flush();
    };

    QElapsedTimer timer;
    timer.start();
    const LibraryCopy::Result result = LibraryCopy::copy(source, target, replace, progress);
    if (result.outcome != LibraryCopy::Outcome::Copied) {
        err << "taprell-library: " << result.message << '\n';
        return int(result.outcome);
    }
    if (!quiet) {
        out << QStringLiteral("Copied %1 rows from %2 to %3 in %4 s.\n")
                   .arg(numbers.toString(result.rows), source.shown, target.shown)
                   .arg(timer.elapsed() / 1000.0, 0, 'f', 1);
    }
    return 0;
}
