#include "serial/networkaddress.h"
#include "serial/telnetcodec.h"

#include <QTest>

namespace {
QByteArray hex(const char* text)
{
    return QByteArray::fromHex(text);
}
} // namespace

class TestTelnetCodec : public QObject
{
    Q_OBJECT
private slots:
    // What the client sends: its opening, the line settings with their purge, a data byte 0xFF
    // doubled (in the baud value too).
    void encodes()
    {
        QCOMPARE(telnet::openingNegotiation(), hex("fffb00 fffd00 fffb03 fffd03 fffb2c"));
        QCOMPARE(telnet::lineSettings(57600, true),
                 hex("fffa2c01 0000e100 fff0 fffa2c0208fff0 fffa2c0301fff0 "
                     "fffa2c0401fff0 fffa2c0c03fff0"));
        QCOMPARE(telnet::lineSettings(0x00ff00ff, false).left(10), hex("fffa2c01 00ffff00ffff"));
        QCOMPARE(telnet::escaped(hex("02ff00ffff")), hex("02ffff00ffffffff"));
    }

    // The server's bytes in the pieces one read after another gives: the serial data, the answer
    // sent back, the answers to SET-BAUDRATE and whether COM port control was taken up.
    void decodes_data()
    {
        QTest::addColumn<QByteArrayList>("reads");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("baudReplies");
        QTest::addColumn<qint32>("baud");
        QTest::addColumn<bool>("comPort");

        // What ser2net answers on 127.0.0.1 to our opening and line settings.
        const QByteArray ser2net =
            hex("fffb03fffd03fffb01fffe01fffd00fffb00fffd2cfffa2c6b00fff0fffa2c7003fff0"
                "fffa2c650000e100fff0fffa2c6608fff0fffa2c6701fff0fffa2c6801fff0");
        QTest::newRow("ser2net at once")
            << QByteArrayList{ser2net} << QByteArray() << hex("fffe01") << 1 << 57600 << true;
        QByteArrayList bytes;
        for (const char c : ser2net)
            bytes << QByteArray(1, c);
        QTest::newRow("ser2net byte by byte") << bytes << QByteArray() << hex("fffe01") << 1 << 57600 << true;
        QTest::newRow("data with 0xFF split") << QByteArrayList{hex("02ff"), hex("ff03ff"), hex("ff")}
                                              << hex("02ff03ff") << QByteArray() << 0 << 0 << false;
        QTest::newRow("option split, offers refused once")
            << QByteArrayList{hex("41fffd"), hex("18fffd18fffb"), hex("05fffb0542")} << hex("4142")
            << hex("fffc18fffe05") << 0 << 0 << false;
        QTest::newRow("baud reply split in its value, 0xFF in it")
            << QByteArrayList{hex("fffa2c6500"), hex("01ff"), hex("ff00fff0aa")} << hex("aa") << QByteArray()
            << 1 << 0x1ff00 << false;
        QTest::newRow("refused, commands and a reply without SE")
            << QByteArrayList{hex("fffe2cfff1fff910fffa2c6500002580ff"), hex("fd0020")} << hex("1020")
            << QByteArray() << 1 << 9600 << false;
        QTest::newRow("overlong subnegotiation dropped")
            << QByteArrayList{hex("fffa2c65") + QByteArray(200, 'x'), hex("fff061")} << hex("61")
            << QByteArray() << 0 << 0 << false;
    }
    void decodes()
    {
        QFETCH(QByteArrayList, reads);
        telnet::DecoderState state;
        telnet::Decoded out;
        for (const QByteArray& read : reads)
            telnet::decode(state, read, out);
        QTEST(out.data, "data");
        QTEST(out.answer, "answer");
        QTEST(out.baudReplies, "baudReplies");
        QTEST(out.baud.value_or(0), "baud");
        QTEST(out.comPortAccepted, "comPort");
    }

    // Addresses as given and as the programs write them again, or the start of why they are none.
    void parsesAddresses_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("parsed");
        QTest::newRow("rfc2217") << "rfc2217://rack-a:4001"
                                 << "rfc2217://rack-a:4001";
        QTest::newRow("tcp, case, blanks, slash") << " TCP://10.0.0.7:65535/ "
                                                  << "tcp://10.0.0.7:65535";
        QTest::newRow("ipv6") << "rfc2217://[::1]:2000"
                              << "rfc2217://[::1]:2000";
        QTest::newRow("port 0") << "tcp://host:0"
                                << "tcp://host:0: the port number must be 1 to 65535";
        QTest::newRow("port 65536") << "tcp://host:65536"
                                    << "tcp://host:65536: the port number";
        QTest::newRow("no port") << "rfc2217://host"
                                 << "rfc2217://host: the port number is missing";
        QTest::newRow("no host") << "rfc2217://:4001"
                                 << "rfc2217://:4001: the host is missing";
        QTest::newRow("path") << "tcp://host/x:1"
                              << "tcp://host/x:1: \"host/x\" is no host";
        QTest::newRow("bad ipv6") << "tcp://[host]:1"
                                  << "tcp://[host]:1: [host] is no IPv6";
        QTest::newRow("ipv6, eight groups") << "tcp://[fe80:0:0:0:0:0:0:1]:7"
                                            << "tcp://[fe80:0:0:0:0:0:0:1]:7";
        QTest::newRow("ipv6, ipv4 last, zone") << "tcp://[::FFFF:192.0.2.1%eth0]:7"
                                               << "tcp://[::FFFF:192.0.2.1%eth0]:7";
        QTest::newRow("ipv6, both ends") << "tcp://[1::]:7"
                                         << "tcp://[1::]:7";
        // Nine groups, seven without "::", two gaps, a group of five digits, a bad or early IPv4
        // part, an empty zone, a colon too many at either end.
        for (const char* bad : {"1:2:3:4:5:6:7:8:9", "1:2:3:4:5:6:7", "1::2::3", "12345::", "::1.2.3.256",
                                "1.2.3.4::", "::1%", ":1::2", "1:::2", "::2:3:4:5:6:7:8:9"}) {
            const QString text = QStringLiteral("tcp://[%1]:7").arg(QLatin1String(bad));
            QTest::newRow(bad) << text << text + QStringLiteral(": [%1] is no IPv6").arg(QLatin1String(bad));
        }
        QTest::newRow("scheme") << "socket://host:1"
                                << "socket://host:1: a network port is";
    }
    void parsesAddresses()
    {
        QFETCH(QString, text);
        QFETCH(QString, parsed);
        const auto result = parseNetworkAddress(text);
        const QString got = std::holds_alternative<NetworkAddress>(result)
                                ? std::get<NetworkAddress>(result).text()
                                : std::get<QString>(result);
        QVERIFY2(got.startsWith(parsed), qPrintable(got));
    }
};

QTEST_GUILESS_MAIN(TestTelnetCodec)
#include "tst_telnetcodec.moc"
