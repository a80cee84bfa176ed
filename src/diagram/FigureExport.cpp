// SPDX-License-Identifier: GPL-3.0-or-later
#include <diagram/FigureExport.h>
#include <diagram/GifWriter.h>

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QSvgGenerator>

FigureExport::Format FigureExport::formatOf(const QString &fileName)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == u"svg") {
        return Format::Svg;
    }
    if (suffix == u"pdf") {
        return Format::Pdf;
    }
    if (suffix == u"png") {
        return Format::Png;
    }
    if (suffix == u"gif") {
        return Format::Gif;
    }
    return Format::Unknown;
}

bool FigureExport::write(const DiagramRenderer &renderer, const QString &fileName, QSize size,
                         const RenderOptions &options, QString *error)
{
    auto fail = [&](const QString &why) {
        if (error) {
            *error = why;
        }
        return false;
    };
    if (size.width() < 16 || size.height() < 16 || size.width() > 20000 || size.height() > 20000) {
        return fail(worded(renderer.wording(), QStringLiteral("图片大小应在 16 到 20000 像素之间：%1 × %2"),
                           QStringLiteral("the picture must be 16 to 20000 pixels wide and high: %1 x %2"))
                        .arg(size.width())
                        .arg(size.height()));
    }
    const int dotsPerInch = std::clamp(options.dotsPerInch, 10, 10000);
    const Format format = formatOf(fileName);
    if (format == Format::Unknown) {
        return fail(worded(renderer.wording(), QStringLiteral("不认识的文件类型：%1（可用 .svg、.pdf、.png、.gif）"),
                           QStringLiteral("unknown file type: %1 (.svg, .pdf, .png or .gif)"))
                        .arg(QDir::toNativeSeparators(fileName)));
    }
    if (format == Format::Gif) {
        return GifWriter::write(renderer.renderImage(size, options), fileName, error, renderer.wording());
    }

    QByteArray bytes;
    if (format == Format::Png) {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImage image = renderer.renderImage(size, options).convertToFormat(QImage::Format_RGB32);
        image.setDotsPerMeterX(qRound(dotsPerInch / 0.0254));
        image.setDotsPerMeterY(qRound(dotsPerInch / 0.0254));
        if (!image.save(&buffer, "PNG")) {
            return fail(worded(renderer.wording(), QStringLiteral("不能生成 PNG 图片"),
                               QStringLiteral("cannot make the PNG picture")));
        }
    } else if (format == Format::Svg) {
        QBuffer buffer(&bytes);
        QSvgGenerator generator;
        generator.setOutputDevice(&buffer);
        generator.setSize(size);
        generator.setViewBox(QRect(QPoint(0, 0), size));
        generator.setResolution(dotsPerInch);
        generator.setTitle(QFileInfo(fileName).completeBaseName());
        QPainter painter(&generator);
        renderer.render(painter, QRectF(QPointF(0, 0), QSizeF(size)), options);
        painter.end();
    } else {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter pdf(&buffer);
        pdf.setResolution(dotsPerInch);
        pdf.setPageSize(QPageSize(QSizeF(size) * 72.0 / dotsPerInch, QPageSize::Point));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPainter painter(&pdf);
        renderer.render(painter, QRectF(QPointF(0, 0), QSizeF(size)), options);
        painter.end();
    }

    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        return fail(worded(renderer.wording(), QStringLiteral("不能写文件 %1：%2"),
                           QStringLiteral("cannot write the file %1: %2"))
                        .arg(QDir::toNativeSeparators(fileName), file.errorString()));
    }
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        return fail(worded(renderer.wording(), QStringLiteral("写文件 %1 失败：%2"),
                           QStringLiteral("writing the file %1 failed: %2"))
                        .arg(QDir::toNativeSeparators(fileName), file.errorString()));
    }
    return true;
}
