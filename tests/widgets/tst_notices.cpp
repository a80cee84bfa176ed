// SPDX-License-Identifier: GPL-3.0-or-later
#include "TempLibrary.h"
#include <widgets/Notices.h>

class TestNotices : public QObject
{
    Q_OBJECT

private slots:
    void errorNoticeHasOnlyOkAndCarriesTheDetails()
    {
        TempLibrary lib;
        LibraryError error;
        error.message = QStringLiteral("记录写入失败。");
        error.row = 3;
        error.field = QStringLiteral("X1");
        error.statement = QStringLiteral("select * from picMain where th= 'B003'");
        error.engineMessage = QStringLiteral("engine says no");
        errorNotice(lib.dialogs, error, nullptr);
        QCOMPARE(lib.dialogs.shown.size(), 1);
        const Dialogs::Message &m = lib.dialogs.shown.first();
        QCOMPARE(m.text, QStringLiteral("不好意思，出错了！"));
        QCOMPARE(m.title, QStringLiteral("Taprell"));
        QCOMPARE(m.buttons, Dialogs::Buttons::Ok);
        QCOMPARE(m.icon, Dialogs::Icon::None);
        for (const QString &part : {QStringLiteral("3"), QStringLiteral("X1"), error.statement, error.engineMessage}) {
            QVERIFY2(m.details.contains(part), qPrintable(part));
        }
    }
};

QTEST_MAIN(TestNotices)
#include "tst_notices.moc"
