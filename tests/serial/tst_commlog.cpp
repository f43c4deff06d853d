#include "serial/commlog.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

class TestCommLog : public QObject
{
    Q_OBJECT
private slots:
    void symbolicLinkIsReplacedNeverFollowed()
    {
        QTemporaryDir dir;
        const QString log = dir.filePath(QStringLiteral("Log.txt"));
        const QString precious = dir.filePath(QStringLiteral("precious"));
        const QString nowhere = dir.filePath(QStringLiteral("nowhere"));
        QFile file(precious);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("keep") == 4);
        file.close();
        QVERIFY(file.setPermissions(QFile::ReadOwner));

        QVERIFY(QFile::link(precious, log));
        CommLog commLog(log);
        commLog.start();
        QCOMPARE(QFileInfo(log).size(), 6 * 109);
        // Links put in its place while logging runs, or before the next start, are not followed either.
        QVERIFY(QFile::remove(log) && QFile::link(nowhere, log));
        commLog.append(QStringLiteral("TX: 05 "));
        commLog.start();
        QVERIFY(!QFileInfo(log).isSymLink());
        QVERIFY(!QFileInfo::exists(nowhere));
        QVERIFY(!(QFile::permissions(precious) & QFile::WriteOwner));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("keep"));
    }
};

QTEST_GUILESS_MAIN(TestCommLog)
#include "tst_commlog.moc"
