#include "loader/firmwarefile.h"
#include "sim/bootloader.h"
#include "sim/pty.h"

#include <QSerialPort>
#include <QTest>

using namespace std::chrono_literals;

namespace {

// The program's side of the line.
struct Client
{
    QSerialPort port;
    QByteArray received;

    explicit Client(const QString& device)
    {
        port.setPortName(device);
        QObject::connect(&port, &QSerialPort::readyRead, [this] { received += port.readAll(); });
    }
    bool open()
    {
        if (!port.open(QIODevice::ReadWrite))
            return false;
        port.clear();
        return true;
    }
    void send(const QByteArray& bytes)
    {
        port.write(bytes);
        port.flush();
    }
};

BootLoaderOptions options(const char* product)
{
    BootLoaderOptions o;
    o.product = QLatin1String(product);
    o.announceInterval = 30ms;
    return o;
}

} // namespace

class TestBootLoader : public QObject
{
    Q_OBJECT
private slots:
    // Each product's sample file is one the loader accepts for that product (the headers themselves
    // are pinned by the firmware file tests).
    void buildsEachProductsHeader()
    {
        const QList<std::pair<QString, QString>> names{
            {"rx900", "RX900"},      {"kma840", "KMA840"},    {"solsmk3", "Solstice Mk.III"},
            {"pl4", "PL-4"},         {"rx900plus", "RX900+"}, {"halcyon", "Halcyon"},
            {"adc", "Solstice ADC"}, {"mza", "MZA-2"},        {"qz", "TQ-6"}};
        QCOMPARE(BootLoader::products().size(), names.size());
        for (const auto& [product, name] : names) {
            const QByteArray sample = BootLoader::sampleFirmware(product, 4);
            QVERIFY(sample.startsWith(BootLoader::headerFor(product) + "\r\n"));
            const loader::Product* identified = loader::productForHeader(sample.left(sample.indexOf('\r')));
            QVERIFY2(identified && QString::fromLatin1(identified->name) == name, qPrintable(product));
        }
    }

    void announcesUntilTheFirstByte()
    {
        Pty pty;
        BootLoader boot(pty, options("qz"));
        Client client(pty.devicePath());
        // Announcements made while nobody listens do not pile up: the port's set-up drops the one left.
        QVERIFY(client.open());
        QTRY_VERIFY(client.received.size() >= 10);
        QVERIFY(client.received.startsWith("...\r\n...\r\n"));
        client.send("S0060000515A004E\r\n");
        QTRY_COMPARE(boot.lines().size(), 1);
        client.received.clear();
        const int before = boot.lines().size();
        client.send("S9030000FC\r\n");
        QTRY_COMPARE(client.received, QByteArray("OK\r\n"));
        QCOMPARE(boot.lines().size(), before + 1);
    }

    void answersTheUpload_data()
    {
        QTest::addColumn<QList<QByteArray>>("lines");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("badLineEnds");
        // Good file, rejection at line N and silence are played against Corlift in the upload tests.
        QTest::newRow("wrong header") << QList<QByteArray>{"S0090000525839303000B3\r\n", "S1050000AABB94\r\n"}
                                      << QByteArray("Wrong signature\r\n") << 0;
        QTest::newRow("LF only") << QList<QByteArray>{"S0060000515A004E\n", "S9030000FC\n"}
                                 << QByteArray("OK\r\n") << 2;
    }
    void answersTheUpload()
    {
        QFETCH(QList<QByteArray>, lines);
        QFETCH(QByteArray, reply);
        QFETCH(int, badLineEnds);
        Pty pty;
        BootLoaderOptions o = options("qz");
        o.announce = false;
        BootLoader boot(pty, o);
        QByteArray replies;
        connect(&boot, &BootLoader::answered, this, [&](const QByteArray& text) { replies += text; });
        Client client(pty.devicePath());
        QVERIFY(client.open());
        for (const QByteArray& line : lines)
            client.send(line);
        QTRY_COMPARE(boot.lines().size(), lines.size());
        QTRY_COMPARE(client.received, reply);
        QCOMPARE(replies, reply);
        QCOMPARE(boot.badLineEnds(), badLineEnds);
        QVERIFY(!client.received.contains("..."));
    }

    void startsOverAfterAnswering()
    {
        Pty pty;
        BootLoader boot(pty, options("adc"));
        Client client(pty.devicePath());
        QVERIFY(client.open());
        QTRY_VERIFY(client.received.contains("..."));
        client.send("S00700004144430030\r\nS9030000FC\r\n");
        QTRY_VERIFY(client.received.contains("OK\r\n"));
        client.received.clear();
        QTRY_VERIFY_WITH_TIMEOUT(client.received.contains("..."), 5000);
        QCOMPARE(boot.confirmations(), 1);
    }
};

QTEST_GUILESS_MAIN(TestBootLoader)
#include "tst_bootloader.moc"
