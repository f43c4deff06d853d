#include "control/deccontrol.h"
#include "control/operatingactions.h"
#include "control/panellayout.h"
#include "control/showoperations.h"
#include "control/statusreply.h"

#include <QTest>

using namespace control;

namespace {

OperatingState poweredOn()
{
    OperatingState state;
    state.PowerState = PowerOn;
    state.Volume = 455;
    state.DefVolume = 450;
    state.MaxVolume = 999;
    return state;
}

} // namespace

class TestOperatingControls : public QObject
{
    Q_OBJECT
private slots:
    // Typed values as the end-to-end tests do not try them; both separators are tried there.
    void typedVolumes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("tenths"); // -1: not a number
        QTest::newRow("half up to even") << "45.55" << 456;
        QTest::newRow("negative") << "-1" << 0;
        QTest::newRow("huge") << "1e300" << 999;
        QTest::newRow("letters") << "4x" << -1;
        QTest::newRow("empty") << "" << -1;
    }
    void typedVolumes()
    {
        QFETCH(QString, text);
        QFETCH(int, tenths);
        QCOMPARE(typedTenths(text).value_or(-1), tenths);
    }

    void typedBalances_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("step"); // -1: not a number
        QTest::newRow("-3,0") << "-3,0" << 0;
        QTest::newRow("0.7 is no step") << "0.7" << 6;
        QTest::newRow("4 is out of range") << "4" << 6;
        QTest::newRow("letters") << "abc" << -1;
    }
    void typedBalances()
    {
        QFETCH(QString, text);
        QFETCH(int, step);
        QCOMPARE(typedBalanceStep(text).value_or(-1), step);
    }

    // Steps, slider moves and typed values of the four level rows: the value they leave and its mark.
    void levels_data()
    {
        QTest::addColumn<int>("field"); // index into Fields
        QTest::addColumn<int>("start");
        QTest::addColumn<char>("action"); // Step, sLide or Typed
        QTest::addColumn<QString>("argument");
        QTest::addColumn<int>("value");
        QTest::addColumn<bool>("marked");
        QTest::newRow("volume up") << 0 << 455 << 'S' << "1" << 456 << true;
        QTest::newRow("volume down at 0.0") << 0 << 0 << 'S' << "-1" << 0 << true;
        QTest::newRow("volume typed 45,5") << 0 << 300 << 'T' << "45,5" << 455 << true;
        QTest::newRow("volume typed letters") << 0 << 455 << 'T' << "loud" << 455 << false;
        QTest::newRow("start-up volume down") << 1 << 450 << 'S' << "-1" << 449 << true;
        QTest::newRow("start-up volume slid beyond") << 1 << 450 << 'L' << "1000" << 999 << true;
        QTest::newRow("maximum up at 99.9") << 2 << 999 << 'S' << "1" << 999 << true;
        QTest::newRow("maximum slid below the volume") << 2 << 999 << 'L' << "200" << 455 << true;
        QTest::newRow("maximum typed empty") << 2 << 999 << 'T' << "" << 999 << false;
        QTest::newRow("balance up") << 3 << 6 << 'S' << "1" << 7 << true;
        QTest::newRow("balance down") << 3 << 6 << 'S' << "-1" << 5 << true;
        QTest::newRow("balance up at 12") << 3 << 12 << 'S' << "1" << 12 << true;
        QTest::newRow("balance down at 0") << 3 << 0 << 'S' << "-1" << 0 << true;
        QTest::newRow("balance down from a reply's 200") << 3 << 200 << 'S' << "-1" << 199 << true;
        QTest::newRow("balance slid beyond") << 3 << 6 << 'L' << "13" << 12 << true;
        QTest::newRow("balance typed -1.5") << 3 << 6 << 'T' << "-1.5" << 3 << true;
        QTest::newRow("balance typed letters") << 3 << 6 << 'T' << "left" << 6 << false;
    }
    void levels()
    {
        QFETCH(int, field);
        QFETCH(int, start);
        QFETCH(char, action);
        QFETCH(QString, argument);
        QFETCH(int, value);
        QFETCH(bool, marked);
        static const LevelField* const Fields[] = {&VolumeLevel, &DefVolumeLevel, &MaxVolumeLevel,
                                                   &BalanceLevel};
        const LevelField& f = *Fields[field];
        OperatingState s = poweredOn();
        s.*f.value = start;
        if (action == 'S')
            stepLevel(s, f, argument.toInt());
        else if (action == 'L')
            slideLevel(s, f, argument.toInt());
        else
            typeLevel(s, f, argument);
        QCOMPARE(s.*f.value, value);
        QCOMPARE(s.*f.changed, marked);
        for (const LevelField* other : Fields)
            QVERIFY(other == &f || !(s.*other->changed));
    }

    void showComparesWithTheShownCopy()
    {
        OperatingState s = poweredOn();
        QVERIFY(showVolume(s));
        QVERIFY(!showVolume(s));
        s.Volume = 1000;
        QVERIFY(showVolume(s));
        QCOMPARE(s.Volume, 999);
        s.Volume = 1000; // clamps to what is already shown
        QVERIFY(!showVolume(s));
        QCOMPARE(s.Volume, 999);
        pressMute(s, true); // muting forces the redraw
        QVERIFY(showVolume(s));
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

    // Mute is marked in any case, but only mutes an amplifier that is on and connected.
    void muteNeedsPowerAndTheLink()
    {
        const std::tuple<int, bool, bool> cases[]{{1, true, true}, {0, true, false}, {1, false, false}};
        for (const auto& [power, connected, muted] : cases) {
            OperatingState s = poweredOn();
            s.PowerState = power;
            pressMute(s, connected);
            QVERIFY(s.MuteChanged);
            QCOMPARE(s.MuteState, muted);
        }
    }

    void powerButtonTakesTheStartupVolume()
    {
        OperatingState s = poweredOn();
        pressPower(s, true);
        QCOMPARE(s.PowerState, 0);
        QCOMPARE(s.Volume, 450);
        QVERIFY(s.PowerChanged && s.VolumeChanged);
        s.clearChangedMarks();
        s.Volume = 100;
        pressPower(s, true);
        QCOMPARE(s.PowerState, PowerOn);
        QCOMPARE(s.Volume, 450);
        QVERIFY(!s.VolumeChanged);
        pressPower(s, false);
        QCOMPARE(s.PowerState, PowerOn);
    }

    void selectInput_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<int>("input");
        QTest::addColumn<int>("power");
        QTest::addColumn<bool>("connected");
        QTest::addColumn<int>("selected");
        QTest::newRow("D4 on Solstice") << 2 << 8 << 1 << true << 8;
        QTest::newRow("D5 on VX 900S") << 7 << 9 << 1 << true << 9;
        QTest::newRow("refused in standby") << 5 << 1 << 0 << true << 4;
        QTest::newRow("refused without link") << 5 << 1 << 1 << false << 4;
        QTest::newRow("out of range") << 5 << 10 << 1 << true << 4;
    }
    void selectInput()
    {
        QFETCH(int, model);
        QFETCH(int, input);
        QFETCH(int, power);
        QFETCH(bool, connected);
        QFETCH(int, selected);
        OperatingState s;
        s.PowerState = power;
        control::selectInput(s, input, connected, model);
        QCOMPARE(s.InputSelected, selected);
        QVERIFY(s.InputChanged);
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
        s.PowerState = power;
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
