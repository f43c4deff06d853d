#include "tevlinbench.h"

#include "control/sevensegmentdisplay.h"

#include <QSlider>

using namespace bench;

namespace {

QList<QByteArray> packets(const QStringList& hex)
{
    QList<QByteArray> list;
    for (const QString& h : hex)
        list << QByteArray::fromHex(h.toLatin1());
    return list;
}

} // namespace

class TestTevlinOperation : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    // The first reply after connecting is taken over as it is; nothing the user asked before goes out.
    void firstPollAdoptsTheAmplifier()
    {
        Bench b(AmpModel::Kma840);
        AmpState& amp = b.sim.state();
        amp.volume = 321;
        amp.mute = true;
        amp.input = 6;
        amp.balance = 2;
        amp.defVolume = 250;
        amp.maxVolume = 900;
        b.load();
        QVERIFY(b.connectLink());
        // Pressed before the first reply: taken over by it, not sent.
        b.click("BtnPower");
        QVERIFY(b.pollSends().isEmpty());
        const control::OperatingState& op = b.session.operatingState();
        QCOMPARE(op.volume, 321);
        QVERIFY(op.muteState);
        QCOMPARE(op.powerState, 1);
        QCOMPARE(op.inputSelected, 6);
        QCOMPARE(op.balanceIndex, 2);
        QCOMPARE(op.defVolume, 250);
        QCOMPARE(op.maxVolume, 900);
        QCOMPARE(b.find<QLineEdit>("TextVolume")->text(), "32.1");
        QCOMPARE(b.find<QLineEdit>("TextBalance")->text(), "-2.0");
        QCOMPARE(b.label("LblSource"), "6");
        QCOMPARE(b.caption("BtnPower"), "Stand By");
        QVERIFY(b.find("BtnVolUp")->isEnabled());
        QVERIFY(!b.find("BtnD4")->isEnabled() && b.find("BtnD4")->isHidden());

        // So does the first reply after connecting again: what was asked meanwhile is dropped.
        b.clickAll({"BtnVolUp", "BtnMute", "BtnA1", "BtnConnectCancel"});
        QVERIFY(b.connectLink());
        QVERIFY(b.pollSends().isEmpty());
        QCOMPARE(op.volume, 321);
        QVERIFY(op.muteState);
        QCOMPARE(op.inputSelected, 6);
    }

    // A user's request goes out once, on the next poll, and only where the amplifier disagrees.
    void correctionsOnTheWire_data()
    {
        QTest::addColumn<AmpModel>("model");
        QTest::addColumn<QString>("clicks"); // names of the buttons, in order
        QTest::addColumn<int>("ampVolume");  // -1: the factory's
        QTest::addColumn<int>("ampPower");
        QTest::addColumn<QString>("wire");    // the packets sent, hex
        QTest::addColumn<bool>("duringWait"); // clicked while the poll waits for its reply
        const auto vx = AmpModel::Vx900;
        const auto kma = AmpModel::Kma840;
        const QString up3 = "BtnVolUp BtnVolUp BtnVolUp";
        QTest::newRow("volume up 3 steps") << vx << up3 << -1 << 1 << "070100702902A3" << false;
        QTest::newRow("volume up during the wait") << vx << up3 << -1 << 1 << "070100702902A3" << true;
        QTest::newRow("volume back to the amplifier's")
            << vx << "BtnVolUp BtnVolDown" << -1 << 1 << "" << false;
        QTest::newRow("start-up volume up") << vx << "BtnDefVolUp" << -1 << 1 << "070100852702B6" << false;
        QTest::newRow("maximum volume down")
            << kma << "BtnMaxVolDown" << -1 << 1 << "07010084E60375" << false;
        QTest::newRow("mute") << vx << "BtnMute" << -1 << 1 << "06010074017C" << false;
        QTest::newRow("mute, kma840") << kma << "BtnMute" << -1 << 1 << "06010074017C 050100141A" << false;
        QTest::newRow("standby") << vx << "BtnPower" << 300 << 1 << "06010075007C 070100702602A0" << false;
        QTest::newRow("standby, kma840")
            << kma << "BtnPower" << 300 << 1 << "06010075007C 0501001218 07010070C2013B" << false;
        QTest::newRow("standby at the start-up volume")
            << vx << "BtnPower" << 550 << 1 << "06010075007C" << false;
        QTest::newRow("power on, kma840")
            << kma << "BtnPower" << 300 << 0 << "06010075017D 0501001117" << false;
        QTest::newRow("A4") << vx << "BtnA4" << -1 << 1 << "06010072047D" << false;
        QTest::newRow("D1") << vx << "BtnD1" << -1 << 1 << "060100710179" << false;
        QTest::newRow("D5, rx900") << AmpModel::Rx900 << "BtnD5" << -1 << 1 << "06010071057D" << false;
        QTest::newRow("D5 refused, solstice") << AmpModel::Solstice << "BtnD5" << -1 << 1 << "" << false;
        QTest::newRow("D5 refused, kma840") << kma << "BtnD5" << -1 << 1 << "" << false;
        QTest::newRow("input 3, kma840") << kma << "BtnA3" << -1 << 1 << "06010020032A" << false;
        QTest::newRow("balance, kma840")
            << kma << "BtnBalanceOneUp BtnBalanceOneUp" << -1 << 1 << "0601001E082D" << false;
        QTest::newRow("balance and volume in order, kma840")
            << kma << "BtnBalanceOneDown BtnVolUp" << -1 << 1 << "07010070C3013C 0601001E052A" << false;
    }
    void correctionsOnTheWire()
    {
        QFETCH(AmpModel, model);
        QFETCH(QString, clicks);
        QFETCH(int, ampVolume);
        QFETCH(int, ampPower);
        QFETCH(QString, wire);
        QFETCH(bool, duringWait);
        Bench b(model);
        if (ampVolume >= 0)
            b.sim.state().volume = ampVolume;
        b.sim.state().power = ampPower;
        QVERIFY(b.connectAndAdopt());
        const QStringList buttons = clicks.split(u' ');
        if (duringWait)
            b.onRequest(StatusCode, [&] { b.clickAll(buttons); });
        else
            b.clickAll(buttons);
        QCOMPARE(b.pollSends(), packets(wire.split(u' ', Qt::SkipEmptyParts)));

        // The fence poll took the amplifier's state over: both sides now agree.
        const control::OperatingState& op = b.session.operatingState();
        const AmpState& amp = b.sim.state();
        QCOMPARE(op.powerState, amp.power);
        QCOMPARE(op.volume, amp.volume);
        QCOMPARE(op.muteState, amp.mute);
        QCOMPARE(op.defVolume, amp.defVolume);
        QCOMPARE(op.maxVolume, amp.maxVolume);
        QCOMPARE(op.inputSelected, amp.input);
        if (model == AmpModel::Kma840)
            QCOMPARE(op.balanceIndex, amp.balance);
        // Nothing is sent twice.
        QVERIFY(b.pollSends().isEmpty());
    }

    // A click while a correction waits for its acknowledgement goes out with the next poll.
    void clickDuringAcknowledgementWait()
    {
        Bench b;
        QVERIFY(b.connectAndAdopt());
        b.clickAll(QStringList(3, "BtnVolUp"));
        b.onRequest(0x70, [&b] { b.click("BtnVolUp"); });
        QCOMPARE(b.pollSends(), packets({"070100702902A3", "070100702A02A4"}));
        QCOMPARE(b.sim.state().volume, 554);
    }

    // What the volume boxes and the display show: the amplifier's values beyond what they can show,
    // a slider pulled where the clamps do not let it go (it springs back), a typed volume. Only a
    // value that ends up differing from the amplifier's is sent.
    void volumesShown_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<int>("ampVolume");
        QTest::addColumn<QString>("control"); // moved or typed into; empty: none
        QTest::addColumn<int>("ampMax");
        QTest::addColumn<QString>("input");
        QTest::addColumn<int>("volume");
        QTest::addColumn<QString>("shown"); // TextVolume|TextMaxVolume
        QTest::newRow("reply 1000 shows 99.9") << "C" << 1000 << "" << 999 << "" << 999 << "99.9|99.9";
        QTest::newRow("reply 450 above a maximum of 400")
            << "C" << 450 << "" << 400 << "" << 400 << "40.0|40.0";
        QTest::newRow("volume slid above the maximum")
            << "C" << 400 << "SlideVolume" << 400 << "800" << 400 << "40.0|40.0";
        QTest::newRow("maximum slid below the volume")
            << "C" << 400 << "SlideMaxVolume" << 400 << "300" << 400 << "40.0|40.0";
        QTest::newRow("typed comma, C") << "C" << 300 << "TextVolume" << 999 << "45,5" << 455 << "45.5|99.9";
        QTest::newRow("typed point, de")
            << "de_DE" << 300 << "TextVolume" << 999 << "45.5" << 455 << "45,5|99,9";
        QTest::newRow("typed above the maximum")
            << "C" << 300 << "TextVolume" << 400 << "50" << 400 << "40.0|40.0";
        QTest::newRow("typed not a number")
            << "C" << 300 << "TextVolume" << 999 << "4x5" << 300 << "30.0|99.9";
    }
    void volumesShown()
    {
        QFETCH(QString, locale);
        QFETCH(int, ampVolume);
        QFETCH(QString, control);
        QFETCH(int, ampMax);
        QFETCH(QString, input);
        QFETCH(int, volume);
        QFETCH(QString, shown);
        QLocale::setDefault(QLocale(locale));
        Bench b;
        b.sim.state().volume = ampVolume;
        b.sim.state().maxVolume = ampMax;
        QVERIFY(b.connectAndAdopt());
        if (control.startsWith("Slide")) {
            b.find<QSlider>(control)->setValue(input.toInt());
        } else if (!control.isEmpty()) {
            b.find<QLineEdit>(control)->setText(input);
            b.click("BtnVolSet");
        }
        const control::OperatingState& op = b.session.operatingState();
        QCOMPARE(op.volume, volume);
        QCOMPARE(b.find<control::SevenSegmentDisplay>("VolumeDisplay")->volume(), volume);
        QCOMPARE(b.find<QLineEdit>("TextVolume")->text() + "|" + b.find<QLineEdit>("TextMaxVolume")->text(),
                 shown);
        QCOMPARE(b.find<QSlider>("SlideVolume")->value(), op.volume);
        QCOMPARE(b.find<QSlider>("SlideMaxVolume")->value(), op.maxVolume);
        // A clamp of the amplifier's own value is no request.
        const bool request = !control.isEmpty() && volume != ampVolume;
        QCOMPARE(b.pollSends().isEmpty(), !request);
        QCOMPARE(b.sim.state().volume, request ? volume : ampVolume);
    }

    // Balance typed key by key on a KMA840: the key filter allows one decimal.
    void typedBalance_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<int>("step");
        QTest::addColumn<QString>("shown");
        QTest::newRow("-1.5") << "-1.5" << 3 << "-1.5";
        QTest::newRow("-1,5") << "-1,5" << 3 << "-1.5";
        QTest::newRow("0.7 is no step") << "0.7" << 6 << "0.0";
        QTest::newRow("second decimal swallowed") << "1.55" << 9 << "1.5";
        QTest::newRow("letters swallowed") << "x" << 6 << "0.0";
    }
    void typedBalance()
    {
        QFETCH(QString, keys);
        QFETCH(int, step);
        QFETCH(QString, shown);
        Bench b(AmpModel::Kma840);
        QVERIFY(b.connectAndAdopt());
        auto* box = b.find<QLineEdit>("TextBalance");
        QVERIFY(box->isEnabled());
        box->clear();
        QTest::keyClicks(box, keys);
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(b.session.operatingState().balanceIndex, step);
        QCOMPARE(box->text(), shown);
        b.pollSends();
        QCOMPARE(b.sim.state().balance, step);
    }
};

QTEST_MAIN(TestTevlinOperation)
#include "tst_tevlinoperation.moc"
