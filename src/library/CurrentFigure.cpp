// SPDX-License-Identifier: GPL-3.0-or-later
#include "CurrentFigure.h"

#include "mTaprell.h"

QString figureNumberToLoad(mTaprell &taprell)
{
    if (taprell.currentFigureNumber().isEmpty()) {
        taprell.setCurrentFigureNumber(defaultFigureNumber);
    }
    return taprell.currentFigureNumber();
}
