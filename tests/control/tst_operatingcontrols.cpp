#include "common/deccontrol.h"
#include "control/operatingactions.h"
#include "control/panellayout.h"
#include "control/showoperations.h"
#include "control/statusreply.h"

#include <QTest>
#include <functional>

using namespace control;
using namespace common;

namespace {

using Action = std::function<void(OperatingState&)>;

// What an action changed in the state of an amplifier that is on at volume 45.5 (start-up 45.0,
// maximum 99.9, input 4), e.g. "Volume 456*": a star marks a request for the next poll.
QString changes(const Action& action)
{
    OperatingState s;
    s.powerState = PowerOn;
    s.volume = 455;
    s.defVolume = 450;
    const OperatingState before = s;
    action(s);
    QStringList out;
    const auto field = [&](const char* name, int was, int is, bool marked) {
        if (was != is || marked)
            out << QStringLiteral("%1 %2%3").arg(QLatin1String(name)).arg(is).arg(marked ? "*" : "");
    };
    field("Volume", before.volume, s.volume, s.volumeChanged);
    field("DefVolume", before.defVolume, s.defVolume, s.defVolumeChanged);
    field("MaxVolume", before.maxVolume, s.maxVolume, s.maxVolumeChanged);
    field("Balance", before.balanceIndex, s.balanceIndex, s.balanceChanged);
    field("Mute", before.muteState, s.muteState, s.muteChanged);
    field("Power", before.powerState, s.powerState, s.powerChanged);
    field("Input", before.inputSelected, s.inputSelected, s.inputChanged);
    return out.join(QStringLiteral(", "));
}

} // namespace

Q_DECLARE_METATYPE(Action)

class TestOperatingControls : public QObject
{
    Q_OBJECT
private slots:
    // The operating controls: what each press, slider move or typed value changes and marks. The
    // end-to-end tests carry some of each to the amplifier; these are the edges.
    void userActions_data()
    {
        QTest::addColumn<Action>("action");
        QTest::addColumn<QString>("changed");
        const auto step = [](const LevelField& f, int delta, int from) {
            return Action([&f, delta, from](OperatingState& s) {
                s.*f.value = from;
                stepLevel(s, f, delta);
            });
        };
        const auto slide = [](const LevelField& f, int to) {
            return Action([&f, to](auto& s) { slideLevel(s, f, to); });
        };
        const auto type = [](const LevelField& f, const char* text) {
            return Action([&f, text](auto& s) { typeLevel(s, f, QString::fromLatin1(text)); });
        };
        QTest::newRow("volume up") << step(VolumeLevel, 1, 455) << "Volume 456*";
        QTest::newRow("volume down at 0.0") << step(VolumeLevel, -1, 0) << "Volume 0*";
        QTest::newRow("start-up volume down") << step(DefVolumeLevel, -1, 450) << "DefVolume 449*";
        QTest::newRow("maximum up at 99.9") << step(MaxVolumeLevel, 1, 999) << "MaxVolume 999*";
        QTest::newRow("balance up") << step(BalanceLevel, 1, 6) << "Balance 7*";
        QTest::newRow("balance down") << step(BalanceLevel, -1, 6) << "Balance 5*";
        QTest::newRow("balance up at 12") << step(BalanceLevel, 1, 12) << "Balance 12*";
        QTest::newRow("balance down at 0") << step(BalanceLevel, -1, 0) << "Balance 0*";
        QTest::newRow("balance down from a reply's 200") << step(BalanceLevel, -1, 200) << "Balance 199*";
        QTest::newRow("start-up volume slid beyond") << slide(DefVolumeLevel, 1000) << "DefVolume 999*";
        QTest::newRow("maximum slid below the volume") << slide(MaxVolumeLevel, 200) << "MaxVolume 455*";
        QTest::newRow("balance slid beyond") << slide(BalanceLevel, 13) << "Balance 12*";
        QTest::newRow("typed half up to even") << type(VolumeLevel, "45.55") << "Volume 456*";
        QTest::newRow("typed -1") << type(VolumeLevel, "-1") << "Volume 0*";
        QTest::newRow("typed 1e300") << type(DefVolumeLevel, "1e300") << "DefVolume 999*";
        QTest::newRow("typed letters") << type(VolumeLevel, "4x") << "";
        QTest::newRow("typed nothing") << type(MaxVolumeLevel, "") << "";
        QTest::newRow("balance typed -3,0") << type(BalanceLevel, "-3,0") << "Balance 0*";
        QTest::newRow("balance typed 0.7, no step") << type(BalanceLevel, "0.7") << "Balance 6*";
        QTest::newRow("balance typed 4, out of range") << type(BalanceLevel, "4") << "Balance 6*";
        QTest::newRow("balance typed letters") << type(BalanceLevel, "left") << "";
        QTest::newRow("mute") << Action([](auto& s) { pressMute(s, true); }) << "Mute 1*";
        QTest::newRow("mute in standby") << Action([](auto& s) {
            s.powerState = 0;
            pressMute(s, true);
        }) << "Mute 0*, Power 0";
        QTest::newRow("mute offline") << Action([](auto& s) { pressMute(s, false); }) << "Mute 0*";
        QTest::newRow("standby") << Action([](auto& s) { pressPower(s, true); }) << "Volume 450*, Power 0*";
        QTest::newRow("on") << Action([](auto& s) {
            s.powerState = 0;
            pressPower(s, true);
        }) << "Volume 450, Power 1*";
        QTest::newRow("power offline") << Action([](auto& s) { pressPower(s, false); }) << "Power 1*";
        const auto input = [](int n, int model, bool connected) {
            return Action([=](auto& s) { selectInput(s, n, connected, model); });
        };
        QTest::newRow("D4 on a Solstice") << input(8, ModelCode::Solstice, true) << "Input 8*";
        QTest::newRow("D5 on a VX 900S") << input(9, ModelCode::Vx900S, true) << "Input 9*";
        QTest::newRow("D5 on a Solstice") << input(9, ModelCode::Solstice, true) << "Input 4*";
        QTest::newRow("input offline") << input(1, ModelCode::Vx900, false) << "Input 4*";
        QTest::newRow("input 10") << input(10, ModelCode::Vx900, true) << "Input 4*";
        QTest::newRow("input in standby") << Action([](auto& s) {
            s.powerState = 0;
            selectInput(s, 1, true, ModelCode::Vx900);
        }) << "Power 0, Input 4*";
    }
    void userActions()
    {
        QFETCH(Action, action);
        QFETCH(QString, changed);
        QCOMPARE(changes(action), changed);
    }

    void balanceTexts_data()
    {
        QTest::addColumn<int>("step");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << 0 << "-3.0";
        QTest::newRow("above 12 shows the step") << 13 << "13.0";
    }
    void balanceTexts()
    {
        QFETCH(int, step);
        QFETCH(QString, text);
        QCOMPARE(balanceText(step, QLocale::c()), text);
    }

    // Keys typed into a box through the filter (second decimal, letters, typing over a selection,
    // backspace, Return) are in the widget tests; these are the other cases.
    void decControl_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("caret");
        QTest::addColumn<int>("selectionStart");
        QTest::addColumn<int>("selectionLength");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<QChar>("key");
        QTest::addColumn<bool>("passes");
        QTest::newRow("digit before the separator") << "12.3" << 1 << -1 << 0 << 1 << QChar('4') << true;
        QTest::newRow("first decimal") << "12." << 3 << -1 << 0 << 1 << QChar('4') << true;
        QTest::newRow("second separator after point") << "12.3" << 2 << -1 << 0 << 1 << QChar(',') << false;
        QTest::newRow("separator leaving two decimals") << "123" << 1 << -1 << 0 << 1 << QChar('.') << false;
        QTest::newRow("separator leaving one decimal") << "123" << 2 << -1 << 0 << 1 << QChar(',') << true;
        QTest::newRow("minus before the separator") << "12.3" << 0 << -1 << 0 << 1 << QChar('-') << true;
        QTest::newRow("no decimals: point") << "12" << 2 << -1 << 0 << 0 << QChar('.') << false;
        QTest::newRow("no decimals: minus") << "12" << 0 << -1 << 0 << 0 << QChar('-') << true;
        QTest::newRow("no decimals: enter") << "12" << 2 << -1 << 0 << 0 << QChar('\r') << false;
        QTest::newRow("replacing the separator") << "12.3" << 3 << 2 << 1 << 1 << QChar(',') << true;
    }
    void decControl()
    {
        QFETCH(QString, text);
        QFETCH(int, caret);
        QFETCH(int, selectionStart);
        QFETCH(int, selectionLength);
        QFETCH(int, decimals);
        QFETCH(QChar, key);
        QFETCH(bool, passes);
        const int code = key.unicode();
        QCOMPARE(DecControl(code, {text, caret, selectionStart, selectionLength}, decimals),
                 passes ? code : 0);
    }

    void labels()
    {
        QCOMPARE(sourceLabel(4, ModelCode::Vx900), "A4");
        QCOMPARE(sourceLabel(6, ModelCode::Solstice), "D2");
        QCOMPARE(sourceLabel(6, ModelCode::Kma840), "6");
        QCOMPARE(presetLabel(8), "Preset: Bypass");
        QCOMPARE(presetLabel(2), "Preset: 2");
        QCOMPARE(masterSlaveLabel(0), "Slave");
        QCOMPARE(irLabel(3), "IR off");
        QCOMPARE(displayLabel(3), "Disp.: 3");
    }

    void layoutsPerModel_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<int>("power");
        QTest::addColumn<QString>("captions"); // BtnA1..BtnD5 joined by "|"
        QTest::addColumn<QString>("enabled");  // one 0/1 per input button
        QTest::addColumn<bool>("balance");
        QTest::newRow("KMA840") << 1 << 1 << "1|2|3|4|5|6|7||"
                                << "111111100" << true;
        QTest::newRow("Solstice") << 2 << 1 << "A1|A2|A3|A4|D1|D2|D3|D4|"
                                  << "111111111" << false;
        QTest::newRow("VX900") << 5 << 1 << "A1|A2|A3|A4|D1|D2|D3|D4|D5"
                               << "111111111" << false;
        QTest::newRow("RX900 in standby") << 3 << 0 << "A1|A2|A3|A4|D1|D2|D3|D4|D5"
                                          << "000000000" << false;
    }
    void layoutsPerModel()
    {
        QFETCH(int, model);
        QFETCH(int, power);
        QFETCH(QString, captions);
        QFETCH(QString, enabled);
        QFETCH(bool, balance);
        OperatingState s;
        s.powerState = power;
        const auto layout = arrangeForModel(model, s);
        QVERIFY(layout);
        QStringList shownCaptions;
        QString shownEnabled;
        for (int i = 0; i < InputButtonCount; ++i) {
            shownCaptions << layout->inputCaptions[i];
            shownEnabled += layout->inputEnabled[i] ? u'1' : u'0';
        }
        QCOMPARE(shownCaptions.join(u'|'), captions);
        QCOMPARE(shownEnabled, enabled);
        QCOMPARE(layout->balanceVisible, balance);
        QCOMPARE(layout->volumeControlsEnabled, power == 1);
        QCOMPARE(layout->displayLabelShown, model != ModelCode::Kma840);
    }

    void unknownModelsKeepTheirLayout()
    {
        for (int model : {0, 4, 6, 8, 255})
            QVERIFY(!arrangeForModel(model, OperatingState()));
    }
};

QTEST_APPLESS_MAIN(TestOperatingControls)
#include "tst_operatingcontrols.moc"
