// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// What the installer needs from the spreadsheet application's automation object: its startup
// folder (workbooks there open with every start) and its default file folder.
struct SpreadsheetApplication
{
    QString startupPath;
    QString defaultFilePath;
};

class SpreadsheetApplicationProvider
{
public:
    virtual ~SpreadsheetApplicationProvider() = default;
    // False, with a reason in error, when the application cannot be started or reached.
    virtual bool get(SpreadsheetApplication &application, QString &error) = 0;
};

// The application as this platform has it: two per-user folders that environment variables can
// move, and a switch that makes getting the application fail.
//   KALVOR_EXCEL_STARTUP       startup folder, default <data home>/kalvor/excel/XLSTART
//   KALVOR_EXCEL_DEFAULT_PATH  default file folder, default the user's documents folder
//   KALVOR_EXCEL_UNAVAILABLE   any value but empty or "0": getting the application fails
class EnvironmentSpreadsheetApplication final : public SpreadsheetApplicationProvider
{
public:
    static QString defaultStartupPath();
    static QString defaultDefaultFilePath();

    bool get(SpreadsheetApplication &application, QString &error) override;
};
