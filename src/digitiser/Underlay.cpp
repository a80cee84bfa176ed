// SPDX-License-Identifier: GPL-3.0-or-later
#include <digitiser/Underlay.h>
#include <platform/SettingsStore.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

#include <algorithm>
#include <cmath>

#ifdef TAPRELL_HAVE_QTPDF
#include <QPdfDocument>
#endif

namespace {

constexpr double pdfDotsPerInch = 200;
constexpr int allocationLimitMegabytes = 1024; // a 6,000 x 4,000 scan takes 96
// A PDF page is drawn at 200 dpi, or less when that would pass these: an A1 page stays at 200
// dpi, a larger one is drawn smaller. Four bytes a pixel, so at most 200 MB.
constexpr double maximumPdfPixels = 50e6;
constexpr double maximumPdfSide = 20000;
constexpr int minimumPdfSide = 16; // narrower than this, nothing on the page could be clicked

// Whether the picture's file holds all of its image data. The image readers fill what is missing
// of a cut JPEG, GIF or BMP file with grey or black and report no error, so those three are
// walked through by their own structure first.
enum class Completeness
{
    Complete,
    Truncated, // the file ends inside the image data
    Damaged,   // the structure does not hold together
};

uint byteAt(const QByteArray &data, qsizetype i)
{
    return static_cast<uchar>(data[i]);
}

// Markers and their segments up to the end-of-image marker; the entropy-coded data after a
// start-of-scan runs to the next marker that is neither a stuffed 0xFF nor a restart marker.
Completeness jpegCompleteness(const QByteArray &data)
{
    const qsizetype n = data.size();
    if (n < 4 || byteAt(data, 0) != 0xFF || byteAt(data, 1) != 0xD8) {
        return Completeness::Damaged;
    }
    qsizetype i = 2;
    for (;;) {
        if (i >= n) {
            return Completeness::Truncated;
        }
        if (byteAt(data, i) != 0xFF) {
            return Completeness::Damaged;
        }
        while (i < n && byteAt(data, i) == 0xFF) {
            ++i;
        }
        if (i >= n) {
            return Completeness::Truncated;
        }
        const uint code = byteAt(data, i++);
        if (code == 0xD9) {
            return Completeness::Complete;
        }
        if (code == 0x01 || (code >= 0xD0 && code <= 0xD7)) {
            continue;
        }
        if (code == 0x00 || code == 0xD8) {
            return Completeness::Damaged;
        }
        if (i + 2 > n) {
            return Completeness::Truncated;
        }
        const qsizetype length = (byteAt(data, i) << 8) | byteAt(data, i + 1);
        if (length < 2) {
            return Completeness::Damaged;
        }
        i += length;
        if (i > n) {
            return Completeness::Truncated;
        }
        if (code != 0xDA) {
            continue;
        }
        for (;;) {
            i = data.indexOf('\xFF', i);
            if (i < 0 || i + 1 >= n) {
                return Completeness::Truncated;
            }
            const uint next = byteAt(data, i + 1);
            if (next == 0x00 || (next >= 0xD0 && next <= 0xD7)) {
                i += 2;
            } else if (next == 0xFF) {
                ++i;
            } else {
                break;
            }
        }
    }
}

// Blocks up to the trailer. A file that ends just after a whole image (without the trailer)
// still shows that image whole.
Completeness gifCompleteness(const QByteArray &data)
{
    const qsizetype n = data.size();
    if (n < 13 || !data.startsWith("GIF")) {
        return Completeness::Damaged;
    }
    auto colourTable = [](uint packed) { return (packed & 0x80) ? qsizetype(3) << ((packed & 7) + 1) : 0; };
    qsizetype i = 13 + colourTable(byteAt(data, 10));
    auto subBlocks = [&] {
        for (;;) {
            if (i >= n) {
                return false;
            }
            const uint length = byteAt(data, i++);
            if (length == 0) {
                return true;
            }
            i += length;
        }
    };
    bool image = false;
    for (;;) {
        if (i >= n) {
            return image && i == n ? Completeness::Complete : Completeness::Truncated;
        }
        const uint kind = byteAt(data, i++);
        if (kind == 0x3B) {
            return Completeness::Complete;
        }
        if (kind == 0x21) {
            ++i; // the extension's label
            if (!subBlocks()) {
                return Completeness::Truncated;
            }
        } else if (kind == 0x2C) {
            if (i + 9 > n) {
                return Completeness::Truncated;
            }
            i += 9 + colourTable(byteAt(data, i + 8));
            ++i; // the smallest LZW code size
            if (!subBlocks()) {
                return Completeness::Truncated;
            }
            image = true;
        } else {
            return Completeness::Damaged;
        }
    }
}

// The pixel data the headers announce must be in the file.
Completeness bmpCompleteness(const QByteArray &data)
{
    const qsizetype n = data.size();
    if (n < 26 || !data.startsWith("BM")) {
        return Completeness::Damaged;
    }
    auto le = [&](qsizetype at, int bytes) {
        quint32 value = 0;
        for (int b = bytes - 1; b >= 0; --b) {
            value = (value << 8) | byteAt(data, at + b);
        }
        return value;
    };
    const double offset = le(10, 4);
    const quint32 headerSize = le(14, 4);
    double width = 0, height = 0, bitsPerPixel = 0, compressedSize = 0;
    quint32 compression = 0;
    if (headerSize == 12) {
        width = le(18, 2);
        height = le(20, 2);
        bitsPerPixel = le(24, 2);
    } else if (headerSize >= 40) {
        if (n < 54) {
            return Completeness::Truncated;
        }
        width = static_cast<qint32>(le(18, 4));
        height = std::abs(static_cast<double>(static_cast<qint32>(le(22, 4))));
        bitsPerPixel = le(28, 2);
        compression = le(30, 4);
        compressedSize = le(34, 4);
    } else {
        return Completeness::Damaged;
    }
    if (width <= 0 || height <= 0 || bitsPerPixel <= 0) {
        return Completeness::Damaged;
    }
    // Plain rows (also with bit fields) are padded to four bytes; run-length data says its size.
    const bool plain = compression == 0 || compression == 3 || compression == 6;
    const double pixelBytes = plain ? std::floor((width * bitsPerPixel + 31) / 32) * 4 * height : compressedSize;
    return offset + pixelBytes > static_cast<double>(n) ? Completeness::Truncated : Completeness::Complete;
}

// Why the picture's file cannot be shown whole; empty when it can, or when its format is not one
// that is walked through here.
QString incompleteness(const QString &fileName, const QByteArray &format)
{
    Completeness (*check)(const QByteArray &) = format == "jpeg"  ? jpegCompleteness
                                                : format == "gif" ? gifCompleteness
                                                : format == "bmp" ? bmpCompleteness
                                                                  : nullptr;
    if (!check) {
        return {};
    }
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        return file.errorString();
    }
    switch (check(file.readAll())) {
    case Completeness::Complete:
        return {};
    case Completeness::Truncated:
        return QCoreApplication::translate("Underlay", "文件在图像数据结束之前就断了");
    case Completeness::Damaged:
        return QCoreApplication::translate("Underlay", "文件的结构是坏的");
    }
    return {};
}

} // namespace

bool Underlay::canReadPdf()
{
#ifdef TAPRELL_HAVE_QTPDF
    return true;
#else
    return false;
#endif
}

QString Underlay::fileFilter()
{
    QString patterns = QStringLiteral("*.png *.jpg *.jpeg *.gif *.bmp *.tif *.tiff");
    if (canReadPdf()) {
        patterns += QStringLiteral(" *.pdf");
    }
    return QCoreApplication::translate("Underlay", "扫描图 (%1);;所有文件 (*)").arg(patterns);
}

QImage Underlay::load(const QString &fileName, QString *error)
{
    const QString shown = QDir::toNativeSeparators(fileName);
    if (!QFileInfo(fileName).isFile()) {
        *error = QCoreApplication::translate("Underlay", "找不到底图文件 %1。").arg(shown);
        return {};
    }
    if (fileName.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive)) {
#ifdef TAPRELL_HAVE_QTPDF
        QPdfDocument document;
        if (document.load(fileName) != QPdfDocument::Error::None || document.pageCount() < 1) {
            *error = QCoreApplication::translate("Underlay", "PDF 文件 %1 读不出来。").arg(shown);
            return {};
        }
        // The size is settled before anything is drawn: a page can be 200 inches on a side.
        const QSizeF points = document.pagePointSize(0);
        if (!(points.width() > 0 && points.height() > 0 && std::isfinite(points.width()) &&
              std::isfinite(points.height()))) {
            *error = QCoreApplication::translate("Underlay", "PDF 文件 %1 的第一页没有大小，画不出来。").arg(shown);
            return {};
        }
        const QSizeF full = points * pdfDotsPerInch / 72.0;
        const double scale = std::min({1.0, maximumPdfSide / std::max(full.width(), full.height()),
                                       std::sqrt(maximumPdfPixels / (full.width() * full.height()))});
        const QSize size = (full * scale).toSize();
        if (std::min(size.width(), size.height()) < minimumPdfSide) {
            *error =
                QCoreApplication::translate(
                    "Underlay", "PDF 文件 %1 的第一页太窄（%2 × %3 点），画成底图后不到 %4 个像素宽，不能用来定标。")
                    .arg(shown)
                    .arg(points.width(), 0, 'g', 6)
                    .arg(points.height(), 0, 'g', 6)
                    .arg(minimumPdfSide);
            return {};
        }
        QImage page = document.render(0, size);
        if (page.isNull()) {
            *error = QCoreApplication::translate("Underlay", "PDF 文件 %1 的第一页画不出来（%2 × %3 像素）。")
                         .arg(shown)
                         .arg(size.width())
                         .arg(size.height());
            return {};
        }
        // Transparent paper shows as white, as it would print; painted behind the page in place,
        // so the page is held once.
        QPainter painter(&page);
        painter.setCompositionMode(QPainter::CompositionMode_DestinationOver);
        painter.fillRect(page.rect(), Qt::white);
        painter.end();
        page.convertTo(QImage::Format_RGB32);
        return page;
#else
        *error =
            QCoreApplication::translate("Underlay", "这个版本的 Taprell 读不了 PDF：请把那一页存成 PNG 图片再载入。");
        return {};
#endif
    }
    QImageReader reader(fileName);
    reader.setAllocationLimit(allocationLimitMegabytes);
    reader.setAutoTransform(true);
    const QByteArray format = reader.format(); // before read(), which forgets it
    // A small file can announce a huge picture: refused by its size, before it is read.
    if (const QSize size = reader.size();
        size.isValid() && 4.0 * size.width() * size.height() > allocationLimitMegabytes * 1048576.0) {
        *error = QCoreApplication::translate(
                     "Underlay", "底图 %1 太大：%2 × %3 个像素要占 %4 MB 内存，超过 %5 MB。请把它缩小后再载入。")
                     .arg(shown)
                     .arg(size.width())
                     .arg(size.height())
                     .arg(qRound64(4.0 * size.width() * size.height() / 1048576.0))
                     .arg(allocationLimitMegabytes);
        return {};
    }
    QImage image = reader.read();
    if (image.isNull()) {
        *error = QCoreApplication::translate("Underlay", "底图 %1 读不出来：%2").arg(shown, reader.errorString());
        return {};
    }
    if (const QString missing = incompleteness(fileName, format); !missing.isEmpty()) {
        *error = QCoreApplication::translate(
                     "Underlay", "底图 %1 不完整（%2），没有载入：缺的部分会显示成一片灰色或黑色。请用完整的文件。")
                     .arg(shown, missing);
        return {};
    }
    // One format for fast drawing at any zoom.
    return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
}

const QString UnderlayMemory::application = QStringLiteral("Taprell");

UnderlayMemory::UnderlayMemory(SettingsStore &settings)
    : m_settings(settings)
{
}

QString UnderlayMemory::section(const QString &figureNumber)
{
    return QStringLiteral("Underlay ") + figureNumber.trimmed().toUpper();
}

UnderlayMemory::Entry UnderlayMemory::recall(const QString &figureNumber) const
{
    return {m_settings.value(application, section(figureNumber), QStringLiteral("File")),
            Calibration::fromText(m_settings.value(application, section(figureNumber), QStringLiteral("Calibration")))};
}

bool UnderlayMemory::remember(const QString &figureNumber, const Entry &entry)
{
    return m_settings.setValues(application, {{section(figureNumber), QStringLiteral("File"), entry.fileName},
                                              {section(figureNumber), QStringLiteral("Calibration"),
                                               entry.calibration.isValid() ? entry.calibration.toText() : QString()}});
}

bool UnderlayMemory::forget(const QString &figureNumber)
{
    return m_settings.removeSection(application, section(figureNumber)) != SettingsStore::RemoveResult::Failed;
}
