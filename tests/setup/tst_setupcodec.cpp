#include "common/numbers.h"
#include "protocol/commandtable.h"
#include "protocol/framing.h"
#include "setup/kma840model.h"
#include "setup/rx900model.h"
#include "setup/setupcodec.h"
#include "setup/setupstore.h"
#include "setup/solsticemodel.h"
#include "setup/vx900model.h"

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <vector>

using namespace setup;

namespace {

// What the amplifier sends, read by read, and what the dialog makes of it: every control as
// "name=shown" and every write packet as it goes out to address 1. Every byte a read takes holds a
// value of its own (in range, and not 0 where the field allows it), so that a value read from or
// written to a neighbouring position changes what is compared; `everySlipIsCaught` holds the
// fixtures to that. A second fixture per model turns over what one cannot show at once: a check
// or a two-entry list between others is 0 in one (so that its neighbours read differently) and not
// 0 in the other (so that its packet byte moves with it).
struct Fixture
{
    const char* model;
    const ModelSpec* description;
    const char* replies; // hex, one reply per read, separated by blanks
    const char* shown;   // every control as "name=shown"; in a second fixture those that differ
    const char* packets; // hex, one packet per write, separated by blanks
};

const Fixture Fixtures[] = {
    {"vx900", &vx900::Spec,
     "1221222324000500020401000195018403C6 198101C80001B0040105020304050103EE0205010203010733 "
     "250A0114021E03E703870055008200F000010064008C006E009600011906210D0E1224264C",
     "DefVol=40,5 | MaxVol=90,0 | Analog 1 sens=1,5 | Analog 2 sens=-3,5 | Analog 3 sens=1,0 | "
     "Analog 4 sens=12,0 | Digital 1 sens=-11,9 | Digital 2 sens=-2,0 | Digital 3 sens=2,0 | "
     "Digital 4 sens=-1,0 | Digital 5 sens=3,0 | LineOutLevel=-20,0 | CrossOverFreq=1200 | DelayMainL=266 | "
     "DelayMainR=532 | DelayLineL=798 | DelayLineR=999 | IRenab=0 | MS=1 | Trig=1 | DevAdr=5 | ComSpe=2 | "
     "Intens=0 | VolumeDispTimeout=1 | DisplayBrightness=3 | RoutingMainL=2 | RoutingMainR=3 | "
     "RoutingLineL=4 | RoutingLineR=5 | LineOutControl=1 | FilterType=5 | Analog_1_Label_no=1 | "
     "Analog_2_Label_no=25 | Analog_3_Label_no=6 | Analog_4_Label_no=33 | Digital_1_Label_no=13 | "
     "Digital_2_Label_no=14 | Digital_3_Label_no=18 | Digital_4_Label_no=36 | Digital_5_Label_no=38 | "
     "Preset=3 | PresetLock=129 | AmpName=Korvanes VX 900 | Polarity=1 | CrossOverLock=1 | "
     "AuralignInstalled=1 | FocusSelected=Focus 3 | MeasureVolume=75,0 | AdvancedFunction=5 | UnitSelect=1 | "
     "VoicingSelected=Voicing 2 | VolumeControlByte=7",
     "1F0100D50000000000C80001B0040105020304050103EE020501020301078D "
     "280100DB0A0114021E03E703870055008200F000010064008C006E009600011906210D0E1224262B "
     "150100D30000050002019501840304010000000013"},
    {"vx900, turned over", &vx900::Spec,
     "1221222324010500020400010095018403C6 198101C80001B0040105020304050103EE0205010203010733 "
     "250A0114021E03E703870055008200F000010064008C006E009600011906210D0E1224264C",
     "IRenab=1 | MS=0 | Trig=0 | Intens=1",
     "1F0100D50000000000C80001B0040105020304050103EE020501020301078D "
     "280100DB0A0114021E03E703870055008200F000010064008C006E009600011906210D0E1224262B "
     "150100D30101050002009501840304000000000013"},
    {"rx900", &rx900::Spec,
     "055B224ED0 164B69746368656E205258393030206E6F2E203233EF 1200010001002A0002060100017201520310 "
     "038588",
     "Intens=0 | DefVol=37,0 | MaxVol=85,0 | DevAdr=42 | ComSpe=2 | IRenab=0 | ADC1=0 | ADC2=1 | ADC3=0 | "
     "ADC4=1 | Preset=5 | MS=1 | Trig=1 | PresetLock=133 | AmpName=Kitchen RX900 no. 23 | "
     "BridgeTemperature=Tbridge = 45,5 \u00B0C | CoilTemperature=Tcoil = 39,0 \u00B0C",
     "190100C64B69746368656E205258393030206E6F2E203233B9 150100D300002A00020172015203060100010001E7"},
    {"rx900, turned over", &rx900::Spec,
     "055B224ED0 164B69746368656E205258393030206E6F2E203233EF 1201000100012A0002060001007201520310 "
     "038588",
     "Intens=1 | IRenab=1 | ADC1=1 | ADC2=0 | ADC3=1 | ADC4=0 | MS=0 | Trig=0",
     "190100C64B69746368656E205258393030206E6F2E203233B9 150100D301012A00020072015203060001000100E7"},
    {"kma840", &kma840::Spec,
     "164B6F7276616E6573204B4D41203834302068616C69 0843442031202020 0854554E455232C8 0850484F4E4F33BF "
     "084155582020346A 084456442020355B 0854562020203648 0853415420203767 "
     "1E2300003C00011900010500000F000130000007000100010001000100E8 0C03000C0001089501840341",
     "Input 1 name=CD 1 | Input 2 name=TUNER2 | Input 3 name=PHONO3 | Input 4 name=AUX  4 | "
     "Input 5 name=DVD  5 | Input 6 name=TV   6 | Input 7 name=SAT  7 | RelVol 1=-3,5 | RelVol 2=6,0 | "
     "RelVol 3=2,5 | RelVol 4=-0,5 | RelVol 5=1,5 | RelVol 6=-4,8 | RelVol 7=0,7 | Sensitivity 1=0 | "
     "Sensitivity 2=1 | Sensitivity 3=0 | Sensitivity 4=1 | Sensitivity 5=0 | Sensitivity 6=1 | "
     "Sensitivity 7=0 | Intens=3 | Balanc=8 | DefVol=40,5 | MaxVol=90,0 | DevAdr=12 | ComSpe=1 | IRenab=1 | "
     "AmpName=Korvanes KMA 840 hal",
     "0C0100300043442031202055 0C0100300154554E455232FE 0C0100300250484F4E4F33F6 "
     "0C01003003415558202034A2 0C0100300444564420203594 0C0100300554562020203682 "
     "0C01003006534154202037A2 190100C64B6F7276616E6573204B4D41203834302068616C33 "
     "1A0100CB2300003C00011900010500000F0001300000070001AD "
     "160100CD03000C00010895018403000100010001001C"},
    {"kma840, turned over", &kma840::Spec,
     "164B6F7276616E6573204B4D41203834302068616C69 0843442031202020 0854554E455232C8 0850484F4E4F33BF "
     "084155582020346A 084456442020355B 0854562020203648 0853415420203767 "
     "1E2300003C00011900010500000F000130000007000101000100010001E9 0C03020C0001089501840343",
     "Sensitivity 1=1 | Sensitivity 2=0 | Sensitivity 3=1 | Sensitivity 4=0 | Sensitivity 5=1 | "
     "Sensitivity 6=0 | Sensitivity 7=1 | IRenab=0",
     "0C0100300043442031202055 0C0100300154554E455232FE 0C0100300250484F4E4F33F6 "
     "0C01003003415558202034A2 0C0100300444564420203594 0C0100300554562020203682 "
     "0C01003006534154202037A2 190100C64B6F7276616E6573204B4D41203834302068616C33 "
     "1A0100CB2300003C00011900010500000F0001300000070001AD "
     "160100CD03010C00010895018403010001000100011E"},
    {"solstice", &solstice::Spec,
     "16534F4C5354494345206D6B2E4949492068616C6C3E 108102000300010501023395018403EF",
     "Intens=2 | DefVol=40,5 | MaxVol=90,0 | DevAdr=3 | ComSpe=1 | IRBlack=0 | IRSilver=1 | IRenab=1 | "
     "Preset=4 | MS=1 | PresetLock=129 | AmpName=SOLSTICE mk.III hall",
     "190100C6534F4C5354494345206D6B2E4949492068616C6C08 07010088020092 "
     "1A0100CF02020003000101950184030500000000000000000015"},
    {"solstice, turned over", &solstice::Spec,
     "16534F4C5354494345206D6B2E4949492068616C6C3E 108101020300010501023395018403F0",
     "IRBlack=1 | IRSilver=0 | IRenab=0",
     "190100C6534F4C5354494345206D6B2E4949492068616C6C08 07010088010192 "
     "1A0100CF02010103000101950184030500000000000000000015"},
};

QList<QByteArray> bytesOf(const char* hex)
{
    QList<QByteArray> list;
    for (const QByteArray& part : QByteArray(hex).split(' '))
        list << QByteArray::fromHex(part);
    return list;
}

// The model's first fixture: the one the other tests edit.
const Fixture& fixture(const QString& model)
{
    return *std::find_if(std::begin(Fixtures), std::end(Fixtures),
                         [&](const Fixture& f) { return model == QLatin1String(f.model); });
}

int fieldNamed(const ModelSpec& description, const QString& name)
{
    for (qsizetype i = 0; i < qsizetype(description.fields.size()); ++i) {
        if (name == QLatin1String(description.fields[i].name))
            return int(i);
    }
    qFatal("no field %s", qPrintable(name));
}

// Every control as "name=shown": a box's or label's text, a list's index, a check's state.
QString shownOf(const ModelSpec& description, const Controls& c, qsizetype i)
{
    const Kind kind = description.fields[i].kind;
    const bool indexed = kind == Kind::List || kind == Kind::Check || kind == Kind::PresetLock;
    return indexed ? QString::number(c[i].index) : c[i].text;
}
QString render(const ModelSpec& description, const Controls& c)
{
    QStringList parts;
    for (qsizetype i = 0; i < c.size(); ++i)
        parts << QLatin1String(description.fields[i].name) + u'=' + shownOf(description, c, i);
    return parts.join(QStringLiteral(" | "));
}

// A write packet as it goes out to address 1, in hex.
QString framed(int command, const std::optional<QByteArray>& data)
{
    if (!data)
        return QStringLiteral("not sent");
    QList<int> bytes;
    for (const char c : *data)
        bytes << static_cast<unsigned char>(c);
    const CommandRecord& entry = commandAt(command);
    return QString::fromLatin1(framing::framePacket(entry.length, {1, 0}, entry.code, bytes)
                                   .value_or("not framed")
                                   .toHex()
                                   .toUpper());
}

// Read, shown, and sent again untouched by Update.
std::pair<QString, QString> readAndWrite(const ModelSpec& description, const QList<QByteArray>& replies)
{
    Values values = decode(description, replies);
    Controls c = controlsFor(description, values);
    const QString shown = render(description, c);
    const auto data = encode(description, c, values);
    QStringList sent;
    for (qsizetype i = 0; i < data.size(); ++i)
        sent << framed(description.packets[i].command, data[i]);
    return {shown, sent.join(u' ')};
}

// The first fixture's controls with those `changes` names ("a=1 | b=2") in their place.
QString overlay(const QString& base, const QString& changes)
{
    QStringList parts = base.split(QStringLiteral(" | "));
    for (const QString& change : changes.split(QStringLiteral(" | "))) {
        for (QString& part : parts) {
            if (part.section(u'=', 0, 0) == change.section(u'=', 0, 0))
                part = change;
        }
    }
    return parts.join(QStringLiteral(" | "));
}

QString expectedShown(const Fixture& f)
{
    const Fixture& first = fixture(QString::fromLatin1(f.model).section(u',', 0, 0));
    return &first == &f ? QString::fromUtf8(f.shown)
                        : overlay(QString::fromUtf8(first.shown), QString::fromUtf8(f.shown));
}

// The first fixture after "Field=entry" edits: a list's index or a check's state, else a box's text.
Controls edited(const Fixture& m, Values& values, const QStringList& edits)
{
    values = decode(*m.description, bytesOf(m.replies));
    Controls c = controlsFor(*m.description, values);
    for (const QString& edit : edits) {
        const int field = fieldNamed(*m.description, edit.section(u'=', 0, 0));
        const QString entry = edit.section(u'=', 1);
        const Kind kind = m.description->fields[field].kind;
        if (kind == Kind::List || kind == Kind::Check)
            c[field].index = entry.toInt();
        else
            c[field].text = entry;
    }
    return c;
}

// The bytes a field put on the wire: a name as text, other values as decimal bytes.
QString wire(const ModelSpec& description, const QList<std::optional<QByteArray>>& packets, int field)
{
    const Field& f = description.fields[field];
    if (!packets[f.write.block])
        return QStringLiteral("not sent");
    const int size = std::array{1, 2, f.textLength, 3}[int(f.width)]; // byte, word, text, sign and magnitude
    const QByteArray bytes = packets[f.write.block]->mid(f.write.pos - framing::FirstDataPos, size);
    if (f.width == Width::Text)
        return QString::fromLatin1(bytes);
    QStringList numbers;
    for (const char b : bytes)
        numbers << QString::number(static_cast<unsigned char>(b));
    return numbers.join(u' ');
}

// The stored keys whose text differs from the key's default, as "key=text"; keys stored as plain
// values (whose default is only what a missing key reads) left out.
QStringList storedNotDefault(const ModelSpec& description, Controls& c, const Values& values)
{
    QStringList differing;
    for (const auto& [key, text] : storedPairs(description, c, values)) {
        const QString& name = key; // clang 14 cannot capture a structured binding
        const auto f =
            std::find_if(description.fields.begin(), description.fields.end(),
                         [&](const Field& f) { return f.ini.key && name == QLatin1String(f.ini.key); });
        if (f->ini.form != IniForm::Value && text != QLatin1String(f->ini.defaultText))
            differing << key + u'=' + text;
    }
    return differing;
}

} // namespace

Q_DECLARE_METATYPE(const Fixture*)
Q_DECLARE_METATYPE(vx900::Routing)

class TestSetupCodec : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::German)); }

    // Each model's replies decoded, shown, and encoded again by Update without an edit.
    void roundTrip_data()
    {
        QTest::addColumn<const Fixture*>("fixture");
        for (const Fixture& f : Fixtures)
            QTest::newRow(f.model) << &f;
    }
    void roundTrip()
    {
        QFETCH(const Fixture*, fixture);
        const auto [shown, sent] = readAndWrite(*fixture->description, bytesOf(fixture->replies));
        QCOMPARE(shown, expectedShown(*fixture));
        QCOMPARE(sent, QString::fromLatin1(fixture->packets));
    }

    // Any field read from, or written to, the position beside its own changes some model's round
    // trip: the fixtures leave no slipped byte unseen.
    void everySlipIsCaught_data()
    {
        QTest::addColumn<QString>("model");
        for (const char* model : {"vx900", "rx900", "kma840", "solstice"})
            QTest::newRow(model) << model;
    }
    void everySlipIsCaught()
    {
        QFETCH(QString, model);
        const ModelSpec& description = *fixture(model).description;
        QStringList unseen;
        for (qsizetype i = 0; i < qsizetype(description.fields.size()); ++i) {
            for (Place Field::*place : {&Field::read, &Field::write, &Field::copy}) {
                const Field& f = description.fields[i];
                const Place& at = f.*place;
                if (!at.exists())
                    continue;
                for (const int by : {-1, 1}) {
                    // A name is moved only within its packet.
                    if (f.kind == Kind::Text && place != &Field::read &&
                        (at.pos + by < framing::FirstDataPos ||
                         at.pos + by + f.textLength >
                             commandAt(description.packets[at.block].command).length))
                        continue;
                    std::vector<Field> fields(description.fields.begin(), description.fields.end());
                    (fields[i].*place).pos += by;
                    ModelSpec slipped = description;
                    slipped.fields = fields;
                    const bool seen =
                        std::any_of(std::begin(Fixtures), std::end(Fixtures), [&](const Fixture& x) {
                            return x.description == &description &&
                                   readAndWrite(slipped, bytesOf(x.replies)) !=
                                       std::pair{expectedShown(x), QString::fromLatin1(x.packets)};
                        });
                    if (!seen)
                        unseen << QStringLiteral("%1 %2 %3%4")
                                      .arg(QLatin1String(f.name),
                                           place == &Field::read    ? "read"
                                           : place == &Field::write ? "written"
                                                                    : "copied",
                                           by < 0 ? "-" : "+")
                                      .arg(std::abs(by));
                }
            }
        }
        QCOMPARE(unseen.join(QStringLiteral(", ")), QString());
    }

    // Single bytes of a reply that a model coerces, or shows as it came.
    void readsCoerce_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("change"); // reply|position|byte|field|shown
        QTest::newRow("vx900 speed 3 -> 57600") << "vx900"
                                                << "0|9|3|ComSpe|1";
        QTest::newRow("vx900 preset 0 -> Preset 1") << "vx900"
                                                    << "0|10|0|Preset|0";
        QTest::newRow("vx900 preset 9 -> Preset 1") << "vx900"
                                                    << "0|10|9|Preset|0";
        QTest::newRow("vx900 bypass stays") << "vx900"
                                            << "0|10|8|Preset|7";
        QTest::newRow("vx900 master/slave 2 -> Slave") << "vx900"
                                                       << "0|11|2|MS|0";
        QTest::newRow("vx900 display 4 -> Timeout") << "vx900"
                                                    << "0|12|4|Intens|1";
        QTest::newRow("vx900 trigger 9 -> Off") << "vx900"
                                                << "0|13|9|Trig|0";
        QTest::newRow("vx900 focus 0") << "vx900"
                                       << "1|16|0|FocusSelected|Bypass";
        QTest::newRow("vx900 focus 9") << "vx900"
                                       << "1|16|9|FocusSelected|Global";
        QTest::newRow("vx900 focus 12") << "vx900"
                                        << "1|16|12|FocusSelected|Bypass";
        QTest::newRow("vx900 voicing 0") << "vx900"
                                         << "1|21|0|VoicingSelected|Neutral Voicing";
        QTest::newRow("rx900 speed 3 selects nothing") << "rx900"
                                                       << "2|9|3|ComSpe|-1";
        QTest::newRow("rx900 converter 5 is high") << "rx900"
                                                   << "2|2|5|ADC1|1";
        QTest::newRow("rx900 preset 9 selects nothing") << "rx900"
                                                        << "2|10|9|Preset|-1";
        QTest::newRow("kma840 speed 2 shows 115200") << "kma840"
                                                     << "9|6|2|ComSpe|2";
        QTest::newRow("kma840 sensitivity 2 selects nothing") << "kma840"
                                                              << "8|25|2|Sensitivity 3|-1";
        QTest::newRow("solstice remote 4 is both") << "solstice"
                                                   << "1|3|4|IRBlack|1";
        QTest::newRow("solstice speed 2 selects nothing") << "solstice"
                                                          << "1|7|2|ComSpe|-1";
        QTest::newRow("solstice speed 3 -> 9600") << "solstice"
                                                  << "1|7|3|ComSpe|0";
        QTest::newRow("solstice preset 0 selects nothing") << "solstice"
                                                           << "1|8|0|Preset|-1";
        QTest::newRow("solstice preset 9 -> 1") << "solstice"
                                                << "1|8|9|Preset|0";
        QTest::newRow("solstice master/slave 2 -> 0") << "solstice"
                                                      << "1|9|2|MS|0";
        QTest::newRow("solstice display 5 -> 0") << "solstice"
                                                 << "1|10|5|Intens|0";
    }
    void readsCoerce()
    {
        QFETCH(QString, model);
        QFETCH(QString, change);
        const QStringList c = change.split(u'|');
        const Fixture& m = fixture(model);
        QList<QByteArray> replies = bytesOf(m.replies);
        replies[c[0].toInt()][c[1].toInt() - 1] = static_cast<char>(c[2].toInt());
        const Controls shown = controlsFor(*m.description, decode(*m.description, replies));
        QCOMPARE(shownOf(*m.description, shown, fieldNamed(*m.description, c[3])), c[4]);
    }

    // What an entry puts on the wire, and what its control shows afterwards. Numbers far outside
    // 16 bits are clamped, replaced or kept, never wrapped into range; a list without a valid entry
    // sends the stored value and shows it again.
    void entriesAreValidated_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("change"); // field=entry|bytes sent|shown afterwards (as typed if left out)
        QTest::newRow("vx900 line out 12 is an attenuation") << "vx900"
                                                             << "LineOutLevel=12|120 0|-12";
        QTest::newRow("vx900 line out -50 clamps") << "vx900"
                                                   << "LineOutLevel=-50|144 1";
        QTest::newRow("vx900 line out letters") << "vx900"
                                                << "LineOutLevel=x|0 0";
        QTest::newRow("vx900 crossover 20 clamps") << "vx900"
                                                   << "CrossOverFreq=20|40 0";
        QTest::newRow("vx900 crossover empty") << "vx900"
                                               << "CrossOverFreq=|200 0";
        QTest::newRow("vx900 crossover 65576 does not wrap") << "vx900"
                                                             << "CrossOverFreq=65576|15 39";
        QTest::newRow("vx900 crossover 1e999") << "vx900"
                                               << "CrossOverFreq=1e999|15 39";
        QTest::newRow("vx900 sensitivity 15 clamps") << "vx900"
                                                     << "Analog 1 sens=15|240 0";
        QTest::newRow("vx900 sensitivity -3.5") << "vx900"
                                                << "Digital 5 sens=-3.5|85 0";
        QTest::newRow("vx900 sensitivity letters") << "vx900"
                                                   << "Analog 4 sens=dB|120 0";
        QTest::newRow("vx900 sensitivity -70000") << "vx900"
                                                  << "Analog 2 sens=-70000|0 0";
        QTest::newRow("vx900 max volume 150") << "vx900"
                                              << "MaxVol=150|231 3";
        QTest::newRow("vx900 max volume letters") << "vx900"
                                                  << "MaxVol=abc|231 3";
        QTest::newRow("vx900 start-up volume 150") << "vx900"
                                                   << "DefVol=150|0 0";
        QTest::newRow("vx900 start-up volume 12,5") << "vx900"
                                                    << "DefVol=12,5|125 0";
        QTest::newRow("vx900 address 255") << "vx900"
                                           << "DevAdr=255|255 0";
        QTest::newRow("vx900 address 256") << "vx900"
                                           << "DevAdr=256|1 0";
        QTest::newRow("vx900 address 65791 does not wrap to 255") << "vx900"
                                                                  << "DevAdr=65791|1 0";
        QTest::newRow("vx900 address 2.5 rounds to even") << "vx900"
                                                          << "DevAdr=2.5|2 0";
        QTest::newRow("vx900 address 3.5 rounds to even") << "vx900"
                                                          << "DevAdr=3.5|4 0";
        QTest::newRow("vx900 address letters") << "vx900"
                                               << "DevAdr=abc|1 0";
        QTest::newRow("vx900 delay 1000") << "vx900"
                                          << "DelayMainR=1000|231 3";
        QTest::newRow("vx900 delay 65537 does not wrap") << "vx900"
                                                         << "DelayLineL=65537|231 3";
        QTest::newRow("vx900 delay -5") << "vx900"
                                        << "DelayLineR=-5|0 0";
        QTest::newRow("vx900 speed chosen") << "vx900"
                                            << "ComSpe=1|1";
        QTest::newRow("vx900 no speed") << "vx900"
                                        << "ComSpe=-1|2|2";
        QTest::newRow("vx900 no preset") << "vx900"
                                         << "Preset=-1|4|3";
        QTest::newRow("vx900 bypass") << "vx900"
                                      << "Preset=7|8";
        QTest::newRow("vx900 display beyond its list") << "vx900"
                                                       << "Intens=2|0|0";
        QTest::newRow("vx900 no filter") << "vx900"
                                         << "FilterType=-1|5|5";
        QTest::newRow("vx900 no label") << "vx900"
                                        << "Digital_5_Label_no=-1|38|38";
        QTest::newRow("rx900 start-up volume 120 keeps 37.0") << "rx900"
                                                              << "DefVol=120|114 1";
        QTest::newRow("rx900 start-up volume 12,5") << "rx900"
                                                    << "DefVol=12,5|125 0";
        QTest::newRow("rx900 maximum volume letters keep") << "rx900"
                                                           << "MaxVol=laut|82 3";
        QTest::newRow("rx900 address 255") << "rx900"
                                           << "DevAdr=255|255 0";
        QTest::newRow("rx900 address 256 keeps 42") << "rx900"
                                                    << "DevAdr=256|42 0";
        QTest::newRow("rx900 name of 20") << "rx900"
                                          << "AmpName=12345678901234567890|12345678901234567890";
        QTest::newRow("rx900 name of 21") << "rx900"
                                          << "AmpName=123456789012345678901|not sent";
        QTest::newRow("rx900 name beyond Latin-1")
            << "rx900"
            << "AmpName=Caf\u00E9 \u2615\U0001F600|Caf\u00E9 ??             ";
        QTest::newRow("kma840 relative -3,5") << "kma840"
                                              << "RelVol 1=-3,5|35 0 0";
        QTest::newRow("kma840 relative 6.0") << "kma840"
                                             << "RelVol 1=6.0|60 0 1";
        QTest::newRow("kma840 relative 6,1") << "kma840"
                                             << "RelVol 1=6,1|0 0 1";
        QTest::newRow("kma840 relative -6,1") << "kma840"
                                              << "RelVol 1=-6,1|0 0 1";
        QTest::newRow("kma840 relative letters") << "kma840"
                                                 << "RelVol 1=dB|0 0 0";
        QTest::newRow("kma840 start-up volume 100,0 keeps") << "kma840"
                                                            << "DefVol=100,0|149 1";
        QTest::newRow("kma840 address 255") << "kma840"
                                            << "DevAdr=255|255 0";
        QTest::newRow("kma840 address 256 keeps 12") << "kma840"
                                                     << "DevAdr=256|12 0";
        QTest::newRow("kma840 address 300 keeps 12") << "kma840"
                                                     << "DevAdr=300|12 0";
        QTest::newRow("kma840 115200 keeps the speed") << "kma840"
                                                       << "ComSpe=2|1|1";
        QTest::newRow("kma840 IR unticked sends 1") << "kma840"
                                                    << "IRenab=0|1";
        QTest::newRow("kma840 input name of 2") << "kma840"
                                                << "Input 1 name=CD|CD    ";
        QTest::newRow("kma840 input name of 7 is cut") << "kma840"
                                                       << "Input 1 name=TUNERXY|TUNERX";
        QTest::newRow("kma840 name of 3") << "kma840"
                                          << "AmpName=Hal|Hal                 ";
        QTest::newRow("solstice silver and black") << "solstice"
                                                   << "IRBlack=1|3";
        QTest::newRow("solstice silver only") << "solstice"
                                              << "IRBlack=0|2";
        QTest::newRow("solstice IR ticked sends 0") << "solstice"
                                                    << "IRenab=1|0";
        QTest::newRow("solstice bypass") << "solstice"
                                         << "Preset=7|8";
        QTest::newRow("solstice address 255") << "solstice"
                                              << "DevAdr=255|255 0";
        QTest::newRow("solstice address 256 keeps 3") << "solstice"
                                                      << "DevAdr=256|3 0";
    }
    void entriesAreValidated()
    {
        QFETCH(QString, model);
        QFETCH(QString, change);
        const Fixture& m = fixture(model);
        const QString edit = change.section(u'|', 0, 0);
        const int field = fieldNamed(*m.description, edit.section(u'=', 0, 0));
        Values values;
        Controls c = edited(m, values, {edit});
        const auto packets = encode(*m.description, c, values);
        QCOMPARE(wire(*m.description, packets, field), change.section(u'|', 1, 1));
        const QString shown = change.section(u'|', 2);
        QCOMPARE(shownOf(*m.description, c, field), shown.isEmpty() ? edit.section(u'=', 1) : shown);
    }

    // "Save to PC" stores every read value in order and in its form (the values never stored
    // apart); the factory values differ from the defaults of "Get from PC" only where the models say
    // so.
    void readsAreStoredInOrder_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QStringList>("edits");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("unstored");
        QTest::addColumn<QStringList>("factoryNotDefault");
        // A positive line-out level is stored (and shown) as an attenuation.
        QTest::newRow("vx900")
            << "vx900" << QStringList{"LineOutLevel=6,5", "DefVol=40,45", "CrossOverFreq=1e2"}
            << "Def Volume=40,5|Max Volume=90,0|Analog 1 sens=1,5|Analog 2 sens=-3,5|Analog 3 sens=1,0|"
               "Analog 4 sens=12,0|Digital 1 sens=-11,9|Digital 2 sens=-2,0|Digital 3 sens=2,0|"
               "Digital 4 sens=-1,0|Digital 5 sens=3,0|Lineout level=-6,5|Crossover freq=1e2|DelayMainL=266|"
               "DelayMainR=532|DelayLineL=798|DelayLineR=999|IR enabled=0|MasterSlave=1|Trigger=1|Device "
               "Adr=5|"
               "Com "
               "Speed=2|DisplayTimeout=0|VolDispTimeout=1|DisplayBrightness=3|RoutingMainL=2|RoutingMainR=3|"
               "RoutingLineL=4|RoutingLineR=5|LineOutControl=1|FilterType=5|Analog_1_Label_no=1|"
               "Analog_2_Label_no=25|Analog_3_Label_no=6|Analog_4_Label_no=33|Digital_1_Label_no=13|"
               "Digital_2_Label_no=14|Digital_3_Label_no=18|Digital_4_Label_no=36|Digital_5_Label_no=38|"
               "Preset=4|Preset Lock=129"
            << "Korvanes VX 900|1|1|1|Focus 3|75,0|5|1|Voicing 2|7" << QStringList{"Com Speed=1", "Preset=1"};
        QTest::newRow("rx900") << "rx900" << QStringList()
                               << "Display=0|Def Volume=37,0|Max Volume=85,0|Device Adr=42|Com Speed=2|"
                                  "IR enabled=0|ADC1=0|ADC2=1|ADC3=0|ADC4=1|Preset=6|MasterSlave=1|Trigger=1|"
                                  "Preset Lock=133"
                               << "Kitchen RX900 no. 23|Tbridge = 45,5 \u00B0C|Tcoil = 39,0 \u00B0C"
                               << QStringList{"Def Volume=45,0", "Preset=1"};
        QTest::newRow("kma840")
            << "kma840" << QStringList()
            << "Input 1 name=CD 1|Input 2 name=TUNER2|Input 3 name=PHONO3|Input 4 name=AUX  4|"
               "Input 5 name=DVD  5|Input 6 name=TV   6|Input 7 name=SAT  7|RelVol 1=-3,5|RelVol 2=6,0|"
               "RelVol 3=2,5|RelVol 4=-0,5|RelVol 5=1,5|RelVol 6=-4,8|RelVol 7=0,7|Sensitivity 1=0|"
               "Sensitivity 2=1|Sensitivity 3=0|Sensitivity 4=1|Sensitivity 5=0|Sensitivity 6=1|"
               "Sensitivity 7=0|Display=3|Balance=8|Def Volume=40,5|Max Volume=90,0|Device Adr=12|"
               "Com Speed=1|IR enabled=1"
            << "Korvanes KMA 840 hal"
            << QStringList{"Input 1 name=USER 1", "Input 2 name=USER 2", "Input 3 name=USER 3",
                           "Input 4 name=USER 4", "Input 5 name=USER 5", "Input 6 name=USER 6",
                           "Input 7 name=USER 7", "Def Volume=45,0"};
        QTest::newRow("solstice")
            << "solstice" << QStringList()
            << "Display=2|Def Volume=40,5|Max Volume=90,0|Device Adr=3|Com Speed=1|"
               "IR Black=0|IR Silver=1|IR enabled=1|Preset=5|MasterSlave=1|Preset Lock=129"
            << "SOLSTICE mk.III hall" << QStringList{"Display=1", "Def Volume=45,0", "Preset=1"};
    }
    void readsAreStoredInOrder()
    {
        QFETCH(QString, model);
        QFETCH(QStringList, edits);
        QFETCH(QString, stored);
        QFETCH(QString, unstored);
        QFETCH(QStringList, factoryNotDefault);
        const ModelSpec& description = *fixture(model).description;
        Values values;
        Controls c = edited(fixture(model), values, edits);
        QStringList lines;
        for (const auto& [key, text] : storedPairs(description, c, values))
            lines << key + u'=' + text;
        QCOMPARE(lines.join(u'|'), stored);
        QStringList others;
        for (qsizetype i = 0; i < c.size(); ++i) {
            if (description.fields[i].ini.form == IniForm::None)
                others << c[i].text;
        }
        QCOMPARE(others.join(u'|'), unstored);

        fillFactory(description, c);
        QCOMPARE(storedNotDefault(description, c, values), factoryNotDefault);
    }

    // Two ticks of the VX 900's routing timer after the lists changed; the second changes nothing
    // more.
    void routingPairsStayInOneGroup_data()
    {
        using vx900::Routing;
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
        QFETCH(vx900::Routing, previous);
        QFETCH(vx900::Routing, current);
        QFETCH(vx900::Routing, followed);
        vx900::followRouting(current, previous);
        QCOMPARE(current, followed);
        vx900::followRouting(current, previous);
        QCOMPARE(current, followed);
        QCOMPARE(previous, followed);
    }

    // The VX 900's check of a delay box on each tick.
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
        QCOMPARE(vx900::checkedDelay(typed), delay);
        QCOMPARE(typed, shown);
    }

    // "Get from PC" in a point locale: comma texts read as numbers, indexes outside a list select
    // nothing, a missing key takes its default ("Preset" 0: no selection).
    void storedValuesLoadBack()
    {
        using namespace vx900;
        const QMap<QString, QString> stored{{"Def Volume", "55,0"},      {"MasterSlave", "5"},
                                            {"Com Speed", "abc"},        {"Crossover freq", "12a"},
                                            {"Analog_1_Label_no", "38"}, {"IR enabled", "0"}};
        QStringList defaulted;
        Controls c = controlsFor(Spec, decode(Spec, bytesOf(fixture("vx900").replies)));
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
        using namespace vx900;
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
        using namespace vx900;
        QTemporaryDir dir;
        const QString ini = dir.filePath("setup.ini");
        Controls c = controlsFor(Spec, decode(Spec, bytesOf(fixture("vx900").replies)));
        c[AmpName].text = "Kitchen]\r\n[Tevlin";
        c[CrossOverFreq].text = "200\r\n[Tevlin]\r\nDebug=86";
        c[DevAdr].text = QString::fromLatin1("1\nUpdateSpeed=1\0x", 17);
        QVERIFY(!savedBefore(c[AmpName].text, ini));
        QVERIFY(saveToPc(Spec, c, decode(Spec, bytesOf(fixture("vx900").replies)), ini,
                         QDateTime(QDate(2006, 12, 20), QTime(9, 5))));
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
    using namespace vx900;
    Controls c = controlsFor(Spec, decode(Spec, bytesOf(fixture("vx900").replies)));
    for (int generation = 1;; ++generation) {
        // The first key, one in the middle and one near the end change with each save.
        c[CrossOverFreq].text = QString::number(40 + generation % 200);
        c[DefVol].text = QString::number(generation % 200 / 2);
        c[DigitalLabel5].index = generation % 10;
        if (!saveToPc(Spec, c, decode(Spec, bytesOf(fixture("vx900").replies)), ini))
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
