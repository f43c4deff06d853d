#include "protocol/commandtable.h"
#include "sim/ampsim.h"
#include "sim/requestrules.h"

#include <QSet>
#include <QTest>

// Requests are built and replies decoded here, by hand, so that a layout slip in the simulator shows.
namespace {

QByteArray request(int address, int code, const QList<int>& data = {}, int length = 0)
{
    const int total = length > 0 ? length : 5 + static_cast<int>(data.size());
    QByteArray packet(total, '\0');
    packet[0] = char(total);
    packet[1] = char(address & 0xFF);
    packet[2] = char(address >> 8);
    packet[3] = char(code);
    for (int i = 0; i < data.size() && 4 + i < total - 1; ++i)
        packet[4 + i] = char(data[i]);
    int sum = 0;
    for (int i = 0; i < total - 1; ++i)
        sum += quint8(packet[i]);
    packet[total - 1] = char(sum);
    return packet;
}

int at(const QByteArray& reply, int pos)
{
    return quint8(reply.at(pos - 1));
}
int word(const QByteArray& reply, int pos)
{
    return at(reply, pos) + 256 * at(reply, pos + 1);
}

bool wellFormed(const QByteArray& reply)
{
    if (reply.isEmpty() || at(reply, 1) != reply.size())
        return false;
    int sum = 0;
    for (int i = 0; i + 1 < reply.size(); ++i)
        sum += quint8(reply[i]);
    return (sum & 0xFF) == quint8(reply.back());
}

// Data bytes 1, 2, 3, ... : every position of a write carries a value of its own.
QList<int> distinct(int count, int first = 1)
{
    QList<int> data;
    for (int i = 0; i < count; ++i)
        data << first + i;
    return data;
}

const QByteArray Ack = QByteArray::fromHex("02AA");

// (write data position counted from 1, read position) for each byte that travels.
using PositionMap = QList<QPair<int, int>>;

} // namespace

Q_DECLARE_METATYPE(AmpModel)

class TestAmpSim : public QObject
{
    Q_OBJECT
private slots:
    void statusReplyPerModel_data()
    {
        QTest::addColumn<AmpModel>("model");
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("version");
        QTest::addColumn<int>("defVolume");
        QTest::addColumn<int>("display");
        QTest::newRow("kma840") << AmpModel::Kma840 << 25 << 1 << 18 << 450 << 4;
        QTest::newRow("solstice") << AmpModel::Solstice << 25 << 2 << 35 << 450 << 1;
        QTest::newRow("rx900") << AmpModel::Rx900 << 25 << 3 << 12 << 450 << 0;
        QTest::newRow("vx900") << AmpModel::Vx900 << 25 << 5 << 32 << 550 << 0;
        QTest::newRow("vx900s") << AmpModel::Vx900s << 25 << 7 << 41 << 550 << 0;
        QTest::newRow("generic21") << AmpModel::Generic21 << 21 << 0 << 0 << 450 << 0;
    }
    void statusReplyPerModel()
    {
        QFETCH(AmpModel, model);
        QFETCH(int, length);
        QFETCH(int, code);
        QFETCH(int, version);
        QFETCH(int, defVolume);
        QFETCH(int, display);
        AmpSim sim(model);
        QCOMPARE(sim.handleRequest(request(1, 0x01)), Ack);
        const QByteArray reply = sim.handleRequest(QByteArray::fromHex("050100C8CE"));
        QVERIFY(wellFormed(reply));
        QCOMPARE(reply.size(), length);
        QCOMPARE(at(reply, 2), 1);           // powered on
        QCOMPARE(word(reply, 3), defVolume); // at its start-up volume
        QCOMPARE(at(reply, 5), 0);           // not muted
        QCOMPARE(word(reply, 6), defVolume);
        QCOMPARE(word(reply, 8), 999);
        QCOMPARE(at(reply, 10), 1); // input A1
        QCOMPARE(at(reply, 11), 1); // preset 1
        QCOMPARE(at(reply, 12), display);
        QCOMPARE(at(reply, 19), 0); // IR on
        if (length == 25) {
            QCOMPARE(at(reply, 21), 6); // balance centred
            QCOMPARE(at(reply, 22) * 256 + at(reply, 23), version);
            QCOMPARE(at(reply, 24), code);
        }
    }

    void earlyRx900AnswersAsAnRx900()
    {
        // An early RX900 reports the VX900's code, and answers as the RX900 it is.
        AmpSim early(AmpModel::Vx900, 1, 10);
        const QByteArray status = early.handleRequest(request(1, 0xC8));
        QCOMPARE(at(status, 24), 5);
        QCOMPARE(at(status, 23), 10);
        QCOMPARE(early.handleRequest(request(1, 0xD4)).size(), 3);
        QCOMPARE(early.handleRequest(request(1, 0xC4)).size(), 5);
    }

    // Requests it must ignore (checksum, address, code, length, family) are in the request parser
    // fuzz target.
    void factoryBlocks()
    {
        AmpSim kma(AmpModel::Kma840, 2);
        // Blocks that are only read: name, input name, temperatures (RX900), preset lock (RX900).
        const QByteArray name = kma.handleRequest(request(2, 0xC5));
        QVERIFY(wellFormed(name) && name.size() == 22);
        QCOMPARE(name.mid(1, 20), QByteArray("Korvanes KMA 840    "));
        const QByteArray inputName = kma.handleRequest(request(2, 0x39, {3}));
        QVERIFY(wellFormed(inputName) && inputName.size() == 8);
        QCOMPARE(inputName.mid(1, 6), QByteArray("USER 3"));
        // Settings that the status reply also carries come from the same state. (Other factory
        // values are the simulator's own constants; the write tests pin their positions.)
        const QByteArray kmaSettings = kma.handleRequest(request(2, 0xCC));
        QCOMPARE(word(kmaSettings, 4), 2); // address
        QCOMPARE(at(kmaSettings, 7), 6);   // balance centred
        QCOMPARE(word(kmaSettings, 8), 450);
        QCOMPARE(word(kmaSettings, 10), 999);
        const QByteArray settings = AmpSim(AmpModel::Vx900).handleRequest(request(1, 0xD2));
        QVERIFY(wellFormed(settings) && settings.size() == 18);
        QCOMPARE(word(settings, 7), 1); // address
        QCOMPARE(word(settings, 14), 550);
        QCOMPARE(word(settings, 16), 999);

        const QByteArray temperatures = AmpSim(AmpModel::Rx900).handleRequest(request(1, 0xC4));
        QVERIFY(wellFormed(temperatures) && temperatures.size() == 5);
        QCOMPARE(at(temperatures, 2), 91); // 45.5 degrees
        QCOMPARE(at(temperatures, 4), 78);
        const QByteArray presetLock = AmpSim(AmpModel::Rx900).handleRequest(request(1, 0xD4));
        QVERIFY(wellFormed(presetLock) && presetLock.size() == 3);
        const QByteArray outputs = AmpSim(AmpModel::Vx900s).handleRequest(request(1, 0xD4));
        QVERIFY(wellFormed(outputs) && outputs.size() == 25);
    }

    // Each write is read back through its block: data byte i of the write must come back at the
    // read position that the block's layout gives it.
    void blockWriteReadsBack_data()
    {
        QTest::addColumn<AmpModel>("model");
        QTest::addColumn<int>("writeCode");
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("readCode");
        QTest::addColumn<int>("readLength");
        QTest::addColumn<PositionMap>("map");
        PositionMap d3{{1, 12},  {3, 7},   {4, 8},   {5, 9},  {6, 11}, {7, 14}, {8, 15}, {9, 16},
                       {10, 17}, {11, 10}, {12, 13}, {13, 2}, {14, 3}, {15, 4}, {16, 5}};
        PositionMap d5;
        for (int pos = 4; pos <= 24; ++pos)
            d5 << qMakePair(pos + 6 - 4, pos);
        PositionMap db;
        for (int pos = 2; pos <= 36; ++pos)
            db << qMakePair(pos + 3 - 4, pos);
        PositionMap cb;
        for (int pos = 2; pos <= 22; ++pos)
            cb << qMakePair(pos - 1, pos);
        PositionMap cd{{1, 2}, {3, 4}, {4, 5}, {5, 6}, {6, 7}, {7, 8}, {8, 9}, {9, 10}, {10, 11}};
        PositionMap cf{{1, 10}, {2, 3},  {4, 5},   {5, 6},   {6, 7}, {7, 9},
                       {8, 12}, {9, 13}, {10, 14}, {11, 15}, {12, 8}};
        QTest::newRow("D3 to D2") << AmpModel::Rx900 << 0xD3 << 21 << 0xD2 << 18 << d3;
        QTest::newRow("D5 to D4") << AmpModel::Vx900 << 0xD5 << 31 << 0xD4 << 25 << d5;
        QTest::newRow("DB to DA") << AmpModel::Vx900 << 0xDB << 40 << 0xDA << 37 << db;
        QTest::newRow("CB to CA") << AmpModel::Kma840 << 0xCB << 26 << 0xCA << 30 << cb;
        QTest::newRow("CD to CC") << AmpModel::Kma840 << 0xCD << 22 << 0xCC << 12 << cd;
        QTest::newRow("CF to CE") << AmpModel::Solstice << 0xCF << 26 << 0xCE << 16 << cf;
    }
    void blockWriteReadsBack()
    {
        QFETCH(AmpModel, model);
        QFETCH(int, writeCode);
        QFETCH(int, length);
        QFETCH(int, readCode);
        QFETCH(int, readLength);
        QFETCH(PositionMap, map);
        AmpSim sim(model);
        // The address stays 1, so that the read still reaches the unit.
        QList<int> data = distinct(length - 5);
        const int addressPos = readCode == 0xD2 ? 3 : readCode == 0xCC ? 3 : readCode == 0xCE ? 4 : 0;
        if (addressPos > 0) {
            data[addressPos - 1] = 1;
            data[addressPos] = 0;
        }
        QCOMPARE(sim.handleRequest(request(1, writeCode, data, length)), Ack);
        const QByteArray reply = sim.handleRequest(request(1, readCode));
        QVERIFY(wellFormed(reply));
        QCOMPARE(reply.size(), readLength);
        for (const auto& [write, read] : map)
            QVERIFY2(at(reply, read) == data[write - 1],
                     qPrintable(QStringLiteral("write data %1 -> read pos %2: %3 vs %4")
                                    .arg(write)
                                    .arg(read)
                                    .arg(at(reply, read))
                                    .arg(data[write - 1])));
    }

    void namesReadBack()
    {
        AmpSim kma(AmpModel::Kma840, 1);
        QList<int> name;
        for (const char c : QByteArray("Kitchen KMA         "))
            name << c;
        QCOMPARE(kma.handleRequest(request(1, 0xC6, name)), Ack);
        QCOMPARE(kma.handleRequest(request(1, 0xC5)).mid(1, 20), QByteArray("Kitchen KMA         "));
        QCOMPARE(kma.handleRequest(request(1, 0x30, {4, 'T', 'U', 'N', 'E', 'R', ' '})), Ack);
        QCOMPARE(kma.handleRequest(request(1, 0x39, {5})).mid(1, 6), QByteArray("TUNER "));
        QCOMPARE(kma.handleRequest(request(1, 0x39, {8})), QByteArray());
    }

    void operatingCommandsShowInTheStatus_data()
    {
        QTest::addColumn<AmpModel>("model");
        QTest::addColumn<QList<QByteArray>>("requests");
        QTest::addColumn<int>("pos");
        QTest::addColumn<int>("value");
        QTest::addColumn<bool>("acknowledged");
        const auto r = [](int code, QList<int> data = {}) { return request(1, code, data); };
        QTest::newRow("volume") << AmpModel::Vx900 << QList{r(0x70, {0xC7, 0x01})} << 3 << 0xC7 << true;
        QTest::newRow("max volume caps the volume")
            << AmpModel::Vx900 << QList{r(0x84, {144, 1})} << 3 << 144 << true;
        QTest::newRow("start-up volume")
            << AmpModel::Solstice << QList{r(0x85, {100, 0})} << 6 << 100 << true;
        QTest::newRow("mute") << AmpModel::Rx900 << QList{r(0x74, {1})} << 5 << 1 << false;
        QTest::newRow("standby") << AmpModel::Rx900 << QList{r(0x75, {0})} << 2 << 0 << false;
        QTest::newRow("on again at start-up volume")
            << AmpModel::Rx900 << QList{r(0x70, {10, 0}), r(0x75, {0}), r(0x75, {1})} << 3 << 450 % 256
            << false;
        QTest::newRow("analog input") << AmpModel::Vx900 << QList{r(0x72, {3})} << 10 << 3 << true;
        QTest::newRow("digital input") << AmpModel::Solstice << QList{r(0x71, {2})} << 10 << 6 << true;
        QTest::newRow("kma input") << AmpModel::Kma840 << QList{r(0x20, {7})} << 10 << 7 << true;
        QTest::newRow("kma balance") << AmpModel::Kma840 << QList{r(0x1E, {2})} << 21 << 2 << true;
        QTest::newRow("kma balance out of range")
            << AmpModel::Kma840 << QList{r(0x1E, {13})} << 21 << 6 << true;
        QTest::newRow("kma standby") << AmpModel::Kma840 << QList{r(0x12)} << 2 << 0 << true;
        QTest::newRow("kma mute") << AmpModel::Kma840 << QList{r(0x14)} << 5 << 1 << true;
        QTest::newRow("kma unmute") << AmpModel::Kma840 << QList{r(0x14), r(0x15)} << 5 << 0 << true;
        QTest::newRow("solstice IR off") << AmpModel::Solstice << QList{r(0x88, {2, 1})} << 19 << 1 << true;
    }
    void operatingCommandsShowInTheStatus()
    {
        QFETCH(AmpModel, model);
        QFETCH(QList<QByteArray>, requests);
        QFETCH(int, pos);
        QFETCH(int, value);
        QFETCH(bool, acknowledged);
        AmpSim sim(model);
        QByteArray reply;
        for (const QByteArray& packet : requests)
            reply = sim.handleRequest(packet);
        QCOMPARE(reply, acknowledged ? Ack : QByteArray());
        QCOMPARE(at(sim.handleRequest(request(1, 0xC8)), pos), value);
    }

    void factoryResetRestoresEverything()
    {
        AmpSim kma(AmpModel::Kma840, 1, 20);
        kma.handleRequest(request(1, 0x85, {0x10, 0x01}));
        kma.handleRequest(request(1, 0xC6, QList<int>(20, 'x')));
        QCOMPARE(kma.respond(request(1, 0x49)).verdict, AmpSim::Verdict::Silent);
        // The factory address of a KMA840 is 2.
        QVERIFY(kma.handleRequest(request(1, 0xC8)).isEmpty());
        const QByteArray status = kma.handleRequest(request(2, 0xC8));
        QCOMPARE(word(status, 6), 450);
        QCOMPARE(at(status, 23), 20);
        QCOMPARE(kma.handleRequest(request(2, 0xC5)).mid(1, 20), QByteArray("Korvanes KMA 840    "));
    }

    void newAddressTakesOverAfterTheWrite()
    {
        AmpSim sim(AmpModel::Rx900);
        QList<int> d3(16, 0);
        d3[2] = 7; // address low byte
        d3[6] = 100;
        d3[8] = 200;
        d3[10] = 1;
        QCOMPARE(sim.handleRequest(request(1, 0xD3, d3)), Ack);
        QVERIFY(sim.handleRequest(request(1, 0xC8)).isEmpty());
        QCOMPARE(sim.handleRequest(request(7, 0xC8)).size(), 25);
    }

    // The stand-in's own copy of what the firmware knows and the programs' command table agree on
    // every row: a slip in either is a disagreement here.
    void requestRulesAgreeWithTheCommandTable()
    {
        QSet<int> codes;
        for (int index = FirstCommandIndex; index <= LastCommandIndex; ++index) {
            const CommandRecord& entry = commandAt(index);
            const RequestRule* rule = requestRule(entry.code);
            QVERIFY2(rule, qPrintable(QString::number(index)));
            codes.insert(entry.code);
            const QString families =
                QString(entry.familyA ? "A" : "") + (entry.familyB ? "B" : "") + (entry.familyC ? "C" : "");
            QCOMPARE(QString::number(rule->length) + u' ' + QString::number(rule->acknowledged) + u' ' +
                         QLatin1String(rule->families.data(), rule->families.size()),
                     QString::number(entry.length) + u' ' + QString::number(entry.wait) + u' ' + families);
        }
        QCOMPARE(codes.size(), qsizetype(RequestRules.size()));
    }
};

QTEST_APPLESS_MAIN(TestAmpSim)
#include "tst_ampsim.moc"
