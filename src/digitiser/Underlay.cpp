// SPDX-License-Identifier: GPL-3.0-or-later
#include "Underlay.h"

#include "SettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

#ifdef TAPRELL_HAVE_QTPDF
#include <QPdfDocument>
#endif

namespace {

constexpr double pdfDotsPerInch = 200;
constexpr int allocationLimitMegabytes = 1024; // a 6,000 x 4,000 scan takes 96

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
        const QSizeF points = document.pagePointSize(0);
        const QSize size = (points * pdfDotsPerInch / 72.0).toSize();
        QImage page = document.render(0, size);
        if (page.isNull()) {
            *error = QCoreApplication::translate("Underlay", "PDF 文件 %1 的第一页画不出来。").arg(shown);
            return {};
        }
        // Transparent paper shows as white, as it would print.
        QImage white(page.size(), QImage::Format_RGB32);
        white.fill(Qt::white);
        QPainter(&white).drawImage(0, 0, page);
        return white;
#else
        *error =
            QCoreApplication::translate("Underlay", "这个版本的 Taprell 读不了 PDF：请把那一页存成 PNG 图片再载入。");
        return {};
#endif
    }
    QImageReader reader(fileName);
    reader.setAllocationLimit(allocationLimitMegabytes);
    reader.setAutoTransform(true);
    QImage image = reader.read();
    if (image.isNull()) {
        *error = QCoreApplication::translate("Underlay", "底图 %1 读不出来：%2").arg(shown, reader.errorString());
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
