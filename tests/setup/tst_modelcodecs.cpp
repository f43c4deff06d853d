#include "codecbench.h"
#include "setup/kma840model.h"
#include "setup/rx900model.h"
#include "setup/setupstore.h"
#include "setup/solsticemodel.h"

#include <QTest>

using namespace setup;
using codecbench::framed;
using codecbench::storedNotDefault;

namespace {

struct Model
{
    const ModelSpec* spec;
    QList<QByteArray> replies; // the read sequence's replies, in order
};

// A name as the amplifier sends it: the length byte, the text, the checksum (not read).
QByteArray named(const QByteArray& text)
{
    return char(text.size() + 2) + text + '\0';
}

// An RX900 at address 7, 115200 baud, 45.5 and 39.0 degrees; converters high, low, high and 5
// (read as high); preset 9 (outside the list), master, display 3 (read as time-out), trigger on,
// start-up 40.5, maximum 90.0; preset 1 and bypass locked.
const Model Rx900{&rx900::Spec,
                  {QByteArray::fromHex("055B004E00"), named("Kitchen RX900       "),
                   QByteArray::fromHex("120100010501070002090103019501840300"),
                   QByteArray::fromHex("038184")}};

// A KMA840 at address 12, 57600 baud: inputs CD, TUNER, PHONO, " AUX", USER 5, TV, DVD with
// relative volumes −3.5, 6.0, 0 (negative sign), 0.5, −30.0, 0, 1.0 (sign 2) and sensitivities
// 6, 0, 6, 0, 2 (no entry), 0, 6 dB; brightness 2, IR enabled (0), balance −1.0 dB, 40.5, 90.0.
const Model Kma840{&kma840::Spec,
                   {named("Korvanes KMA 840    "), named("CD    "), named("TUNER "), named("PHONO "),
                    named(" AUX  "), named("USER 5"), named("TV    "), named("DVD   "),
                    QByteArray::fromHex("1E2300003C00010000000500012C01000000010A00020100010002000100"),
                    QByteArray::fromHex("0C02000C0001049501840300")}};

// A Solstice at address 3 with bypass locked, only the silver remote obeyed, IR disabled (1),
// speed 3 (read as 9600), preset 9 (read as 1), master/slave 2 (slave), display 5 (low), 40.5, 90.0.
const Model Solstice{
    &solstice::Spec,
    {named("SOLSTICE mk.III     "), QByteArray::fromHex("10800201030003090205FF9501840300")}};

int fieldNamed(const ModelSpec& spec, const QString& name)
{
    for (qsizetype i = 0; i < qsizetype(spec.fields.size()); ++i) {
        if (name == QLatin1String(spec.fields[i].name))
            return int(i);
    }
    qFatal("no field %s", qPrintable(name));
}

// "Field=entry": a list's index or a check's state (0, 1), else a box's text.
Controls edited(const Model& m, Values& values, const QStringList& edits)
{
    values = decode(*m.spec, m.replies);
    Controls c = controlsFor(*m.spec, values);
    for (const QString& edit : edits) {
        const int field = fieldNamed(*m.spec, edit.section(u'=', 0, 0));
        const QString entry = edit.section(u'=', 1);
        const Kind kind = m.spec->fields[field].kind;
        if (kind == Kind::List || kind == Kind::Check)
            c[field].index = entry.toInt();
        else
            c[field].text = entry;
    }
    return c;
}

// The bytes a field put on the wire: a name as text, other values as decimal bytes.
QString wire(const ModelSpec& spec, const QList<std::optional<QByteArray>>& packets, int field)
{
    const Field& f = spec.fields[field];
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

} // namespace

Q_DECLARE_METATYPE(const Model*)

class TestModelCodecs : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::German)); }

    // Single bytes of a reply that a model coerces, or shows as it came.
    void readsCoerce_data()
    {
        QTest::addColumn<const Model*>("model");
        QTest::addColumn<QString>("change"); // reply|position|byte|field|index shown
        QTest::newRow("rx900 speed 3 selects nothing") << &Rx900 << "2|9|3|ComSpe|-1";
        QTest::newRow("kma840 speed 2 shows 115200") << &Kma840 << "9|6|2|ComSpe|2";
        QTest::newRow("solstice remote 4 is both") << &Solstice << "1|3|4|IRBlack|1";
        QTest::newRow("solstice speed 2 selects nothing") << &Solstice << "1|7|2|ComSpe|-1";
        QTest::newRow("solstice preset 0 selects nothing") << &Solstice << "1|8|0|Preset|-1";
    }
    void readsCoerce()
    {
        QFETCH(const Model*, model);
        QFETCH(QString, change);
        const QStringList c = change.split(u'|');
        QList<QByteArray> replies = model->replies;
        replies[c[0].toInt()][c[1].toInt() - 1] = static_cast<char>(c[2].toInt());
        const Controls shown = controlsFor(*model->spec, decode(*model->spec, replies));
        QCOMPARE(shown[fieldNamed(*model->spec, c[3])].index, c[4].toInt());
    }

    // Update from a dialog that was read and then edited, every packet as it goes out.
    void writePacketsAreByteExact_data()
    {
        QTest::addColumn<const Model*>("model");
        QTest::addColumn<QStringList>("edits");
        QTest::addColumn<QString>("packets");
        QTest::newRow("rx900") << &Rx900 << QStringList{"AmpName=Hall", "DefVol=42,0", "ADC1=0"}
                               << "190100C648616C6C2020202020202020202020202020202061 "
                                  "150100D3010107000201A40184030901000001012D";
        QTest::newRow("kma840")
            << &Kma840
            << QStringList{"Input 2 name=TUNERXY", "RelVol 3=2,5", "RelVol 7=Pegel", "Balanc=8", "IRenab=0"}
            << "0C0100300043442020202044 0C0100300154554E45525824 0C0100300250484F4E4F20E3 "
               "0C010030034155582020208E 0C01003004555345522035D5 0C010030055456202020206C "
               "0C0100300644564420202081 190100C64B6F7276616E6573204B4D4120383430202020205E "
               "1A0100CB2300003C000119000105000100000100000100000068 "
               "160100CD02010C00010895018403010001000200011E";
        QTest::newRow("solstice") << &Solstice
                                  << QStringList{"IRBlack=1", "Preset=7", "MaxVol=100,0", "DevAdr=256"}
                                  << "190100C6534F4C5354494345206D6B2E4949492020202020E7 07010088030194 "
                                     "1A0100CF00030103000000950184030800000000000000000016";
    }
    void writePacketsAreByteExact()
    {
        QFETCH(const Model*, model);
        QFETCH(QStringList, edits);
        QFETCH(QString, packets);
        Values values;
        Controls c = edited(*model, values, edits);
        const auto data = encode(*model->spec, c, values);
        QStringList sent;
        for (qsizetype i = 0; i < data.size(); ++i)
            sent << framed(model->spec->packets[i].command, data[i]).toHex().toUpper();
        QCOMPARE(sent.join(u' '), packets);
    }

    // What an entry puts on the wire, where the models differ: an invalid entry keeps the stored
    // value, the sign byte of a relative volume, the inverted IR sense, names padded, cut or not sent.
    void entriesAreValidated_data()
    {
        QTest::addColumn<const Model*>("model");
        QTest::addColumn<QString>("change"); // field=entry|bytes sent
        QTest::newRow("rx900 start-up volume 120 keeps 40.5") << &Rx900 << "DefVol=120|149 1";
        QTest::newRow("rx900 start-up volume 12,5") << &Rx900 << "DefVol=12,5|125 0";
        QTest::newRow("rx900 maximum volume letters keep") << &Rx900 << "MaxVol=laut|132 3";
        QTest::newRow("rx900 address 256 keeps 7") << &Rx900 << "DevAdr=256|7 0";
        QTest::newRow("rx900 name of 20") << &Rx900 << "AmpName=12345678901234567890|12345678901234567890";
        QTest::newRow("rx900 name of 21") << &Rx900 << "AmpName=123456789012345678901|not sent";
        QTest::newRow("rx900 name beyond Latin-1")
            << &Rx900 << "AmpName=Caf\u00E9 \u2615\U0001F600|Caf\u00E9 ??             ";
        QTest::newRow("kma840 relative -3,5") << &Kma840 << "RelVol 1=-3,5|35 0 0";
        QTest::newRow("kma840 relative 6.0") << &Kma840 << "RelVol 1=6.0|60 0 1";
        QTest::newRow("kma840 relative 6,1") << &Kma840 << "RelVol 1=6,1|0 0 1";
        QTest::newRow("kma840 relative -6,1") << &Kma840 << "RelVol 1=-6,1|0 0 1";
        QTest::newRow("kma840 relative letters") << &Kma840 << "RelVol 1=dB|0 0 0";
        QTest::newRow("kma840 start-up volume 100,0 keeps") << &Kma840 << "DefVol=100,0|149 1";
        QTest::newRow("kma840 address 300 keeps 12") << &Kma840 << "DevAdr=300|12 0";
        QTest::newRow("kma840 115200 keeps the speed") << &Kma840 << "ComSpe=2|1";
        QTest::newRow("kma840 IR unticked sends 1") << &Kma840 << "IRenab=0|1";
        QTest::newRow("kma840 input name of 2") << &Kma840 << "Input 1 name=CD|CD    ";
        QTest::newRow("kma840 input name of 7 is cut") << &Kma840 << "Input 1 name=TUNERXY|TUNERX";
        QTest::newRow("kma840 name of 3") << &Kma840 << "AmpName=Hal|Hal                 ";
        QTest::newRow("solstice silver and black") << &Solstice << "IRBlack=1|3";
        QTest::newRow("solstice silver only") << &Solstice << "IRBlack=0|2";
        QTest::newRow("solstice IR ticked sends 0") << &Solstice << "IRenab=1|0";
        QTest::newRow("solstice bypass") << &Solstice << "Preset=7|8";
        QTest::newRow("solstice address 256 keeps 3") << &Solstice << "DevAdr=256|3 0";
    }
    void entriesAreValidated()
    {
        QFETCH(const Model*, model);
        QFETCH(QString, change);
        const QString edit = change.section(u'|', 0, 0);
        Values values;
        Controls c = edited(*model, values, {edit});
        const auto packets = encode(*model->spec, c, values);
        QCOMPARE(wire(*model->spec, packets, fieldNamed(*model->spec, edit.section(u'=', 0, 0))),
                 change.section(u'|', 1));
    }

    // Every read decoded at its positions and stored by "Save to PC" in order and in its form (the
    // values never stored apart); the factory values differ from the defaults of "Get from PC" only
    // where the models say so.
    void readsAreStoredInOrder_data()
    {
        QTest::addColumn<const Model*>("model");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("unstored");
        QTest::addColumn<QStringList>("factoryNotDefault");
        QTest::newRow("rx900")
            << &Rx900
            << "Display=1|Def Volume=40,5|Max Volume=90,0|Device Adr=7|Com Speed=2|IR enabled=1|"
               "ADC1=1|ADC2=0|ADC3=1|ADC4=1|Preset=0|MasterSlave=1|Trigger=1|Preset Lock=129"
            << "Kitchen RX900|Tbridge = 45,5 \u00B0C|Tcoil = 39,0 \u00B0C"
            << QStringList{"Def Volume=45,0", "Preset=1"};
        QTest::newRow("kma840")
            << &Kma840
            << "Input 1 name=CD|Input 2 name=TUNER|Input 3 name=PHONO|Input 4 name=AUX|"
               "Input 5 name=USER 5|Input 6 name=TV|Input 7 name=DVD|RelVol 1=-3,5|RelVol 2=6,0|"
               "RelVol 3=0,0|RelVol 4=0,5|RelVol 5=-30,0|RelVol 6=0,0|RelVol 7=1,0|"
               "Sensitivity 1=1|Sensitivity 2=0|Sensitivity 3=1|Sensitivity 4=0|"
               "Sensitivity 5=-1|Sensitivity 6=0|Sensitivity 7=1|Display=2|Balance=4|"
               "Def Volume=40,5|Max Volume=90,0|Device Adr=12|Com Speed=1|IR enabled=1"
            << "Korvanes KMA 840"
            << QStringList{"Input 1 name=USER 1", "Input 2 name=USER 2", "Input 3 name=USER 3",
                           "Input 4 name=USER 4", "Input 5 name=USER 5", "Input 6 name=USER 6",
                           "Input 7 name=USER 7", "Def Volume=45,0"};
        QTest::newRow("solstice")
            << &Solstice
            << "Display=0|Def Volume=40,5|Max Volume=90,0|Device Adr=3|Com Speed=0|IR Black=0|"
               "IR Silver=1|IR enabled=0|Preset=1|MasterSlave=0|Preset Lock=128"
            << "SOLSTICE mk.III" << QStringList{"Display=1", "Def Volume=45,0", "Preset=1"};
    }
    void readsAreStoredInOrder()
    {
        QFETCH(const Model*, model);
        QFETCH(QString, stored);
        QFETCH(QString, unstored);
        QFETCH(QStringList, factoryNotDefault);
        const ModelSpec& spec = *model->spec;
        Values values;
        Controls c = edited(*model, values, {});
        QStringList lines;
        for (const auto& [key, text] : storedPairs(spec, c, values))
            lines << key + u'=' + text;
        QCOMPARE(lines.join(u'|'), stored);
        QStringList others;
        for (qsizetype i = 0; i < c.size(); ++i) {
            if (spec.fields[i].ini.form == IniForm::None)
                others << c[i].text;
        }
        QCOMPARE(others.join(u'|'), unstored);

        fillFactory(spec, c);
        QCOMPARE(storedNotDefault(spec, c, values, false), factoryNotDefault);
    }
};

QTEST_MAIN(TestModelCodecs)
#include "tst_modelcodecs.moc"
