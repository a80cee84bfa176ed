// SPDX-License-Identifier: GPL-3.0-or-later
// The catalogue against the sqlite3 shell on a library of 100,000 rectangular figures: the list
// load, a save of 10,000 changed rows, and the memory the loaded list takes.
#include "BenchSupport.h"
#include "CatalogueEditor.h"
#include "Dialogs.h"
#include "LibraryFile.h"
#include "SettingsStore.h"
#include "fMain.h"
#include "mTaprell.h"

#include <QApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

constexpr int figureCount = 100'000;
constexpr int changedCount = 10'000;

QString figureNumber(int i)
{
    return QStringLiteral("B%1").arg(i, 6, 10, QLatin1Char('0'));
}

void generate(const QString &file)
{
    bench::generateLibrary(
        file, QStringLiteral("insert into picMain values (?,?,?,?,'B',?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)"),
        [](const auto &insertRow) {
            for (int i = 1; i <= figureCount; ++i) {
                QVariantList values = {figureNumber(i),
                                       QStringLiteral("Diagram %1 (Author et al., %2)").arg(i).arg(1950 + i % 70),
                                       QStringLiteral("BP%1").arg(i, 6, 10, QLatin1Char('0')), 1 + i % 10};
                values += {35.0 + i % 7, 80.5, 1.0, 5.0, 0.0, i % 2, 1, 0.0, 16.0, 1.0, 2.0, 35.0, 0, 0, 1, 0};
                values += {QStringLiteral("Boundary lines after the original publication, figure %1; "
                                          "coordinates in wt%, volatile-free.")
                               .arg(i),
                           1, 0};
                insertRow(values);
            }
        });
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    bench::InstallFolder install(generate);
    const QString &file = install.libraryFile;
    mTaprell &taprell = install.taprell;

    // List load: the window's LoadFigData filling LvFigure.
    fMain window(taprell);
    const double peak = bench::peakMemoryMiB();
    if (window.editor().model().size() != figureCount) {
        qFatal("loaded %d figures", window.editor().model().size());
    }
    const double load = bench::bestOf(3, [&] {
        qint16 kind = 1;
        window.LoadFigData(kind);
    });
    const double shellLoad = bench::bestOf(
        3, [&] { bench::timeShell(file, QStringLiteral("select * from picMain where LB='B' order by figName;\n")); });

    // Save: 10,000 rows changed through Update list, spread over the list.
    CatalogueEditor &editor = window.editor();
    int round = 0;
    auto change = [&] {
        ++round;
        for (int k = 0; k < changedCount; ++k) {
            const int row = k * (figureCount / changedCount);
            QList<QString> cells = editor.model().row(row).cells;
            cells[CatalogueEditor::Tm] = QStringLiteral("Diagram %1, revision %2").arg(row).arg(round);
            cells[CatalogueEditor::X1 + 1] = QString::number(80 + round);
            editor.update(row, cells);
        }
    };
    const double save = bench::bestOf(
        3,
        [&] {
            if (const Status status = editor.save(); !status) {
                qFatal("%s", qPrintable(status.error().details()));
            }
        },
        change);

    QString updates = QStringLiteral("BEGIN;\n");
    for (int k = 0; k < changedCount; ++k) {
        const int i = k * (figureCount / changedCount) + 1;
        updates += QStringLiteral("UPDATE picMain SET th='%1', tm='Diagram %2, revision 9', figName='BP%3', grp=%4, "
                                  "LB='B', X1=35, X2=90, X3=1, X4=5, X5=0, X6=0, X7=1, Y1=0, Y2=16, Y3=1, Y4=2, "
                                  "Y5=35, Y6=0, Y7=0, border=1, specialCase=0, Comment='Boundary lines after the "
                                  "original publication, figure %2; coordinates in wt%, volatile-free.', Vector=1, "
                                  "Bitmap=0 WHERE th='%1';\n")
                       .arg(figureNumber(i))
                       .arg(i)
                       .arg(i, 6, 10, QLatin1Char('0'))
                       .arg(1 + i % 10);
    }
    updates += QStringLiteral("COMMIT;\n");
    const double shellSave = bench::bestOf(3, [&] { bench::timeShell(file, updates); });

    bench::report(QStringLiteral("catalogue load"), load, shellLoad);
    bench::report(QStringLiteral("catalogue save"), save, shellSave);
    QTextStream(stdout) << "catalogue peak memory: " << QString::number(peak, 'f', 1) << " MiB" << Qt::endl;
    return 0;
}
