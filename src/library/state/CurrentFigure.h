// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class mTaprell;

// The figure the data and label windows open on when the catalogue has handed over none.
inline const QString defaultFigureNumber = QStringLiteral("B001");

// The program's current figure number, which becomes "B001" (for every window) when it is empty.
QString figureNumberToLoad(mTaprell &taprell);
