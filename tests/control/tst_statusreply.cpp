#include "control/statusreply.h"

#include <QTest>

using namespace control;

class TestStatusReply : public QObject
{
    Q_OBJECT
private slots:
    // The layout of every field and the accepted lengths are in the status reply fuzz target.
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
