// SPDX-License-Identifier: GPL-3.0-or-later
// taprell-library: copies a whole figure library between a library file and a PostgreSQL
// server, in either direction, so a lab can publish its library and a user can take a copy home.
#include <librarycopy/LibraryCopy.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLocale>
#include <QTextStream>

#include <unistd.h>

namespace {

constexpr int badUsage = 2;

const char *const usage = "Usage: taprell-library copy [--replace] [-q] SOURCE TARGET\n";

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
    "5 the target is not empty and --replace was not given.";

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
    parser.addOption(replaceOption);
    parser.addOption(quietOption);
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
