// SPDX-License-Identifier: GPL-3.0-or-later
#include "XlsxTable.h"

#include <QDateTime>
#include <QFile>
#include <QHash>
#include <QXmlStreamReader>

#include <cmath>
#include <memory>
#include <string>
#include <zip.h>

namespace samples {

namespace {

// Bounds against damaged or hostile files: parts read whole, and the number of shared strings.
constexpr zip_uint64_t maxPartSize = 256 << 20;
constexpr qsizetype chunkSize = 1 << 20;

struct ZipClose
{
    void operator()(zip_t *zip) const { zip_discard(zip); }
};
struct ZipFileClose
{
    void operator()(zip_file_t *file) const { zip_fclose(file); }
};
using Zip = std::unique_ptr<zip_t, ZipClose>;
using ZipFile = std::unique_ptr<zip_file_t, ZipFileClose>;

QString zipError(zip_error_t *error)
{
    return QString::fromLocal8Bit(zip_error_strerror(error));
}

class Package
{
public:
    bool open(const QString &fileName, QString &error)
    {
        int code = 0;
        zip_t *zip = zip_open(QFile::encodeName(fileName).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
        if (!zip) {
            zip_error_t zipErr;
            zip_error_init_with_code(&zipErr, code);
            error =
                QStringLiteral("%1 不是可读的 XLSX 文件（%2），可能不完整或已损坏。").arg(fileName, zipError(&zipErr));
            zip_error_fini(&zipErr);
            return false;
        }
        m_zip.reset(zip);
        m_fileName = fileName;
        return true;
    }

    bool has(const QString &part) const { return zip_name_locate(m_zip.get(), part.toUtf8().constData(), 0) >= 0; }

    // Hands the part's bytes over in chunks; false on a damaged part (error says so) or when
    // take returns false.
    bool stream(const QString &part, const std::function<bool(QByteArrayView, double)> &take, QString &error)
    {
        zip_stat_t stat;
        zip_stat_init(&stat);
        const QByteArray name = part.toUtf8();
        if (zip_stat(m_zip.get(), name.constData(), 0, &stat) != 0) {
            error = QStringLiteral("%1 里缺少 %2，不是完整的 XLSX 文件。").arg(m_fileName, part);
            return false;
        }
        ZipFile file(zip_fopen(m_zip.get(), name.constData(), 0));
        if (!file) {
            error =
                QStringLiteral("无法读取 %1 里的 %2：%3").arg(m_fileName, part, zipError(zip_get_error(m_zip.get())));
            return false;
        }
        QByteArray chunk(chunkSize, Qt::Uninitialized);
        zip_uint64_t done = 0;
        for (;;) {
            const zip_int64_t got = zip_fread(file.get(), chunk.data(), zip_uint64_t(chunk.size()));
            if (got < 0) {
                error = QStringLiteral("%1 里的 %2 已损坏：%3")
                            .arg(m_fileName, part, zipError(zip_file_get_error(file.get())));
                return false;
            }
            if (got == 0) {
                return true;
            }
            done += zip_uint64_t(got);
            const double fraction =
                (stat.valid & ZIP_STAT_SIZE) && stat.size > 0 ? double(done) / double(stat.size) : 0;
            if (!take(QByteArrayView(chunk.constData(), qsizetype(got)), qMin(fraction, 1.0))) {
                return false;
            }
        }
    }

    bool read(const QString &part, QByteArray &bytes, QString &error)
    {
        bytes.clear();
        bool tooLarge = false;
        const bool ok = stream(
            part,
            [&](QByteArrayView chunk, double) {
                if (zip_uint64_t(bytes.size() + chunk.size()) > maxPartSize) {
                    tooLarge = true;
                    return false;
                }
                bytes.append(chunk);
                return true;
            },
            error);
        if (tooLarge) {
            error = QStringLiteral("%1 里的 %2 大于 %3 MB，不读。").arg(m_fileName, part).arg(maxPartSize >> 20);
        }
        return ok && !tooLarge;
    }

    const QString &fileName() const { return m_fileName; }

private:
    Zip m_zip;
    QString m_fileName;
};

QString xmlError(const Package &package, const QString &part, const QXmlStreamReader &xml)
{
    return QStringLiteral("%1 里的 %2 不是有效的 XML（第 %3 行：%4）。")
        .arg(package.fileName(), part)
        .arg(xml.lineNumber())
        .arg(xml.errorString());
}

struct Sheet
{
    QString name;
    QString part;
};

struct Workbook
{
    QList<Sheet> sheets;
    bool date1904 = false;
};

QString resolvedTarget(const QString &target)
{
    if (target.startsWith(QLatin1Char('/'))) {
        return target.mid(1);
    }
    return QStringLiteral("xl/") + target;
}

bool readWorkbook(Package &package, Workbook &workbook, QString &error)
{
    QByteArray bytes;
    if (!package.read(QStringLiteral("xl/_rels/workbook.xml.rels"), bytes, error)) {
        return false;
    }
    QHash<QString, QString> targets;
    {
        QXmlStreamReader xml(bytes);
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement() && xml.name() == u"Relationship") {
                targets.insert(xml.attributes().value(QLatin1String("Id")).toString(),
                               resolvedTarget(xml.attributes().value(QLatin1String("Target")).toString()));
            }
        }
        if (xml.hasError()) {
            error = xmlError(package, QStringLiteral("xl/_rels/workbook.xml.rels"), xml);
            return false;
        }
    }
    if (!package.read(QStringLiteral("xl/workbook.xml"), bytes, error)) {
        return false;
    }
    QXmlStreamReader xml(bytes);
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement()) {
            continue;
        }
        if (xml.name() == u"workbookPr") {
            const QStringView value = xml.attributes().value(QLatin1String("date1904"));
            workbook.date1904 = value == u"1" || value == u"true";
        } else if (xml.name() == u"sheet") {
            const QXmlStreamAttributes attributes = xml.attributes();
            QString id;
            for (const QXmlStreamAttribute &attribute : attributes) {
                if (attribute.name() == u"id") { // r:id, whatever the prefix
                    id = attribute.value().toString();
                }
            }
            workbook.sheets.append(Sheet{attributes.value(QLatin1String("name")).toString(), targets.value(id)});
        }
    }
    if (xml.hasError()) {
        error = xmlError(package, QStringLiteral("xl/workbook.xml"), xml);
        return false;
    }
    return true;
}

// Text of <t> elements (directly or in rich-text runs <r>), skipping phonetic runs <rPh>.
class StringItemText
{
public:
    void start(QStringView name)
    {
        if (name == u"rPh") {
            ++m_phonetic;
        } else if (name == u"t" && m_phonetic == 0) {
            m_inText = true;
        }
    }
    void end(QStringView name)
    {
        if (name == u"rPh") {
            --m_phonetic;
        } else if (name == u"t") {
            m_inText = false;
        }
    }
    void characters(QStringView text)
    {
        if (m_inText) {
            m_text += text;
        }
    }
    QString take()
    {
        m_inText = false;
        m_phonetic = 0;
        return std::exchange(m_text, {});
    }

private:
    QString m_text;
    bool m_inText = false;
    int m_phonetic = 0;
};

bool readSharedStrings(Package &package, std::vector<std::string> &strings, QString &error)
{
    const QString part = QStringLiteral("xl/sharedStrings.xml");
    if (!package.has(part)) {
        return true;
    }
    QByteArray bytes;
    if (!package.read(part, bytes, error)) {
        return false;
    }
    QXmlStreamReader xml(bytes);
    StringItemText item;
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
            if (xml.name() == u"si") {
                item.take();
            } else {
                item.start(xml.name());
            }
            break;
        case QXmlStreamReader::EndElement:
            if (xml.name() == u"si") {
                strings.push_back(item.take().toStdString());
            } else {
                item.end(xml.name());
            }
            break;
        case QXmlStreamReader::Characters:
            item.characters(xml.text());
            break;
        default:
            break;
        }
    }
    if (xml.hasError()) {
        error = xmlError(package, part, xml);
        return false;
    }
    return true;
}

// Whether a number format shows a date or a time: the built-in date formats, or a format code
// with date or time letters outside quoted text, brackets and escapes.
bool isDateFormatCode(QStringView code)
{
    bool quoted = false;
    int bracket = 0;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code[i];
        if (c == u'"') {
            quoted = !quoted;
        } else if (quoted) {
            continue;
        } else if (c == u'\\' || c == u'_' || c == u'*') {
            ++i;
        } else if (c == u'[') {
            ++bracket;
            // Elapsed time: [h], [mm], [ss].
            if (i + 1 < code.size() && QStringView(u"hHmMsS").contains(code[i + 1])) {
                return true;
            }
        } else if (c == u']') {
            bracket = qMax(0, bracket - 1);
        } else if (bracket == 0 && QStringView(u"yYdDhHsSmM").contains(c)) {
            return true;
        }
    }
    return false;
}

bool isBuiltInDateFormat(int id)
{
    return (id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) || (id >= 50 && id <= 58);
}

bool readDateStyles(Package &package, std::vector<bool> &dateStyles, QString &error)
{
    const QString part = QStringLiteral("xl/styles.xml");
    if (!package.has(part)) {
        return true;
    }
    QByteArray bytes;
    if (!package.read(part, bytes, error)) {
        return false;
    }
    QXmlStreamReader xml(bytes);
    QHash<int, bool> customDate;
    bool inCellXfs = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (xml.name() == u"numFmt") {
                customDate.insert(xml.attributes().value(QLatin1String("numFmtId")).toInt(),
                                  isDateFormatCode(xml.attributes().value(QLatin1String("formatCode"))));
            } else if (xml.name() == u"cellXfs") {
                inCellXfs = true;
            } else if (inCellXfs && xml.name() == u"xf") {
                const int id = xml.attributes().value(QLatin1String("numFmtId")).toInt();
                dateStyles.push_back(customDate.contains(id) ? customDate.value(id) : isBuiltInDateFormat(id));
            }
        } else if (xml.isEndElement() && xml.name() == u"cellXfs") {
            inCellXfs = false;
        }
    }
    if (xml.hasError()) {
        error = xmlError(package, part, xml);
        return false;
    }
    return true;
}

QString dateText(double serial, bool date1904)
{
    const double days = std::floor(serial);
    qint64 seconds = qint64(std::llround((serial - days) * 86400.0));
    qint64 wholeDays = qint64(days);
    if (seconds >= 86400) {
        ++wholeDays;
        seconds -= 86400;
    }
    const QTime time = QTime(0, 0).addSecs(int(seconds));
    if (serial < 1 && !date1904) {
        return time.toString(u"HH:mm:ss");
    }
    // The 1900 system counts a 29 February 1900 that never was: days before it are one off.
    const QDate base = date1904 ? QDate(1904, 1, 1) : (wholeDays < 60 ? QDate(1899, 12, 31) : QDate(1899, 12, 30));
    const QDate date = base.addDays(wholeDays);
    if (seconds == 0) {
        return date.toString(Qt::ISODate);
    }
    return QDateTime(date, time).toString(Qt::ISODate);
}

// Column index (from 0) of a reference such as "AB12"; -1 when there is none.
qsizetype columnOf(QStringView reference)
{
    qsizetype column = 0;
    qsizetype letters = 0;
    for (const QChar c : reference) {
        const char16_t u = c.unicode();
        if (u >= u'A' && u <= u'Z') {
            column = column * 26 + (u - u'A' + 1);
        } else if (u >= u'a' && u <= u'z') {
            column = column * 26 + (u - u'a' + 1);
        } else {
            break;
        }
        if (++letters > 3) {
            return -1;
        }
    }
    return letters == 0 ? -1 : column - 1;
}

// Reads the cells of one sheet part into a table.
class SheetReader
{
public:
    SheetReader(const std::vector<std::string> &strings, const std::vector<bool> &dateStyles, bool date1904)
        : m_strings(strings)
        , m_dateStyles(dateStyles)
        , m_date1904(date1904)
    {
    }

    // False on an error in the table (error set).
    bool take(QXmlStreamReader &xml)
    {
        while (!xml.atEnd()) {
            switch (xml.readNext()) {
            case QXmlStreamReader::StartElement:
                if (!startElement(xml)) {
                    return false;
                }
                break;
            case QXmlStreamReader::EndElement:
                if (!endElement(xml)) {
                    return false;
                }
                break;
            case QXmlStreamReader::Characters:
                if (m_inValue) {
                    m_value += xml.text();
                } else if (m_inInline) {
                    m_inline.characters(xml.text());
                }
                break;
            default:
                break;
            }
        }
        return true;
    }

    ReadResult result()
    {
        ReadResult result;
        if (m_error.isEmpty() && !m_haveHeader) {
            m_error = QStringLiteral("这张工作表是空的：没有表头，也没有样品。");
        } else if (m_error.isEmpty() && m_builder.rowCount() == 0) {
            m_error = QStringLiteral("只有表头，没有样品。");
        }
        result.error = m_error;
        if (m_error.isEmpty()) {
            result.table = m_builder.take();
        }
        return result;
    }

    const QString &error() const { return m_error; }

private:
    enum class Type
    {
        Number,
        SharedString,
        InlineString,
        FormulaString,
        Boolean,
        Error,
        Date,
    };

    bool startElement(QXmlStreamReader &xml)
    {
        const QStringView name = xml.name();
        if (name == u"c") {
            const QXmlStreamAttributes attributes = xml.attributes();
            const QStringView reference = attributes.value(QLatin1String("r"));
            m_column = reference.isEmpty() ? m_column + 1 : columnOf(reference);
            if (m_column < 0) {
                m_error = QStringLiteral("第 %1 行有无法识别的单元格位置“%2”。").arg(m_row).arg(reference);
                return false;
            }
            const QStringView type = attributes.value(QLatin1String("t"));
            m_type = type.isEmpty() || type == u"n" ? Type::Number
                     : type == u"s"                 ? Type::SharedString
                     : type == u"inlineStr"         ? Type::InlineString
                     : type == u"str"               ? Type::FormulaString
                     : type == u"b"                 ? Type::Boolean
                     : type == u"d"                 ? Type::Date
                                                    : Type::Error;
            const QStringView style = attributes.value(QLatin1String("s"));
            m_style = style.isEmpty() ? 0 : style.toInt();
            m_value.clear();
            m_inline.take();
        } else if (name == u"v") {
            m_inValue = true;
        } else if (name == u"is") {
            m_inInline = true;
        } else if (m_inInline) {
            m_inline.start(name);
        } else if (name == u"row") {
            const QStringView number = xml.attributes().value(QLatin1String("r"));
            m_row = number.isEmpty() ? m_row + 1 : number.toLongLong();
            m_column = -1;
            m_headerCells.clear();
        }
        return true;
    }

    bool endElement(QXmlStreamReader &xml)
    {
        const QStringView name = xml.name();
        if (name == u"v") {
            m_inValue = false;
        } else if (name == u"is") {
            m_inInline = false;
        } else if (m_inInline) {
            m_inline.end(name);
        } else if (name == u"c") {
            return cell();
        } else if (name == u"row") {
            return endRow();
        }
        return true;
    }

    bool cell()
    {
        QString text;
        bool number = false;
        double value = 0;
        switch (m_type) {
        case Type::Number:
            if (m_value.isEmpty()) {
                return true;
            }
            number = parseNumber(m_utf8.assign(m_value.toStdString()), '.', value);
            if (number && m_style >= 0 && size_t(m_style) < m_dateStyles.size() && m_dateStyles[size_t(m_style)]) {
                text = dateText(value, m_date1904);
                number = false;
            } else if (!number) {
                text = m_value;
            }
            break;
        case Type::SharedString: {
            bool ok = false;
            const qulonglong index = m_value.toULongLong(&ok);
            if (!ok || index >= m_strings.size()) {
                m_error = QStringLiteral("第 %1 行的单元格指向不存在的共享字符串 %2。").arg(m_row).arg(m_value);
                return false;
            }
            return put(m_strings[index]);
        }
        case Type::InlineString:
            text = m_inline.take();
            break;
        case Type::Boolean:
            text = m_value == u"1" ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
            break;
        case Type::FormulaString:
        case Type::Error:
        case Type::Date:
            text = m_value;
            break;
        }
        if (number) {
            return putNumber(value);
        }
        return put(m_utf8.assign(text.toStdString()));
    }

    bool outside(qsizetype column)
    {
        if (m_haveHeader && column >= m_builder.columnCount()) {
            m_error = QStringLiteral("第 %1 行在表头之外的第 %2 列有数据。").arg(m_row).arg(column + 1);
            return true;
        }
        return false;
    }

    bool putNumber(double value)
    {
        if (!m_haveHeader) {
            m_headerCells.append({m_column, QString::number(value, 'g', QLocale::FloatingPointShortest)});
            return true;
        }
        if (outside(m_column)) {
            return false;
        }
        m_builder.setNumber(m_column, value);
        return true;
    }

    bool put(std::string_view utf8)
    {
        if (utf8.find_first_not_of(" \t\r\n") == std::string_view::npos) {
            return true;
        }
        if (!m_haveHeader) {
            m_headerCells.append({m_column, QString::fromUtf8(utf8.data(), qsizetype(utf8.size()))});
            return true;
        }
        if (outside(m_column)) {
            return false;
        }
        m_builder.setText(m_column, utf8);
        return true;
    }

    bool endRow()
    {
        if (m_haveHeader) {
            m_builder.endRow();
            return true;
        }
        if (m_headerCells.isEmpty()) {
            return true;
        }
        const qsizetype columns = m_headerCells.last().first + 1;
        if (columns > maxColumns) {
            m_error = QStringLiteral("表有 %1 列，最多只能有 %2 列。").arg(columns).arg(maxColumns);
            return false;
        }
        QStringList names(columns);
        for (const auto &[column, name] : std::as_const(m_headerCells)) {
            names[column] = name;
        }
        if (!m_builder.setHeader(names)) {
            m_error = m_builder.error();
            return false;
        }
        m_haveHeader = true;
        return true;
    }

    const std::vector<std::string> &m_strings;
    const std::vector<bool> &m_dateStyles;
    bool m_date1904;
    TableBuilder m_builder;
    bool m_haveHeader = false;
    QList<std::pair<qsizetype, QString>> m_headerCells;
    qsizetype m_row = 0;
    qsizetype m_column = -1;
    Type m_type = Type::Number;
    int m_style = 0;
    QString m_value;
    bool m_inValue = false;
    bool m_inInline = false;
    StringItemText m_inline;
    std::string m_utf8;
    QString m_error;
};

bool openWorkbook(const QString &fileName, Package &package, Workbook &workbook, QString &error)
{
    return package.open(fileName, error) && readWorkbook(package, workbook, error);
}

} // namespace

QStringList xlsxSheetNames(const QString &fileName, QString *error)
{
    Package package;
    Workbook workbook;
    QString message;
    QStringList names;
    if (openWorkbook(fileName, package, workbook, message)) {
        for (const Sheet &sheet : std::as_const(workbook.sheets)) {
            names << sheet.name;
        }
    }
    if (error) {
        *error = message;
    }
    return names;
}

ReadResult readXlsxFile(const QString &fileName, const QString &sheetName, const Progress &progress)
{
    ReadResult result;
    Package package;
    Workbook workbook;
    if (!openWorkbook(fileName, package, workbook, result.error)) {
        return result;
    }
    if (workbook.sheets.isEmpty()) {
        result.error = QStringLiteral("%1 里没有工作表。").arg(fileName);
        return result;
    }
    Sheet sheet = workbook.sheets.first();
    if (!sheetName.isEmpty()) {
        QStringList names;
        const auto found = std::find_if(workbook.sheets.cbegin(), workbook.sheets.cend(),
                                        [&](const Sheet &s) { return s.name == sheetName; });
        if (found == workbook.sheets.cend()) {
            for (const Sheet &s : std::as_const(workbook.sheets)) {
                names << s.name;
            }
            result.error = QStringLiteral("%1 里没有名为“%2”的工作表（有：%3）。")
                               .arg(fileName, sheetName, names.join(QStringLiteral("、")));
            return result;
        }
        sheet = *found;
    }
    if (sheet.part.isEmpty()) {
        result.error = QStringLiteral("%1 里找不到工作表“%2”的内容。").arg(fileName, sheet.name);
        return result;
    }
    std::vector<std::string> strings;
    std::vector<bool> dateStyles;
    if (!readSharedStrings(package, strings, result.error) || !readDateStyles(package, dateStyles, result.error)) {
        return result;
    }
    SheetReader reader(strings, dateStyles, workbook.date1904);
    QXmlStreamReader xml;
    bool cancelled = false;
    bool tableError = false;
    const bool streamed = package.stream(
        sheet.part,
        [&](QByteArrayView chunk, double fraction) {
            xml.addData(chunk.toByteArray());
            if (!reader.take(xml)) {
                tableError = true;
                return false;
            }
            if (xml.hasError() && xml.error() != QXmlStreamReader::PrematureEndOfDocumentError) {
                return false;
            }
            if (progress && !progress(fraction)) {
                cancelled = true;
                return false;
            }
            return true;
        },
        result.error);
    if (cancelled) {
        result.cancelled = true;
        return result;
    }
    if (tableError) {
        result.error = reader.error();
        return result;
    }
    if (xml.hasError()) {
        result.error = xmlError(package, sheet.part, xml);
        return result;
    }
    if (!streamed) {
        return result;
    }
    return reader.result();
}

} // namespace samples
