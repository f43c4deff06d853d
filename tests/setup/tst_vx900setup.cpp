#include "setupbench.h"

#include "cputime.h"

#include <QApplication>
#include <QCheckBox>

using namespace bench;

namespace {

const QList<QByteArray> Reads{QByteArray::fromHex("050100D2D8"), QByteArray::fromHex("050100D4DA"),
                              QByteArray::fromHex("050100DAE0")};

QList<int> codes(const QList<QByteArray>& packets)
{
    QList<int> list;
    for (const QByteArray& p : packets)
        list << codeOf(p);
    return list;
}

} // namespace

class TestVx900Setup : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::German));
        QApplication::setApplicationDisplayName("Tevlin");
    }

    // Setup in a connected Tevlin: the three reads go out while the poll pauses, and the dialog shows
    // the amplifier's settings; the S shows its room correction instead of the presets.
    void opensFilledFromTheAmplifier_data()
    {
        QTest::addColumn<AmpModel>("model");
        QTest::addColumn<QString>("shown");
        QTest::newRow("vx900") << AmpModel::Vx900 << "85|55,0|-12,5|presets";
        QTest::newRow("vx900s") << AmpModel::Vx900s << "85|55,0|-12,5|Neutral Voicing 75,0 Global";
    }
    void opensFilledFromTheAmplifier()
    {
        QFETCH(AmpModel, model);
        QFETCH(QString, shown);
        SetupBench b(model);
        b.sim.state().crossOverFreq = 85;
        b.sim.state().lineOutLevel = 125;
        QVERIFY(b.connectAndAdopt());
        const qsizetype before = b.requests.size();
        QString seen;
        bool owned = false;
        bool upload = true;
        b.openSetup([&](setup::SetupDialog& d) {
            owned = b.state.SetupDialogOpen;
            b.session.tick(); // paused: sends nothing
            upload = in(d, "UploadButton")->isEnabled();
            seen =
                QStringList{text(d, "TxtCrossOverFq"), text(d, "TextDefVolume"), text(d, "TxtLineOutLevel")}
                    .join(u'|');
            seen += in<QWidget>(d, "Frame1")->isVisibleTo(&d)
                        ? QStringLiteral("|presets")
                        : u'|' + QStringList{text(d, "TxtVoicing"), text(d, "TxtMeasureVolume"),
                                             text(d, "TxtFocus")}
                                     .join(u' ');
            press(d, "CancelButton");
        });
        QCOMPARE(b.requests.mid(before), Reads);
        QVERIFY(owned && !upload && !b.state.SetupDialogOpen);
        QCOMPARE(seen, shown);
        QVERIFY(b.iniLines().contains("[Korvanes VX 900]") && b.iniLines().contains("Saved=False"));
        b.session.tick(); // polls again
        QCOMPARE(codeOf(b.requests.last()), StatusCode);
    }

    // Update writes every setting; the dialog stays open and the next open reads the write back.
    void updateShowsInTheNextRead()
    {
        SetupBench b;
        QVERIFY(b.connectAndAdopt());
        const qsizetype before = b.requests.size();
        QString after;
        b.openSetup([&](setup::SetupDialog& d) {
            type(d, "TxtCrossOverFq", "120");
            type(d, "TextDefVolume", "40,5");
            type(d, "TxtLineOutLevel", "12");
            choose(d, "CmbRouteMainL", 4); // HP Left: the timer brings Main R to HP Right
            type(d, "TxtMainR", "1000");   // and resets the delay
            (void)QTest::qWaitFor([&] { return text(d, "TxtMainR") == "0"; }, 2000);
            press(d, "OKButton");
            after = QStringLiteral("%1 %2 %3")
                        .arg(text(d, "TxtLineOutLevel"))
                        .arg(int(d.isVisible()))
                        .arg(int(b.state.SetupDialogOpen));
            press(d, "CancelButton");
        });
        QTRY_COMPARE(codes(b.requests.mid(before + 3)), (QList<int>{0xD5, 0xDB, 0xD3}));
        QCOMPARE(after, "-12 1 0");
        const AmpState& amp = b.sim.state();
        QCOMPARE(amp.crossOverFreq, 120);
        QCOMPARE(amp.defVolume, 405);
        QCOMPARE(amp.lineOutLevel, 120);
        QCOMPARE(amp.routing, (std::array<int, 4>{4, 5, 0, 1}));
        QCOMPARE(amp.delays[1], 0);

        QString reread;
        b.openSetup([&](setup::SetupDialog& d) {
            reread = text(d, "TxtCrossOverFq") + u' ' + in<QComboBox>(d, "CmbRouteMainR")->currentText();
            press(d, "CancelButton");
        });
        QCOMPARE(reread, "120 HP Right");
    }

    // After an Update the dialog stays open and the main window polls again. An Update clicked while
    // a poll has half its reply goes out after the poll, which would otherwise lose the rest.
    void updateDuringAPollWaitsForIt()
    {
        SimFaults faults;
        faults.chunkSize = 12;
        faults.chunkGap = 400ms;
        faults.onlyCode = StatusCode;
        SetupBench b(AmpModel::Vx900, faults);
        QVERIFY(b.connectAndAdopt());
        qsizetype before = 0;
        b.openSetup([&](setup::SetupDialog& d) {
            press(d, "OKButton");
            // The three acknowledgements nobody waits for have come in.
            (void)QTest::qWaitFor([&] { return b.state.ReplyBuffer.size() == 6; }, 2000);
            before = b.requests.size();
            b.onRequest(StatusCode, [&] { QTimer::singleShot(100ms, &d, [&] { press(d, "OKButton"); }); });
            b.session.tick();
            press(d, "CancelButton");
        });
        QVERIFY(b.state.LinkConnected && !b.state.AdoptAmpState);
        QTRY_COMPARE(codes(b.requests.mid(before)), (QList<int>{StatusCode, 0xD5, 0xDB, 0xD3}));
    }

    // Save to PC, then Get from PC brings the saved values back; Factoty set. on an amplifier at its
    // factory address and speed leaves the link alone.
    void savedValuesComeBack()
    {
        SetupBench b;
        QVERIFY(b.connectAndAdopt());
        QStringList seen;
        b.openSetup([&](setup::SetupDialog& d) {
            press(d, "SaveButton");
            seen << QString::number(in(d, "UploadButton")->isEnabled());
            type(d, "TxtCrossOverFq", "999");
            choose(d, "CmbAnalogLabel0", 30);
            press(d, "UploadButton");
            seen << text(d, "TxtCrossOverFq") << in<QComboBox>(d, "CmbAnalogLabel0")->currentText();
            type(d, "TxtMainL", "77");
            press(d, "FactoryButton");
            seen << text(d, "TxtMainL") << QString::number(b.state.LinkSettingsChanged);
            in<QCheckBox>(d, "Check8")->click(); // display only
            seen << QString::number(in<QCheckBox>(d, "Check8")->isChecked());
            press(d, "CancelButton");
        });
        QCOMPARE(seen, (QStringList{"1", "200", "ANALOG 1", "0", "0", "1"}));
        const QStringList lines = b.iniLines();
        QVERIFY(lines.contains("Saved=True") && lines.contains("Crossover freq=200") &&
                lines.contains("Def Volume=55,0"));
    }

    // A changed speed closes the dialog on Update, and the next tick drops the link and takes it over
    // (a changed address: tst_modelsetup's addressChange); a change left unwritten by Close keeps
    // the link.
    void linkChanges_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("link"); // after the next tick: address, speed index, connected
        QTest::newRow("speed 115000") << "CmbLinkSpeed"
                                      << "2"
                                      << "OKButton"
                                      << "1 2 0";
        QTest::newRow("address typed, then Close") << "TextDeviceAdr"
                                                   << "7"
                                                   << "CancelButton"
                                                   << "1 1 1";
    }
    void linkChanges()
    {
        QFETCH(QString, control);
        QFETCH(QString, entry);
        QFETCH(QString, button);
        QFETCH(QString, link);
        SetupBench b;
        b.writeIni(pinnedIni(b.pty.devicePath()).replace("DevAdr=1", "DevAdr=1\nComSpeed=57600"));
        b.session.load();
        QVERIFY(b.connectLink());
        b.session.tick();
        b.openSetup([&](setup::SetupDialog& d) {
            if (control.startsWith("Cmb"))
                choose(d, control, entry.toInt());
            else
                type(d, control, entry);
            press(d, button);
        });
        QVERIFY(!b.state.SetupDialogOpen);
        b.session.tick();
        QCOMPARE(QStringLiteral("%1 %2 %3")
                     .arg(b.state.DeviceAddress)
                     .arg(b.state.ComSpeed)
                     .arg(int(b.state.LinkConnected)),
                 link);
        QVERIFY(!b.state.LinkSettingsChanged);
    }

    // Default asks first; on OK the amplifier resets itself, and the main window takes over the
    // factory address and speed at which it then answers.
    void defaultResetsTheAmplifier()
    {
        SetupBench b;
        b.sim.state().address = 5;
        b.sim.state().comSpeed = 0;
        b.sim.state().crossOverFreq = 85;
        b.writeIni(pinnedIni(b.pty.devicePath()).replace("DevAdr=1", "DevAdr=5"));
        b.session.load();
        QVERIFY(b.connectLink());
        b.session.tick();
        QStringList questions;
        qsizetype afterCancel = 0;
        b.openSetup([&](setup::SetupDialog& d) {
            press(d, "FactoryButton"); // address 1 and 57600: the amplifier's link would change
            questions << QString::number(b.state.LinkSettingsChanged);
            questions << answerMessage([&] { press(d, "DefButton"); }, QMessageBox::Cancel);
            afterCancel = b.requests.size();
            questions << QString::number(d.isVisible());
            questions << answerMessage([&] { press(d, "DefButton"); }, QMessageBox::Ok);
        });
        QCOMPARE(questions[0], "1");
        QCOMPARE(questions[1], "Tevlin|Everything in VX 900 will be set to factory settings.\nAre you sure?");
        QCOMPARE(questions[2], "1");
        QTRY_COMPARE(b.requests.size(), afterCancel + 1);
        QCOMPARE(b.requests.last(), QByteArray::fromHex("0505004953"));
        b.session.tick();
        QCOMPARE(b.linkState(), Bench::Idle);
        QCOMPARE(b.state.DeviceAddress, "1");
        QCOMPARE(b.state.ComSpeed, 1);
        QVERIFY(b.connectLink());
        QCOMPARE(b.sim.state().crossOverFreq, 200);
    }

    // A read that gets no reply: the dialog says which one it waits for and, after a while, that the
    // amplifier is not answering; the wait sleeps. Leaving sends nothing more, and the main window
    // polls again.
    void wayOutOfAnUnansweredRead_data()
    {
        QTest::addColumn<int>("silent");
        QTest::addColumn<QString>("leave");
        QTest::newRow("D2, Close") << 0xD2 << "Close";
        QTest::newRow("D4, close box") << 0xD4 << "close box";
        QTest::newRow("DA, Escape") << 0xDA << "Escape";
    }
    void wayOutOfAnUnansweredRead()
    {
        QFETCH(int, silent);
        QFETCH(QString, leave);
        SimFaults faults;
        faults.noReply = true;
        faults.onlyCode = silent;
        SetupBench b(AmpModel::Vx900, faults);
        QVERIFY(b.connectAndAdopt());
        const qsizetype before = b.requests.size();
        QString progress;
        std::chrono::microseconds used{};
        bool hidden = false;
        setup::SetupDialog* dialog = nullptr;
        QObject::connect(&b.dialogs, &setup::SetupDialogs::opened, [&](setup::SetupDialog* d) {
            dialog = d;
            d->link().setSilenceNotice(300ms);
        });
        // Measured from when the window has been drawn and the notice shown.
        std::chrono::microseconds start{};
        b.onRequest(silent, [&] {
            QTimer::singleShot(500ms, dialog, [&] { start = cpuTime(); });
            QTimer::singleShot(1500ms, dialog, [&] {
                setup::SetupDialog& d = *dialog;
                used = cpuTime() - start;
                progress = in<QLabel>(d, "LblProgress")->text();
                if (leave == "Close")
                    press(d, "CancelButton");
                else if (leave == "close box")
                    d.close();
                else
                    QTest::keyClick(&d, Qt::Key_Escape);
                hidden = !d.isVisible();
            });
        });
        b.openSetup({});
        const int n = silent == 0xD2 ? 1 : silent == 0xD4 ? 2 : 3;
        QCOMPARE(progress, QStringLiteral("Reading the amplifier's settings\u2026 (%1 of 3)\n").arg(n) +
                               setup::SetupLink::notAnsweringText());
        qInfo("processor time during 1 s of an unanswered read: %lld us",
              static_cast<long long>(used.count()));
        QVERIFY2(used < 10ms, "the wait spins");
        QVERIFY(hidden && !b.state.SetupDialogOpen && !b.state.LinkCancelRequested);
        QCOMPARE(b.requests.mid(before), Reads.first(n));
        b.session.tick();
        QCOMPARE(codeOf(b.requests.last()), StatusCode);
        QVERIFY(b.state.LinkConnected);
    }

    // The line drops while a read waits: the wait ends, the dialog says why and the link is down.
    void readEndsWhenTheLineDrops()
    {
        SimFaults faults;
        faults.noReply = true;
        faults.onlyCode = 0xD4;
        SetupBench b(AmpModel::Vx900, faults);
        QVERIFY(b.connectAndAdopt());
        QString shown;
        setup::SetupDialog* dialog = nullptr;
        QObject::connect(&b.dialogs, &setup::SetupDialogs::opened,
                         [&](setup::SetupDialog* d) { dialog = d; });
        b.onRequest(0xD4, [&] {
            b.pty.hangUp();
            QTimer::singleShot(300ms, dialog, [&] {
                shown = in<QLabel>(*dialog, "LblProgress")->text() + u'|' +
                        QString::number(in(*dialog, "OKButton")->isEnabled()) + u'|' + b.linkState();
                press(*dialog, "CancelButton");
            });
        });
        b.openSetup({});
        QCOMPARE(shown,
                 QStringLiteral("The link to the amplifier is down, so its settings could not be read.|0|") +
                     Bench::Idle);
        QVERIFY(!b.state.SetupDialogOpen && !b.state.LinkCancelRequested);
    }
};

QTEST_MAIN(TestVx900Setup)
#include "tst_vx900setup.moc"
