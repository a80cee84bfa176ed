// SPDX-License-Identifier: GPL-3.0-or-later
#include <samples/XlsxTable.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QHash>
#include <QXmlStreamReader>

#include <charconv>
#include <cmath>
#include <cstring>
#include <list>
#include <memory>
#include <string>
#include <zip.h>

namespace samples {

namespace {

// Bounds against damaged or hostile files: the parts read whole (workbook, styles, shared strings)
// are refused above this size; the sheet itself is streamed.
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
            error = QCoreApplication::translate("XlsxTable", "%1 不是可读的 XLSX 文件（%2），可能不完整或已损坏。")
                        .arg(fileName, zipError(&zipErr));
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
            error =
                QCoreApplication::translate("XlsxTable", "%1 里缺少 %2，不是完整的 XLSX 文件。").arg(m_fileName, part);
            return false;
        }
        ZipFile file(zip_fopen(m_zip.get(), name.constData(), 0));
        if (!file) {
            error = QCoreApplication::translate("XlsxTable", "无法读取 %1 里的 %2：%3")
                        .arg(m_fileName, part, zipError(zip_get_error(m_zip.get())));
            return false;
        }
        QByteArray chunk(chunkSize, Qt::Uninitialized);
        zip_uint64_t done = 0;
        for (;;) {
            const zip_int64_t got = zip_fread(file.get(), chunk.data(), zip_uint64_t(chunk.size()));
            if (got < 0) {
                error = QCoreApplication::translate("XlsxTable", "%1 里的 %2 已损坏：%3")
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
            error = QCoreApplication::translate("XlsxTable", "%1 里的 %2 大于 %3 MB，不读。")
                        .arg(m_fileName, part)
                        .arg(maxPartSize >> 20);
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
    return QCoreApplication::translate("XlsxTable", "%1 里的 %2 不是有效的 XML（第 %3 行：%4）。")
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
qsizetype columnOf(std::string_view reference)
{
    qsizetype column = 0;
    qsizetype letters = 0;
    for (const char c : reference) {
        if (c >= 'A' && c <= 'Z') {
            column = column * 26 + (c - 'A' + 1);
        } else if (c >= 'a' && c <= 'z') {
            column = column * 26 + (c - 'a' + 1);
        } else {
            break;
        }
        if (++letters > 3) {
            return -1;
        }
    }
    return letters == 0 ? -1 : column - 1;
}

qint64 wholeNumber(std::string_view text, qint64 otherwise)
{
    qint64 value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() ? value : otherwise;
}

QString fromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// Turns the elements of a sheet's cells into table rows, whoever parses the XML: element names
// without their namespace prefix, texts and attribute values as UTF-8.
class SheetReader
{
public:
    SheetReader(const std::vector<std::string> &strings, const std::vector<bool> &dateStyles, bool date1904)
        : m_strings(strings)
        , m_dateStyles(dateStyles)
        , m_date1904(date1904)
    {
    }

    // The attributes a cell or a row has: r, t and s.
    struct Attributes
    {
        std::string_view r;
        std::string_view t;
        std::string_view s;
    };

    // False on an error in the table (error() says which).
    bool startElement(std::string_view name, const Attributes &attributes)
    {
        if (name == "c") {
            const qsizetype column = attributes.r.empty() ? m_column + 1 : columnOf(attributes.r);
            if (column < 0) {
                m_error = QCoreApplication::translate("XlsxTable", "第 %1 行有无法识别的单元格位置“%2”。")
                              .arg(m_row)
                              .arg(fromUtf8(attributes.r));
                return false;
            }
            // Cells come left to right; one out of place would land in the wrong column.
            if (column <= m_column) {
                m_error =
                    QCoreApplication::translate("XlsxTable", "第 %1 行的单元格“%2”不在它左边的单元格之后，表格已损坏。")
                        .arg(m_row)
                        .arg(fromUtf8(attributes.r));
                return false;
            }
            m_column = column;
            const std::string_view type = attributes.t;
            m_type = type.empty() || type == "n" ? Type::Number
                     : type == "s"               ? Type::SharedString
                     : type == "inlineStr"       ? Type::InlineString
                     : type == "str"             ? Type::FormulaString
                     : type == "b"               ? Type::Boolean
                     : type == "d"               ? Type::Date
                                                 : Type::Error;
            m_style = int(wholeNumber(attributes.s, 0));
            m_value.clear();
            m_inline.clear();
        } else if (name == "v") {
            m_inValue = true;
        } else if (name == "is") {
            m_inInline = true;
        } else if (m_inInline) {
            if (name == "rPh") {
                ++m_phonetic;
            } else if (name == "t" && m_phonetic == 0) {
                m_inInlineText = true;
            }
        } else if (name == "row") {
            m_row = wholeNumber(attributes.r, m_row + 1);
            m_column = -1;
            m_headerCells.clear();
        }
        return true;
    }

    bool endElement(std::string_view name)
    {
        if (name == "v") {
            m_inValue = false;
        } else if (name == "is") {
            m_inInline = false;
        } else if (m_inInline) {
            if (name == "rPh") {
                --m_phonetic;
            } else if (name == "t") {
                m_inInlineText = false;
            }
        } else if (name == "c") {
            return cell();
        } else if (name == "row") {
            return endRow();
        }
        return true;
    }

    void characters(std::string_view text)
    {
        if (m_inValue) {
            m_value += text;
        } else if (m_inInlineText) {
            m_inline += text;
        }
    }

    ReadResult result()
    {
        ReadResult result;
        if (m_error.isEmpty() && !m_haveHeader) {
            m_error = QCoreApplication::translate("XlsxTable", "这张工作表是空的：没有表头，也没有样品。");
        } else if (m_error.isEmpty() && m_builder.rowCount() == 0) {
            m_error = QCoreApplication::translate("XlsxTable", "只有表头，没有样品。");
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

    bool cell()
    {
        switch (m_type) {
        case Type::Number: {
            if (m_value.empty()) {
                return true;
            }
            double value = 0;
            if (!parseNumber(m_value, '.', value)) {
                return put(m_value);
            }
            if (m_style >= 0 && size_t(m_style) < m_dateStyles.size() && m_dateStyles[size_t(m_style)]) {
                return put(dateText(value, m_date1904).toStdString());
            }
            return putNumber(value);
        }
        case Type::SharedString: {
            const qint64 index = wholeNumber(m_value, -1);
            if (index < 0 || size_t(index) >= m_strings.size()) {
                m_error = QCoreApplication::translate("XlsxTable", "第 %1 行的单元格指向不存在的共享字符串 %2。")
                              .arg(m_row)
                              .arg(fromUtf8(m_value));
                return false;
            }
            return put(m_strings[size_t(index)]);
        }
        case Type::InlineString:
            return put(m_inline);
        case Type::Boolean:
            return put(m_value == "1" ? std::string_view("TRUE") : std::string_view("FALSE"));
        case Type::FormulaString:
        case Type::Error:
        case Type::Date:
            break;
        }
        return put(m_value);
    }

    bool outside(qsizetype column)
    {
        if (m_haveHeader && column >= m_builder.columnCount()) {
            m_error = QCoreApplication::translate("XlsxTable", "第 %1 行在表头之外的第 %2 列有数据。")
                          .arg(m_row)
                          .arg(column + 1);
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
            m_headerCells.append({m_column, fromUtf8(utf8)});
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
            m_error =
                QCoreApplication::translate("XlsxTable", "表有 %1 列，最多只能有 %2 列。").arg(columns).arg(maxColumns);
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
    qint64 m_row = 0;
    qsizetype m_column = -1;
    Type m_type = Type::Number;
    int m_style = 0;
    std::string m_value;
    std::string m_inline;
    bool m_inValue = false;
    bool m_inInline = false;
    bool m_inInlineText = false;
    int m_phonetic = 0;
    QString m_error;
};

std::string_view localName(std::string_view name)
{
    const size_t colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

// Feeds a sheet to the reader through QXmlStreamReader: every file, however it is written.
class QtSheetParser
{
public:
    explicit QtSheetParser(SheetReader &reader)
        : m_reader(reader)
    {
    }

    // False on an error in the table.
    bool take(QXmlStreamReader &xml)
    {
        while (!xml.atEnd()) {
            switch (xml.readNext()) {
            case QXmlStreamReader::StartElement: {
                const std::string name = xml.name().toString().toStdString();
                const QXmlStreamAttributes attributes = xml.attributes();
                const std::string r = attributes.value(QLatin1String("r")).toString().toStdString();
                const std::string t = attributes.value(QLatin1String("t")).toString().toStdString();
                const std::string s = attributes.value(QLatin1String("s")).toString().toStdString();
                if (!m_reader.startElement(name, {r, t, s})) {
                    return false;
                }
                break;
            }
            case QXmlStreamReader::EndElement:
                if (!m_reader.endElement(xml.name().toString().toStdString())) {
                    return false;
                }
                break;
            case QXmlStreamReader::Characters:
                m_reader.characters(xml.text().toString().toStdString());
                break;
            default:
                break;
            }
        }
        return true;
    }

private:
    SheetReader &m_reader;
};

// Feeds a sheet to the reader straight from its UTF-8 bytes: the markup spreadsheet programs
// write (elements, attributes, the five named entities and character references, comments,
// processing instructions), several times faster than QXmlStreamReader. Anything else (a
// document type, CDATA, another encoding, a tag that does not close what it should, a
// truncated part) makes it give up, and the sheet is read again through QXmlStreamReader, which
// reads or names the fault.
class PlainSheetParser
{
public:
    enum class Outcome
    {
        Going,      // all taken up to rest; more bytes wanted
        GiveUp,     // read it with QXmlStreamReader
        TableError, // the reader refused a cell or the header
    };

    explicit PlainSheetParser(SheetReader &reader)
        : m_reader(reader)
    {
    }

    Outcome parse(const char *p, const char *end, bool atEnd, const char *&rest)
    {
        if (m_atStart) {
            if (end - p < 3 && !atEnd) {
                rest = p;
                return Outcome::Going;
            }
            if (end - p >= 3 && std::memcmp(p, "\xef\xbb\xbf", 3) == 0) {
                p += 3;
            }
            m_atStart = false;
        }
        while (p < end) {
            if (*p != '<') {
                const char *open = static_cast<const char *>(std::memchr(p, '<', size_t(end - p)));
                const char *textEnd = open ? open : end;
                if (!open && !atEnd) {
                    // Hand over the text so far, but not a reference cut in two.
                    const char *amp = static_cast<const char *>(memrchr(p, '&', size_t(end - p)));
                    if (amp && !std::memchr(amp, ';', size_t(end - amp))) {
                        textEnd = amp;
                    }
                }
                if (!text(p, textEnd)) {
                    return Outcome::GiveUp;
                }
                p = textEnd;
                if (!open) {
                    break;
                }
                continue;
            }
            const char *next = nullptr;
            const Outcome outcome = tag(p, end, next);
            if (outcome != Outcome::Going) {
                return outcome;
            }
            if (!next) { // the tag goes on in the next bytes
                if (atEnd || end - p > maxTagLength) {
                    return Outcome::GiveUp;
                }
                break;
            }
            p = next;
        }
        rest = p;
        if (atEnd && (!m_open.empty() || !m_sawRoot)) {
            return Outcome::GiveUp;
        }
        return Outcome::Going;
    }

private:
    static constexpr qsizetype maxTagLength = 1 << 20;

    static bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

    // Appends text with its references resolved; false for a reference it does not know.
    static bool decode(const char *p, const char *end, std::string &out)
    {
        while (p < end) {
            const char *amp = static_cast<const char *>(std::memchr(p, '&', size_t(end - p)));
            if (!amp) {
                out.append(p, size_t(end - p));
                return true;
            }
            out.append(p, size_t(amp - p));
            const char *semicolon = static_cast<const char *>(std::memchr(amp, ';', size_t(end - amp)));
            if (!semicolon || semicolon - amp > 12) {
                return false;
            }
            const std::string_view name(amp + 1, size_t(semicolon - amp - 1));
            if (name == "lt") {
                out += '<';
            } else if (name == "gt") {
                out += '>';
            } else if (name == "amp") {
                out += '&';
            } else if (name == "quot") {
                out += '"';
            } else if (name == "apos") {
                out += '\'';
            } else if (name.size() > 1 && name[0] == '#') {
                const bool hex = name[1] == 'x';
                uint32_t code = 0;
                const char *first = name.data() + (hex ? 2 : 1);
                const auto [last, error] = std::from_chars(first, name.data() + name.size(), code, hex ? 16 : 10);
                if (error != std::errc() || last != name.data() + name.size() || code == 0 || code > 0x10ffff ||
                    (code >= 0xd800 && code <= 0xdfff)) {
                    return false;
                }
                const char32_t c = code;
                out += QString::fromUcs4(&c, 1).toStdString();
            } else {
                return false;
            }
            p = semicolon + 1;
        }
        return true;
    }

    bool text(const char *p, const char *end)
    {
        if (m_open.empty()) {
            // Outside the root only blanks may stand.
            for (; p < end; ++p) {
                if (!isSpace(*p)) {
                    return false;
                }
            }
            return true;
        }
        if (!std::memchr(p, '&', size_t(end - p))) {
            m_reader.characters({p, size_t(end - p)});
            return true;
        }
        m_decoded.clear();
        if (!decode(p, end, m_decoded)) {
            return false;
        }
        m_reader.characters(m_decoded);
        return true;
    }

    // One tag from p; next is where what follows it starts, nullptr when it goes past end.
    Outcome tag(const char *p, const char *end, const char *&next)
    {
        next = nullptr;
        if (end - p < 2) {
            return Outcome::Going;
        }
        if (p[1] == '?') {
            const char *close = find(p + 2, end, "?>");
            if (close) {
                // An XML declaration may name another encoding.
                const std::string_view declaration(p, size_t(close - p));
                if (declaration.find("encoding") != std::string_view::npos &&
                    declaration.find("UTF-8") == std::string_view::npos &&
                    declaration.find("utf-8") == std::string_view::npos) {
                    return Outcome::GiveUp;
                }
                next = close + 2;
            }
            return Outcome::Going;
        }
        if (p[1] == '!') {
            if (end - p < 4) {
                return Outcome::Going;
            }
            if (p[2] != '-' || p[3] != '-') {
                return Outcome::GiveUp; // a document type or CDATA
            }
            const char *close = find(p + 4, end, "-->");
            next = close ? close + 3 : nullptr;
            return Outcome::Going;
        }
        if (p[1] == '/') {
            const char *close = static_cast<const char *>(std::memchr(p, '>', size_t(end - p)));
            if (!close) {
                return Outcome::Going;
            }
            std::string_view name(p + 2, size_t(close - p - 2));
            while (!name.empty() && isSpace(name.back())) {
                name.remove_suffix(1);
            }
            if (m_open.empty() || m_open.back() != name) {
                return Outcome::GiveUp;
            }
            m_open.pop_back();
            next = close + 1;
            return m_reader.endElement(localName(name)) ? Outcome::Going : Outcome::TableError;
        }
        // A start tag: its name, then attributes (values may hold '>').
        const char *q = p + 1;
        while (q < end && !isSpace(*q) && *q != '>' && *q != '/') {
            ++q;
        }
        if (q == end) {
            return Outcome::Going;
        }
        const std::string_view name(p + 1, size_t(q - p - 1));
        if (name.empty()) {
            return Outcome::GiveUp;
        }
        SheetReader::Attributes attributes;
        m_attributeText.clear();
        bool empty = false;
        for (;;) {
            while (q < end && isSpace(*q)) {
                ++q;
            }
            if (q == end) {
                return Outcome::Going;
            }
            if (*q == '>') {
                ++q;
                break;
            }
            if (*q == '/') {
                if (q + 1 == end) {
                    return Outcome::Going;
                }
                if (q[1] != '>') {
                    return Outcome::GiveUp;
                }
                q += 2;
                empty = true;
                break;
            }
            const char *equals = static_cast<const char *>(std::memchr(q, '=', size_t(end - q)));
            if (!equals || equals + 1 >= end) {
                return Outcome::Going;
            }
            std::string_view attribute(q, size_t(equals - q));
            while (!attribute.empty() && isSpace(attribute.back())) {
                attribute.remove_suffix(1);
            }
            const char *quote = equals + 1;
            while (quote < end && isSpace(*quote)) {
                ++quote;
            }
            if (quote == end) {
                return Outcome::Going;
            }
            if (*quote != '"' && *quote != '\'') {
                return Outcome::GiveUp;
            }
            const char *valueEnd = static_cast<const char *>(std::memchr(quote + 1, *quote, size_t(end - quote - 1)));
            if (!valueEnd) {
                return Outcome::Going;
            }
            std::string_view value(quote + 1, size_t(valueEnd - quote - 1));
            if (value.find('&') != std::string_view::npos) {
                // Kept apart so the views of earlier values stay valid.
                m_attributeText.emplace_back();
                if (!decode(value.data(), value.data() + value.size(), m_attributeText.back())) {
                    return Outcome::GiveUp;
                }
                value = m_attributeText.back();
            }
            const std::string_view local = localName(attribute);
            if (local == "r") {
                attributes.r = value;
            } else if (local == "t") {
                attributes.t = value;
            } else if (local == "s") {
                attributes.s = value;
            }
            q = valueEnd + 1;
        }
        if (m_open.empty() && m_sawRoot) {
            return Outcome::GiveUp; // a second root
        }
        m_sawRoot = true;
        const std::string_view local = localName(name);
        if (!m_reader.startElement(local, attributes)) {
            return Outcome::TableError;
        }
        if (empty) {
            if (!m_reader.endElement(local)) {
                return Outcome::TableError;
            }
        } else {
            m_open.emplace_back(name);
        }
        next = q;
        return Outcome::Going;
    }

    static const char *find(const char *p, const char *end, std::string_view what)
    {
        const std::string_view haystack(p, size_t(end - p));
        const size_t at = haystack.find(what);
        return at == std::string_view::npos ? nullptr : p + at;
    }

    SheetReader &m_reader;
    std::vector<std::string> m_open; // names of the open elements, outermost first
    std::string m_decoded;
    std::list<std::string> m_attributeText;
    bool m_atStart = true;
    bool m_sawRoot = false;
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
        result.error = QCoreApplication::translate("XlsxTable", "%1 里没有工作表。").arg(fileName);
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
            result.error = QCoreApplication::translate("XlsxTable", "%1 里没有名为“%2”的工作表（有：%3）。")
                               .arg(fileName, sheetName, names.join(QCoreApplication::translate("XlsxTable", "、")));
            return result;
        }
        sheet = *found;
    }
    if (sheet.part.isEmpty()) {
        result.error =
            QCoreApplication::translate("XlsxTable", "%1 里找不到工作表“%2”的内容。").arg(fileName, sheet.name);
        return result;
    }
    std::vector<std::string> strings;
    std::vector<bool> dateStyles;
    if (!readSharedStrings(package, strings, result.error) || !readDateStyles(package, dateStyles, result.error)) {
        return result;
    }
    // The fast parser first; when it gives up, QXmlStreamReader reads the sheet again.
    {
        SheetReader reader(strings, dateStyles, workbook.date1904);
        PlainSheetParser parser(reader);
        QByteArray pending;
        PlainSheetParser::Outcome outcome = PlainSheetParser::Outcome::Going;
        bool cancelled = false;
        QString error;
        const bool streamed = package.stream(
            sheet.part,
            [&](QByteArrayView chunk, double fraction) {
                pending.append(chunk);
                const char *rest = nullptr;
                outcome = parser.parse(pending.constData(), pending.constData() + pending.size(), false, rest);
                if (outcome != PlainSheetParser::Outcome::Going) {
                    return false;
                }
                pending.remove(0, rest - pending.constData());
                if (progress && !progress(fraction)) {
                    cancelled = true;
                    return false;
                }
                return true;
            },
            error);
        if (cancelled) {
            result.cancelled = true;
            return result;
        }
        if (outcome == PlainSheetParser::Outcome::TableError) {
            result.error = reader.error();
            return result;
        }
        if (streamed && outcome == PlainSheetParser::Outcome::Going) {
            const char *rest = nullptr;
            outcome = parser.parse(pending.constData(), pending.constData() + pending.size(), true, rest);
            if (outcome == PlainSheetParser::Outcome::Going) {
                return reader.result();
            }
            if (outcome == PlainSheetParser::Outcome::TableError) {
                result.error = reader.error();
                return result;
            }
        }
    }
    SheetReader reader(strings, dateStyles, workbook.date1904);
    QtSheetParser parser(reader);
    QXmlStreamReader xml;
    bool cancelled = false;
    bool tableError = false;
    const bool streamed = package.stream(
        sheet.part,
        [&](QByteArrayView chunk, double fraction) {
            xml.addData(chunk.toByteArray());
            if (!parser.take(xml)) {
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
