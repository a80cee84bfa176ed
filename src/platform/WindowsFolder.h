// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The Windows folder of this platform: $windir when set (used as it is), otherwise the per-user
// folder <data home>/kalvor/windows, which locate() creates together with its system32 folder.
// A file in its syswow64 folder makes the installer treat the system as 64-bit.
namespace WindowsFolder {

QString defaultPath();
QString locate();

} // namespace WindowsFolder
