// SPDX-License-Identifier: GPL-3.0-or-later
#include <samples/XlsxTable.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <xlsxwriter.h>
#include <zip.h>

using namespace samples;

class TestXlsxTable : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    // A workbook as a spreadsheet program writes it: strings shared (or inline, in libxlsxwriter's
    // constant-memory mode), formulas with the values last computed, a date, booleans, an error
    // value, empty rows, and a second sheet.
    QString writeWorkbook(bool inlineStrings)
    {
        const QString name =
            m_dir.filePath(inlineStrings ? QStringLiteral("inline.xlsx") : QStringLiteral("shared.xlsx"));
        lxw_workbook_options options = {};
        options.constant_memory = inlineStrings ? LXW_TRUE : LXW_FALSE;
        lxw_workbook *book = workbook_new_opt(QFile::encodeName(name).constData(), &options);
        lxw_worksheet *sheet = workbook_add_worksheet(book, "主量元素");
        lxw_format *date = workbook_add_format(book);
        format_set_num_format(date, "yyyy-mm-dd");
        lxw_format *decimals = workbook_add_format(book);
        format_set_num_format(decimals, "0.00");
        const char *header[] = {"样号", "SiO2 (wt%)", "Al2O3", "Total", "Date", "Fresh"};
        for (lxw_col_t c = 0; c < 6; ++c) {
            worksheet_write_string(sheet, 0, c, header[c], nullptr);
        }
        // Row 2 (index 1) stays empty.
        worksheet_write_string(sheet, 2, 0, "G-2", nullptr);
        worksheet_write_number(sheet, 2, 1, 69.14, decimals);
        worksheet_write_number(sheet, 2, 2, 15.38, nullptr);
        worksheet_write_formula_num(sheet, 2, 3, "=B3+C3", nullptr, 84.52);
        lxw_datetime day = {2023, 4, 5, 0, 0, 0};
        worksheet_write_datetime(sheet, 2, 4, &day, date);
        worksheet_write_boolean(sheet, 2, 5, 1, nullptr);
        worksheet_write_string(sheet, 3, 0, "G-2", nullptr); // the same string again: shared once
        worksheet_write_string(sheet, 3, 1, "<0.01", nullptr);
        worksheet_write_string(sheet, 3, 2, "12.5", nullptr); // a number stored as text
        worksheet_write_formula_str(sheet, 3, 3, "=1/0", nullptr, "#DIV/0!");
        // Rows 5 and 6 empty (a blank formatted cell counts as empty too).
        worksheet_write_blank(sheet, 5, 1, decimals);
        worksheet_write_string(sheet, 6, 0, "花岗岩", nullptr);
        worksheet_write_number(sheet, 6, 2, -1.5e-3, nullptr);
        lxw_worksheet *trace = workbook_add_worksheet(book, "Trace");
        worksheet_write_string(trace, 0, 0, "Rb", nullptr);
        worksheet_write_string(trace, 0, 1, "Sr", nullptr);
        worksheet_write_number(trace, 1, 0, 170, nullptr);
        worksheet_write_number(trace, 1, 1, 478, nullptr);
        if (workbook_close(book) != LXW_NO_ERROR) {
            qFatal("libxlsxwriter could not write %s", qPrintable(name));
        }
        return name;
    }

    // A package made by hand around one sheet's XML, for markup libxlsxwriter never writes.
    QString writePackage(const QByteArray &sheetXml)
    {
        static int count = 0;
        const QString name = m_dir.filePath(QStringLiteral("hand%1.xlsx").arg(++count));
        int error = 0;
        zip_t *zip = zip_open(QFile::encodeName(name).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
        const QList<std::pair<const char *, QByteArray>> parts = {
            {"xl/workbook.xml", "<workbook xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                                "relationships\"><sheets><sheet name=\"A\" sheetId=\"1\" r:id=\"rId1\"/>"
                                "</sheets></workbook>"},
            {"xl/_rels/workbook.xml.rels",
             "<Relationships><Relationship Id=\"rId1\" Target=\"worksheets/sheet1.xml\"/></Relationships>"},
            {"xl/worksheets/sheet1.xml", sheetXml},
        };
        for (const auto &[part, bytes] : parts) {
            zip_source_t *source = zip_source_buffer(zip, bytes.constData(), zip_uint64_t(bytes.size()), 0);
            if (!source || zip_file_add(zip, part, source, ZIP_FL_ENC_UTF_8) < 0) {
                qFatal("libzip: %s", zip_strerror(zip));
            }
        }
        if (zip_close(zip) != 0) { // copies the buffers, which live until here
            qFatal("libzip: %s", zip_strerror(zip));
        }
        return name;
    }

private slots:
    void readsWhatTheSpreadsheetSaved_data()
    {
        QTest::addColumn<bool>("inlineStrings");
        QTest::newRow("shared strings") << false;
        QTest::newRow("inline strings") << true;
    }
    void readsWhatTheSpreadsheetSaved()
    {
        QFETCH(bool, inlineStrings);
        const QString file = writeWorkbook(inlineStrings);
        QCOMPARE(xlsxSheetNames(file), QStringList({QStringLiteral("主量元素"), QStringLiteral("Trace")}));
        const ReadResult read = readXlsxFile(file);
        QVERIFY2(read.ok(), qPrintable(read.error));
        const SampleTable &t = read.table;
        QCOMPARE(t.columnNames(),
                 QStringList({QStringLiteral("样号"), QStringLiteral("SiO2 (wt%)"), QStringLiteral("Al2O3"),
                              QStringLiteral("Total"), QStringLiteral("Date"), QStringLiteral("Fresh")}));
        QCOMPARE(t.rowCount(), 3);
        QCOMPARE(t.column(0).text(0), QStringLiteral("G-2"));
        QCOMPARE(t.column(0).text(1), QStringLiteral("G-2"));
        QCOMPARE(t.column(0).text(2), QStringLiteral("花岗岩"));
        QCOMPARE(t.value(0, 1), 69.14);
        QCOMPARE(t.value(0, 3), 84.52); // the cached value, not evaluated
        QCOMPARE(t.column(4).text(0), QStringLiteral("2023-04-05"));
        QCOMPARE(t.column(5).text(0), QStringLiteral("TRUE"));
        QCOMPARE(t.column(1).text(1), QStringLiteral("<0.01"));
        QCOMPARE(t.value(1, 2), 12.5);
        QCOMPARE(t.column(3).text(1), QStringLiteral("#DIV/0!"));
        QCOMPARE(t.value(2, 2), -1.5e-3);
        QCOMPARE(t.column(1).noValueCount(), 2);
        QCOMPARE(t.column(4).noValueCount(), 3);

        const ReadResult stopped = readXlsxFile(file, {}, [](double) { return false; });
        QVERIFY(stopped.cancelled);
        const ReadResult second = readXlsxFile(file, QStringLiteral("Trace"));
        QVERIFY2(second.ok(), qPrintable(second.error));
        QCOMPARE(second.table.columnNames(), QStringList({QStringLiteral("Rb"), QStringLiteral("Sr")}));
        QCOMPARE(second.table.value(0, 1), 478.0);
    }

    // Namespace prefixes, single quotes, references and comments are read straight; CDATA and a
    // document type go through QXmlStreamReader; damaged markup is named.
    void readsAnyWellFormedSheet_data()
    {
        const QByteArray head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- written by hand -->";
        const QByteArray rows =
            "<x:sheetData><x:row r='1'><x:c r='A1' t='inlineStr'><x:is><x:t>Na&#x2082;O &amp; K&#8322;O</x:t></x:is>"
            "</x:c><x:c r=\"B1\" t=\"inlineStr\"><x:is><x:r><x:t>Mg</x:t></x:r><x:r><x:t xml:space=\"preserve\">O"
            "</x:t></x:r><x:rPh><x:t>x</x:t></x:rPh></x:is></x:c></x:row><x:row r=\"3\" ><x:c r=\"A3\"><x:v>1.5"
            "</x:v></x:c><x:c r=\"B3\" t=\"str\"><x:f>\"&lt;\"&amp;0.1</x:f><x:v>&lt;0.1</x:v></x:c></x:row>"
            "</x:sheetData>";
        const QByteArray open = "<x:worksheet xmlns:x=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">";
        QTest::addColumn<QByteArray>("sheet");
        QTest::addColumn<QString>("error");
        QTest::newRow("prefixes, references") << head + open + rows + "</x:worksheet>\n" << QString();
        QByteArray cdata = rows;
        cdata.replace("Na&#x2082;O &amp; K&#8322;O", "<![CDATA[Na\xe2\x82\x82O & K\xe2\x82\x82O]]>");
        QTest::newRow("CDATA") << head + open + cdata + "</x:worksheet>" << QString();
        QTest::newRow("document type") << head + "<!DOCTYPE x:worksheet>" + open + rows + "</x:worksheet>" << QString();
        QTest::newRow("cut off") << head + open + rows.left(rows.size() / 2) << QStringLiteral("不是有效的 XML");
        QByteArray twice = rows;
        twice.replace("r=\"B3\"", "r=\"A3\"");
        QTest::newRow("cells out of order")
            << head + open + twice + "</x:worksheet>" << QStringLiteral("第 3 行的单元格“A3”不在它左边的单元格之后");
        QByteArray crossed = rows;
        crossed.replace("</x:v></x:c>", "</x:c></x:v>");
        QTest::newRow("crossed tags") << head + open + crossed + "</x:worksheet>" << QStringLiteral("不是有效的 XML");
    }
    void readsAnyWellFormedSheet()
    {
        QFETCH(QByteArray, sheet);
        QFETCH(QString, error);
        const ReadResult read = readXlsxFile(writePackage(sheet));
        if (!error.isEmpty()) {
            QVERIFY(!read.ok());
            QVERIFY2(read.error.contains(error), qPrintable(read.error));
            return;
        }
        QVERIFY2(read.ok(), qPrintable(read.error));
        QCOMPARE(read.table.columnNames(), QStringList({QStringLiteral("Na₂O & K₂O"), QStringLiteral("MgO")}));
        QCOMPARE(read.table.rowCount(), 1);
        QCOMPARE(read.table.value(0, 0), 1.5);
        QCOMPARE(read.table.column(1).text(0), QStringLiteral("<0.1"));
    }

    void refusesBadFiles_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("sheet");
        QTest::addColumn<QString>("error");
        QTest::newRow("truncated") << QStringLiteral("truncated") << QString() << QStringLiteral("不完整");
        QTest::newRow("garbage") << QStringLiteral("garbage") << QString() << QStringLiteral("不是可读的 XLSX");
        QTest::newRow("no such sheet") << QStringLiteral("whole") << QStringLiteral("Trace2")
                                       << QStringLiteral("没有名为“Trace2”的工作表（有：主量元素、Trace）");
    }
    void refusesBadFiles()
    {
        QFETCH(QString, kind);
        QFETCH(QString, sheet);
        QFETCH(QString, error);
        const QString file = writeWorkbook(false);
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadWrite));
        if (kind == u"truncated") {
            QVERIFY(f.resize(f.size() * 2 / 3));
        } else if (kind == u"garbage") {
            QByteArray bytes(50000, '\0');
            for (int i = 0; i < bytes.size(); ++i) {
                bytes[i] = char((i * 7919 + 13) % 256);
            }
            QVERIFY(f.resize(0));
            f.write(bytes);
        }
        f.close();
        const ReadResult read = readXlsxFile(file, sheet);
        QVERIFY(!read.ok());
        QVERIFY2(read.error.contains(error), qPrintable(read.error));
    }
};

QTEST_GUILESS_MAIN(TestXlsxTable)
#include "tst_xlsxtable.moc"
