// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <digitiser/Calibration.h>

#include <QImage>
#include <QString>

class SettingsStore;

// The scan shown under a figure while it is digitised.
namespace Underlay {

// Whether the first page of a PDF file can be shown (Qt's PDF module was found at build time).
bool canReadPdf();
// The file dialog's filter of the formats load() reads.
QString fileFilter();
// Reads a PNG, JPEG, GIF, BMP or TIFF picture, or the first page of a PDF at 200 dots per inch
// (less for a page so large that it would pass 50 million pixels or 20,000 on a side). A null
// image and *error (for the user) when the file cannot be read or holds only part of its picture.
QImage load(const QString &fileName, QString *error);

} // namespace Underlay

// The scan and calibration of each figure, kept in the user's settings (under Taprell's own
// application name, one section per figure number), never in the figure library: reopening a
// figure brings its scan back.
class UnderlayMemory
{
public:
    static const QString application; // "Taprell"

    explicit UnderlayMemory(SettingsStore &settings);

    struct Entry
    {
        QString fileName;
        Calibration calibration; // invalid when the scan was not calibrated
    };
    Entry recall(const QString &figureNumber) const;
    bool remember(const QString &figureNumber, const Entry &entry);
    bool forget(const QString &figureNumber);

private:
    static QString section(const QString &figureNumber);
    SettingsStore &m_settings;
};
