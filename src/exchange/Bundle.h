// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <library/engine/LibraryError.h>

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

class Library;

// Taprell's bundle: one or many figures of a library as a JSON document (docs/bundle.md, with its
// JSON Schema in docs/bundle.schema.json), so a figure goes to a colleague's library without the
// rest. Each figure carries every field of its record, its group, its points and labels in the
// order they are stored, and its axes and field corrections when it has them. Values travel as the
// library holds them: numbers as numbers, yes/no values as true/false, no value as null; a text
// that a number field holds stays a text, and the export says so.
namespace exchange {

constexpr int bundleVersion = 1;
constexpr qint64 largestBundle = 50 * 1024 * 1024;

// What the tables hold for one figure, as the bundle's JSON objects (field name to value), in
// their order in the library.
struct BundleFigure
{
    QJsonObject record;        // picMain
    QJsonObject group;         // picType: grp and grpName; empty when the group is not in the library
    QList<QJsonObject> points; // pData, without th
    QList<QJsonObject> labels; // picLable, without th
    QJsonObject axes;          // picAxis, without th; empty for none
    QList<QJsonObject> fields; // picField, without th

    QString number() const { return record.value(QStringLiteral("th")).toString(); }
};

struct Bundle
{
    QList<BundleFigure> figures;
    QStringList notes; // what the reading or writing noticed (texts in number fields, …)
};

// Which figures an export takes: the numbers given, the figures of a group, or every figure.
struct Selection
{
    QStringList figureNumbers;
    QString group; // a group number
    bool all = false;
};

Status read(Library &library, const Selection &selection, Bundle *bundle);
QByteArray toJson(const Bundle &bundle);

// Reads and checks a bundle; a fault names its place ("figures[3].points[12].X: …"). Nothing is
// half read: a bundle with a fault is refused whole.
bool fromJson(const QByteArray &json, Bundle *bundle, QString *problem);
bool readFile(const QString &fileName, Bundle *bundle, QString *problem);

enum class OnConflict
{
    Skip,     // a figure whose number the library holds stays as it is; the bundle's is left out
    Replace,  // the library's figure is replaced by the bundle's, with its points, labels and axes
    Renumber, // the bundle's figure is added under the next free number of its letter
};

struct ImportStep
{
    QString number; // in the bundle
    QString as;     // in the library; empty when skipped
    enum class Action
    {
        Add,
        Replace,
        Renumber,
        Skip,
    } action = Action::Add;
};

struct ImportResult
{
    Status status;
    QList<ImportStep> steps;
    QStringList notes;
};

// The next figure number of the letter the library does not hold (B004 after B003), or an
// empty text when the letter's numbers are used up.
Status nextFreeNumber(Library &library, QChar letter, QString *number);

// Writes the bundle's figures into the library in one save: all of them or, on any failure,
// none. A dry run decides the steps and writes nothing.
ImportResult write(Library &library, const Bundle &bundle, OnConflict onConflict, bool dryRun = false);

} // namespace exchange
