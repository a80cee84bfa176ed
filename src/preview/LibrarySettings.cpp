// SPDX-License-Identifier: GPL-3.0-or-later
#include <library/state/mTaprell.h>
#include <library/store/FigureAxes.h>
#include <preview/LibrarySettings.h>

namespace {

plot::FigureSettings fromStored(const store::FigureAxes &stored)
{
    plot::FigureSettings settings;
    settings.figureNumber = stored.figureNumber;
    settings.axes = {stored.x, stored.y, stored.left, stored.top, stored.right};
    settings.xTitle = stored.xTitle;
    settings.yTitle = stored.yTitle;
    for (const store::FigureAxes::FieldName &name : stored.fieldNames) {
        settings.fieldNames << Classify::FieldName{name.at, name.name};
    }
    settings.extendToFrame = stored.extendToFrame;
    return settings;
}

store::FigureAxes toStored(const plot::FigureSettings &settings)
{
    store::FigureAxes stored;
    stored.figureNumber = settings.figureNumber;
    stored.x = settings.axes.x;
    stored.y = settings.axes.y;
    stored.left = settings.axes.left;
    stored.top = settings.axes.top;
    stored.right = settings.axes.right;
    stored.xTitle = settings.xTitle;
    stored.yTitle = settings.yTitle;
    for (const Classify::FieldName &name : settings.fieldNames) {
        stored.fieldNames << store::FigureAxes::FieldName{name.at, name.name};
    }
    stored.extendToFrame = settings.extendToFrame;
    return stored;
}

} // namespace

std::optional<plot::FigureSettings> LibrarySettings::read(const QString &figureNumber, QString *problem)
{
    Library &library = m_taprell.library();
    if (!library.isOpen()) {
        if (Status opened = m_taprell.openLibrary(); !opened) {
            *problem = opened.error().details();
            return std::nullopt;
        }
    }
    std::optional<store::FigureAxes> stored;
    if (Status status = store::Axes::read(library, figureNumber, &stored); !status) {
        *problem = status.error().details();
        return std::nullopt;
    }
    return stored ? std::optional<plot::FigureSettings>(fromStored(*stored)) : std::nullopt;
}

bool LibrarySettings::write(const plot::FigureSettings &settings, QString *problem)
{
    Library &library = m_taprell.library();
    if (!library.isOpen()) {
        if (Status opened = m_taprell.openLibrary(); !opened) {
            *problem = opened.error().details();
            return false;
        }
    }
    if (Status status = store::Axes::write(library, toStored(settings)); !status) {
        *problem = status.error().details();
        return false;
    }
    return true;
}
