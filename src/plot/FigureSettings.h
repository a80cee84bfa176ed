// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <classify/FieldMap.h>
#include <plot/PlotSession.h>

#include <QHash>
#include <QList>
#include <QPointF>
#include <QString>

#include <optional>

namespace plot {

// How samples go on one figure: what the library keeps beside the figure.
struct FigureSettings
{
    QString figureNumber;
    AxisExpressions axes;
    QString xTitle, yTitle; // empty: made from the expressions
    QList<Classify::FieldName> fieldNames;
    QList<QPointF> extendToFrame;
};

// Where the settings are kept: the library, or (for tests and without a library) memory. Reading
// and writing may fail with a message.
class FigureSettingsStore
{
public:
    virtual ~FigureSettingsStore() = default;
    virtual std::optional<FigureSettings> read(const QString &figureNumber, QString *problem) = 0;
    virtual bool write(const FigureSettings &settings, QString *problem) = 0;
};

class MemorySettingsStore : public FigureSettingsStore
{
public:
    std::optional<FigureSettings> read(const QString &figureNumber, QString *) override
    {
        const auto found = m_settings.constFind(figureNumber.toUpper());
        return found == m_settings.cend() ? std::nullopt : std::optional<FigureSettings>(*found);
    }
    bool write(const FigureSettings &settings, QString *) override
    {
        m_settings.insert(settings.figureNumber.toUpper(), settings);
        return true;
    }

private:
    QHash<QString, FigureSettings> m_settings;
};

} // namespace plot
