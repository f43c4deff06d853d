#include "codecbench.h"
#include "common/numbers.h"
#include "setup/setupstore.h"
#include "setup/vx900model.h"

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

using namespace setup;
using namespace vx900;
using codecbench::framed;
using codecbench::storedNotDefault;

namespace {

// A VX 900 with room correction: D2, D4 and DA as the amplifier sends them. Addressed 1, 57600
// baud, preset 3, master, display time-out, start-up 40.5, maximum 90.0; presets 1 and bypass
// locked, line out −12.5 dB full scale, crossover 120 Hz, 8th-order filter, routing LP, LP Right,
// mono, mono, focus 3, measured at 75.0, voicing 2; delays 10, 20, 0, 999 cm; sensitivities
// +1.5, −3.5, 0, +12, −12, 0 ...; labels ANALOG 1, PHONO, CD, TV, DIGITAL 1, DIGITAL 2, DVD, VIDEO,
// VIDEO-2.
const QList<QByteArray> Replies{
    QByteArray::fromHex("120000000001010001030101009501840300"),
    QByteArray::fromHex("1981007D0001780001020203060601"
                        "03EE02050602020107"
                        "00"),
    QByteArray::fromHex("250A0014000000E703"
                        "870055007800F00000007800780078007800"
                        "011906210D0E12242600"),
};

// The value a field put on the wire.
int sent(const QList<std::optional<QByteArray>>& packets, int field)
{
    const Field& f = Spec.fields[field];
    const QByteArray& data = packets[f.write.block].value();
    const int at = f.write.pos - framing::FirstDataPos;
    const int low = static_cast<unsigned char>(data[at]);
    return f.width == Width::Word ? low + 256 * static_cast<unsigned char>(data[at + 1]) : low;
}

} // namespace

Q_DECLARE_METATYPE(Routing)

class TestSetupCodec : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::German)); }

    void readsShowAtTheirPositions()
    {
        QCOMPARE(
            codecbench::render(Spec, controlsFor(Spec, decode(Spec, Replies))),
            "DefVol=40,5 | MaxVol=90,0 | Analog 1 sens=1,5 | Analog 2 sens=-3,5 | Analog 3 sens=0,0 | "
            "Analog 4 sens=12,0 | Digital 1 sens=-12,0 | Digital 2 sens=0,0 | Digital 3 sens=0,0 | "
            "Digital 4 sens=0,0 | Digital 5 sens=0,0 | LineOutLevel=-12,5 | CrossOverFreq=120 | "
            "DelayMainL=10 | DelayMainR=20 | DelayLineL=0 | DelayLineR=999 | IRenab=1 | MS=1 | Trig=0 | "
            "DevAdr=1 | ComSpe=1 | Intens=1 | VolumeDispTimeout=1 | DisplayBrightness=2 | RoutingMainL=2 | "
            "RoutingMainR=3 | RoutingLineL=6 | RoutingLineR=6 | LineOutControl=1 | FilterType=2 | "
            "Analog_1_Label_no=1 | Analog_2_Label_no=25 | Analog_3_Label_no=6 | Analog_4_Label_no=33 | "
            "Digital_1_Label_no=13 | Digital_2_Label_no=14 | Digital_3_Label_no=18 | "
            "Digital_4_Label_no=36 | Digital_5_Label_no=38 | Preset=2 | PresetLock=129 | "
            "AmpName=Korvanes VX 900 | Polarity=0 | CrossOverLock=1 | AuralignInstalled=1 | "
            "FocusSelected=Focus 3 | MeasureVolume=75,0 | AdvancedFunction=5 | UnitSelect=6 | "
            "VoicingSelected=Voicing 2 | VolumeControlByte=7");
        QCOMPARE(focusText(0) + focusText(12) + voicingText(0), "BypassBypassNeutral Voicing");
    }

    // Out-of-range list values from D2 are coerced before they are shown.
    void readsCoerceListValues_data()
    {
        QTest::addColumn<int>("pos");
        QTest::addColumn<int>("byte");
        QTest::addColumn<int>("field");
        QTest::addColumn<int>("index");
        QTest::newRow("speed 3 -> 57600") << 9 << 3 << int(ComSpe) << 1;
        QTest::newRow("preset 0 -> Preset 1") << 10 << 0 << int(Preset) << 0;
        QTest::newRow("preset 9 -> Preset 1") << 10 << 9 << int(Preset) << 0;
        QTest::newRow("bypass stays") << 10 << 8 << int(Preset) << 7;
        QTest::newRow("master/slave 2 -> Slave") << 11 << 2 << int(MS) << 0;
        QTest::newRow("display 4 -> Timeout") << 12 << 4 << int(Intens) << 1;
        QTest::newRow("trigger 9 -> Off") << 13 << 9 << int(Trig) << 0;
    }
    void readsCoerceListValues()
    {
        QFETCH(int, pos);
        QFETCH(int, byte);
        QFETCH(int, field);
        QFETCH(int, index);
        QList<QByteArray> replies = Replies;
        replies[0][pos - 1] = static_cast<char>(byte);
        QCOMPARE(controlsFor(Spec, decode(Spec, replies))[field].index, index);
    }

    // Update from a dialog that was read and then edited: crossover 80, line out −6.5, analog 1
    // sensitivity +2.5, delay main L 15, start-up volume 45.5.
    void writePacketsAreByteExact()
    {
        Values values = decode(Spec, Replies);
        Controls c = controlsFor(Spec, values);
        c[CrossOverFreq].text = "80";
        c[LineOutLevel].text = "-6,5";
        c[AnalogSens1].text = "2,5";
        c[DelayMainL].text = "15";
        c[DefVol].text = "45,5";
        const auto packets = encode(Spec, c, values);
        QCOMPARE(framed(Command::SetSettingsD5, packets[0]),
                 QByteArray::fromHex("1F0100D5000000000041000150000102020306060103EE02050602020107A6"));
        QCOMPARE(framed(Command::SetSettingsDB, packets[1]),
                 QByteArray::fromHex("280100DB0F0014000000E703910055007800F000000078007800780078000119"
                                     "06210D0E122426F7"));
        QCOMPARE(framed(Command::SetSettingsD3, packets[2]),
                 QByteArray::fromHex("150100D3010101000101C701840303000000000040"));
    }

    // What an entry puts on the wire, and what its control shows afterwards. Numbers far outside
    // 16 bits are clamped or replaced, never wrapped into range. A list without a valid entry sends
    // the stored value and shows it again.
    void entriesAreValidated_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("entry"); // a list's index
        QTest::addColumn<int>("wire");
        QTest::addColumn<QString>("shown");
        QTest::newRow("line out 12 is an attenuation") << int(LineOutLevel) << "12" << 120 << "-12";
        QTest::newRow("line out -50 clamps") << int(LineOutLevel) << "-50" << 400 << "-50";
        QTest::newRow("line out letters") << int(LineOutLevel) << "x" << 0 << "x";
        QTest::newRow("crossover 20 clamps") << int(CrossOverFreq) << "20" << 40 << "20";
        QTest::newRow("crossover empty") << int(CrossOverFreq) << "" << 200 << "";
        QTest::newRow("crossover 65576 does not wrap") << int(CrossOverFreq) << "65576" << 9999 << "65576";
        QTest::newRow("crossover 1e999") << int(CrossOverFreq) << "1e999" << 9999 << "1e999";
        QTest::newRow("sensitivity 15 clamps") << int(AnalogSens1) << "15" << 240 << "15";
        QTest::newRow("sensitivity -3.5") << int(DigitalSens5) << "-3.5" << 85 << "-3.5";
        QTest::newRow("sensitivity letters") << int(AnalogSens4) << "dB" << 120 << "dB";
        QTest::newRow("sensitivity -70000") << int(AnalogSens2) << "-70000" << 0 << "-70000";
        QTest::newRow("max volume 150") << int(MaxVol) << "150" << 999 << "150";
        QTest::newRow("max volume letters") << int(MaxVol) << "abc" << 999 << "abc";
        QTest::newRow("start-up volume 150") << int(DefVol) << "150" << 0 << "150";
        QTest::newRow("start-up volume 12,5") << int(DefVol) << "12,5" << 125 << "12,5";
        QTest::newRow("address 300") << int(DevAdr) << "300" << 1 << "300";
        QTest::newRow("address 65791 does not wrap to 255") << int(DevAdr) << "65791" << 1 << "65791";
        QTest::newRow("address 2.5 rounds to even") << int(DevAdr) << "2.5" << 2 << "2.5";
        QTest::newRow("address 3.5 rounds to even") << int(DevAdr) << "3.5" << 4 << "3.5";
        QTest::newRow("address letters") << int(DevAdr) << "abc" << 1 << "abc";
        QTest::newRow("delay 1000") << int(DelayMainR) << "1000" << 999 << "1000";
        QTest::newRow("delay 65537 does not wrap") << int(DelayLineL) << "65537" << 999 << "65537";
        QTest::newRow("delay -5") << int(DelayLineR) << "-5" << 0 << "-5";
        QTest::newRow("speed chosen") << int(ComSpe) << "2" << 2 << "2";
        QTest::newRow("no speed") << int(ComSpe) << "-1" << 1 << "1";
        QTest::newRow("no preset") << int(Preset) << "-1" << 3 << "2";
        QTest::newRow("bypass") << int(Preset) << "7" << 8 << "7";
        QTest::newRow("display beyond its list") << int(Intens) << "2" << 1 << "1";
        QTest::newRow("no filter") << int(FilterType) << "-1" << 2 << "2";
        QTest::newRow("no label") << int(DigitalLabel5) << "-1" << 38 << "38";
    }
    void entriesAreValidated()
    {
        QFETCH(int, field);
        QFETCH(QString, entry);
        QFETCH(int, wire);
        QFETCH(QString, shown);
        Values values = decode(Spec, Replies);
        Controls c = controlsFor(Spec, values);
        const bool list = Spec.fields[field].kind == Kind::List;
        if (list)
            c[field].index = entry.toInt();
        else
            c[field].text = entry;
        const auto packets = encode(Spec, c, values);
        QCOMPARE(sent(packets, field), wire);
        QCOMPARE(list ? QString::number(c[field].index) : c[field].text, shown);
    }

    // Two ticks of the routing timer after the lists changed; the second changes nothing more.
    void routingPairsStayInOneGroup_data()
    {
        QTest::addColumn<Routing>("previous");
        QTest::addColumn<Routing>("current");
        QTest::addColumn<Routing>("followed");
        const Routing plain{0, 1, 0, 1};
        QTest::newRow("HP Left on main L") << plain << Routing{4, 1, 0, 1} << Routing{4, 5, 0, 1};
        QTest::newRow("LP Right on main R") << plain << Routing{0, 3, 0, 1} << Routing{2, 3, 0, 1};
        QTest::newRow("Right on main L stays") << plain << Routing{1, 1, 0, 1} << Routing{1, 1, 0, 1};
        QTest::newRow("Mono on line R") << plain << Routing{0, 1, 0, 6} << Routing{0, 1, 6, 6};
        QTest::newRow("LP Mono on line L") << plain << Routing{0, 1, 7, 1} << Routing{0, 1, 7, 7};
        QTest::newRow("HP Left on line L beside mono")
            << Routing{0, 1, 6, 6} << Routing{0, 1, 4, 6} << Routing{0, 1, 4, 5};
        QTest::newRow("Left on line R beside mono")
            << Routing{0, 1, 6, 6} << Routing{0, 1, 6, 0} << Routing{0, 1, 0, 0};
        QTest::newRow("both sides at once: left leads")
            << Routing{4, 5, 0, 1} << Routing{0, 3, 2, 4} << Routing{0, 1, 2, 3};
    }
    void routingPairsStayInOneGroup()
    {
        QFETCH(Routing, previous);
        QFETCH(Routing, current);
        QFETCH(Routing, followed);
        followRouting(current, previous);
        QCOMPARE(current, followed);
        followRouting(current, previous);
        QCOMPARE(current, followed);
        QCOMPARE(previous, followed);
    }

    void invalidDelaysReset_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("delay");
        QTest::newRow("empty") << ""
                               << "0" << 0;
        QTest::newRow("letters") << "12cm"
                                 << "0" << 0;
        QTest::newRow("1000") << "1000"
                              << "0" << 0;
        QTest::newRow("-1") << "-1"
                            << "0" << 0;
        QTest::newRow("12,5 stays as typed") << "12,5"
                                             << "12,5" << 12;
        QTest::newRow("999") << "999"
                             << "999" << 999;
    }
    void invalidDelaysReset()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(int, delay);
        QCOMPARE(checkedDelay(typed), delay);
        QCOMPARE(typed, shown);
    }

    // "Save to PC" writes the keys in order and in their forms; a positive line-out level is stored
    // (and shown) as an attenuation.
    void storedKeysInOrder()
    {
        const Values values = decode(Spec, Replies);
        Controls c = controlsFor(Spec, values);
        c[LineOutLevel].text = "6,5";
        c[DefVol].text = "40,45";
        c[CrossOverFreq].text = "1e2";
        QStringList lines;
        for (const auto& [key, text] : storedPairs(Spec, c, values))
            lines << key + u'=' + text;
        QCOMPARE(
            lines.join(u'\n'),
            "Def Volume=40,5\nMax Volume=90,0\nAnalog 1 sens=1,5\nAnalog 2 sens=-3,5\nAnalog 3 sens=0,0\n"
            "Analog 4 sens=12,0\nDigital 1 sens=-12,0\nDigital 2 sens=0,0\nDigital 3 sens=0,0\n"
            "Digital 4 sens=0,0\nDigital 5 sens=0,0\nLineout level=-6,5\nCrossover freq=1e2\n"
            "DelayMainL=10\nDelayMainR=20\nDelayLineL=0\nDelayLineR=999\nIR enabled=1\nMasterSlave=1\n"
            "Trigger=0\nDevice Adr=1\nCom Speed=1\nDisplayTimeout=1\nVolDispTimeout=1\n"
            "DisplayBrightness=2\nRoutingMainL=2\nRoutingMainR=3\nRoutingLineL=6\nRoutingLineR=6\n"
            "LineOutControl=1\nFilterType=2\nAnalog_1_Label_no=1\nAnalog_2_Label_no=25\n"
            "Analog_3_Label_no=6\nAnalog_4_Label_no=33\nDigital_1_Label_no=13\nDigital_2_Label_no=14\n"
            "Digital_3_Label_no=18\nDigital_4_Label_no=36\nDigital_5_Label_no=38\nPreset=3\nPreset Lock=129");
        QCOMPARE(c[LineOutLevel].text, "-6,5");
    }

    // The factory values are the stored defaults, but for the speed (57600, where a missing key
    // reads 9600) and the preset (Preset 1, where a missing key selects nothing).
    void factoryValuesAreTheStoredDefaults()
    {
        const Values values = decode(Spec, Replies);
        Controls c = controlsFor(Spec, values);
        fillFactory(Spec, c);
        QCOMPARE(storedNotDefault(Spec, c, values, true),
                 (QStringList{"Com Speed=1", "Preset=1", "Preset Lock=129"}));
        QCOMPARE(c[AmpName].text, "Korvanes VX 900");
    }

    // "Get from PC" in a point locale: comma texts read as numbers, indexes outside a list select
    // nothing, a missing key takes its default ("Preset" 0: no selection).
    void storedValuesLoadBack()
    {
        const QMap<QString, QString> stored{{"Def Volume", "55,0"},      {"MasterSlave", "5"},
                                            {"Com Speed", "abc"},        {"Crossover freq", "12a"},
                                            {"Analog_1_Label_no", "38"}, {"IR enabled", "0"}};
        QStringList defaulted;
        Controls c = controlsFor(Spec, decode(Spec, Replies));
        loadStored(
            Spec, c,
            [&](const QString& key, const QString& defaultText) {
                if (!stored.contains(key))
                    defaulted << key + u'=' + defaultText;
                return stored.value(key, defaultText);
            },
            QLocale::c());
        QCOMPARE(c[DefVol].text, "55.0");
        QCOMPARE(c[MaxVol].text, "99.9");
        QCOMPARE(c[CrossOverFreq].text, "12a");
        QCOMPARE(c[MS].index, -1);
        QCOMPARE(c[ComSpe].index, -1);
        QCOMPARE(c[Preset].index, -1);
        QCOMPARE(c[AnalogLabel1].index, 38);
        QCOMPARE(c[IRenab].index, 0);
        QCOMPARE(c[DisplayBrightness].index, 3);
        QCOMPARE(defaulted.size(), 41 - stored.size());
        QVERIFY(defaulted.contains("Digital_5_Label_no=17") && defaulted.contains("Preset=0"));
    }

    // "Save to PC" killed at any moment leaves the old section or the new one, never a mix.
    void saveToPcKilledAtAnyMomentLeavesOldOrNew()
    {
        const QString section = "Korvanes VX 900";
        for (int round = 0; round < 12; ++round) {
            QTemporaryDir dir;
            const QString ini = dir.filePath("setup.ini");
            QProcess saver;
            saver.start(QCoreApplication::applicationFilePath(), {"--save-loop", ini});
            QVERIFY(saver.waitForReadyRead(5000));
            QTest::qWait(int(QRandomGenerator::global()->bounded(40)));
            saver.kill();
            QVERIFY(saver.waitForFinished(5000));
            const auto stored = [&](int field) {
                return StoredIniValue(section, QString::fromLatin1(Spec.fields[field].ini.key), ini)
                    .value_or("");
            };
            const int generation = stored(CrossOverFreq).toInt() - 40;
            QCOMPARE(common::parseUserNumber(stored(DefVol)), double(generation / 2));
            QCOMPARE(stored(DigitalLabel5), QString::number(generation % 10));
        }
    }

    // Typed text reaches setup.ini only through the INI writer's rules: no line of it starts a
    // section or a key of its own. A section never saved gets "Saved=False" from the lookup.
    void savedTextCannotInjectIntoTheFile()
    {
        QTemporaryDir dir;
        const QString ini = dir.filePath("setup.ini");
        Controls c = controlsFor(Spec, decode(Spec, Replies));
        c[AmpName].text = "Kitchen]\r\n[Tevlin";
        c[CrossOverFreq].text = "200\r\n[Tevlin]\r\nDebug=86";
        c[DevAdr].text = QString::fromLatin1("1\nUpdateSpeed=1\0x", 17);
        QVERIFY(!savedBefore(c[AmpName].text, ini));
        QVERIFY(saveToPc(Spec, c, decode(Spec, Replies), ini, QDateTime(QDate(2006, 12, 20), QTime(9, 5))));
        QFile file(ini);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().split('\n');
        QCOMPARE(lines.first(), "[Kitchen)  [Tevlin]\r");
        QCOMPARE(lines[1], "Saved=True\r");
        QCOMPARE(lines[2], "Save time=20.12.2006 09:05\r");
        QCOMPARE(
            std::count_if(lines.begin(), lines.end(), [](const QByteArray& l) { return l.startsWith('['); }),
            1);
        QVERIFY(lines.contains("Crossover freq=200  [Tevlin]  Debug=86\r"));
        QVERIFY(lines.contains("Device Adr=1 UpdateSpeed=1 x\r"));
        QVERIFY(savedBefore(c[AmpName].text, ini));

        // A section never saved: "Get from PC" shows and stores the defaults.
        c[AmpName].text = "Korvanes VX 900";
        QVERIFY(getFromPc(Spec, c, ini));
        QCOMPARE(c[CrossOverFreq].text, "200");
        QCOMPARE(c[DefVol].text, "55,0");
        QCOMPARE(c[DigitalLabel5].index, 17);
        QFile saved(ini);
        QVERIFY(saved.open(QIODevice::ReadOnly) &&
                saved.readAll().contains("[Korvanes VX 900]\r\nDef Volume=55,0\r\nMax Volume=99,9\r\n"));
    }
};

// Saves the VX 900's section again and again, each save with other values, until killed.
int saveLoop(const QString& ini)
{
    Controls c = controlsFor(Spec, decode(Spec, Replies));
    for (int generation = 1;; ++generation) {
        // The first key, one in the middle and one near the end change with each save.
        c[CrossOverFreq].text = QString::number(40 + generation % 200);
        c[DefVol].text = QString::number(generation % 200 / 2);
        c[DigitalLabel5].index = generation % 10;
        if (!saveToPc(Spec, c, decode(Spec, Replies), ini))
            return 1;
        if (generation == 1) {
            std::fputs("saved\n", stdout);
            std::fflush(stdout);
        }
    }
}

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--save-loop") == 0)
        return saveLoop(QString::fromLocal8Bit(argv[2]));
    TestSetupCodec test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_setupcodec.moc"
