// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The windows name the fonts "宋体" (Song) and "楷体" (Kai), which this platform does not have
// under those names: map them to the installed Song and Kai style families, and make the 9-point
// Song style font the default that the windows' sizes were laid out for.
void installProgramFonts();
