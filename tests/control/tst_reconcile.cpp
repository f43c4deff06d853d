#include "control/operatingactions.h"
#include "control/reconcile.h"

#include <QTest>
#include <functional>

using namespace control;
using Kind = Correction::Kind;

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
    void userRequestsBecomeCorrections_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<UserAction>("action");
        QTest::addColumn<QList<Correction>>("expected");

        const int kma = ModelCode::Kma840;
        QTest::newRow("everything, KMA840, in table order")
            << kma << UserAction([](auto& s, int m) {
                   SelectInput(s, 3, true, m);
                   stepBalance(s, -1);
                   pressMute(s, true);
                   slideMaxVolume(s, 800);
                   slideDefVolume(s, 300);
                   slideVolume(s, 256);
                   s.PowerChanged = true;
                   s.PowerState = 2;
               })
            << QList<Correction>{{Kind::SetPowerState, {2, 0, 0}},
                                 {Kind::SwitchToStandby},
                                 {Kind::SetVolume, {0x2C, 0x01, 0}},
                                 {Kind::SetDefaultVolume, {0x2C, 0x01, 0}},
                                 {Kind::SetMaxVolume, {0x20, 0x03, 0}},
                                 {Kind::SetMute, {1, 0, 0}},
                                 {Kind::MuteOn},
                                 {Kind::SetBalance, {5, 0, 0}},
                                 {Kind::SetInput, {3, 0, 0}}};
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

    // Clamps, adoption, unmarked values, the mute rule and unidentified units are in the status
    // reply fuzz target.
    void standbyShowsTheAmplifiersVolumeUnlessAChangeIsPending()
    {
        StatusReply standby = ampReply(ModelCode::Vx900);
        standby.power = 0;
        standby.volume = 300;
        OperatingState wanted = adopted(ModelCode::Vx900);
        QCOMPARE(reconcileStatus(wanted, standby, false).state.Volume, 300);

        slideVolume(wanted, 700);
        const PollOutcome outcome = reconcileStatus(wanted, standby, false);
        QCOMPARE(outcome.state.Volume, 450);
        QCOMPARE(outcome.corrections, (QList<Correction>{{Kind::SetVolume, {0xC2, 0x01, 0}}}));
    }
};

QTEST_APPLESS_MAIN(TestReconcile)
#include "tst_reconcile.moc"
