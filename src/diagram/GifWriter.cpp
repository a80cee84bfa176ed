// SPDX-License-Identifier: GPL-3.0-or-later
#include <diagram/GifWriter.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryFile>

#include <algorithm>
#include <cstdio>
#include <gif_lib.h>
#include <unistd.h>

namespace {

int squaredDistance(QRgb a, QRgb b)
{
    const int r = qRed(a) - qRed(b), g = qGreen(a) - qGreen(b), bl = qBlue(a) - qBlue(b);
    return r * r + g * g + bl * bl;
}

QString gifErrorText(int code)
{
    const char *text = GifErrorString(code);
    return text ? QString::fromLatin1(text) : QString::number(code);
}

} // namespace

QImage GifWriter::toPalette(const QImage &source)
{
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    QHash<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            ++counts[line[x] | 0xff000000u];
        }
    }
    QList<std::pair<int, QRgb>> byCount;
    byCount.reserve(counts.size());
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        byCount.append({it.value(), it.key()});
    }
    std::sort(byCount.begin(), byCount.end(), [](const auto &a, const auto &b) {
        return a.first != b.first ? a.first > b.first : a.second < b.second;
    });
    QList<QRgb> palette;
    for (int i = 0; i < std::min<qsizetype>(256, byCount.size()); ++i) {
        palette.append(byCount[i].second);
    }
    if (palette.isEmpty()) {
        palette.append(qRgb(255, 255, 255));
    }

    QHash<QRgb, uchar> indexOf;
    for (int i = 0; i < palette.size(); ++i) {
        indexOf.insert(palette[i], static_cast<uchar>(i));
    }
    QImage indexed(image.size(), QImage::Format_Indexed8);
    indexed.setColorTable(palette);
    for (int y = 0; y < image.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        uchar *out = indexed.scanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            const QRgb colour = line[x] | 0xff000000u;
            auto it = indexOf.constFind(colour);
            if (it == indexOf.cend()) {
                int best = 0;
                for (int i = 1; i < palette.size(); ++i) {
                    if (squaredDistance(colour, palette[i]) < squaredDistance(colour, palette[best])) {
                        best = i;
                    }
                }
                it = indexOf.insert(colour, static_cast<uchar>(best));
            }
            out[x] = *it;
        }
    }
    return indexed;
}

bool GifWriter::write(const QImage &image, const QString &fileName, QString *error, Wording wording)
{
    auto fail = [&](const QString &why) {
        if (error) {
            *error = why;
        }
        return false;
    };
    if (image.isNull() || image.width() > 65535 || image.height() > 65535) {
        return fail(worded(wording, QStringLiteral("图片大小不能写成 GIF：%1 × %2"),
                           QStringLiteral("a picture of this size cannot be a GIF: %1 x %2"))
                        .arg(image.width())
                        .arg(image.height()));
    }
    const QFileInfo destination(fileName);
    if (!destination.dir().exists()) {
        return fail(worded(wording, QStringLiteral("文件夹不存在：%1"), QStringLiteral("the folder does not exist: %1"))
                        .arg(QDir::toNativeSeparators(destination.absolutePath())));
    }
    QTemporaryFile temporary(destination.absoluteFilePath() + QStringLiteral(".XXXXXX"));
    if (!temporary.open()) {
        return fail(worded(wording, QStringLiteral("不能在文件夹中写文件：%1（%2）"),
                           QStringLiteral("cannot write a file in the folder %1 (%2)"))
                        .arg(QDir::toNativeSeparators(destination.absolutePath()), temporary.errorString()));
    }

    const QImage indexed = toPalette(image);
    int bits = 1;
    while ((1 << bits) < indexed.colorCount()) {
        ++bits;
    }
    QList<GifColorType> colours(1 << bits);
    for (int i = 0; i < indexed.colorCount(); ++i) {
        const QRgb c = indexed.color(i);
        colours[i] = {static_cast<GifByteType>(qRed(c)), static_cast<GifByteType>(qGreen(c)),
                      static_cast<GifByteType>(qBlue(c))};
    }

    // giflib closes the descriptor it is given; hand it a duplicate so QTemporaryFile keeps its own.
    int code = 0;
    GifFileType *gif = EGifOpenFileHandle(dup(temporary.handle()), &code);
    if (!gif) {
        return fail(
            worded(wording, QStringLiteral("不能写 GIF 文件：%1"), QStringLiteral("cannot write the GIF file: %1"))
                .arg(gifErrorText(code)));
    }
    ColorMapObject *map = GifMakeMapObject(1 << bits, colours.data());
    bool ok = map && EGifPutScreenDesc(gif, indexed.width(), indexed.height(), bits, 0, map) == GIF_OK &&
              EGifPutImageDesc(gif, 0, 0, indexed.width(), indexed.height(), false, nullptr) == GIF_OK;
    for (int y = 0; ok && y < indexed.height(); ++y) {
        ok = EGifPutLine(gif, const_cast<GifPixelType *>(indexed.constScanLine(y)), indexed.width()) == GIF_OK;
    }
    const int writeError = gif->Error;
    GifFreeMapObject(map);
    int closeError = 0;
    if (EGifCloseFile(gif, &closeError) != GIF_OK) {
        ok = false;
    }
    if (!ok) {
        return fail(
            worded(wording, QStringLiteral("写 GIF 文件失败：%1"), QStringLiteral("writing the GIF file failed: %1"))
                .arg(gifErrorText(writeError ? writeError : closeError)));
    }
    temporary.close();
    // Replace in one step: rename over an existing file is atomic on this platform.
    if (std::rename(QFile::encodeName(temporary.fileName()).constData(), QFile::encodeName(fileName).constData()) !=
        0) {
        return fail(worded(wording, QStringLiteral("不能把 GIF 文件放到 %1"),
                           QStringLiteral("cannot put the GIF file in place as %1"))
                        .arg(QDir::toNativeSeparators(fileName)));
    }
    temporary.setAutoRemove(false);
    QFile::setPermissions(fileName, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    return true;
}
