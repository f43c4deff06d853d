#include "uploadrig.h"

#include <QDir>
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
        QCOMPARE(rig.run.controls().statusText,
                 QStringLiteral("Korvanes Corlift - Waiting for firmware upload..."));
        rig.run.toggleUpload();

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
        QCOMPARE(rig.ini("Corlifter", "File name"), rig.state.firmwarePath);
        QVERIFY(QRegularExpression(QStringLiteral("^\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d$"))
                    .match(rig.ini("Corlifter", "Upload time"))
                    .hasMatch());
        QCOMPARE(rig.ini("Corlifter", "Status"), QStringLiteral("Succes"));

        QVERIFY(!rig.link.CheckMScomm());
        QCOMPARE(rig.buttons(), "Open Comm Port off, Upload off, Browse on, menu on");
        QVERIFY(!rig.state.readyForBoot);
    }

    // "Next unit" after a success: the next product on the same port with the same file, without
    // choosing anything again; offered only after a success.
    void nextUnitFlashesTheNextProduct()
    {
        UploadRig rig(kma840(), 20, 8s);
        QVERIFY(!rig.run.controls().nextUnitEnabled);
        QVERIFY(rig.prepare(srec::firmware(Kma840Header, 3)));
        rig.run.toggleUpload();
        QVERIFY(rig.run.controls().nextUnitEnabled);
        rig.run.nextUnit();
        QVERIFY(rig.state.readyForBoot);
        QVERIFY(!rig.run.controls().nextUnitEnabled);
        rig.run.toggleUpload();
        QCOMPARE(rig.boot->confirmations(), 2);
        QCOMPARE(rig.ended(),
                 "Updated with success - Port closed | Succes | port closed | Open Comm Port off, "
                 "Upload off, Browse on, menu on");
        rig.run.checkFile(rig.state.firmwarePath);
        QVERIFY(!rig.run.controls().nextUnitEnabled);
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
        rig.run.toggleUpload();
        QCOMPARE(rig.ini("Corlifter", "Status"), QStringLiteral("Succes"));
        QCOMPARE(rig.run.controls().progress, finalProgress);
        QCOMPARE(perLine.indexOf(100) + 1, lineOf100 < 0 ? 0 : lineOf100);
        QVERIFY(std::is_sorted(perLine.begin(), perLine.end()));
    }

    // How an upload that does not simply succeed ends: the boot loader rejects the file (at once
    // for another product's header, or at some line), the user cancels (during the lines or while
    // the confirmation is awaited), or the "OK" comes in time, too late or never. The real limit for
    // the "OK" is 5 s; shortened where that is not the point.
    void howAnUploadEnds_data()
    {
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<int>("rejectAt");    // the boot loader's option; 0: only a wrong header
        QTest::addColumn<int>("okDelay");     // ms; -1: no answer at all
        QTest::addColumn<int>("cancelAt");    // the line that makes the user cancel; -1: the end record
        QTest::addColumn<int>("limit");       // ms for the "OK"; 0: the program's own
        QTest::addColumn<QString>("ended");   // see UploadRig::ended()
        QTest::addColumn<QString>("passing"); // a status shown on the way
        QTest::addColumn<int>("lines");       // the lines the boot loader got, or the most; 0: any
        QTest::addColumn<int>("seconds");     // how long the upload took at least; 0: any
        const QString rejected = "Wrong File - Port closed | no record | port closed | "
                                 "Open Comm Port off, Cancel Upload on, Browse on, menu on";
        const QString cancelled =
            "Port closed | Cancelled | port closed | Open Comm Port on, Upload off, Browse on, "
            "menu on";
        const QString failed =
            "Port closed | Failed | port closed | Open Comm Port off, Cancel Upload on, Browse on, "
            "menu on";
        const QString ok =
            "Updated with success - Port closed | Succes | port closed | Open Comm Port off, Upload off, "
            "Browse on, menu on";
        // A rejection is seen only after the next line went out, never later than two lines on.
        QTest::newRow("header of another product")
            << Rx900Header << 0 << 0 << 0 << 0 << rejected << "" << 2 << 0;
        QTest::newRow("rejected at line 5") << Kma840Header << 5 << 0 << 0 << 0 << rejected << "" << 6 << 0;
        QTest::newRow("cancelled at line 3")
            << Kma840Header << 0 << 0 << 3 << 0 << cancelled << "Update cancelled" << 4 << 0;
        QTest::newRow("cancelled waiting for OK")
            << Kma840Header << 0 << -1 << -1 << 0 << cancelled << "Update cancelled" << 0 << 0;
        QTest::newRow("OK just inside") << Kma840Header << 0 << 700 << 0 << 1000 << ok << "" << 0 << 0;
        QTest::newRow("OK just outside")
            << Kma840Header << 0 << 1400 << 0 << 1000 << failed << "Update Failed" << 0 << 0;
        QTest::newRow("no OK within 5 s")
            << Kma840Header << 0 << -1 << 0 << 0 << failed << "Update Failed" << 0 << 5;
    }
    void howAnUploadEnds()
    {
        QFETCH(QByteArray, header);
        QFETCH(int, rejectAt);
        QFETCH(int, okDelay);
        QFETCH(int, cancelAt);
        QFETCH(int, limit);
        QFETCH(QString, ended);
        QFETCH(QString, passing);
        QFETCH(int, lines);
        QFETCH(int, seconds);
        BootLoaderOptions options = kma840();
        options.rejectAtLine = rejectAt;
        options.answer = okDelay >= 0;
        options.okDelay = std::chrono::milliseconds(std::max(okDelay, 0));
        UploadRig rig(options, 20, 8s);
        if (limit > 0)
            rig.run.setConfirmLimit(std::chrono::milliseconds(limit));
        QObject::connect(rig.boot.get(), &BootLoader::lineReceived, [&](int number, const QByteArray& line) {
            if (cancelAt > 0 ? number == cancelAt : cancelAt < 0 && line.startsWith("S9"))
                QTimer::singleShot(cancelAt < 0 ? 50ms : 0ms, &rig.run, [&] { rig.run.toggleUpload(); });
        });
        QVERIFY(rig.prepare(
            srec::firmware(header, cancelAt != 0 || rejectAt != 0 || header != Kma840Header ? 30 : 3)));
        QElapsedTimer clock;
        clock.start();
        rig.run.toggleUpload();
        const qint64 ms = clock.elapsed();

        const bool rejected = ended.startsWith("Wrong File");
        QCOMPARE(rig.ended(), ended);
        QVERIFY(passing.isEmpty() || rig.statuses.contains(passing));
        if (lines > 0)
            QTRY_VERIFY2(rejected ? rig.boot->lines().size() == lines : rig.boot->lines().size() <= lines,
                         qPrintable(QString::number(rig.boot->lines().size())));
        QVERIFY2(seconds == 0 ? ms < 3000 : ms >= seconds * 1000 && ms < seconds * 1000 + 800,
                 qPrintable(QString::number(ms)));
        QVERIFY(!rig.state.StopRequested);
        // A failure is plain beyond the status box's words, and says what to do next.
        const bool failed = rejected || ended.contains("| Failed |");
        QCOMPARE(rig.run.controls().progressFailed, failed);
        QCOMPARE(rig.run.controls().notice.contains("press Cancel Upload", Qt::CaseInsensitive), failed);
        if (rejected) {
            QVERIFY(rig.state.ReplyBuffer.isEmpty());
            rig.run.toggleUpload();
            QCOMPARE(rig.buttons(), "Open Comm Port on, Upload off, Browse on, menu on");
            QVERIFY(!rig.run.controls().progressFailed && rig.run.controls().notice.isEmpty());
        }
    }

    // Faults of the product and its line: the device goes away in the middle of the lines (the
    // upload stops at once), while the port waits for the boot loader or after it announced itself;
    // the "OK" comes inside a reply longer than the link keeps.
    void productFaults_data()
    {
        QTest::addColumn<int>("hangUpAt"); // the line; -1: while waiting, -2: once ready for boot
        QTest::addColumn<int>("padding");
        QTest::addColumn<QString>("ended"); // see UploadRig::ended()
        QTest::addColumn<QString>("notice");
        const QString gone =
            "Port closed | no record | port closed | Open Comm Port on, Upload off, Browse on, "
            "menu on";
        QTest::newRow("device gone mid-upload")
            << 3 << 0
            << "Port closed | Failed | port closed | Open Comm Port off, Cancel Upload on, Browse on, menu on"
            << "The serial device <pty> (COM1) went away during the update; the product stays in boot mode. "
               "Connect it again, press Cancel Upload, then Open Comm Port again.";
        QTest::newRow("device gone waiting for the boot loader")
            << -1 << 0 << gone << "The serial device <pty> (COM1) went away; the port is closed.";
        QTest::newRow("device gone when ready for boot")
            << -2 << 0 << gone << "The serial device <pty> (COM1) went away; the port is closed.";
        QTest::newRow("OK in a reply longer than the buffer")
            << 0 << 200
            << "Updated with success - Port closed | Succes | port closed | Open Comm Port off, Upload off, "
               "Browse on, menu on"
            << "";
    }
    void productFaults()
    {
        QFETCH(int, hangUpAt);
        QFETCH(int, padding);
        QFETCH(QString, ended);
        QFETCH(QString, notice);
        BootLoaderOptions options = kma840();
        options.hangUpAtLine = std::max(hangUpAt, 0);
        options.replyPadding = padding;
        options.announce = hangUpAt != -1;
        UploadRig rig(options);
        rig.run.setConfirmLimit(1000ms);
        if (hangUpAt == -1)
            rig.whenStatus("Waiting for response...", [&rig] { rig.pty.hangUp(); });
        QElapsedTimer clock;
        clock.start();
        const bool ready = rig.prepare(srec::firmware(Kma840Header, 3));
        QCOMPARE(ready, hangUpAt != -1);
        if (hangUpAt == -2) {
            rig.pty.hangUp();
            QTRY_VERIFY(!rig.link.CheckMScomm());
        } else if (ready) {
            rig.run.toggleUpload();
        }
        QCOMPARE(rig.ended(), ended);
        QCOMPARE(rig.run.controls().notice, notice.replace("<pty>", rig.pty.devicePath()));
        QCOMPARE(rig.run.controls().progressFailed, hangUpAt > 0);
        QVERIFY2(clock.elapsed() < 1000, "waited for a device that is gone");
    }

    // Close Comm Port ends the wait for the boot loader (Upload is refused meanwhile), or closes
    // the port after it announced itself.
    void closePort_data()
    {
        QTest::addColumn<bool>("announce");
        QTest::newRow("while waiting for the boot loader") << false;
        QTest::newRow("after the announcement") << true;
    }
    void closePort()
    {
        QFETCH(bool, announce);
        BootLoaderOptions options = kma840();
        options.announce = announce;
        UploadRig rig(options);
        rig.run.checkFile(rig.firmwareFile(srec::firmware(Kma840Header, 2)));
        rig.whenStatus("Waiting for response...", [&] {
            if (announce)
                return;
            QVERIFY(rig.run.isWaitingForBoot());
            QCOMPARE(rig.run.controls().statusText, QStringLiteral("Waiting for response..."));
            rig.run.toggleUpload();
            QCOMPARE(rig.run.controls().statusText, QStringLiteral("Not ready for boot"));
            // Still open and waiting: it must stay closable, and Browse stays off.
            QCOMPARE(rig.buttons(), "Close Comm Port on, Upload on, Browse off, menu on");
            rig.run.toggleCommport();
        });
        rig.run.toggleCommport();
        QCOMPARE(rig.link.CheckMScomm(), announce);
        if (announce)
            rig.run.toggleCommport();
        QVERIFY(rig.boot->lines().isEmpty());
        QVERIFY(!rig.run.isWaitingForBoot());
        QVERIFY(!rig.link.CheckMScomm());
        QCOMPARE(rig.run.controls().statusText, QStringLiteral("Port closed"));
        QCOMPARE(rig.buttons(), "Open Comm Port on, Upload off, Browse on, menu on");
        QVERIFY(!rig.run.controls().progressEnabled);
        QVERIFY(!rig.state.readyForBoot && !rig.state.StopRequested);
    }

    void debugModeKeepsTheStatusWhenOpening_data()
    {
        QTest::addColumn<QString>("debug");
        QTest::addColumn<bool>("kept");
        QTest::newRow("86") << "86" << true;
        QTest::newRow("missing") << "" << false;
    }
    void debugModeKeepsTheStatusWhenOpening()
    {
        QFETCH(QString, debug);
        QFETCH(bool, kept);
        UploadRig rig(kma840());
        if (!debug.isEmpty())
            QVERIFY(WriteIniValue(QStringLiteral("Tevlin"), QStringLiteral("Debug"), debug, rig.iniPath()));
        rig.run.checkFile(rig.firmwareFile(srec::firmware(Kma840Header, 2)));
        // A port without a device fails to open, so the status shows what opening left there.
        rig.state.ComPort = 2;
        rig.run.toggleCommport();
        QCOMPARE(rig.messages, QStringList{QStringLiteral("Comm Port not available!")});
        QCOMPARE(rig.run.controls().notice,
                 "COM2 has no serial device: none is connected for it, and setup.ini pins none.");
        QCOMPARE(rig.run.controls().statusText,
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
        rig.run.checkFile(rig.firmwareFile(srec::firmware(Rx900Header, 1), QStringLiteral("good.s19")));
        const QString path = rig.firmwareFile(content);
        rig.run.checkFile(path);
        const LoaderControls& c = rig.run.controls();
        QCOMPARE(c.statusText, status);
        QCOMPARE(c.commportEnabled, commport);
        QCOMPARE(rig.state.fileIsValid, commport);
        QCOMPARE(c.fileName, path);
        QCOMPARE(
            c.guideText.endsWith(QStringLiteral("Release both volumebuttons and KMA840 is in bootmode.\r\n")),
            commport);
        QCOMPARE(c.guideText.startsWith(QStringLiteral("Upgrade steps\r\n")), true);

        rig.run.checkFile(rig.dir.filePath(QStringLiteral("gone.s19")));
        QCOMPARE(rig.run.controls().statusText, QStringLiteral("File not found"));
        QCOMPARE(rig.run.controls().fileName, path);
        QVERIFY(!rig.state.fileIsValid);
    }

    // The boot loader gets the bytes that were checked: a file rewritten in place during the upload
    // changes nothing of it; one changed between the check and Upload is checked again, said in the
    // notice, and sent only when it passes.
    void sendsTheBytesChecked_data()
    {
        QTest::addColumn<int>("rewriteAt");        // the line during which the file changes; 0: before Upload
        QTest::addColumn<QByteArray>("rewritten"); // null: the file is removed
        QTest::addColumn<bool>("sendsNew");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("notice");
        const QString ok = "Updated with success - Port closed";
        // Larger than a file's read buffer, or a reader that went back to the disk would not see it.
        const QByteArray other = srec::firmware(Kma840Header, 40, 200);
        QTest::newRow("rewritten during the upload") << 3 << other << false << ok << "";
        QTest::newRow("changed before Upload") << 0 << other << true << ok
                                               << "fw.s19 changed since it was checked; checked again: File "
                                                  "for KMA840 and file is ok. The new content is sent.";
        QTest::newRow("changed into no firmware")
            << 0 << QByteArray("hello\r\n") << false << "File not ready or wrong type"
            << "fw.s19 changed since it was checked; checked again: File not valid for any Korvanes product. "
               "Nothing is sent.";
        QTest::newRow("removed before Upload")
            << 0 << QByteArray() << false << "File not ready or wrong type"
            << "fw.s19 changed since it was checked; checked again: File not found. Nothing is sent.";
    }
    void sendsTheBytesChecked()
    {
        QFETCH(int, rewriteAt);
        QFETCH(QByteArray, rewritten);
        QFETCH(bool, sendsNew);
        QFETCH(QString, status);
        QFETCH(QString, notice);
        UploadRig rig(kma840());
        const QByteArray checked = srec::firmware(Kma840Header, 36, 250);
        QVERIFY(rig.prepare(checked));
        const auto change = [&] {
            QVERIFY(rewritten.isNull() ? QFile::remove(rig.state.firmwarePath)
                                       : srec::writeFile(rig.state.firmwarePath, rewritten));
        };
        QObject::connect(rig.boot.get(), &BootLoader::lineReceived, [&](int number) {
            if (number == rewriteAt)
                change();
        });
        if (rewriteAt == 0)
            change();
        rig.run.toggleUpload();
        QCOMPARE(rig.run.controls().statusText, status);
        QCOMPARE(rig.run.controls().notice, notice);
        const bool sent = status == "Updated with success - Port closed";
        QCOMPARE(rig.boot->lines(), sent ? linesOf(sendsNew ? rewritten : checked) : QList<QByteArray>());
    }

    // Only an "OK" after the last line confirms: not one in the boot loader's announcement, before
    // the upload or again as the product restarts in boot mode (the limit outlasts that), nor one
    // that comes while lines are still being sent.
    void onlyAnOkAfterTheLastLineConfirms_data()
    {
        QTest::addColumn<bool>("announceOk");
        QTest::addColumn<int>("okAt");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<QString>("record");
        QTest::newRow("announcement says OK") << true << 0 << false << "Failed";
        QTest::newRow("OK amid the lines") << false << 2 << false << "Failed";
        QTest::newRow("announcement says OK, then confirms") << true << 0 << true << "Succes";
    }
    void onlyAnOkAfterTheLastLineConfirms()
    {
        QFETCH(bool, announceOk);
        QFETCH(int, okAt);
        QFETCH(bool, answer);
        QFETCH(QString, record);
        BootLoaderOptions options = kma840();
        options.announceOk = announceOk;
        options.okAtLine = okAt;
        options.answer = answer;
        UploadRig rig(options, 20, 8s);
        rig.run.setConfirmLimit(2000ms);
        QVERIFY(rig.prepare(srec::firmware(Kma840Header, 4)));
        rig.run.toggleUpload();
        QCOMPARE(rig.boot->lines().size(), 6);
        QCOMPARE(rig.ini("Corlifter", "Status"), record);
        QCOMPARE(rig.run.controls().progressFailed, record == "Failed");
    }

    // What arrived after the last line, against the announcement "Boot OK ...".
    void confirms_data()
    {
        QTest::addColumn<QByteArray>("received");
        QTest::addColumn<bool>("confirms");
        QTest::newRow("OK") << QByteArray("OK\r\n") << true;
        QTest::newRow("OK, line end to come") << QByteArray("OK") << true;
        QTest::newRow("OK and a long text") << QByteArray("OK\r\n" + QByteArray(100, '.')) << true;
        QTest::newRow("announced again") << QByteArray("Boot OK ...\r\n") << false;
        QTest::newRow("announcement arriving") << QByteArray("Boot OK") << false;
        QTest::newRow("announcement cut at the front") << QByteArray("t OK ...\r\nBoot OK ...\r\n") << false;
        QTest::newRow("announced, then OK") << QByteArray("Boot OK ...\r\nOK\r\n") << true;
        QTest::newRow("other text") << QByteArray("Wrong signature\r\n") << false;
    }
    void confirms()
    {
        QFETCH(QByteArray, received);
        QFETCH(bool, confirms);
        QCOMPARE(UploadJob::confirms(received, "Boot OK ..."), confirms);
    }

    // A record that setup.ini cannot take is said beside the outcome, which stays as it was.
    void recordNotSavedIsSaid_data()
    {
        QTest::addColumn<bool>("directory"); // setup.ini is a directory; else larger than 4 MiB
        QTest::addColumn<bool>("answer");
        QTest::addColumn<QString>("notice");
        QTest::newRow("setup.ini a directory, success")
            << true << true
            << "The record of this update was not saved: <ini> is not a file; it was not changed.";
        QTest::newRow("setup.ini too large, success") << false << true
                                                      << "The record of this update was not saved: <ini> is "
                                                         "larger than 4 MiB, too large to be a settings "
                                                         "file; it was not changed.";
        QTest::newRow("setup.ini a directory, no OK")
            << true << false
            << "Press Cancel Upload, check the boot mode, then Open Comm Port again. The record of this "
               "update "
               "was not saved: <ini> is not a file; it was not changed.";
    }
    void recordNotSavedIsSaid()
    {
        QFETCH(bool, directory);
        QFETCH(bool, answer);
        QFETCH(QString, notice);
        BootLoaderOptions options = kma840();
        options.answer = answer;
        UploadRig rig(options);
        rig.run.setConfirmLimit(500ms);
        QVERIFY(directory ? QDir().mkdir(rig.iniPath())
                          : srec::writeFile(rig.iniPath(), QByteArray(4 * 1024 * 1024 + 1, '\n')));
        QVERIFY(rig.prepare(srec::firmware(Kma840Header, 2)));
        rig.run.toggleUpload();
        QCOMPARE(rig.run.controls().statusText, answer ? QStringLiteral("Updated with success - Port closed")
                                                       : QStringLiteral("Port closed"));
        QCOMPARE(rig.run.controls().notice, notice.replace("<ini>", rig.iniPath()));
    }

    // setup.ini holds "File name" in Latin-1; the extra key keeps the path whole, and is taken only
    // while "File name" still reads as it, so that another tool's edit of "File name" wins.
    void recordedFirmwarePath_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("whole"); // encoded into the extra key; empty: no extra key
        QTest::addColumn<QString>("read");
        const QString cyrillic = QStringLiteral("/fw/\u041F\u0451\u0442\u0440 1.s19");
        const QString emoji = QStringLiteral("/fw/\U0001F39B.s19");
        QTest::newRow("no extra key") << "/fw/a.s19"
                                      << ""
                                      << "/fw/a.s19";
        QTest::newRow("Cyrillic") << "/fw/???? 1.s19" << cyrillic << cyrillic;
        QTest::newRow("Latin-1 only") << "/home/J\u00FCrgen/fw.s19"
                                      << "/home/J\u00FCrgen/fw.s19"
                                      << "/home/J\u00FCrgen/fw.s19";
        QTest::newRow("outside the BMP, one ?") << "/fw/?.s19" << emoji << emoji;
        QTest::newRow("outside the BMP, ? per unit") << "/fw/??.s19" << emoji << emoji;
        QTest::newRow("File name edited by another tool") << "/other/fw.s19" << cyrillic << "/other/fw.s19";
        QTest::newRow("edited, same length") << "/fw/???? 2.s19" << cyrillic << "/fw/???? 2.s19";
        QTest::newRow("not UTF-8") << "/fw/?.s19"
                                   << "%FF"
                                   << "/fw/?.s19";
    }
    void recordedFirmwarePath()
    {
        QFETCH(QString, fileName);
        QFETCH(QString, whole);
        QFETCH(QString, read);
        const QString encoded = whole.startsWith(u'%') ? whole : percentEncodedPath(whole);
        QVERIFY(std::all_of(encoded.begin(), encoded.end(), [](QChar c) { return c > u' ' && c < u'\x7F'; }));
        QCOMPARE(::recordedFirmwarePath(fileName, whole.isEmpty() ? std::nullopt : std::optional(encoded)),
                 read);
    }

    // The record writes the extra key with the others, and the path comes back whole.
    void recordKeepsThePathWhole()
    {
        QTemporaryDir dir;
        const QString ini = dir.filePath(QStringLiteral("setup.ini"));
        CorliftState state;
        state.firmwarePath = QStringLiteral("/home/\u041F\u0451\u0442\u0440/fw.s19");
        QVERIFY(writeUploadRecord(state, "Succes", ini));
        QCOMPARE(storedFirmwarePath(ini), state.firmwarePath);
        QVERIFY(WriteIniValue(QStringLiteral("Corlifter"), QStringLiteral("File name"),
                              QStringLiteral("/b.s19"), ini));
        QCOMPARE(storedFirmwarePath(ini), QStringLiteral("/b.s19"));
    }

    void pacingFollowsDelay()
    {
        UploadRig rig(kma840(), 150);
        QList<qint64> at;
        QElapsedTimer clock;
        clock.start();
        QObject::connect(rig.boot.get(), &BootLoader::lineReceived, [&] { at.append(clock.nsecsElapsed()); });
        QVERIFY(rig.prepare(srec::firmware(Kma840Header, 10)));
        rig.run.toggleUpload();
        QCOMPARE(at.size(), 12);
        const double perLineMs = double(at.last() - at.first()) / (at.size() - 1) / 1e6;
        qInfo("%.2f ms per line", perLineMs);
        QVERIFY2(perLineMs >= 149.0 && perLineMs <= 157.5, qPrintable(QString::number(perLineMs)));
    }
};

CORLIFT_TEST_MAIN(TestUploadRun, QCoreApplication)
#include "tst_uploadrun.moc"
