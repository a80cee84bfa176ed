// SPDX-License-Identifier: GPL-3.0-or-later
// The sample table readers and the axis expressions, one measure per call, so that run.sh can
// time each in its own process beside the programs a user would use instead:
//   bench_samples generate-csv FILE     1,000,000 rows: an id and 19 analyses (about 140 MB)
//   bench_samples generate-xlsx FILE    100,000 rows x 20 columns, written by libxlsxwriter
//   bench_samples read-csv FILE         reads it; prints "seconds rows columns"
//   bench_samples read-xlsx FILE        the same for a workbook
//   bench_samples expressions RUNS      A/CNK and A/NK over 1,000,000 samples; prints each run
#include <samples/DelimitedTable.h>
#include <samples/Expression.h>
#include <samples/XlsxTable.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>
#include <xlsxwriter.h>

using namespace samples;

namespace {

constexpr int numericColumns = 19;
const char *const names[numericColumns] = {"SiO2", "TiO2", "Al2O3", "Fe2O3", "FeO", "MnO", "MgO", "CaO", "Na2O", "K2O",
                                           "P2O5", "H2O",  "CO2",   "Rb",    "Sr",  "Ba",  "Zr",  "Nb",  "Y"};

// Deterministic values with a realistic spread of digits: 0.0123 … 9876.5.
double valueFor(qint64 row, int column)
{
    const quint64 h = quint64(row) * 2654435761ULL + quint64(column) * 40503ULL;
    const double unit = double((h >> 7) % 1000003) / 1000003.0;
    return std::round((0.01 + unit * std::pow(10.0, column % 4)) * 10000.0) / 10000.0;
}

int generateCsv(const char *file, qint64 rows)
{
    FILE *out = std::fopen(file, "wb");
    if (!out) {
        std::perror(file);
        return 1;
    }
    std::fputs("Sample", out);
    for (const char *name : names) {
        std::fprintf(out, ",%s", name);
    }
    std::fputs("\n", out);
    for (qint64 row = 0; row < rows; ++row) {
        std::fprintf(out, "GR-%07lld", static_cast<long long>(row));
        for (int c = 0; c < numericColumns; ++c) {
            std::fprintf(out, ",%.6g", valueFor(row, c));
        }
        std::fputs("\n", out);
    }
    return std::fclose(out) == 0 ? 0 : 1;
}

int generateXlsx(const char *file, int rows)
{
    lxw_workbook *book = workbook_new(file);
    lxw_worksheet *sheet = workbook_add_worksheet(book, "Analyses");
    worksheet_write_string(sheet, 0, 0, "Sample", nullptr);
    for (int c = 0; c < numericColumns; ++c) {
        worksheet_write_string(sheet, 0, lxw_col_t(c + 1), names[c], nullptr);
    }
    char id[32];
    for (int row = 0; row < rows; ++row) {
        std::snprintf(id, sizeof id, "GR-%07d", row);
        worksheet_write_string(sheet, lxw_row_t(row + 1), 0, id, nullptr);
        for (int c = 0; c < numericColumns; ++c) {
            worksheet_write_number(sheet, lxw_row_t(row + 1), lxw_col_t(c + 1), valueFor(row, c), nullptr);
        }
    }
    return workbook_close(book) == LXW_NO_ERROR ? 0 : 1;
}

int report(const ReadResult &read, double seconds)
{
    if (!read.ok()) {
        std::fprintf(stderr, "%s\n", qPrintable(read.error));
        return 1;
    }
    std::printf("%.4f %lld %lld\n", seconds, static_cast<long long>(read.table.rowCount()),
                static_cast<long long>(read.table.columnCount()));
    return 0;
}

int expressions(int runs)
{
    // A table of 1,000,000 analyses built in memory; one in 50 without a CaO value.
    QByteArray text = "Sample\tAl2O3\tCaO\tNa2O\tK2O\n";
    const qint64 rows = 1000000;
    text.reserve(rows * 40);
    for (qint64 row = 0; row < rows; ++row) {
        text += "S\t" + QByteArray::number(10 + valueFor(row, 1)) + '\t' +
                (row % 50 == 0 ? QByteArray("bdl") : QByteArray::number(valueFor(row, 2))) + '\t' +
                QByteArray::number(valueFor(row, 5)) + '\t' + QByteArray::number(valueFor(row, 4)) + '\n';
    }
    const ReadResult read = readPastedText(QString::fromLatin1(text));
    if (!read.ok()) {
        std::fprintf(stderr, "%s\n", qPrintable(read.error));
        return 1;
    }
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        const Expression x = Expression::compile(u"mol(Al2O3)/(mol(CaO)+mol(Na2O)+mol(K2O))", read.table);
        const Expression y = Expression::compile(u"mol(Al2O3)/(mol(Na2O)+mol(K2O))", read.table);
        const ExpressionValues xs = x.evaluate(read.table);
        const ExpressionValues ys = y.evaluate(read.table);
        const double seconds = double(timer.nsecsElapsed()) / 1e9;
        std::printf("%.4f %lld %lld\n", seconds, static_cast<long long>(xs.valueCount()),
                    static_cast<long long>(ys.valueCount()));
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s generate-csv|generate-xlsx|read-csv|read-xlsx FILE | expressions RUNS\n",
                     argv[0]);
        return 2;
    }
    const QString command = QString::fromLocal8Bit(argv[1]);
    const QString file = QString::fromLocal8Bit(argv[2]);
    if (command == u"generate-csv") {
        return generateCsv(argv[2], 1000000);
    }
    if (command == u"generate-xlsx") {
        return generateXlsx(argv[2], 100000);
    }
    if (command == u"expressions") {
        return expressions(std::max(1, std::atoi(argv[2])));
    }
    QElapsedTimer timer;
    timer.start();
    if (command == u"read-csv") {
        const ReadResult read = readDelimitedFile(file);
        return report(read, double(timer.nsecsElapsed()) / 1e9);
    }
    if (command == u"read-xlsx") {
        const ReadResult read = readXlsxFile(file);
        return report(read, double(timer.nsecsElapsed()) / 1e9);
    }
    std::fprintf(stderr, "unknown command %s\n", argv[1]);
    return 2;
}
