// SPDX-License-Identifier: GPL-3.0-or-later
#include <platform/ProfileFile.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestProfileFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString file;

    void write(const QByteArray &bytes)
    {
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(bytes);
    }
    QByteArray contents() const
    {
        QFile in(file);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    }
    QString read(const QString &section, const QString &key, int size = 255) const
    {
        return ProfileFile::readString(section, key, QStringLiteral("(none)"), size, file);
    }

private slots:
    void init() { file = dir.filePath(QStringLiteral("QVDProfile.ini")); }
    void cleanup() { QFile::remove(file); }

    void readMatchesNamesWithoutCaseWithinTheirSection()
    {
        write("; InstalDate=comment\r\n[Other]\r\nInstalDate=other\r\n[ kalvor ]\r\n  instaldate =  2020/1/2  \r\n"
              "WorkPath=\"/home/ana/my work\"\r\nEmpty=\r\n[Kalvor2]\r\nDataPath=x\r\n");
        QCOMPARE(read(QStringLiteral("Kalvor"), QStringLiteral("InstalDate")), QStringLiteral("2020/1/2"));
        QCOMPARE(read(QStringLiteral("KALVOR"), QStringLiteral("workpath")), QStringLiteral("/home/ana/my work"));
        QCOMPARE(read(QStringLiteral("Kalvor"), QStringLiteral("Empty")), QString());
        QCOMPARE(read(QStringLiteral("Kalvor"), QStringLiteral("DataPath")), QStringLiteral("(none)"));
        QCOMPARE(read(QStringLiteral("Missing"), QStringLiteral("InstalDate")), QStringLiteral("(none)"));
        QFile::remove(file);
        QCOMPARE(read(QStringLiteral("Kalvor"), QStringLiteral("InstalDate")), QStringLiteral("(none)"));
    }

    void readKeepsAtMostBufferSizeLessOneCharacters()
    {
        const QByteArray longValue(300, 'x');
        write("[Kalvor]\nDataPath=" + longValue + "\n");
        QCOMPARE(read(QStringLiteral("Kalvor"), QStringLiteral("DataPath")).size(), 254);
        QCOMPARE(read(QStringLiteral("Kalvor"), QStringLiteral("DataPath"), 4), QStringLiteral("xxx"));
    }

    void writeReplacesOnlyTheKeysLine()
    {
        const QByteArray before = "; kept\r\n[kalvor]\r\ninstaldate = 2019\r\nDataPath=/d\r\n\r\n[Next]\r\nA=1";
        write(before);
        QVERIFY(ProfileFile::writeString(QStringLiteral("Kalvor"), QStringLiteral("InstalDate"),
                                         QStringLiteral("2020/1/2"), file));
        QCOMPARE(contents(),
                 QByteArray("; kept\r\n[kalvor]\r\ninstaldate=2020/1/2\r\nDataPath=/d\r\n\r\n[Next]\r\nA=1"));
        QVERIFY(ProfileFile::writeString(QStringLiteral("Next"), QStringLiteral("a"), QStringLiteral("2"), file));
        QVERIFY(contents().endsWith("\r\n[Next]\r\nA=2"));
    }

    void writeAddsKeyToItsSectionOrAddsTheSection()
    {
        write("[Kalvor]\nDataPath=/d\n\n[Next]\nA=1\n");
        QVERIFY(ProfileFile::writeString(QStringLiteral("KALVOR"), QStringLiteral("InstalDate"), QStringLiteral("d1"),
                                         file));
        QCOMPARE(contents(), QByteArray("[Kalvor]\nDataPath=/d\nInstalDate=d1\n\n[Next]\nA=1\n"));
        QVERIFY(ProfileFile::writeString(QStringLiteral("New"), QStringLiteral("K"), QStringLiteral("v"), file));
        QCOMPARE(contents(), QByteArray("[Kalvor]\nDataPath=/d\nInstalDate=d1\n\n[Next]\nA=1\n[New]\nK=v\n"));
        QCOMPARE(read(QStringLiteral("new"), QStringLiteral("k")), QStringLiteral("v"));
    }

    void writeCreatesTheFileButNotItsFolder()
    {
        QVERIFY(ProfileFile::writeString(QStringLiteral("Kalvor"), QStringLiteral("InstalDate"), QStringLiteral("d"),
                                         file));
        QCOMPARE(contents(), QByteArray("[Kalvor]\nInstalDate=d\n"));
        QVERIFY(!ProfileFile::writeString(QStringLiteral("Kalvor"), QStringLiteral("InstalDate"), QStringLiteral("d"),
                                          dir.filePath(QStringLiteral("no such folder/QVDProfile.ini"))));
    }
};

QTEST_MAIN(TestProfileFile)
#include "tst_profilefile.moc"
