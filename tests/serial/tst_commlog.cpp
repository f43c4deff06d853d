#include "serial/commlog.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

class TestCommLog : public QObject
{
    Q_OBJECT
private slots:
    void symbolicLinkIsReplacedNeverFollowed_data()
    {
        QTest::addColumn<bool>("targetExists");
        QTest::newRow("link to a file") << true;
        QTest::newRow("dangling link") << false;
    }
    void symbolicLinkIsReplacedNeverFollowed()
    {
        QFETCH(bool, targetExists);
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("precious"));
        const QString log = dir.filePath(QStringLiteral("Log.txt"));
        if (targetExists) {
            QFile file(target);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("keep");
            file.close();
            QVERIFY(file.setPermissions(QFile::ReadOwner));
        }
        QVERIFY(QFile::link(target, log));

        CommLog commLog(log);
        commLog.start();
        QVERIFY(!QFileInfo(log).isSymLink());
        QCOMPARE(QFileInfo(log).size(), 6 * 109);
        // A link put in its place while logging runs is not written through either.
        QVERIFY(QFile::remove(log) && QFile::link(target, log));
        commLog.append(QStringLiteral("TX: 05 "));

        QCOMPARE(QFileInfo::exists(target), targetExists);
        if (targetExists) {
            QVERIFY(!(QFile::permissions(target) & QFile::WriteOwner));
            QFile file(target);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), QByteArray("keep"));
        }
    }
};

QTEST_GUILESS_MAIN(TestCommLog)
#include "tst_commlog.moc"
