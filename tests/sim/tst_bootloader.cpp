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
    void buildsEachProductsHeader_data()
    {
        QTest::addColumn<QString>("product");
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<QString>("name");
        QTest::newRow("rx900") << "rx900" << QByteArray("S0090000525839303000B3") << "RX900";
        QTest::newRow("kma840") << "kma840" << QByteArray("S00A00004B4D413834300080") << "KMA840";
        QTest::newRow("solsmk3") << "solsmk3" << QByteArray("S00B0000534F4C534D4B3300E8")
                                 << "Solstice Mk.III";
        QTest::newRow("pl4") << "pl4" << QByteArray("S0080000504C2D3400FA") << "PL-4";
        QTest::newRow("rx900plus") << "rx900plus" << QByteArray("S00A000052583930302B0087") << "RX900+";
        QTest::newRow("halcyon") << "halcyon" << QByteArray("S00B000048414C43594F4E00E6") << "Halcyon";
        QTest::newRow("adc") << "adc" << QByteArray("S00700004144430030") << "Solstice ADC";
        QTest::newRow("mza") << "mza" << QByteArray("S00700004D5A410010") << "MZA-2";
        QTest::newRow("qz") << "qz" << QByteArray("S0060000515A004E") << "TQ-6";
    }
    void buildsEachProductsHeader()
    {
        QFETCH(QString, product);
        QFETCH(QByteArray, header);
        QFETCH(QString, name);
        QCOMPARE(BootLoader::headerFor(product), header);
        // Its sample file is one the loader accepts for the same product.
        const QByteArray sample = BootLoader::sampleFirmware(product, 4);
        QVERIFY(sample.startsWith(header + "\r\n"));
        const loader::Product* identified = loader::productForHeader(sample.left(sample.indexOf('\r')));
        QVERIFY(identified);
        QCOMPARE(QString::fromLatin1(identified->name), name);
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
        QTest::addColumn<int>("rejectAt");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("badLineEnds");
        const QByteArray header = "S0060000515A004E\r\n";
        const QByteArray data = "S1050000AABB94\r\n";
        const QByteArray end = "S9030000FC\r\n";
        QTest::newRow("good file") << QList{header, data, end} << 0 << true << QByteArray("OK\r\n") << 0;
        QTest::newRow("wrong header") << QList<QByteArray>{"S0090000525839303000B3\r\n", data} << 0 << true
                                      << QByteArray("Wrong signature\r\n") << 0;
        QTest::newRow("reject at 2") << QList{header, data, end} << 2 << true
                                     << QByteArray("Wrong signature\r\n") << 0;
        QTest::newRow("never answers") << QList{header, data, end} << 0 << false << QByteArray() << 0;
        QTest::newRow("LF only") << QList<QByteArray>{"S0060000515A004E\n", "S9030000FC\n"} << 0 << true
                                 << QByteArray("OK\r\n") << 2;
    }
    void answersTheUpload()
    {
        QFETCH(QList<QByteArray>, lines);
        QFETCH(int, rejectAt);
        QFETCH(bool, answer);
        QFETCH(QByteArray, reply);
        QFETCH(int, badLineEnds);
        Pty pty;
        BootLoaderOptions o = options("qz");
        o.announce = false;
        o.rejectAtLine = rejectAt;
        o.answer = answer;
        BootLoader boot(pty, o);
        QByteArray replies;
        connect(&boot, &BootLoader::answered, this, [&](const QByteArray& text) { replies += text; });
        Client client(pty.devicePath());
        QVERIFY(client.open());
        for (const QByteArray& line : lines)
            client.send(line);
        QTRY_COMPARE(boot.lines().size(), lines.size());
        if (!reply.isEmpty())
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
