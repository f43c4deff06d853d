#include "control/statusreply.h"

#include <QTest>

using namespace control;

class TestStatusReply : public QObject
{
    Q_OBJECT
private slots:
    // The fields the end-to-end tests take over from ampsim are checked there; these are the others.
    void decodesEveryField()
    {
        // VX900 version 30: on, volume 45.5, start-up 45.0, maximum 99.9, D2, preset 2, display 3.
        const auto reply =
            decodeStatusReply(QByteArray::fromHex("1901C70100C201E703060203000000000000000106001E05C4"));
        QVERIFY(reply);
        QVERIFY(reply->identified);
        QCOMPARE(reply->defVolume, 450);
        QCOMPARE(reply->maxVolume, 999);
        QCOMPARE(reply->preset, 2);
        QCOMPARE(reply->display, 3);
        QCOMPARE(reply->ir, 0);
        QCOMPARE(reply->masterSlave, 1);
        QCOMPARE(reply->balance, 6);
    }

    void readsVersionHighByteFirstAndVolumesLowByteFirst()
    {
        // Muted, volume FFFF (a corrupt value stays large), IR off, slave, version 0x0102.
        const auto reply =
            decodeStatusReply(QByteArray::fromHex("1900FFFF01C201E703030803000000000000010008010203E2"));
        QVERIFY(reply);
        QCOMPARE(reply->volume, 65535);
        QCOMPARE(reply->mute, 1);
        QCOMPARE(reply->ir, 1);
        QCOMPARE(reply->masterSlave, 0);
        QCOMPARE(reply->firmwareVersion, 258);
        QCOMPARE(reply->modelCode, ModelCode::Rx900);
    }

    void shortReplyIsReadWithoutIdentification()
    {
        const auto reply =
            decodeStatusReply(QByteArray::fromHex("1501C70100C201E703030203000000000000000108"));
        QVERIFY(reply);
        QVERIFY(!reply->identified);
        QCOMPARE(reply->modelCode, ModelCode::Unknown);
        QCOMPARE(reply->firmwareVersion, 0);
        QCOMPARE(reply->volume, 455);
        QCOMPARE(reply->balance, 8);
        QCOMPARE(productTypeCaption(*reply), std::nullopt);
    }

    void repliesOfTheWrongLengthAreIgnored_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("decoded");
        const QByteArray full = QByteArray::fromHex("1901C70100C201E703060203000000000000000106001E05C4");
        const QByteArray shortReply = QByteArray::fromHex("1501C70100C201E703030203000000000000000108");
        QTest::newRow("25") << full << true;
        QTest::newRow("24") << full.left(24) << false;
        QTest::newRow("26") << full + '\x00' << false;
        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("21 marked") << shortReply << true;
        QTest::newRow("21 marked, followed by more") << shortReply + full.left(4) << true;
        QTest::newRow("21 marked, cut short") << shortReply.left(20) << false;
    }
    void repliesOfTheWrongLengthAreIgnored()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, decoded);
        QCOMPARE(decodeStatusReply(bytes).has_value(), decoded);
    }

    // Each model against ampsim is in the end-to-end tests; these are the edges.
    void identifiesModelAndVersion_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<int>("version");
        QTest::addColumn<int>("identifiedModel");
        QTest::addColumn<QString>("caption"); // null: caption left as it was
        QTest::newRow("unknown") << 0 << 0 << 0 << "Unknown";
        QTest::newRow("RX900 version 10 reporting 5") << 5 << 10 << 3 << "RX 900 vers. 10";
        QTest::newRow("VX 900S version 10 stays") << 7 << 10 << 7 << "VX 900S vers. 10";
        QTest::newRow("large version") << 5 << 40000 << 5 << "VX 900 vers. 40000";
        QTest::newRow("code 4") << 4 << 1 << 4 << QString();
        QTest::newRow("code 255") << 255 << 1 << 255 << QString();
    }
    void identifiesModelAndVersion()
    {
        QFETCH(int, model);
        QFETCH(int, version);
        QFETCH(int, identifiedModel);
        QFETCH(QString, caption);
        QByteArray bytes = QByteArray::fromHex("1901C70100C201E703060203000000000000000106001E05C4");
        bytes[StatusByte::VersionHigh - 1] = static_cast<char>(version >> 8);
        bytes[StatusByte::VersionLow - 1] = static_cast<char>(version & 0xFF);
        bytes[StatusByte::Model - 1] = static_cast<char>(model);
        const auto reply = decodeStatusReply(bytes);
        QVERIFY(reply);
        QCOMPARE(reply->modelCode, identifiedModel);
        QCOMPARE(reply->firmwareVersion, version);
        QCOMPARE(productTypeCaption(*reply).value_or(QString()), caption);
    }
};

QTEST_APPLESS_MAIN(TestStatusReply)
#include "tst_statusreply.moc"
