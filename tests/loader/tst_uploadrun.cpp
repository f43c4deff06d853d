#include "uploadrig.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

using namespace std::chrono_literals;

namespace {

const QByteArray Kma840Header = "S00A00004B4D413834300080";
const QByteArray Rx900Header = "S0090000525839303000B3";

BootLoaderOptions kma840()
{
    BootLoaderOptions options;
    options.product = QStringLiteral("kma840");
    options.announceInterval = 50ms;
    return options;
}

QList<QByteArray> linesOf(const QByteArray& content)
{
    QList<QByteArray> lines = content.split('\n');
    lines.removeLast();
    for (QByteArray& line : lines)
        line.chop(1);
    return lines;
}

} // namespace

class TestUploadRun : public QObject
{
    Q_OBJECT
private slots:
    void uploadsEveryLineWithCrLf()
    {
        BootLoaderOptions options = kma840();
        UploadRig rig(options);
        const QString logPath = rig.dir.filePath(QStringLiteral("wire.log"));
        rig.boot.reset();
        options.logPath = logPath;
        rig.boot = std::make_unique<BootLoader>(rig.pty, options);

        const QByteArray content = srec::firmware(Kma840Header, 12);
        QVERIFY(rig.prepare(content));
        QCOMPARE(rig.run.controls().Text_Filevalid,
                 QStringLiteral("Korvanes Corlift - Waiting for firmware upload..."));
        rig.run.Upload_Click();
        QVERIFY(!rig.watchdogFired);

        QCOMPARE(rig.boot->lines(), linesOf(content));
        QCOMPARE(rig.boot->badLineEnds(), 0);
        QFile wire(logPath);
        QVERIFY(wire.open(QIODevice::ReadOnly));
        QCOMPARE(wire.readAll(), content);

        QCOMPARE(rig.statuses.mid(rig.statuses.indexOf(QStringLiteral("Updating - Please wait..."))),
                 QStringList({"Updating - Please wait...", "Updated with success - Port closed"}));
        QCOMPARE(rig.progress.last(), 100);
        QVERIFY(std::is_sorted(rig.progress.begin(), rig.progress.end()));

        QCOMPARE(rig.ini("Corlifter", "Product"), QStringLiteral("KMA840"));
        QCOMPARE(rig.ini("Corlifter", "File name"), rig.state.FirmwarePath);
        QVERIFY(QRegularExpression(QStringLiteral("^\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d$"))
                    .match(rig.ini("Corlifter", "Upload time"))
                    .hasMatch());
        QCOMPARE(rig.ini("Corlifter", "Status"), QStringLiteral("Succes"));

        QVERIFY(!rig.link.CheckMScomm());
        QCOMPARE(rig.buttons(), "Open Comm Port off, Upload off, Browse on, menu on");
        QVERIFY(!rig.state.ReadyForBoot);
    }

    void progressCountsOnlyLowData_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("lineOf100");
        QTest::addColumn<int>("finalProgress");
        // Reaches 100 only when the confirmation comes: the total adds 20 that no line sends.
        QByteArray high = Kma840Header + "\r\n";
        high += srec::s1(0x1000, QByteArray(32, 'a')) + "\r\n";
        high += srec::s1(0xEF08, QByteArray(32, 'b')) + "\r\n";
        high += srec::s1(0xEF28, QByteArray(32, 'c')) + "\r\n";
        high += srec::s9 + "\r\n";
        // 32 of a total of 52 counted bytes sent with line 2; the first high line passes the total.
        QTest::newRow("data above EF08") << high << 3 << 100;
        QTest::newRow("no S1 records") << Kma840Header + "\r\nS5030000FC\r\n" + srec::s9 + "\r\n"
                                       << -1 << 100;
    }
    void progressCountsOnlyLowData()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, lineOf100);
        QFETCH(int, finalProgress);
        UploadRig rig(kma840());
        QList<int> perLine;
        QObject::connect(rig.boot.get(), &BootLoader::lineReceived,
                         [&] { perLine.append(rig.run.controls().progress); });
        QVERIFY(rig.prepare(content));
        rig.run.Upload_Click();
        QCOMPARE(rig.ini("Corlifter", "Status"), QStringLiteral("Succes"));
        QCOMPARE(rig.run.controls().progress, finalProgress);
        QCOMPARE(perLine.indexOf(100) + 1, lineOf100 < 0 ? 0 : lineOf100);
        QVERIFY(std::is_sorted(perLine.begin(), perLine.end()));
    }

    void rejectedFileStopsWithoutRecord_data()
    {
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<int>("rejectAt");
        QTest::newRow("header of another product") << Rx900Header << 0;
        QTest::newRow("rejected at line 5") << Kma840Header << 5;
    }
    void rejectedFileStopsWithoutRecord()
    {
        QFETCH(QByteArray, header);
        QFETCH(int, rejectAt);
        BootLoaderOptions options = kma840();
        options.rejectAtLine = rejectAt;
        UploadRig rig(options);
        QVERIFY(rig.prepare(srec::firmware(header, 30)));
        rig.run.Upload_Click();

        const int rejectedLine = std::max(rejectAt, 1);
        // A reply is seen only after the next line went out, never later than two lines on.
        QTRY_VERIFY(rig.boot->lines().size() > rejectedLine);
        QTRY_COMPARE(rig.boot->lines().size(), rejectedLine + 1);
        QCOMPARE(rig.run.controls().Text_Filevalid, QStringLiteral("Wrong File - Port closed"));
        QVERIFY(rig.ini("Corlifter", "Status").isEmpty());
        QVERIFY(rig.state.ReplyBuffer.isEmpty());
        QVERIFY(!rig.link.CheckMScomm());
        QCOMPARE(rig.buttons(), "Open Comm Port off, Cancel Upload on, Browse on, menu on");

        rig.run.Upload_Click();
        QCOMPARE(rig.buttons(), "Open Comm Port on, Upload off, Browse on, menu on");
    }

    void cancelStopsBeforeTheNextLine()
    {
        UploadRig rig(kma840());
        QObject::connect(rig.boot.get(), &BootLoader::lineReceived, [&](int number) {
            if (number == 3)
                rig.run.Upload_Click();
        });
        QVERIFY(rig.prepare(srec::firmware(Kma840Header, 30)));
        rig.run.Upload_Click();

        QVERIFY(rig.boot->lines().size() <= 4);
        QVERIFY(rig.statuses.contains(QStringLiteral("Update cancelled")));
        QCOMPARE(rig.run.controls().Text_Filevalid, QStringLiteral("Port closed"));
        QCOMPARE(rig.ini("Corlifter", "Status"), QStringLiteral("Cancelled"));
        QVERIFY(!rig.link.CheckMScomm());
        QCOMPARE(rig.buttons(), "Open Comm Port on, Upload off, Browse on, menu on");
        QVERIFY(!rig.state.StopRequested);
    }

    void confirmationMustComeInTime_data()
    {
        QTest::addColumn<int>("okDelay");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<int>("hangUpAt");
        QTest::addColumn<int>("padding");
        QTest::addColumn<QString>("status");
        QTest::newRow("just inside") << 700 << true << 0 << 0 << "Succes";
        QTest::newRow("just outside") << 1400 << true << 0 << 0 << "Failed";
        QTest::newRow("never") << 0 << false << 0 << 0 << "Failed";
        QTest::newRow("product gone mid-upload") << 0 << true << 3 << 0 << "Failed";
        QTest::newRow("OK in a reply longer than the buffer") << 0 << true << 0 << 200 << "Succes";
    }
    void confirmationMustComeInTime()
    {
        QFETCH(int, okDelay);
        QFETCH(bool, answer);
        QFETCH(int, hangUpAt);
        QFETCH(int, padding);
        QFETCH(QString, status);
        BootLoaderOptions options = kma840();
        options.okDelay = std::chrono::milliseconds(okDelay);
        options.answer = answer;
        options.hangUpAtLine = hangUpAt;
        options.replyPadding = padding;
        UploadRig rig(options);
        rig.run.setConfirmLimit(1000ms);
        QVERIFY(rig.prepare(srec::firmware(Kma840Header, 3)));
        rig.run.Upload_Click();

        QCOMPARE(rig.ini("Corlifter", "Status"), status);
        QVERIFY(!rig.link.CheckMScomm());
        if (status == QLatin1String("Failed")) {
            QVERIFY(rig.statuses.contains(QStringLiteral("Update Failed")));
            QCOMPARE(rig.run.controls().Text_Filevalid, QStringLiteral("Port closed"));
            QCOMPARE(rig.buttons(), "Open Comm Port off, Cancel Upload on, Browse on, menu on");
        }
    }

    void cancelWhileWaitingForConfirmation()
    {
        BootLoaderOptions options = kma840();
        options.answer = false;
        UploadRig rig(options);
        QObject::connect(rig.boot.get(), &BootLoader::lineReceived, [&](int, const QByteArray& line) {
            if (line.startsWith("S9"))
                QTimer::singleShot(50ms, &rig.run, [&] { rig.run.Upload_Click(); });
        });
        QVERIFY(rig.prepare(srec::firmware(Kma840Header, 2)));
        QElapsedTimer elapsed;
        elapsed.start();
        rig.run.Upload_Click();
        QVERIFY(elapsed.elapsed() < 3000);
        QCOMPARE(rig.ini("Corlifter", "Status"), QStringLiteral("Cancelled"));
        QVERIFY(rig.run.controls().commportEnabled);
    }

    // While the port waits for the boot loader, Upload is refused and Close Comm Port ends the wait.
    void closePortEndsTheWaitForTheBootLoader()
    {
        BootLoaderOptions options = kma840();
        options.announce = false;
        UploadRig rig(options);
        rig.run.CheckFirmwareFile(rig.firmwareFile(srec::firmware(Kma840Header, 2)));
        QTimer::singleShot(100ms, &rig.run, [&] {
            QVERIFY(rig.run.isWaitingForBoot());
            QCOMPARE(rig.run.controls().Text_Filevalid, QStringLiteral("Waiting for response..."));
            rig.run.Upload_Click();
            QCOMPARE(rig.run.controls().Text_Filevalid, QStringLiteral("Not ready for boot"));
            // Still open and waiting: it must stay closable, and Browse stays off.
            QCOMPARE(rig.buttons(), "Close Comm Port on, Upload on, Browse off, menu on");
            rig.run.Commport_Click();
        });
        rig.run.Commport_Click();
        QVERIFY(!rig.watchdogFired);
        QVERIFY(rig.boot->lines().isEmpty());
        QVERIFY(!rig.run.isWaitingForBoot());
        QVERIFY(!rig.link.CheckMScomm());
        QCOMPARE(rig.run.controls().Text_Filevalid, QStringLiteral("Port closed"));
        QCOMPARE(rig.buttons(), "Open Comm Port on, Upload off, Browse on, menu on");
        QVERIFY(!rig.state.StopRequested);
    }

    void closePortAfterTheAnnouncement()
    {
        UploadRig rig(kma840());
        QVERIFY(rig.prepare(srec::firmware(Kma840Header, 2)));
        QVERIFY(rig.link.CheckMScomm());
        rig.run.Commport_Click();
        QVERIFY(!rig.link.CheckMScomm());
        QCOMPARE(rig.run.controls().Text_Filevalid, QStringLiteral("Port closed"));
        QCOMPARE(rig.run.controls().commportCaption, QStringLiteral("Open Comm Port"));
        QVERIFY(!rig.run.controls().progressEnabled);
        QVERIFY(!rig.state.ReadyForBoot);
        QVERIFY(!rig.state.StopRequested);
    }

    void debugModeKeepsTheStatusWhenOpening_data()
    {
        QTest::addColumn<QString>("debug");
        QTest::addColumn<bool>("kept");
        QTest::newRow("86") << "86" << true;
        QTest::newRow("86.0") << "86.0" << true;
        QTest::newRow("86x") << "86x" << false;
        QTest::newRow("missing") << "" << false;
    }
    void debugModeKeepsTheStatusWhenOpening()
    {
        QFETCH(QString, debug);
        QFETCH(bool, kept);
        UploadRig rig(kma840());
        if (!debug.isEmpty())
            WriteIniValue(QStringLiteral("Tevlin"), QStringLiteral("Debug"), debug, rig.iniPath());
        rig.run.CheckFirmwareFile(rig.firmwareFile(srec::firmware(Kma840Header, 2)));
        // A port without a device fails to open, so the status shows what opening left there.
        rig.state.ComPort = 2;
        rig.run.Commport_Click();
        QCOMPARE(rig.messages, QStringList{QStringLiteral("Comm Port not available!")});
        QCOMPARE(rig.run.controls().Text_Filevalid,
                 kept ? QStringLiteral("File for KMA840 and file is ok") : QString());
        QCOMPARE(rig.buttons(), "Open Comm Port on, Upload off, Browse on, menu on");
    }

    void checkUpdatesTheWindowTexts_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("commport");
        QTest::newRow("valid") << srec::firmware(Kma840Header, 1) << "File for KMA840 and file is ok" << true;
        QTest::newRow("not valid") << QByteArray("hello\r\n") << "File not valid for any Korvanes product"
                                   << false;
        QTest::newRow("empty") << QByteArray() << "File not valid for any Korvanes product" << false;
        QTest::newRow("line too long")
            << QByteArray(Kma840Header) + "\r\nS1" + QByteArray(600, '0') + "\r\n"
            << "File not valid for any Korvanes product (a line is longer than any S-record can be)" << false;
    }
    void checkUpdatesTheWindowTexts()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, status);
        QFETCH(bool, commport);
        UploadRig rig(kma840());
        // A good file first, so that nothing of it may survive a bad one.
        rig.run.CheckFirmwareFile(
            rig.firmwareFile(srec::firmware(Rx900Header, 1), QStringLiteral("good.s19")));
        const QString path = rig.firmwareFile(content);
        rig.run.CheckFirmwareFile(path);
        const LoaderControls& c = rig.run.controls();
        QCOMPARE(c.Text_Filevalid, status);
        QCOMPARE(c.commportEnabled, commport);
        QCOMPARE(rig.state.FileIsValid, commport);
        QCOMPARE(c.Text_Filename, path);
        QCOMPARE(
            c.Label1.endsWith(QStringLiteral("Release both volumebuttons and KMA840 is in bootmode.\r\n")),
            commport);
        QCOMPARE(c.Label1.startsWith(QStringLiteral("Upgrade steps\r\n")), true);

        rig.run.CheckFirmwareFile(rig.dir.filePath(QStringLiteral("gone.s19")));
        QCOMPARE(rig.run.controls().Text_Filevalid, QStringLiteral("File not found"));
        QCOMPARE(rig.run.controls().Text_Filename, path);
        QVERIFY(!rig.state.FileIsValid);
    }

    void pacingFollowsDelay()
    {
        UploadRig rig(kma840(), 150);
        QList<qint64> at;
        QElapsedTimer clock;
        clock.start();
        QObject::connect(rig.boot.get(), &BootLoader::lineReceived, [&] { at.append(clock.nsecsElapsed()); });
        QVERIFY(rig.prepare(srec::firmware(Kma840Header, 10)));
        rig.run.Upload_Click();
        QCOMPARE(at.size(), 12);
        const double perLineMs = double(at.last() - at.first()) / (at.size() - 1) / 1e6;
        qInfo("%.2f ms per line", perLineMs);
        QVERIFY2(perLineMs >= 149.0 && perLineMs <= 157.5, qPrintable(QString::number(perLineMs)));
    }
};

CORLIFT_TEST_MAIN(TestUploadRun, QCoreApplication)
#include "tst_uploadrun.moc"
