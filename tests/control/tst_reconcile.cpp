#include "control/operatingactions.h"
#include "control/reconcile.h"
#include "protocol/commandtable.h"

#include <QTest>
#include <functional>

using namespace control;

Q_DECLARE_METATYPE(QList<control::Correction>)

namespace {

// The amplifier as the tests find it: on, volume 45.5, start-up 45.0, maximum 99.9, input D2,
// balance centred, unmuted.
StatusReply ampReply(int model)
{
    StatusReply reply;
    reply.identified = true;
    reply.modelCode = model;
    reply.power = 1;
    reply.volume = 455;
    reply.defVolume = 450;
    reply.maxVolume = 999;
    reply.input = model == ModelCode::Kma840 ? 2 : 6;
    reply.preset = 1;
    reply.masterSlave = 1;
    reply.balance = BalanceCentre;
    return reply;
}

// The operating state after a first poll of that amplifier.
OperatingState adopted(int model)
{
    return reconcileStatus(OperatingState(), ampReply(model), true).state;
}

using UserAction = std::function<void(OperatingState&, int model)>;

} // namespace

Q_DECLARE_METATYPE(UserAction)

class TestReconcile : public QObject
{
    Q_OBJECT
private slots:
    void firstPollAdoptsTheAmplifiersState()
    {
        OperatingState wanted;
        stepLevel(wanted, VolumeLevel, 100);
        pressMute(wanted, true);
        wanted.PowerChanged = true;
        wanted.InputSelected = 1;
        wanted.InputChanged = true;
        StatusReply reply = ampReply(ModelCode::Vx900);
        reply.mute = 1;
        reply.preset = 8;
        reply.masterSlave = 0;
        reply.ir = 1;

        const PollOutcome outcome = reconcileStatus(wanted, reply, true);
        QVERIFY(outcome.corrections.isEmpty());
        const OperatingState& s = outcome.state;
        QCOMPARE(s.Volume, 455);
        QCOMPARE(s.MuteState, true);
        QCOMPARE(s.PresetNumber, 8);
        QCOMPARE(s.MasterSlave, 0);
        QCOMPARE(s.IrState, 1);
        QVERIFY(!s.VolumeChanged && !s.MuteChanged && !s.PowerChanged && !s.InputChanged);
    }

    void userRequestsBecomeCorrections_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<UserAction>("action");
        QTest::addColumn<QList<Correction>>("expected");

        const int vx = ModelCode::Vx900;
        const int kma = ModelCode::Kma840;
        QTest::newRow("volume the amplifier has")
            << vx << UserAction([](auto& s, int) { typeLevel(s, VolumeLevel, u"45,5"); })
            << QList<Correction>{};
        QTest::newRow("balance, VX900 has none")
            << vx << UserAction([](auto& s, int) { stepLevel(s, BalanceLevel, 1); }) << QList<Correction>{};
        QTest::newRow("everything, KMA840, in table order")
            << kma << UserAction([](auto& s, int m) {
                   selectInput(s, 3, true, m);
                   stepLevel(s, BalanceLevel, -1);
                   pressMute(s, true);
                   slideLevel(s, MaxVolumeLevel, 800);
                   slideLevel(s, DefVolumeLevel, 300);
                   slideLevel(s, VolumeLevel, 256);
                   s.PowerChanged = true;
                   s.PowerState = 2;
               })
            << QList<Correction>{{Command::SetPowerState, {2, 0, 0}},
                                 {Command::SwitchToStandby},
                                 {Command::SetVolume, {0x2C, 0x01, 0}},
                                 {Command::SetDefaultVolume, {0x2C, 0x01, 0}},
                                 {Command::SetMaxVolume, {0x20, 0x03, 0}},
                                 {Command::SetMute, {1, 0, 0}},
                                 {Command::MuteOn},
                                 {Command::SetBalance, {5, 0, 0}},
                                 {Command::SetInput, {3, 0, 0}}};
    }
    void userRequestsBecomeCorrections()
    {
        QFETCH(int, model);
        QFETCH(UserAction, action);
        QFETCH(QList<Correction>, expected);
        OperatingState wanted = adopted(model);
        action(wanted, model);
        const PollOutcome outcome = reconcileStatus(wanted, ampReply(model), false);
        QCOMPARE(outcome.corrections, expected);
        // A correction goes out once: the marks are gone, the next poll takes the amplifier's word.
        const PollOutcome next = reconcileStatus(outcome.state, ampReply(model), false);
        QVERIFY(next.corrections.isEmpty());
        QCOMPARE(next.state.Volume, 455);
    }

    void unmarkedValuesFollowTheAmplifier()
    {
        OperatingState wanted = adopted(ModelCode::Vx900);
        wanted.Volume = 100;
        wanted.MuteState = true;
        const PollOutcome outcome = reconcileStatus(wanted, ampReply(ModelCode::Vx900), false);
        QVERIFY(outcome.corrections.isEmpty());
        QCOMPARE(outcome.state.Volume, 455);
        QCOMPARE(outcome.state.MuteState, false);
    }

    void muteRequestDisagreesOnlyWithAClearAnswer_data()
    {
        QTest::addColumn<bool>("wantedMute");
        QTest::addColumn<int>("replied");
        QTest::addColumn<bool>("sent");
        QTest::newRow("want muted, amp 0") << true << 0 << true;
        QTest::newRow("want muted, amp 1") << true << 1 << false;
        QTest::newRow("want muted, amp 2") << true << 2 << false;
        QTest::newRow("want unmuted, amp 1") << false << 1 << true;
        QTest::newRow("want unmuted, amp 2") << false << 2 << false;
    }
    void muteRequestDisagreesOnlyWithAClearAnswer()
    {
        QFETCH(bool, wantedMute);
        QFETCH(int, replied);
        QFETCH(bool, sent);
        OperatingState wanted = adopted(ModelCode::Solstice);
        wanted.MuteState = wantedMute;
        wanted.MuteChanged = true;
        StatusReply reply = ampReply(ModelCode::Solstice);
        reply.mute = replied;
        const PollOutcome outcome = reconcileStatus(wanted, reply, false);
        QCOMPARE(!outcome.corrections.isEmpty(), sent);
        QCOMPARE(outcome.state.MuteState, wantedMute);
    }

    void standbyShowsTheAmplifiersVolumeUnlessAChangeIsPending()
    {
        StatusReply standby = ampReply(ModelCode::Vx900);
        standby.power = 0;
        standby.volume = 300;
        OperatingState wanted = adopted(ModelCode::Vx900);
        QCOMPARE(reconcileStatus(wanted, standby, false).state.Volume, 300);

        slideLevel(wanted, VolumeLevel, 700);
        const PollOutcome outcome = reconcileStatus(wanted, standby, false);
        QCOMPARE(outcome.state.Volume, 450);
        QCOMPARE(outcome.corrections, (QList<Correction>{{Command::SetVolume, {0xC2, 0x01, 0}}}));
    }

    // The end-to-end tests show 1000 and a volume above the maximum clamped once; here it stays so.
    void repliedVolumesAreClampedOnEveryPoll_data()
    {
        QTest::addColumn<int>("volume");
        QTest::addColumn<int>("maxVolume");
        QTest::addColumn<int>("shownVolume");
        QTest::addColumn<int>("shownMax");
        QTest::newRow("corrupt 65535") << 65535 << 65535 << 999 << 999;
        QTest::newRow("above the maximum") << 450 << 400 << 400 << 400;
    }
    void repliedVolumesAreClampedOnEveryPoll()
    {
        QFETCH(int, volume);
        QFETCH(int, maxVolume);
        QFETCH(int, shownVolume);
        QFETCH(int, shownMax);
        StatusReply reply = ampReply(ModelCode::Rx900);
        reply.volume = volume;
        reply.maxVolume = maxVolume;
        PollOutcome outcome = reconcileStatus(OperatingState(), reply, true);
        for (int poll = 0; poll < 2; ++poll) {
            QCOMPARE(outcome.state.Volume, shownVolume);
            QCOMPARE(outcome.state.MaxVolume, shownMax);
            QVERIFY(outcome.corrections.isEmpty());
            outcome = reconcileStatus(outcome.state, reply, false);
        }
    }

    void unchangedPollRedrawsNothing()
    {
        const StatusReply reply = ampReply(ModelCode::Kma840);
        const PollOutcome first = reconcileStatus(OperatingState(), reply, true);
        QVERIFY(first.redraws.volume && first.redraws.defVolume && first.redraws.maxVolume);
        QVERIFY(first.redraws.balance);
        const PollOutcome second = reconcileStatus(first.state, reply, false);
        QVERIFY(!second.redraws.volume && !second.redraws.defVolume && !second.redraws.maxVolume);
        QVERIFY(!second.redraws.balance);
    }

    void unidentifiedUnitGetsNoModelCorrections()
    {
        OperatingState wanted = adopted(ModelCode::Vx900);
        selectInput(wanted, 1, true, ModelCode::Vx900);
        stepLevel(wanted, VolumeLevel, 1);
        StatusReply reply = ampReply(ModelCode::Unknown);
        reply.identified = false;
        const PollOutcome outcome = reconcileStatus(wanted, reply, false);
        QCOMPARE(outcome.corrections, (QList<Correction>{{Command::SetVolume, {0xC8, 0x01, 0}}}));
        QCOMPARE(outcome.state.InputSelected, 1);
    }
};

QTEST_APPLESS_MAIN(TestReconcile)
#include "tst_reconcile.moc"
