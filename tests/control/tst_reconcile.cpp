#include "control/operatingactions.h"
#include "control/reconcile.h"
#include "protocol/commandtable.h"

#include <QTest>
#include <functional>

using namespace control;

namespace {

// The amplifier as the tests find it: on, volume 45.5, start-up 45.0, maximum 99.9, input D2,
// preset 2, slave, IR off, balance centred, unmuted. `change` alters it.
StatusReply ampReply(int model, const std::function<void(StatusReply&)>& change = {})
{
    StatusReply reply;
    reply.identified = model != ModelCode::Unknown;
    reply.modelCode = model;
    reply.power = 1;
    reply.volume = 455;
    reply.defVolume = 450;
    reply.maxVolume = 999;
    reply.input = model == ModelCode::Kma840 ? 2 : 6;
    reply.preset = 2;
    reply.ir = 1;
    reply.balance = BalanceCentre;
    if (change)
        change(reply);
    return reply;
}

using UserAction = std::function<void(OperatingState&, int model)>;
using Corrections = QList<Correction>;

} // namespace

Q_DECLARE_METATYPE(UserAction)
Q_DECLARE_METATYPE(control::StatusReply)
Q_DECLARE_METATYPE(QList<control::Correction>)

class TestReconcile : public QObject
{
    Q_OBJECT
private slots:
    // The amplifier already polled once (its state taken over), the user acts, the next reply
    // comes: what that poll sends and the volume it leaves. The poll after it sends nothing more.
    void pollAfterAUserAction_data()
    {
        QTest::addColumn<int>("model"); // the model polled first
        QTest::addColumn<UserAction>("action");
        QTest::addColumn<StatusReply>("reply");
        QTest::addColumn<Corrections>("sent");
        QTest::addColumn<int>("volume");
        const int vx = ModelCode::Vx900;
        const int kma = ModelCode::Kma840;
        const int sol = ModelCode::Solstice;
        const UserAction none = [](OperatingState&, int) {};
        const auto wantMute = [](bool muted) {
            return UserAction([muted](OperatingState& s, int) {
                s.muteState = muted;
                s.muteChanged = true;
            });
        };
        const auto muteReply = [](int mute) {
            return ampReply(ModelCode::Solstice, [mute](auto& r) { r.mute = mute; });
        };
        const auto standby = [](auto& r) {
            r.power = 0;
            r.volume = 300;
        };

        QTest::newRow("balance, VX900 has none")
            << vx << UserAction([](auto& s, int) { stepLevel(s, BalanceLevel, 1); }) << ampReply(vx)
            << Corrections{} << 455;
        QTest::newRow("everything, KMA840, in table order")
            << kma << UserAction([](auto& s, int m) {
                   selectInput(s, 3, true, m);
                   stepLevel(s, BalanceLevel, -1);
                   pressMute(s, true);
                   slideLevel(s, MaxVolumeLevel, 800);
                   slideLevel(s, DefVolumeLevel, 300);
                   slideLevel(s, VolumeLevel, 256);
                   s.powerChanged = true;
                   s.powerState = 2;
               })
            << ampReply(kma)
            << Corrections{{Command::SetPowerState, {2, 0, 0}},
                           {Command::SwitchToStandby},
                           {Command::SetVolume, {0x2C, 0x01, 0}},
                           {Command::SetDefaultVolume, {0x2C, 0x01, 0}},
                           {Command::SetMaxVolume, {0x20, 0x03, 0}},
                           {Command::SetMute, {1, 0, 0}},
                           {Command::MuteOn},
                           {Command::SetBalance, {5, 0, 0}},
                           {Command::SetInput, {3, 0, 0}}}
            << 300;
        QTest::newRow("unmarked values follow the amplifier") << vx << UserAction([](auto& s, int) {
            s.volume = 100;
            s.muteState = true;
        }) << ampReply(vx) << Corrections{} << 455;
        // Muted is only 1; a mute request disagrees only with a clear opposite answer.
        QTest::newRow("want muted, amp 0")
            << sol << wantMute(true) << muteReply(0) << Corrections{{Command::SetMute, {1, 0, 0}}} << 455;
        QTest::newRow("want muted, amp 2") << sol << wantMute(true) << muteReply(2) << Corrections{} << 455;
        QTest::newRow("want unmuted, amp 1")
            << sol << wantMute(false) << muteReply(1) << Corrections{{Command::SetMute, {0, 0, 0}}} << 455;
        QTest::newRow("want unmuted, amp 2")
            << sol << wantMute(false) << muteReply(2) << Corrections{} << 455;
        // In standby the wanted volume becomes the start-up volume before the reply is read.
        QTest::newRow("standby shows the amplifier's volume")
            << vx << none << ampReply(vx, standby) << Corrections{} << 300;
        QTest::newRow("standby with a volume change pending")
            << vx << UserAction([](auto& s, int) { slideLevel(s, VolumeLevel, 700); })
            << ampReply(vx, standby) << Corrections{{Command::SetVolume, {0xC2, 0x01, 0}}} << 450;
        QTest::newRow("unidentified unit: common fields only") << vx << UserAction([](auto& s, int m) {
            selectInput(s, 1, true, m);
            stepLevel(s, VolumeLevel, 1);
        }) << ampReply(ModelCode::Unknown) << Corrections{{Command::SetVolume, {0xC8, 0x01, 0}}}
                                                               << 456;
        // The end-to-end tests show these clamped once; here they stay so on the next poll.
        QTest::newRow("corrupt 65535 shows 99.9")
            << vx << none << ampReply(vx, [](auto& r) { r.volume = r.maxVolume = 65535; }) << Corrections{}
            << 999;
        QTest::newRow("above the maximum") << vx << none << ampReply(vx, [](auto& r) {
            r.volume = 450;
            r.maxVolume = 400;
        }) << Corrections{} << 400;
    }
    void pollAfterAUserAction()
    {
        QFETCH(int, model);
        QFETCH(UserAction, action);
        QFETCH(StatusReply, reply);
        QFETCH(Corrections, sent);
        QFETCH(int, volume);
        OperatingState wanted = reconcileStatus(OperatingState(), ampReply(model), true).state;
        action(wanted, model);
        const PollOutcome outcome = reconcileStatus(wanted, reply, false);
        QCOMPARE(outcome.corrections, sent);
        QCOMPARE(outcome.state.volume, volume);
        QVERIFY(outcome.state.maxVolume >= outcome.state.volume);
        QCOMPARE(outcome.state.irState, reply.ir);
        if (reply.identified && reply.modelCode != ModelCode::Kma840)
            QCOMPARE(std::pair(outcome.state.presetNumber, outcome.state.masterSlave), std::pair(2, 0));
        // A correction goes out once: the marks are gone, the next poll takes the amplifier's word.
        const PollOutcome next = reconcileStatus(outcome.state, reply, false);
        QVERIFY(next.corrections.isEmpty());
        QCOMPARE(next.state.volume, sent.isEmpty() ? volume : reconcileStatus({}, reply, true).state.volume);
        QCOMPARE(next.state.muteState, reply.mute == 1);
        QCOMPARE(next.state.inputSelected, reply.identified ? reply.input : wanted.inputSelected);
    }
};

QTEST_APPLESS_MAIN(TestReconcile)
#include "tst_reconcile.moc"
