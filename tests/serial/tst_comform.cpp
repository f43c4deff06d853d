#include "serial/comform.h"
#include "serial/comwindow.h"
#include "serial/wait.h"
#include "sim/pty.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace std::chrono_literals;

namespace {

constexpr int PtyPort = 1;
constexpr int MissingPort = 2;

QStringList logLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray content = file.readAll();
    if (!content.endsWith("\r\n"))
        return {QStringLiteral("<no CR LF at the end>")};
    QStringList lines = QString::fromLatin1(content).split(QStringLiteral("\r\n"));
    lines.removeLast();
    return lines;
}

// The text of an event line after its time stamp.
QString eventText(const QString& line)
{
    static const QRegularExpression stamp(
        QStringLiteral("^\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d\\.\\d\\d\\.\\d\\d "));
    const auto match = stamp.match(line);
    return match.hasMatch() ? line.mid(match.capturedLength()) : QStringLiteral("<no time stamp> ") + line;
}

} // namespace

class TestComForm : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_pty = std::make_unique<Pty>();
        QVERIFY2(m_pty->isOpen(), qPrintable(m_pty->errorString()));
        m_dir = std::make_unique<QTemporaryDir>();
        m_reply.clear();
        m_messages.clear();
        m_link = std::make_unique<ComForm>(m_reply);
        std::array<QString, PortMap::LastPort + 1> pins{};
        pins[PtyPort] = m_pty->devicePath();
        pins[MissingPort] = m_dir->filePath(QStringLiteral("no-such-device"));
        m_link->setPortMap(PortMap({}, pins));
        m_link->setLogFilePath(m_dir->filePath(QStringLiteral("Log.txt")));
        m_link->setMessageBoxHook([this](const QString& text) { m_messages.append(text); });
        connect(m_pty.get(), &Pty::received, this, [this](const QByteArray& bytes) { m_wire += bytes; });
        m_wire.clear();
    }

    void cleanup() { m_link.reset(); }

    void setUpOpensAtTheChosenSpeed()
    {
        QVERIFY(m_link->SetupMScomm(PtyPort, 1));
        QVERIFY(m_link->CheckMScomm());
        QCOMPARE(m_link->baudRate(), 57600);
        // An unknown speed index leaves the line format as it was ...
        QVERIFY(m_link->SetupMScomm(PtyPort, 3));
        QCOMPARE(m_link->baudRate(), 57600);
        QVERIFY(m_link->SetupMScommAsBinary(PtyPort, 2));
        QCOMPARE(m_link->baudRate(), 115200);
        // ... except for the probing variant, which falls back to 9600.
        QVERIFY(m_link->SetupMScommForProduction(PtyPort, 3));
        QCOMPARE(m_link->baudRate(), 9600);
        QVERIFY(m_link->CheckMScomm()); // each set-up reopened the open port
        QVERIFY(m_messages.isEmpty());
        m_link->CloseMScomm();
        QVERIFY(!m_link->CheckMScomm());
        m_link->CloseMScomm();
    }

    void portNumbersOutsideTheMenuAreRefusedQuietly()
    {
        for (const int port : {0, 17}) {
            QVERIFY(m_link->SetupMScomm(PtyPort, 0));
            QVERIFY(!m_link->SetupMScomm(port, 0));
            QVERIFY(!m_link->CheckMScomm());
            // The probing variant takes any number, and finds no device there.
            QVERIFY(!m_link->SetupMScommForProduction(port, 0));
        }
        QVERIFY(m_messages.isEmpty());
    }

    void missingDeviceIsReportedOnce()
    {
        QVERIFY(!m_link->SetupMScomm(MissingPort, 0));
        QCOMPARE(m_messages, QStringList{QStringLiteral("Comm Port not available!")});
        QVERIFY(!m_link->SetupMScommAsBinary(4, 0));
        QCOMPARE(m_messages.size(), 2);
        QCOMPARE(m_messages.last(), QStringLiteral("Comm Port not available!"));
        QVERIFY(!m_link->SetupMScommForProduction(MissingPort, 0));
        QCOMPARE(m_messages.size(), 2);
        QVERIFY(!m_link->CheckMScomm());
    }

    void sendWritesTheBytesAndLogsThem()
    {
        QVERIFY(m_link->SetupMScomm(PtyPort, 0));
        m_link->ChkLog_Click(true);
        const QByteArray request = QByteArray::fromHex("050100c8ce");
        m_link->SendMScommString(request);
        QCOMPARE(waitUntil([&] { return m_wire.size() >= request.size(); }, nullptr, 2s), WaitResult::Met);
        QCOMPARE(m_wire, request);
        QCOMPARE(m_link->Text1(), QStringLiteral("TX: 05 01 00 C8 CE "));
        m_link->SendMScommString({});

        const QStringList lines = logLines(m_link->LogFilePath());
        QCOMPARE(lines.size(), 8);
        for (int i = 0; i < 6; ++i)
            QCOMPARE(lines[i].size(), 107);
        QVERIFY(lines[3].startsWith(QStringLiteral("*   Start time : ")));
        QCOMPARE(eventText(lines[6]), QStringLiteral("TX: 05 01 00 C8 CE "));
        QCOMPARE(eventText(lines[7]), QStringLiteral("TX: "));
    }

    void sendOnAClosedPortDoesNothing()
    {
        m_link->ChkLog_Click(true);
        m_link->SendMScommString(QByteArray::fromHex("050100c8ce"));
        QCOMPARE(m_link->Text1(), QString());
        QCOMPARE(logLines(m_link->LogFilePath()).size(), 6);
    }

    void logSwitchStartsAFreshFileEachTime()
    {
        QVERIFY(m_link->SetupMScomm(PtyPort, 0));
        m_link->SetLogOn();
        m_link->SendMScommString("A");
        QCOMPARE(logLines(m_link->LogFilePath()).size(), 7);
        m_link->SetLogOn(); // already on: no new banner, nothing deleted
        QCOMPARE(logLines(m_link->LogFilePath()).size(), 7);

        m_link->ChkLog_Click(false);
        m_link->SendMScommString("B");
        QCOMPARE(m_link->Text1(), QStringLiteral("TX: 42 "));
        QCOMPARE(logLines(m_link->LogFilePath()).size(), 7);

        m_link->ChkLog_Click(true);
        QCOMPARE(logLines(m_link->LogFilePath()).size(), 6);
    }

    void replyInChunksIsLoggedOnceComplete()
    {
        QVERIFY(m_link->SetupMScomm(PtyPort, 0));
        m_link->ChkLog_Click(true);
        // A five-byte reply: its first byte is its length.
        const QList<QByteArray> chunks = {QByteArray::fromHex("0501"), QByteArray::fromHex("00aa55"),
                                          QByteArray::fromHex("77")};
        qsizetype expected = 0;
        for (const QByteArray& chunk : chunks) {
            expected += chunk.size();
            QVERIFY(m_pty->write(chunk));
            QCOMPARE(waitUntil([&] { return m_reply.size() >= expected; }, nullptr, 2s), WaitResult::Met);
        }
        QCOMPARE(m_reply, QByteArray::fromHex("050100aa5577"));
        const QStringList lines = logLines(m_link->LogFilePath()).mid(6);
        QCOMPARE(lines.size(), 2);
        QCOMPARE(eventText(lines[0]), QStringLiteral("RX: 05 01 00 AA 55 "));
        QCOMPARE(eventText(lines[1]), QStringLiteral("RX: 05 01 00 AA 55 77 "));
        QCOMPARE(m_link->Text2(), QStringLiteral("RX: 05 01 00 AA 55 77 "));
    }

    void normalModeEmptiesTheBufferPast80()
    {
        QVERIFY(m_link->SetupMScomm(PtyPort, 0));
        m_link->ChkLog_Click(true);
        const QByteArray first = QByteArray(1, char(0x7f)) + QByteArray(79, 'x');
        QVERIFY(m_pty->write(first));
        QCOMPARE(waitUntil([&] { return m_reply.size() == 80; }, nullptr, 2s), WaitResult::Met);
        QVERIFY(m_pty->write("y"));
        QCOMPARE(waitUntil([&] { return m_reply.isEmpty(); }, nullptr, 2s), WaitResult::Met);
        const QStringList lines = logLines(m_link->LogFilePath()).mid(6);
        QCOMPARE(lines.size(), 1);
        QCOMPARE(eventText(lines[0]), QStringLiteral("RX: ") + ComForm::HexStringToReadable(first + "y"));
    }

    void loaderModeKeepsEverythingItReceives()
    {
        m_link->SetCorliftActive();
        QVERIFY(m_link->SetupMScomm(PtyPort, 0));
        // Text that reads as the numbers 13 or 10 is a boot loader's reply like any other.
        for (const QByteArray& chunk : {QByteArray("13 blocks OK"), QByteArray("10"), QByteArray("\r\n")}) {
            const qsizetype expected = m_reply.size() + chunk.size();
            QVERIFY(m_pty->write(chunk));
            QCOMPARE(waitUntil([&] { return m_reply.size() == expected; }, nullptr, 2s), WaitResult::Met);
        }
        QCOMPARE(m_reply, QByteArray("13 blocks OK10\r\n"));
        QCOMPARE(m_link->Text2(), QStringLiteral("RX: ") + ComForm::HexStringToReadable(m_reply));

        // Past 80 characters the most recent 80 stay, and the newest piece whole: "OK" is never lost.
        m_reply.clear();
        const QByteArray filler(79, '.');
        QVERIFY(m_pty->write(filler));
        QCOMPARE(waitUntil([&] { return m_reply.size() == 79; }, nullptr, 2s), WaitResult::Met);
        QVERIFY(m_pty->write("OK\r\n"));
        QCOMPARE(waitUntil([&] { return m_reply.endsWith("OK\r\n"); }, nullptr, 2s), WaitResult::Met);
        QVERIFY(m_pty->write("OK" + filler));
        QCOMPARE(waitUntil([&] { return m_reply.size() == 80 + 81; }, nullptr, 2s), WaitResult::Met);
        QVERIFY(m_reply.endsWith("OK" + filler));
    }

    void clearInputEmptiesTheReplyBuffer()
    {
        QVERIFY(m_link->SetupMScomm(PtyPort, 0));
        QVERIFY(m_pty->write("\x02\xaa"));
        QCOMPARE(waitUntil([&] { return m_reply.size() == 2; }, nullptr, 2s), WaitResult::Met);
        m_link->ClearMScommInput();
        QVERIFY(m_reply.isEmpty());
        QCOMPARE(m_link->GetMScommInBufferCount(), 0);
    }

    void unpluggedDeviceClosesTheLink()
    {
        QVERIFY(m_link->SetupMScomm(PtyPort, 0));
        QSignalSpy lost(m_link.get(), &ComForm::portLost);
        m_pty->hangUp();
        QCOMPARE(waitUntil([&] { return !lost.isEmpty(); }, nullptr, 2s), WaitResult::Met);
        QVERIFY(!m_link->CheckMScomm());
        m_link->SendMScommString("x");
        QCOMPARE(m_link->Text1(), QString());
    }

    void communicationWindowFollowsTheLink()
    {
        ComWindow window(*m_link);
        QVERIFY(!window.isVisible());
        QCOMPARE(window.windowTitle(), QStringLiteral("Communication"));
        m_link->SetVisibility(true);
        QVERIFY(window.isVisible());
        QCOMPARE(window.pos(), QPoint(0, 0));

        QVERIFY(m_link->SetupMScomm(PtyPort, 0));
        m_link->SendMScommString("\x05");
        auto* sent = window.findChild<QLineEdit*>(QStringLiteral("Text1"));
        QVERIFY(sent);
        QCOMPARE(sent->text(), QStringLiteral("TX: 05 "));
        auto* check = window.findChild<QCheckBox*>(QStringLiteral("ChkLog"));
        QVERIFY(check && !check->isChecked());
        check->click();
        QVERIFY(m_link->LogEnabled());
        QCOMPARE(logLines(m_link->LogFilePath()).size(), 6);
        m_link->SetVisibility(false);
        QVERIFY(!window.isVisible());
    }

private:
    std::unique_ptr<Pty> m_pty;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ComForm> m_link;
    QByteArray m_reply;
    QByteArray m_wire;
    QStringList m_messages;
};

QTEST_MAIN(TestComForm)
#include "tst_comform.moc"
