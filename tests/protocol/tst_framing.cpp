#include "protocol/framing.h"

#include <QTest>

class TestFraming : public QObject
{
    Q_OBJECT
private slots:
    // Address bytes from text and the one-data-byte rule are in the sender tests; refusals and
    // checksums of any arguments in the framing fuzz target.
    void packets_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("address");
        QTest::addColumn<int>("code");
        QTest::addColumn<QList<int>>("data");
        QTest::addColumn<QByteArray>("packet");
        QTest::newRow("status to 1") << 5 << 1 << 0xC8 << QList<int>{} << QByteArray::fromHex("050100C8CE");
        QTest::newRow("volume 455 to 1")
            << 7 << 1 << 0x70 << QList<int>{0xC7, 0x01} << QByteArray::fromHex("07010070C70140");
        QTest::newRow("connect to 0") << 5 << 0 << 0x01 << QList<int>{} << QByteArray::fromHex("0500000106");
        QTest::newRow("missing data are zero") << 7 << 1 << 0x70 << QList<int>{9}
                                               << QByteArray::fromHex("0701007009"
                                                                      "0081");
        QTest::newRow("checksum wraps") << 7 << 0xFFFF << 0xFF << QList<int>{0xFF, 0xFF}
                                        << QByteArray::fromHex("07FFFFFFFFFF"
                                                               "02");
    }
    void packets()
    {
        QFETCH(int, length);
        QFETCH(int, address);
        QFETCH(int, code);
        QFETCH(QList<int>, data);
        QFETCH(QByteArray, packet);
        QCOMPARE(framing::framePacket(length, framing::addressBytes(address), code, data), packet);
    }

    // A reply is used only when its length byte counts exactly the bytes received for it and its
    // last byte is the checksum of the ones before.
    void replyCheck_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("intact");
        const QByteArray status = "1901C70100C201E703060203000000000000000106001E05C4";
        QTest::newRow("shortest") << QByteArray::fromHex("0202") << true;
        QTest::newRow("preset lock, 3") << QByteArray::fromHex("03FF02") << true;
        QTest::newRow("checksum wraps") << QByteArray::fromHex("04FFFF02") << true;
        QTest::newRow("status, 21") << QByteArray::fromHex("1501C70100C201E703030203000000000000000194")
                                    << true;
        QTest::newRow("status, 25") << QByteArray::fromHex(status) << true;
        QTest::newRow("wrong checksum") << QByteArray::fromHex("03FF03") << false;
        QTest::newRow("status, checksum inverted") << QByteArray::fromHex(status.chopped(2) + "3B") << false;
        QTest::newRow("length byte one more, checksum matching") << QByteArray::fromHex("04FF03") << false;
        QTest::newRow("length byte one less, checksum matching") << QByteArray::fromHex("02FF01") << false;
        QTest::newRow("a byte behind the reply") << QByteArray::fromHex("0202EE") << false;
        QTest::newRow("status cut short") << QByteArray::fromHex(status.left(48)) << false;
        QTest::newRow("too short") << QByteArray::fromHex("01") << false;
        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("acknowledgement") << QByteArray::fromHex("02AA") << false;
    }
    void replyCheck()
    {
        QFETCH(QByteArray, reply);
        QFETCH(bool, intact);
        QCOMPARE(framing::isIntactReply(reply), intact);
    }

    void addressOfText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("address");
        QTest::newRow("never entered") << "?" << 0;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("258") << "258" << 258;
        QTest::newRow("leading number") << "12ab" << 12;
        QTest::newRow("rounds half to even down") << "2.5" << 2;
        QTest::newRow("rounds half to even up") << "3.5" << 4;
        QTest::newRow("highest") << "65535" << 65535;
        QTest::newRow("too high") << "65536" << -1;
        QTest::newRow("negative") << "-1" << -1;
        QTest::newRow("huge") << "1e12" << -1;
    }
    void addressOfText()
    {
        QFETCH(QString, text);
        QFETCH(int, address);
        QCOMPARE(framing::addressValue(text).value_or(-1), address);
    }
};

QTEST_APPLESS_MAIN(TestFraming)
#include "tst_framing.moc"
