// SPDX-License-Identifier: GPL-3.0-or-later
#include <library/state/CurrentFigure.h>
#include <library/state/mTaprell.h>

QString figureNumberToLoad(mTaprell &taprell)
{
    if (taprell.currentFigureNumber().isEmpty()) {
        taprell.setCurrentFigureNumber(defaultFigureNumber);
    }
    return taprell.currentFigureNumber();
}
