#include "setupbench.h"

#include <QCheckBox>

using namespace bench;

namespace {

// What a control shows: a box's text, a list's index, a check's state.
QString shown(QWidget& d, const QString& name)
{
    QWidget* w = in<QWidget>(d, name);
    if (auto* list = qobject_cast<QComboBox*>(w))
        return QString::number(list->currentIndex());
    if (auto* check = qobject_cast<QCheckBox*>(w))
        return QString::number(int(check->isChecked()));
    return static_cast<QLineEdit*>(w)->text();
}
void enter(QWidget& d, const QString& name, const QString& entry)
{
    QWidget* w = in<QWidget>(d, name);
    if (auto* list = qobject_cast<QComboBox*>(w))
        list->setCurrentIndex(entry.toInt());
    else if (auto* check = qobject_cast<QCheckBox*>(w))
        check->setChecked(entry == "1");
    else
        static_cast<QLineEdit*>(w)->setText(entry);
}

QList<int> codesAfter(const QList<QByteArray>& requests, qsizetype from)
{
    QList<int> codes;
    for (const QByteArray& p : requests.mid(from))
        codes << codeOf(p);
    return codes;
}

const QList<int> Rx900Writes{0xC6, 0xD3};
const QList<int> Kma840Writes{0x30, 0x30, 0x30, 0x30, 0x30, 0x30, 0x30, 0xC6, 0xCB, 0xCD};
const QList<int> SolsticeWrites{0xC6, 0x88, 0xCF};

} // namespace

class TestModelSetup : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::German));
        QApplication::setApplicationDisplayName("Tevlin");
    }

    // Setup opens the model's dialog filled from the amplifier; Update writes every packet and the
    // dialog stays open; the next open reads the change back. A name box holds no more than the
    // amplifier keeps.
    void updateShowsOnTheNextOpen_data()
    {
        QTest::addColumn<AmpModel>("model");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QList<int>>("writes");
        QTest::newRow("rx900 name") << AmpModel::Rx900 << "TextAmpName"
                                    << "Kitchen amplifier no. 2"
                                    << "Korvanes RX900"
                                    << "Kitchen amplifier no" << Rx900Writes;
        QTest::newRow("rx900 converter") << AmpModel::Rx900 << "CmbADC3"
                                         << "1"
                                         << "0"
                                         << "1" << Rx900Writes;
        QTest::newRow("kma840 input name") << AmpModel::Kma840 << "TextInput3"
                                           << "PHONO"
                                           << "USER 3"
                                           << "PHONO" << Kma840Writes;
        QTest::newRow("kma840 input name of 7") << AmpModel::Kma840 << "TextInput7"
                                                << "TUNERXY"
                                                << "USER 7"
                                                << "TUNERX" << Kma840Writes;
        QTest::newRow("kma840 relative volume") << AmpModel::Kma840 << "TxtRelVol2"
                                                << "-3,5"
                                                << "0,0"
                                                << "-3,5" << Kma840Writes;
        QTest::newRow("kma840 IR") << AmpModel::Kma840 << "CheckIR"
                                   << "0"
                                   << "1"
                                   << "0" << Kma840Writes;
        QTest::newRow("solstice black remote") << AmpModel::Solstice << "CheckBlack"
                                               << "0"
                                               << "1"
                                               << "0" << SolsticeWrites;
        QTest::newRow("solstice IR") << AmpModel::Solstice << "CheckIR"
                                     << "0"
                                     << "1"
                                     << "0" << SolsticeWrites;
    }
    void updateShowsOnTheNextOpen()
    {
        QFETCH(AmpModel, model);
        QFETCH(QString, control);
        QFETCH(QString, entry);
        QFETCH(QString, before);
        QFETCH(QString, after);
        QFETCH(QList<int>, writes);
        SetupBench b(model);
        QVERIFY(b.connectAndAdopt());
        QString first;
        qsizetype from = 0;
        b.openSetup([&](setup::SetupDialog& d) {
            first = shown(d, control);
            enter(d, control, entry);
            from = b.requests.size();
            press(d, "OKButton");
            first += u'|' + in<QLabel>(d, "LblProgress")->text() + u'|' + QString::number(d.isVisible());
            press(d, "CancelButton");
        });
        QCOMPARE(first, before + "|Sent to the amplifier.|1");
        QCOMPARE(codesAfter(b.requests, from), writes);
        QString again;
        b.openSetup([&](setup::SetupDialog& d) {
            again = shown(d, control);
            press(d, "CancelButton");
        });
        QCOMPARE(again, after);
    }

    // Save to PC stores the dialog in the section named by the name box, and enables Get from PC,
    // which brings the values back; Factoty set. fills the factory values.
    void savedValuesComeBack_data()
    {
        QTest::addColumn<AmpModel>("model");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("factoryName");
        QTest::newRow("rx900") << AmpModel::Rx900 << "Korvanes RX900"
                               << "Korvanes RX900";
        QTest::newRow("kma840 keeps the blanks") << AmpModel::Kma840 << "Korvanes KMA 840"
                                                 << "Korvanes KMA 840    ";
        QTest::newRow("solstice") << AmpModel::Solstice << "SOLSTICE mk.III"
                                  << "SOLSTICE mk.III";
    }
    void savedValuesComeBack()
    {
        QFETCH(AmpModel, model);
        QFETCH(QString, section);
        QFETCH(QString, factoryName);
        SetupBench b(model);
        QVERIFY(b.connectAndAdopt());
        QStringList seen;
        b.openSetup([&](setup::SetupDialog& d) {
            seen << QString::number(in(d, "UploadButton")->isEnabled());
            press(d, "SaveButton");
            seen << QString::number(in(d, "UploadButton")->isEnabled());
            type(d, "TextMaxVolume", "12,3");
            press(d, "UploadButton");
            seen << text(d, "TextMaxVolume");
            type(d, "TextDefVolume", "");
            type(d, "TextAmpName", "");
            press(d, "FactoryButton");
            seen << text(d, "TextDefVolume") << text(d, "TextAmpName");
            press(d, "CancelButton");
        });
        QCOMPARE(seen, (QStringList{"0", "1", "99,9", "45,0", factoryName}));
        const QStringList lines = b.iniLines();
        QVERIFY(lines.contains('[' + section + ']') && lines.contains("Saved=True") &&
                lines.contains("Max Volume=99,9"));
    }

    // Default asks; on OK the amplifier resets itself, and the main window then connects at the
    // model's factory address and speed.
    void defaultResetsTheAmplifier_data()
    {
        QTest::addColumn<AmpModel>("model");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("speed");
        QTest::newRow("rx900") << AmpModel::Rx900 << "RX900"
                               << "1" << 0;
        QTest::newRow("kma840") << AmpModel::Kma840 << "KMA840"
                                << "2" << 1;
        QTest::newRow("solstice") << AmpModel::Solstice << "Solstice"
                                  << "1" << 0;
    }
    void defaultResetsTheAmplifier()
    {
        QFETCH(AmpModel, model);
        QFETCH(QString, name);
        QFETCH(QString, address);
        QFETCH(int, speed);
        SetupBench b(model);
        b.sim.state().address = 5;
        b.sim.state().comSpeed = 2;
        b.sim.state().defVolume = 100;
        b.writeIni(pinnedIni(b.pty.devicePath()).replace("DevAdr=1", "DevAdr=5"));
        b.session.load();
        QVERIFY(b.connectLink());
        b.session.tick();
        QStringList questions;
        b.openSetup([&](setup::SetupDialog& d) {
            questions << answerMessage([&] { press(d, "DefButton"); }, QMessageBox::Cancel);
            questions << QString::number(d.isVisible());
            questions << answerMessage([&] { press(d, "DefButton"); }, QMessageBox::Ok);
        });
        const QString question =
            "Tevlin|Everything in " + name + " will be set to factory settings.\nAre you sure?";
        QCOMPARE(questions, (QStringList{question, "1", question}));
        QTRY_COMPARE(codeOf(b.requests.last()), 0x49);
        b.session.tick();
        QCOMPARE(b.state.DeviceAddress, address);
        QCOMPARE(b.state.ComSpeed, speed);
        QVERIFY(b.connectLink());
        QCOMPARE(b.sim.state().defVolume, 450);
    }

    // An acknowledgement that never comes: the dialog says which packet it waits for and that the
    // amplifier is not answering; Close ends the wait and nothing more is sent. SetParameter's sender
    // closes the port when its wait is cancelled, the others leave the link up.
    void wayOutOfAnUnansweredAcknowledgement_data()
    {
        QTest::addColumn<AmpModel>("model");
        QTest::addColumn<int>("silent");
        QTest::addColumn<QString>("progress");
        QTest::addColumn<bool>("linkUp");
        QTest::newRow("rx900 D3") << AmpModel::Rx900 << 0xD3 << "(2 of 2)" << true;
        QTest::newRow("kma840 CB") << AmpModel::Kma840 << 0xCB << "(9 of 10)" << true;
        QTest::newRow("solstice SetParameter") << AmpModel::Solstice << 0x88 << "(2 of 3)" << false;
    }
    void wayOutOfAnUnansweredAcknowledgement()
    {
        QFETCH(AmpModel, model);
        QFETCH(int, silent);
        QFETCH(QString, progress);
        QFETCH(bool, linkUp);
        SimFaults faults;
        faults.noReply = true;
        faults.onlyCode = silent;
        SetupBench b(model, faults);
        QVERIFY(b.connectAndAdopt());
        QString said;
        bool hidden = false;
        b.openSetup([&](setup::SetupDialog& d) {
            d.link().setSilenceNotice(200ms);
            b.onRequest(silent, [&] {
                QTimer::singleShot(600ms, &d, [&] {
                    said = in<QLabel>(d, "LblProgress")->text();
                    press(d, "CancelButton");
                    hidden = !d.isVisible();
                });
            });
            press(d, "OKButton");
        });
        QCOMPARE(said, "Writing the settings to the amplifier\u2026 " + progress + u'\n' +
                           setup::SetupLink::notAnsweringText());
        QVERIFY(hidden && !b.state.SetupDialogOpen && !b.state.LinkCancelRequested);
        QCOMPARE(codeOf(b.requests.last()), silent);
        QCOMPARE(b.state.LinkConnected, linkUp);
        if (linkUp) {
            b.session.tick();
            QCOMPARE(codeOf(b.requests.last()), StatusCode);
        }
    }

    // A name from the amplifier names its section: line breaks, NULs and "]" in it neither start a
    // section of their own nor reach another one.
    void hostileNamesStayInTheirSection_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("section");
        QTest::newRow("line breaks") << QByteArray("]\r\n[Tevlin]\nDebug=86") << "[)  [Tevlin) Debug=86]";
        QTest::newRow("NULs") << QByteArray("\0[ComSettings]\nCOM1=", 20) << "[[ComSettings) COM1=]";
    }
    void hostileNamesStayInTheirSection()
    {
        QFETCH(QByteArray, name);
        QFETCH(QString, section);
        SetupBench b(AmpModel::Rx900);
        b.sim.state().name = name;
        QVERIFY(b.connectAndAdopt());
        b.openSetup([&](setup::SetupDialog& d) {
            press(d, "SaveButton");
            press(d, "CancelButton");
        });
        const QStringList lines = b.iniLines();
        QStringList headers;
        for (const QString& line : lines)
            if (line.startsWith(u'['))
                headers << line;
        QCOMPARE(headers, (QStringList{"[ComSettings]", "[Tevlin]", section}));
        QVERIFY(lines.contains("Debug=0") && !lines.contains("Debug=86"));
        QCOMPARE(lines.filter(QRegularExpression("^(COM1|Saved)=")).size(), 2);
    }
};

QTEST_MAIN(TestModelSetup)
#include "tst_modelsetup.moc"
