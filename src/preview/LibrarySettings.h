// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <plot/FigureSettings.h>

class mTaprell;

// The figures' plot settings as the library keeps them (its axes and field corrections), read and
// written over the program's library connection.
class LibrarySettings final : public plot::FigureSettingsStore
{
public:
    explicit LibrarySettings(mTaprell &taprell)
        : m_taprell(taprell)
    {
    }

    std::optional<plot::FigureSettings> read(const QString &figureNumber, QString *problem) override;
    bool write(const plot::FigureSettings &settings, QString *problem) override;

private:
    mTaprell &m_taprell;
};
