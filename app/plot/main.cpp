// SPDX-License-Identifier: GPL-3.0-or-later
// taprell-plot: draws the samples of a table (CSV, TSV or XLSX) on figures of a figure library
// and writes each as an SVG, PDF or PNG file.
#include <diagram/AxisTitle.h>
#include <diagram/DiagramRenderer.h>
#include <diagram/FigureExport.h>
#include <diagram/SampleLayer.h>
#include <library/server/PgDatabase.h>
#include <library/store/FigureAxes.h>
#include <library/store/Library.h>
#include <plot/PlotSession.h>
#include <plot/TableExport.h>
#include <preview/FigureReader.h>
#include <samples/DelimitedTable.h>
#include <samples/Expression.h>
#include <samples/XlsxTable.h>

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>
#include <QTextStream>

#include <cmath>
#include <optional>

namespace {

// Exit statuses, also listed by --help; 0 to 5 as taprell-render's.
enum Exit
{
    Success = 0,
    DrawingFailed = 1, // a figure could not be drawn or its file written
    BadUsage = 2,
    NoLibrary = 3,
    UnknownFigure = 4,
    Unwritable = 5, // the output folder is missing or cannot be written
    BadSamples = 6, // the sample file cannot be read, or an expression or the group column does not fit it
};

const char *const usage =
    "Usage: taprell-plot --library PATH --figure FIGURE [--figure FIGURE...] --samples FILE [--sheet NAME] "
    "[--x EXPR --y EXPR | --corners EXPR,EXPR,EXPR] [--group COLUMN] [--width N] [--height N] [--dpi N] "
    "[-o OUTPUT] [--classify TABLE]\n";

const char *const exitHelp = "Exit status: 0 done, 1 a figure could not be drawn or written, 2 bad arguments, 3 the "
                             "library is missing or unreadable, 4 an unknown figure number, 5 the output folder is "
                             "missing or not writable, 6 the sample file cannot be read or an expression or the group "
                             "column does not fit it.";

QString reasonText(const samples::ExpressionValues &values, qsizetype row, const samples::SampleTable &table)
{
    using samples::NoValueReason;
    switch (values.reason(row)) {
    case NoValueReason::Missing: {
        const qsizetype column = values.missingColumn(row);
        return column >= 0 ? QStringLiteral("%1 has no value").arg(table.column(column).name())
                           : QStringLiteral("a column has no value");
    }
    case NoValueReason::DivisionByZero:
        return QStringLiteral("division by zero");
    case NoValueReason::LogOfNonPositive:
        return QStringLiteral("logarithm of a number <= 0");
    case NoValueReason::SqrtOfNegative:
        return QStringLiteral("square root of a negative number");
    case NoValueReason::OutOfRange:
        return QStringLiteral("result out of range");
    case NoValueReason::None:
        break;
    }
    return QStringLiteral("no value");
}

// The most common reason of the samples without a value.
QString mostCommonReason(const SampleLayer &layer, const QList<samples::ExpressionValues> &axes,
                         const samples::SampleTable &table)
{
    QString common;
    QHash<QString, qsizetype> reasons;
    qsizetype most = 0;
    for (const qsizetype row : layer.noValue()) {
        const auto axis = std::find_if(axes.cbegin(), axes.cend(),
                                       [&](const samples::ExpressionValues &v) { return std::isnan(v.value(row)); });
        const QString reason = axis == axes.cend() ? QStringLiteral("the corner components add up to 0 or less")
                                                   : reasonText(*axis, row, table);
        if (const qsizetype n = ++reasons[reason]; n > most) {
            most = n;
            common = reason;
        }
    }
    return common;
}

// The file for one figure: the output itself, or with the figure number before its ending.
QString outputFor(const QString &output, const QString &number, bool several)
{
    if (!several) {
        return output;
    }
    const QFileInfo info(output);
    return info.dir().filePath(info.completeBaseName() + u'-' + number + u'.' + info.suffix());
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("taprell-plot"));
    QGuiApplication::setApplicationVersion(QStringLiteral(TAPRELL_VERSION));
    QTextStream out(stdout), err(stderr);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Draws the samples of a table on figures of a Taprell figure library, as SVG, PDF or PNG.\n\n"
                       "  taprell-plot --library demo --figure B001 --samples rocks.csv --x SiO2 --y Na2O+K2O "
                       "--group Type -o tas.svg\n"
                       "  taprell-plot --library demo --figure B001 --figure B002 --samples rocks.csv -o plot.svg\n"
                       "  taprell-plot --library demo --figure B001 --figure B002 --samples rocks.csv --classify "
                       "named.xlsx\n"
                       "  taprell-plot --library demo --figure T001 --samples rocks.xlsx --corners "
                       "\"Na2O+K2O,FeO+0.8998*Fe2O3,MgO\" -o afm.png --dpi 300\n\n") +
        QString::fromLatin1(exitHelp));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption libraryOption(
        QStringLiteral("library"),
        QStringLiteral("The install folder (its dbase/system.mdb), the library file itself, or a library on a "
                       "PostgreSQL server as the Library setting names it (postgresql://host/db, service=lab)."),
        QStringLiteral("library"));
    const QCommandLineOption figureOption(QStringLiteral("figure"),
                                          QStringLiteral("A figure number, such as B001; may be given again."),
                                          QStringLiteral("figure"));
    const QCommandLineOption samplesOption(QStringLiteral("samples"),
                                           QStringLiteral("The sample table: .csv, .tsv, .txt or .xlsx."),
                                           QStringLiteral("file"));
    const QCommandLineOption sheetOption(QStringLiteral("sheet"),
                                         QStringLiteral("The sheet of an XLSX file. Default: the first."),
                                         QStringLiteral("name"));
    const QCommandLineOption xOption(QStringLiteral("x"),
                                     QStringLiteral("The x axis expression (rectangular). Default: the figure's own, "
                                                    "as the library keeps it."),
                                     QStringLiteral("expr"));
    const QCommandLineOption yOption(QStringLiteral("y"), QStringLiteral("The y axis expression (rectangular)."),
                                     QStringLiteral("expr"));
    const QCommandLineOption cornersOption(
        QStringLiteral("corners"),
        QStringLiteral("The left, top and right corner expressions of a triangular figure, separated by commas; "
                       "each sample's three are normalised to 100."),
        QStringLiteral("exprs"));
    const QCommandLineOption groupOption(
        QStringLiteral("group"), QStringLiteral("The column whose texts group the samples, each group its symbol."),
        QStringLiteral("column"));
    const QCommandLineOption widthOption(QStringLiteral("width"), QStringLiteral("Width in pixels. Default: 1000."),
                                         QStringLiteral("pixels"), QStringLiteral("1000"));
    const QCommandLineOption heightOption(QStringLiteral("height"), QStringLiteral("Height in pixels. Default: 800."),
                                          QStringLiteral("pixels"), QStringLiteral("800"));
    const QCommandLineOption dpiOption(
        QStringLiteral("dpi"),
        QStringLiteral("Dots per inch: a PNG's stated resolution, a PDF's page size. Default: 96."),
        QStringLiteral("dpi"), QStringLiteral("96"));
    const QCommandLineOption outputOption(
        {QStringLiteral("o"), QStringLiteral("output")},
        QStringLiteral("The file to write (.svg, .pdf or .png); with several figures each figure's number is put "
                       "before the ending (out-B001.svg)."),
        QStringLiteral("file"));
    const QCommandLineOption xTitleOption(
        QStringLiteral("x-title"),
        QStringLiteral("The x axis title; _ lowers and ^ raises the digits after it (SiO_2 (wt%)), or {text}. "
                       "Default: the x expression with the digits of its formulas lowered; \"\" for none."),
        QStringLiteral("title"));
    const QCommandLineOption yTitleOption(QStringLiteral("y-title"), QStringLiteral("The y axis title, as --x-title."),
                                          QStringLiteral("title"));
    const QCommandLineOption equalDecadesOption(
        QStringLiteral("equal-decades"),
        QStringLiteral("On log-log axes, a decade the same length on both axes (the plot made smaller to fit)."));
    const QCommandLineOption printOption(QStringLiteral("print"),
                                         QStringLiteral("Black boundary lines, and set line widths for print."));
    const QCommandLineOption classifyOption(
        QStringLiteral("classify"),
        QStringLiteral("Writes the table with each sample's coordinates and field on every figure (.csv, or .xlsx "
                       "with a sheet of the counts per field), and prints the counts."),
        QStringLiteral("file"));
    parser.addOptions({libraryOption, figureOption, samplesOption, sheetOption, xOption, yOption, cornersOption,
                       groupOption, xTitleOption, yTitleOption, equalDecadesOption, printOption, widthOption,
                       heightOption, dpiOption, outputOption, classifyOption});
    if (!parser.parse(QCoreApplication::arguments())) {
        err << "taprell-plot: " << parser.errorText() << "\n" << usage;
        return BadUsage;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        const QString help = parser.helpText();
        out << usage << help.mid(help.indexOf(u'\n') + 1);
        return Success;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        out << "taprell-plot " << TAPRELL_VERSION << "\n";
        return Success;
    }
    auto usageError = [&](const QString &message) {
        err << "taprell-plot: " << message << "\n" << usage;
        return BadUsage;
    };
    if (!parser.positionalArguments().isEmpty()) {
        return usageError(QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().first()));
    }
    if (!parser.isSet(libraryOption) || !parser.isSet(figureOption) || !parser.isSet(samplesOption) ||
        !(parser.isSet(outputOption) || parser.isSet(classifyOption))) {
        return usageError(QStringLiteral("give --library, --figure, --samples and -o or --classify (see --help)."));
    }
    const bool corners = parser.isSet(cornersOption);
    const bool given = corners || parser.isSet(xOption) || parser.isSet(yOption); // else each figure's own
    if (given && (corners == (parser.isSet(xOption) || parser.isSet(yOption)) ||
                  (!corners && !(parser.isSet(xOption) && parser.isSet(yOption))))) {
        return usageError(QStringLiteral("give either --x and --y or --corners, or neither for each figure's own."));
    }
    bool wOk = false, hOk = false, dOk = false;
    const QSize size(parser.value(widthOption).toInt(&wOk), parser.value(heightOption).toInt(&hOk));
    const int dpi = parser.value(dpiOption).toInt(&dOk);
    if (!wOk || !hOk || size.width() < 16 || size.height() < 16 || size.width() > 20000 || size.height() > 20000) {
        return usageError(QStringLiteral("--width and --height take 16 to 20000 pixels."));
    }
    if (!dOk || dpi < 10 || dpi > 10000) {
        return usageError(QStringLiteral("--dpi takes 10 to 10000."));
    }
    const QString output = parser.value(outputOption);
    const FigureExport::Format format = FigureExport::formatOf(output);
    if (!output.isEmpty() && (format == FigureExport::Format::Unknown || format == FigureExport::Format::Gif)) {
        return usageError(QStringLiteral("%1: the file name must end in .svg, .pdf or .png").arg(output));
    }
    const QString classified = parser.value(classifyOption);
    QStringList givenTexts;
    if (corners) {
        givenTexts = parser.value(cornersOption).split(u',');
        if (givenTexts.size() != 3) {
            return usageError(QStringLiteral("--corners takes three expressions separated by commas."));
        }
    } else if (given) {
        givenTexts = {parser.value(xOption), parser.value(yOption)};
    }

    // The samples and their axis values.
    const QString samplesFile = parser.value(samplesOption);
    const QString suffix = QFileInfo(samplesFile).suffix().toLower();
    const samples::ReadResult read = suffix == u"xlsx" ? samples::readXlsxFile(samplesFile, parser.value(sheetOption))
                                                       : samples::readDelimitedFile(samplesFile);
    if (!read.ok()) {
        err << "taprell-plot: cannot read " << QDir::toNativeSeparators(samplesFile) << ": " << read.error << "\n";
        return BadSamples;
    }
    const samples::SampleTable &table = read.table;
    std::optional<samples::ColumnMatch> group;
    if (parser.isSet(groupOption)) {
        group = table.find(parser.value(groupOption));
        if (!group->found()) {
            err << "taprell-plot: the group column \"" << parser.value(groupOption) << "\" "
                << (group->clash() ? "matches several columns" : "is not in the table") << "\n";
            return BadSamples;
        }
    }

    // The library: an install folder, the file itself, or a server (named without its password).
    QString libraryFile = parser.value(libraryOption);
    const bool server = pg::isConnectionString(libraryFile);
    const QString shown = server ? pg::redacted(libraryFile) : QDir::toNativeSeparators(libraryFile);
    if (!server && QFileInfo(libraryFile).isDir()) {
        libraryFile = QDir(libraryFile).filePath(QStringLiteral("dbase/system.mdb"));
    }
    if (!server && !QFileInfo::exists(libraryFile)) {
        err << "taprell-plot: no figure library at " << QDir::toNativeSeparators(libraryFile) << "\n";
        return NoLibrary;
    }
    Library library;
    QStringList numbers;
    if (Status status = library.open(libraryFile, OpenMode::ReadOnly); !status) {
        err << "taprell-plot: cannot open the figure library " << shown << ": " << status.error().details() << "\n";
        return NoLibrary;
    }
    if (Status status = FigureReader::figureNumbers(library, &numbers); !status) {
        err << "taprell-plot: cannot read the figures of " << shown << ": " << status.error().details() << "\n";
        return NoLibrary;
    }
    QStringList requested = parser.values(figureOption);
    for (QString &number : requested) {
        const auto found = std::find_if(numbers.cbegin(), numbers.cend(),
                                        [&](const QString &n) { return n.compare(number, Qt::CaseInsensitive) == 0; });
        if (found == numbers.cend()) {
            err << "taprell-plot: no figure " << number << " in " << shown << "\n";
            return UnknownFigure;
        }
        number = *found;
    }
    for (const QString &file : {output, classified}) {
        const QFileInfo outputInfo(QFileInfo(file).absolutePath());
        if (!file.isEmpty() && (!outputInfo.isDir() || !outputInfo.isWritable())) {
            err << "taprell-plot: cannot write into " << QDir::toNativeSeparators(outputInfo.absoluteFilePath())
                << " (missing or not writable)\n";
            return Unwritable;
        }
    }
    plot::PlotSession session; // the figures to classify

    int failed = 0;
    for (const QString &number : std::as_const(requested)) {
        Figure figure;
        if (Status status = FigureReader::readFigure(library, number, &figure); !status) {
            err << number << ": cannot be read: " << status.error().details() << "\n";
            ++failed;
            continue;
        }
        const DiagramRenderer renderer(figure, Wording::English);
        if (given && renderer.isTriangular() != corners) {
            err << number << ": a " << (renderer.isTriangular() ? "triangular" : "rectangular") << " figure takes "
                << (renderer.isTriangular() ? "--corners" : "--x and --y") << "\n";
            ++failed;
            continue;
        }
        // The figure's own expressions and titles, as the library keeps them, unless given.
        std::optional<store::FigureAxes> stored;
        if (Status status = store::Axes::read(library, number, &stored); !status) {
            err << number << ": cannot read its axes: " << status.error().details() << "\n";
            ++failed;
            continue;
        }
        QStringList axisTexts = givenTexts;
        if (!given && stored) {
            axisTexts = renderer.isTriangular() ? QStringList{stored->left, stored->top, stored->right}
                                                : QStringList{stored->x, stored->y};
        }
        if (axisTexts.isEmpty() || std::any_of(axisTexts.cbegin(), axisTexts.cend(),
                                               [](const QString &text) { return text.trimmed().isEmpty(); })) {
            err << "taprell-plot: " << number << " has no axis expressions in the library: give "
                << (renderer.isTriangular() ? "--corners" : "--x and --y") << "\n";
            return BadUsage;
        }
        QList<samples::ExpressionValues> axes;
        for (const QString &text : std::as_const(axisTexts)) {
            const samples::Expression expression = samples::Expression::compile(text.trimmed(), table);
            if (!expression.ok()) {
                err << "taprell-plot: " << number << ": in \"" << text.trimmed() << "\"";
                if (expression.error().position >= 0) {
                    err << " at " << (expression.error().position + 1);
                }
                err << ": " << expression.error().message << "\n";
                return BadSamples;
            }
            axes.append(expression.evaluate(table));
        }
        SampleLayer layer = renderer.isTriangular()
                                ? SampleLayer::shares(axes[0].values(), axes[1].values(), axes[2].values())
                                : SampleLayer::points(axes[0].values(), axes[1].values());
        if (group) {
            const samples::SampleColumn &column = table.column(group->index());
            layer.setGroups(table.rowCount(), [&](qsizetype row) {
                const double value = column.values()[size_t(row)];
                return std::isnan(value) ? column.text(row).trimmed() : QString::number(value);
            });
        }
        const QString commonReason = mostCommonReason(layer, axes, table);
        if (!classified.isEmpty()) {
            plot::FigureChoice choice{figure, {}, {}};
            QString *const texts[] = {&choice.axes.x, &choice.axes.y};
            QString *const cornerTexts[] = {&choice.axes.left, &choice.axes.top, &choice.axes.right};
            for (qsizetype i = 0; i < axisTexts.size(); ++i) {
                *(renderer.isTriangular() ? cornerTexts[i] : texts[i]) = axisTexts[i].trimmed();
            }
            if (stored) {
                for (const store::FigureAxes::FieldName &name : stored->fieldNames) {
                    choice.fieldOptions.names << Classify::FieldName{name.at, name.name};
                }
                choice.fieldOptions.extendToFrame = stored->extendToFrame;
            }
            session.addFigure(choice);
        }
        if (output.isEmpty()) {
            continue;
        }
        for (const QString &problem : renderer.problems()) {
            err << number << ": " << problem << "\n";
        }
        RenderOptions options;
        options.samples = &layer;
        options.dotsPerInch = dpi;
        if (!renderer.isTriangular()) {
            const auto title = [&](const QCommandLineOption &option, int axis) {
                if (parser.isSet(option)) {
                    return parser.value(option);
                }
                const QString own = !given && stored ? (axis == 0 ? stored->xTitle : stored->yTitle) : QString();
                return own.isEmpty() ? AxisTitle::fromExpression(axisTexts[axis].trimmed()) : own;
            };
            options.xTitle = title(xTitleOption, 0);
            options.yTitle = title(yTitleOption, 1);
        } else {
            for (const QString &text : std::as_const(axisTexts)) {
                options.cornerTitles << AxisTitle::fromExpression(text.trimmed());
            }
        }
        options.equalDecades = parser.isSet(equalDecadesOption);
        if (parser.isSet(printOption)) {
            // At the stated resolution: 0.25 mm boundary lines, a 0.35 mm frame.
            options.blackLines = true;
            options.lineWidth = std::max(1.0, 0.25 / 25.4 * dpi);
            options.frameWidth = std::max(1.0, 0.35 / 25.4 * dpi);
        }
        const SampleCounts counts = layer.count(renderer.layout(QRectF(QPointF(0, 0), QSizeF(size)), nullptr, options));
        err << number << ": " << counts.drawn << " of " << layer.size() << " samples drawn, " << layer.noValue().size()
            << " without a value";
        if (!layer.noValue().empty()) {
            err << " (most often: " << commonReason << ")";
        }
        err << ", " << counts.outside << " outside the frame\n";
        QString error;
        if (!FigureExport::write(renderer, outputFor(output, number, requested.size() > 1), size, options, &error)) {
            err << number << ": " << error << "\n";
            ++failed;
        }
    }
    if (!classified.isEmpty() && session.figureCount() > 0) {
        session.setTable(table);
        if (group) {
            session.setGroupColumn(group->index());
        }
        session.compute();
        for (qsizetype f = 0; f < session.figureCount(); ++f) {
            const plot::FigureResult &result = session.result(f);
            const QString number = session.figure(f).figure.record.th;
            if (!result.error.isEmpty()) {
                err << number << ": " << result.error << "\n";
                continue;
            }
            const Classify::FieldMap *fields = session.fieldMap(f);
            for (qsizetype i = 0; fields && i < fields->fields().size(); ++i) {
                if (result.fieldCounts.value(i) > 0) {
                    out << number << '\t' << QString(fields->fields()[i].name).replace(u'\n', u' ') << '\t'
                        << result.fieldCounts[i] << '\n';
                }
            }
            out << number << "\ton a boundary\t" << result.boundaryCount << '\n'
                << number << "\toutside the diagram\t" << result.outsideCount << '\n'
                << number << "\tno value\t" << result.noValueCount << '\n';
        }
        const QString problem = classified.endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive)
                                    ? plot::exportXlsx(session, classified)
                                    : plot::exportCsv(session, classified);
        if (!problem.isEmpty()) {
            err << "taprell-plot: cannot write " << QDir::toNativeSeparators(classified) << ": " << problem << "\n";
            return Unwritable;
        }
    }
    return failed == 0 ? Success : DrawingFailed;
}
