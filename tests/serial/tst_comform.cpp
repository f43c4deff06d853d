#include "serial/comform.h"
#include "serial/comwindow.h"
#include "serial/framers.h"
#include "serial/portmenu.h"
#include "serial/wait.h"
#include "settings/inifilehandler.h"
#include "sim/pty.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFontDatabase>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <vector>

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

    // A refused open leaves the port closed; only the set-ups that connect say why.
    void refusedOpens_data()
    {
        QTest::addColumn<char>("variant"); // Normal, Production (the silent probe) or Binary
        QTest::addColumn<int>("port");
        QTest::addColumn<QStringList>("messages");
        const QStringList missing{"Comm Port not available!"};
        QTest::newRow("port 0") << 'N' << 0 << QStringList{};
        QTest::newRow("port 17") << 'N' << 17 << QStringList{};
        QTest::newRow("probing port 0") << 'P' << 0 << QStringList{};
        QTest::newRow("missing device") << 'N' << MissingPort << missing;
        QTest::newRow("binary, no device mapped") << 'B' << 4 << missing;
        QTest::newRow("probing a missing device") << 'P' << MissingPort << QStringList{};
    }
    void refusedOpens()
    {
        QFETCH(char, variant);
        QFETCH(int, port);
        QFETCH(QStringList, messages);
        QVERIFY(m_link->SetupMScomm(PtyPort, 0));
        QVERIFY(!(variant == 'N'   ? m_link->SetupMScomm(port, 0)
                  : variant == 'P' ? m_link->SetupMScommForProduction(port, 0)
                                   : m_link->SetupMScommAsBinary(port, 0)));
        QVERIFY(!m_link->CheckMScomm());
        QCOMPARE(m_messages, messages);
    }

    void sendWritesTheBytesAndLogsThem()
    {
        QVERIFY(m_link->SetupMScomm(PtyPort, 0));
        m_link->setLogChecked(true);
        const QByteArray request = QByteArray::fromHex("050100c8ce");
        m_link->SendMScommString(request);
        QCOMPARE(waitUntil([&] { return m_wire.size() >= request.size(); }, nullptr, 2s), WaitResult::Met);
        QCOMPARE(m_wire, request);
        QCOMPARE(m_link->lastSent(), QStringLiteral("TX: 05 01 00 C8 CE "));
        m_link->SendMScommString({});

        const QStringList lines = logLines(m_link->logFilePath());
        QCOMPARE(lines.size(), 8); // the banner (its lines are in the hex text tests), two packets
        QVERIFY(lines[3].startsWith(QStringLiteral("*   Start time : ")));
        QCOMPARE(eventText(lines[6]), QStringLiteral("TX: 05 01 00 C8 CE "));
        QCOMPARE(eventText(lines[7]), QStringLiteral("TX: "));
    }

    void logSwitchStartsAFreshFileEachTime()
    {
        QVERIFY(m_link->SetupMScomm(PtyPort, 0));
        m_link->SetLogOn();
        m_link->SendMScommString("A");
        QCOMPARE(logLines(m_link->logFilePath()).size(), 7);
        m_link->SetLogOn(); // already on: no new banner, nothing deleted
        QCOMPARE(logLines(m_link->logFilePath()).size(), 7);

        m_link->setLogChecked(false);
        m_link->SendMScommString("B");
        QCOMPARE(m_link->lastSent(), QStringLiteral("TX: 42 "));
        QCOMPARE(logLines(m_link->logFilePath()).size(), 7);

        m_link->setLogChecked(true);
        QCOMPARE(logLines(m_link->logFilePath()).size(), 6);
    }

    void replyInChunksIsLoggedOnceComplete()
    {
        QVERIFY(m_link->SetupMScomm(PtyPort, 0));
        m_link->setLogChecked(true);
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
        const QStringList lines = logLines(m_link->logFilePath()).mid(6);
        QCOMPARE(lines.size(), 2);
        QCOMPARE(eventText(lines[0]), QStringLiteral("RX: 05 01 00 AA 55 "));
        QCOMPARE(eventText(lines[1]), QStringLiteral("RX: 05 01 00 AA 55 77 "));
        QCOMPARE(m_link->lastReceived(), QStringLiteral("RX: 05 01 00 AA 55 77 "));
    }

    // What each framer keeps of a chunk and what it hands over to be logged ("|" between entries).
    void framersKeepAndLog_data()
    {
        QTest::addColumn<bool>("loader");
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("chunk");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QByteArray>("logged");
        const QByteArray full = QByteArray(1, char(0x7f)) + QByteArray(79, 'x');
        const QByteArray dots(79, '.');
        QTest::newRow("frame incomplete") << false << QByteArray("\x05\x01") << QByteArray("\x02")
                                          << QByteArray("\x05\x01\x02") << QByteArray();
        QTest::newRow("frame complete")
            << false << QByteArray("\x05\x01") << QByteArray("\x02\x03\x04")
            << QByteArray("\x05\x01\x02\x03\x04") << QByteArray("\x05\x01\x02\x03\x04");
        QTest::newRow("past 80 dropped") << false << full << QByteArray("y") << QByteArray() << full + "y";
        QTest::newRow("loader: 13 and 10 are text")
            << true << QByteArray("13 blocks OK") << QByteArray("10") << QByteArray("13 blocks OK10")
            << QByteArray("13 blocks OK10");
        QTest::newRow("loader: nothing")
            << true << QByteArray("OK") << QByteArray() << QByteArray("OK") << QByteArray();
        QTest::newRow("loader: newest 80 and the newest piece whole")
            << true << dots + "OK\r\n"
            << "OK" + dots << dots.right(76) + "OK\r\nOK" + dots << dots.right(76) + "OK\r\nOK" + dots;
    }
    void framersKeepAndLog()
    {
        QFETCH(bool, loader);
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, chunk);
        QFETCH(QByteArray, after);
        QFETCH(QByteArray, logged);
        QByteArray buffer = before;
        const framers::Taken taken =
            loader ? framers::takeLoaderText(buffer, chunk) : framers::takeAmplifierBytes(buffer, chunk);
        QCOMPARE(buffer, after);
        QCOMPARE(taken.logged.join('|'), logged);
        QCOMPARE(taken.notify, !loader || !chunk.isEmpty());
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
        // Sending on the closed port does nothing: no "Tx", no log line.
        m_link->setLogChecked(true);
        m_link->SendMScommString("x");
        QCOMPARE(m_link->lastSent(), QString());
        QCOMPARE(logLines(m_link->logFilePath()).size(), 6);
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
        QCOMPARE(sent->font().family(), QFontDatabase::systemFont(QFontDatabase::FixedFont).family());
        auto* check = window.findChild<QCheckBox*>(QStringLiteral("ChkLog"));
        QVERIFY(check && !check->isChecked());
        // However the box changes (a click, the keyboard, an assistive tool or code), the log
        // follows it, and a change from the link shows in the box.
        const std::vector<std::pair<const char*, std::function<void()>>> changes{
            {"click", [&] { check->click(); }},
            {"space", [&] { QTest::keyClick(check, Qt::Key_Space); }},
            {"code", [&] { check->setChecked(true); }},
            {"link", [&] { m_link->setLogChecked(false); }},
            {"SetLogOn", [&] { m_link->SetLogOn(); }},
        };
        for (const auto& [how, change] : changes) {
            const bool before = check->isChecked();
            change();
            QVERIFY2(check->isChecked() != before && m_link->logEnabled() == check->isChecked(), how);
        }
        QCOMPARE(logLines(m_link->logFilePath()).size(), 6);
        m_link->SetVisibility(false);
        QVERIFY(!window.isVisible());
        // What happened while it was hidden shows when it is shown again.
        m_link->SendMScommString("\x06");
        m_link->SetVisibility(true);
        QCOMPARE(sent->text(), QStringLiteral("TX: 06 "));
    }

    // When no port opens, the menu says why in one disabled entry instead of being empty.
    void portMenuSaysWhyNoPortIsUsable_data()
    {
        QTest::addColumn<QString>("device"); // every number's pin; COM1 gets the pseudo-terminal if "pty"
        QTest::addColumn<QString>("entry");  // empty: hidden
        QTest::newRow("a port opens") << "pty"
                                      << "";
        QTest::newRow("no device") << "gone"
                                   << "No serial port found";
        QTest::newRow("no serial device") << "file"
                                          << "No serial port can be opened: each is in use or failing";
    }
    void portMenuSaysWhyNoPortIsUsable()
    {
        QFETCH(QString, device);
        QFETCH(QString, entry);
        const QString ini = m_dir->filePath(QStringLiteral("setup.ini"));
        const QString path = m_dir->filePath(device);
        QFile(path).open(QIODevice::WriteOnly);
        if (device != QLatin1String("file"))
            QFile::remove(path);
        for (int n = 1; n <= PortMap::LastPort; ++n)
            QVERIFY(WriteIniValue("ComSettings", QStringLiteral("COM%1").arg(n),
                                  n == 1 && device == QLatin1String("pty") ? m_pty->devicePath() : path,
                                  ini));
        int port = 1;
        PortMenu menu(*m_link, port, ini, {0, 16});
        menu.probe(0);
        QAction* last = menu.actions().last();
        QCOMPARE(last->isVisible() ? last->text() : QString(), entry);
        QVERIFY(!last->isEnabled());
        QCOMPARE(menu.actions().first()->isVisible(), entry.isEmpty());
        QVERIFY(m_messages.isEmpty());
    }

    // A program's window appears first: the probe it asked for waits for the window's first paint.
    void portProbeWaitsForTheFirstPaint()
    {
        const QString ini = m_dir->filePath(QStringLiteral("setup.ini"));
        for (int n = 1; n <= PortMap::LastPort; ++n)
            QVERIFY(
                WriteIniValue("ComSettings", QStringLiteral("COM%1").arg(n), m_dir->filePath("gone"), ini));
        int port = 1;
        PortMenu menu(*m_link, port, ini, {0, 16});
        QWidget window;
        menu.probeAfterFirstPaint(&window);
        menu.probeSoon(0);
        QCoreApplication::processEvents();
        QVERIFY(!menu.actions().last()->isVisible());
        window.show();
        QCOMPARE(waitUntil([&] { return menu.actions().last()->isVisible(); }, nullptr, 2s), WaitResult::Met);
        QCOMPARE(menu.actions().last()->text(), QStringLiteral("No serial port found"));
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
