// SPDX-License-Identifier: GPL-3.0-or-later
#include <plot/PlotSession.h>
#include <plot/TableExport.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>
#include <QTemporaryFile>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <xlsxwriter.h>

namespace plot {

namespace {

// The spreadsheet's limits: rows including the header, characters in a cell.
constexpr qsizetype xlsxMaxRows = 1048576;
constexpr qsizetype xlsxMaxText = 32767;
// Rows written between two looks at the progress callback.
constexpr qsizetype progressRows = 1 << 14;

QString cancelled()
{
    return QStringLiteral("导出已取消，没有写入文件。");
}

QString figureName(const Figure &figure)
{
    const QString name = figure.record.tm.trimmed();
    return name.isEmpty() ? figure.record.th.trimmed() : name;
}

// A cell of the exported table: a number (NaN for none) or a text (UTF-8).
struct Cell
{
    double number = std::numeric_limits<double>::quiet_NaN();
    QByteArray text;
};

// The columns after the samples' own: per figure its coordinates and its place.
class ExportTable
{
public:
    explicit ExportTable(const PlotSession &session)
        : m_session(session)
    {
        // The texts of the places but no value, encoded once: fields, then boundary and outside.
        for (qsizetype f = 0; f < session.figureCount(); ++f) {
            m_coordinates.append(session.result(f).coordinates.size());
            QList<QByteArray> places;
            const Classify::FieldMap *fields = session.fieldMap(f);
            for (qsizetype i = 0; fields && i < fields->fields().size(); ++i) {
                places.append(fields->text({Classify::Place::Field, qint32(i)}).toUtf8());
            }
            places.append(fields ? fields->text({Classify::Place::Boundary, -1}).toUtf8() : QByteArray());
            places.append(fields ? fields->text({Classify::Place::Outside, -1}).toUtf8() : QByteArray());
            m_places.append(places);
        }
    }

    qsizetype rowCount() const { return m_session.table().rowCount(); }
    qsizetype columnCount() const
    {
        qsizetype count = m_session.table().columnCount();
        for (qsizetype c : m_coordinates) {
            count += c + 1;
        }
        return count;
    }

    Cell cell(qsizetype row, qsizetype column) const
    {
        const samples::SampleTable &table = m_session.table();
        if (column < table.columnCount()) {
            const double value = table.value(row, column);
            return std::isnan(value) ? Cell{value, table.column(column).text(row).toUtf8()} : Cell{value, {}};
        }
        column -= table.columnCount();
        for (qsizetype f = 0; f < m_coordinates.size(); ++f) {
            if (column < m_coordinates[f]) {
                return {m_session.result(f).coordinates[size_t(column)][size_t(row)], {}};
            }
            if (column == m_coordinates[f]) {
                const Classify::Location at = m_session.result(f).locations[size_t(row)];
                const QList<QByteArray> &places = m_places[f];
                const qsizetype known = at.place == Classify::Place::Field      ? at.field
                                        : at.place == Classify::Place::Boundary ? places.size() - 2
                                        : at.place == Classify::Place::Outside  ? places.size() - 1
                                                                                : -1;
                return {std::numeric_limits<double>::quiet_NaN(),
                        known >= 0 ? places[known] : m_session.placeText(f, row).toUtf8()};
            }
            column -= m_coordinates[f] + 1;
        }
        return {};
    }

private:
    const PlotSession &m_session;
    QList<qsizetype> m_coordinates;
    QList<QList<QByteArray>> m_places;
};

QString checkReady(const PlotSession &session, const QString &fileName)
{
    for (qsizetype f = 0; f < session.figureCount(); ++f) {
        if (!session.isComputed(f)) {
            return QStringLiteral("图“%1”的样品还没有算完，无法导出。").arg(figureName(session.figure(f).figure));
        }
    }
    const QFileInfo target(fileName);
    if (!target.absoluteDir().exists()) {
        return QStringLiteral("无法写入“%1”：文件夹“%2”不存在。")
            .arg(QDir::toNativeSeparators(fileName), QDir::toNativeSeparators(target.absolutePath()));
    }
    return {};
}

void appendNumber(QByteArray &out, double value)
{
    if (!std::isfinite(value)) {
        return;
    }
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    out.append(buffer, end - buffer);
}

void appendText(QByteArray &out, const QByteArray &utf8)
{
    const bool quote = utf8.contains(',') || utf8.contains('"') || utf8.contains('\n') || utf8.contains('\r') ||
                       (!utf8.isEmpty() && (utf8.front() == ' ' || utf8.back() == ' '));
    if (!quote) {
        out.append(utf8);
        return;
    }
    out.append('"');
    for (char c : utf8) {
        if (c == '"') {
            out.append('"');
        }
        out.append(c);
    }
    out.append('"');
}

} // namespace

QStringList exportHeader(const PlotSession &session)
{
    QStringList names = session.table().columnNames();
    for (qsizetype f = 0; f < session.figureCount(); ++f) {
        const QString name = figureName(session.figure(f).figure);
        const bool triangular = session.figure(f).figure.record.isTriangular();
        const QStringList parts = triangular
                                      ? QStringList{QStringLiteral("左角"), QStringLiteral("顶角"),
                                                    QStringLiteral("右角"), QStringLiteral("分类")}
                                      : QStringList{QStringLiteral("x"), QStringLiteral("y"), QStringLiteral("分类")};
        for (const QString &part : parts) {
            names.append(QStringLiteral("%1 %2").arg(name, part));
        }
    }
    // The readers tell columns apart without regard to case.
    QSet<QString> seen;
    for (QString &name : names) {
        QString unique = name;
        for (int n = 2; seen.contains(unique.toCaseFolded()); ++n) {
            unique = QStringLiteral("%1 (%2)").arg(name).arg(n);
        }
        seen.insert(unique.toCaseFolded());
        name = unique;
    }
    return names;
}

QString exportCsv(const PlotSession &session, const QString &fileName, const samples::Progress &progress)
{
    if (QString problem = checkReady(session, fileName); !problem.isEmpty()) {
        return problem;
    }
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        return QStringLiteral("无法写入“%1”：%2").arg(QDir::toNativeSeparators(fileName), file.errorString());
    }
    const ExportTable table(session);
    QByteArray out("\xEF\xBB\xBF");
    out.reserve((1 << 20) + (1 << 16));
    const QStringList header = exportHeader(session);
    for (qsizetype c = 0; c < header.size(); ++c) {
        if (c > 0) {
            out.append(',');
        }
        appendText(out, header[c].toUtf8());
    }
    out.append("\r\n");
    const qsizetype columns = table.columnCount();
    for (qsizetype row = 0; row < table.rowCount(); ++row) {
        for (qsizetype c = 0; c < columns; ++c) {
            if (c > 0) {
                out.append(',');
            }
            const Cell cell = table.cell(row, c);
            if (std::isnan(cell.number)) {
                appendText(out, cell.text);
            } else {
                appendNumber(out, cell.number);
            }
        }
        out.append("\r\n");
        if (out.size() > (1 << 20)) {
            file.write(out);
            out.truncate(0); // keeps the buffer
        }
        if (row % progressRows == 0 && progress && !progress(double(row) / double(table.rowCount()))) {
            file.cancelWriting();
            return cancelled();
        }
    }
    file.write(out);
    if (!file.commit()) {
        return QStringLiteral("无法写入“%1”：%2").arg(QDir::toNativeSeparators(fileName), file.errorString());
    }
    return {};
}

namespace {

QString writeWorkbook(const PlotSession &session, const QByteArray &path, const samples::Progress &progress)
{
    lxw_workbook_options options = {LXW_TRUE, nullptr, LXW_FALSE};
    lxw_workbook *workbook = workbook_new_opt(path.constData(), &options);
    if (!workbook) {
        return QStringLiteral("无法创建工作簿。");
    }
    lxw_error failed = LXW_NO_ERROR;
    auto utf8 = [&](lxw_worksheet *sheet, qsizetype row, qsizetype column, const QByteArray &value) {
        if (failed == LXW_NO_ERROR && !value.isEmpty()) {
            failed = worksheet_write_string(sheet, lxw_row_t(row), lxw_col_t(column), value.constData(), nullptr);
        }
    };
    auto text = [&](lxw_worksheet *sheet, qsizetype row, qsizetype column, const QString &value) {
        utf8(sheet, row, column, value.toUtf8());
    };
    auto number = [&](lxw_worksheet *sheet, qsizetype row, qsizetype column, double value) {
        if (failed == LXW_NO_ERROR && std::isfinite(value)) {
            failed = worksheet_write_number(sheet, lxw_row_t(row), lxw_col_t(column), value, nullptr);
        }
    };

    lxw_worksheet *samples = workbook_add_worksheet(workbook, "样品");
    const QStringList header = exportHeader(session);
    for (qsizetype c = 0; c < header.size(); ++c) {
        text(samples, 0, c, header[c]);
    }
    const ExportTable table(session);
    const qsizetype columns = table.columnCount();
    for (qsizetype row = 0; row < table.rowCount() && failed == LXW_NO_ERROR; ++row) {
        for (qsizetype c = 0; c < columns; ++c) {
            const Cell cell = table.cell(row, c);
            if (std::isnan(cell.number)) {
                utf8(samples, row + 1, c, cell.text);
            } else {
                number(samples, row + 1, c, cell.number);
            }
        }
        if (row % progressRows == 0 && progress && !progress(double(row) / double(table.rowCount()))) {
            workbook_close(workbook);
            return cancelled();
        }
    }

    lxw_worksheet *counts = workbook_add_worksheet(workbook, "分类计数");
    text(counts, 0, 0, QStringLiteral("图"));
    text(counts, 0, 1, QStringLiteral("分类"));
    text(counts, 0, 2, QStringLiteral("样品数"));
    qsizetype row = 1;
    for (qsizetype f = 0; f < session.figureCount(); ++f) {
        const QString name = figureName(session.figure(f).figure);
        const FigureResult &result = session.result(f);
        const Classify::FieldMap *fields = session.fieldMap(f);
        auto line = [&](const QString &place, qsizetype count) {
            text(counts, row, 0, name);
            text(counts, row, 1, place);
            number(counts, row, 2, double(count));
            ++row;
        };
        for (qsizetype i = 0; fields && i < result.fieldCounts.size(); ++i) {
            line(fields->fields()[i].name, result.fieldCounts[i]);
        }
        line(QStringLiteral("在边界上"), result.boundaryCount);
        line(QStringLiteral("在图外"), result.outsideCount);
        line(QStringLiteral("无值"), result.noValueCount);
    }

    const lxw_error closed = workbook_close(workbook);
    if (failed == LXW_NO_ERROR) {
        failed = closed;
    }
    return failed == LXW_NO_ERROR ? QString() : QString::fromUtf8(lxw_strerror(failed));
}

} // namespace

QString exportXlsx(const PlotSession &session, const QString &fileName, const samples::Progress &progress)
{
    if (QString problem = checkReady(session, fileName); !problem.isEmpty()) {
        return problem;
    }
    const ExportTable table(session);
    if (table.rowCount() + 1 > xlsxMaxRows || table.columnCount() > samples::maxColumns) {
        return QStringLiteral("表有 %1 行、%2 列，超出了 XLSX 工作表的 %3 行、%4 列。")
            .arg(table.rowCount() + 1)
            .arg(table.columnCount())
            .arg(xlsxMaxRows)
            .arg(samples::maxColumns);
    }
    for (qsizetype row = 0; row < table.rowCount(); ++row) {
        for (qsizetype c = 0; c < table.columnCount(); ++c) {
            const QByteArray &text = table.cell(row, c).text;
            if (text.size() > xlsxMaxText && QString::fromUtf8(text).size() > xlsxMaxText) {
                return QStringLiteral("第 %1 行第 %2 列的文字超过 XLSX 单元格的 %3 个字符。")
                    .arg(row + 2)
                    .arg(c + 1)
                    .arg(xlsxMaxText);
            }
        }
    }

    const QFileInfo target(fileName);
    QTemporaryFile temporary(target.absolutePath() + QStringLiteral("/.") + target.fileName() +
                             QStringLiteral(".XXXXXX"));
    temporary.setAutoRemove(false);
    if (!temporary.open()) {
        return QStringLiteral("无法写入“%1”：%2").arg(QDir::toNativeSeparators(fileName), temporary.errorString());
    }
    const QString temporaryName = temporary.fileName();
    temporary.close();
    // The workbook creates the file anew, with the permissions any new file gets, not the private
    // ones of a temporary file; the random name stays reserved for that short moment only.
    QFile::remove(temporaryName);

    const QString error = writeWorkbook(session, QFile::encodeName(temporaryName), progress);
    if (!error.isEmpty()) {
        QFile::remove(temporaryName);
        if (error == cancelled()) {
            return error;
        }
        return QStringLiteral("无法写入“%1”：%2").arg(QDir::toNativeSeparators(fileName), error);
    }
    if (QFile::exists(fileName)) {
        QFile::setPermissions(temporaryName, QFile::permissions(fileName));
    }
    // rename() replaces an older file in one step.
    if (std::rename(QFile::encodeName(temporaryName).constData(), QFile::encodeName(fileName).constData()) != 0) {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        QFile::remove(temporaryName);
        return QStringLiteral("无法写入“%1”：%2").arg(QDir::toNativeSeparators(fileName), reason);
    }
    return {};
}

} // namespace plot
