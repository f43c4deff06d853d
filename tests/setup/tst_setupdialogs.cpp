#include "setupbench.h"

#include "cputime.h"

#include "setup/kma840model.h"
#include "setup/kma840setup.h"
#include "setup/rx900model.h"
#include "setup/rx900setup.h"
#include "setup/solsetup.h"
#include "setup/solsticemodel.h"
#include "setup/vx900model.h"
#include "setup/vx900setup.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLockFile>
#include <QScrollArea>
#include <QScrollBar>

using namespace bench;

namespace {

// What a control shows, and how it is set: a box's text, a list's index, a check's state.
QString shown(QWidget& d, const QString& name)
{
    QWidget* w = in<QWidget>(d, name);
    if (auto* list = qobject_cast<QComboBox*>(w))
        return QString::number(list->currentIndex());
    if (auto* check = qobject_cast<QCheckBox*>(w))
        return QString::number(int(check->isChecked()));
    return static_cast<QLineEdit*>(w)->text();
}
const setup::ModelSpec& specOf(AmpModel model)
{
    switch (model) {
    case AmpModel::Kma840:
        return kma840::Spec;
    case AmpModel::Solstice:
        return solstice::Spec;
    case AmpModel::Rx900:
        return rx900::Spec;
    default:
        return vx900::Spec;
    }
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

const QList<QByteArray> Vx900Reads{QByteArray::fromHex("050100D2D8"), QByteArray::fromHex("050100D4DA"),
                                   QByteArray::fromHex("050100DAE0")};

QList<int> codesOf(const QList<QByteArray>& packets)
{
    QList<int> list;
    for (const QByteArray& p : packets)
        list << codeOf(p);
    return list;
}

// The command codes of an Update's packets.
QList<int> writesOf(AmpModel model)
{
    switch (model) {
    case AmpModel::Kma840:
        return QList<int>(7, 0x30) << 0xC6 << 0xCB << 0xCD;
    case AmpModel::Rx900:
        return {0xC6, 0xD3};
    case AmpModel::Solstice:
        return {0xC6, 0x88, 0xCF};
    default:
        return {0xD5, 0xDB, 0xD3};
    }
}

std::unique_ptr<setup::SetupDialog> dialogOf(AmpModel model, control::LinkLease& lease, QWidget* owner)
{
    switch (model) {
    case AmpModel::Kma840:
        return std::make_unique<setup::KMA840setup>(lease, owner);
    case AmpModel::Rx900:
        return std::make_unique<setup::RX900setup>(lease, owner);
    case AmpModel::Solstice:
        return std::make_unique<setup::Solsetup>(lease, owner);
    default:
        return std::make_unique<setup::VX900setup>(lease, owner);
    }
}

} // namespace

class TestSetupDialogs : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::German));
        QApplication::setApplicationDisplayName("Tevlin");
    }

    // One dialog's life: Setup opens it filled from the amplifier; Save to PC stores it in the
    // section named by the name box and enables Get from PC, which brings the values back; Update
    // writes every packet and the dialog stays open; the next open reads the change back (a name box
    // holds no more than the amplifier keeps); Factoty set. fills the factory values (the KMA840
    // keeps the blanks of its name); Default asks, warning, with Cancel as the default, resets the
    // amplifier, and the main window says so and then connects at the model's factory address and
    // speed (the VX 900 sends its packets without waiting for an acknowledgement).
    void dialogFromOpenToDefault_data()
    {
        QTest::addColumn<AmpModel>("model");
        QTest::addColumn<QString>("change"); // control|entry|shown before|shown on the next open
        // name|name in the question|address and speed index|start-up volume
        QTest::addColumn<QString>("factory");
        const QString rx900 = "Korvanes RX900|RX900|1 0|45,0";
        const QString kma840 = "Korvanes KMA 840|KMA840|2 1|45,0";
        const QString solstice = "SOLSTICE mk.III|Solstice|1 0|45,0";
        const QString vx900 = "Korvanes VX 900|VX 900|1 1|55,0";
        QTest::newRow("vx900 crossover") << AmpModel::Vx900 << "TxtCrossOverFq|120|200|120" << vx900;
        QTest::newRow("vx900 label") << AmpModel::Vx900 << "CmbAnalogLabel0|30|1|30" << vx900;
        QTest::newRow("vx900s line out") << AmpModel::Vx900s << "TxtLineOutLevel|12|0,0|-12,0" << vx900;
        QTest::newRow("rx900 name")
            << AmpModel::Rx900 << "TextAmpName|Kitchen amp no. 23456789|Korvanes RX900|Kitchen amp no. 2345"
            << rx900;
        QTest::newRow("rx900 converter") << AmpModel::Rx900 << "CmbADC3|1|0|1" << rx900;
        QTest::newRow("kma840 input name of 7")
            << AmpModel::Kma840 << "TextInput7|TUNERXY|USER 7|TUNERX" << kma840;
        QTest::newRow("kma840 relative volume") << AmpModel::Kma840 << "TxtRelVol2|-3,5|0,0|-3,5" << kma840;
        QTest::newRow("kma840 IR") << AmpModel::Kma840 << "CheckIR|0|1|0" << kma840;
        QTest::newRow("solstice black remote") << AmpModel::Solstice << "CheckBlack|0|1|0" << solstice;
        QTest::newRow("solstice IR") << AmpModel::Solstice << "CheckIR|0|1|0" << solstice;
    }
    void dialogFromOpenToDefault()
    {
        QFETCH(AmpModel, model);
        QFETCH(QString, change);
        QFETCH(QString, factory);
        const QStringList c = change.split(u'|');
        const QStringList f = factory.split(u'|');
        SetupBench b(model);
        b.sim.state().comSpeed = 2; // no model's factory speed
        QVERIFY(b.connectAndAdopt());
        QStringList seen;
        qsizetype from = 0;
        b.openSetup([&](setup::SetupDialog& d) {
            seen << shown(d, c[0]) << QString::number(in(d, "UploadButton")->isEnabled());
            press(d, "SaveButton");
            seen << in<QLabel>(d, "LblProgress")->text();
            type(d, "TextMaxVolume", "12,3");
            press(d, "UploadButton");
            seen << text(d, "TextMaxVolume");
            enter(d, c[0], c[1]);
            from = b.requests.size();
            press(d, "OKButton");
            seen << in<QLabel>(d, "LblProgress")->text() << QString::number(d.isVisible());
            press(d, "CancelButton");
        });
        QTRY_COMPARE(codesOf(b.requests.mid(from)), writesOf(model));
        QVERIFY(b.iniLines().contains('[' + f[0] + ']') && b.iniLines().contains("Saved=True"));
        const QString question = "Tevlin|Everything in " + f[1] +
                                 " will be set to factory settings.\nAre you sure?|warning|Cancel";
        b.openSetup([&](setup::SetupDialog& d) {
            seen << shown(d, c[0]);
            press(d, "FactoryButton");
            seen << text(d, "TextDefVolume") << text(d, "TextAmpName");
            seen << answerMessage([&] { press(d, "DefButton"); }, QMessageBox::Cancel);
            seen << QString::number(d.isVisible());
            seen << answerMessage([&] { press(d, "DefButton"); }, QMessageBox::Ok);
        });
        const QString saved = "Saved to setup.ini, section [" + f[0] + "], in " + b.dir.path() + '.';
        QCOMPARE(seen, (QStringList{c[2], "0", saved, "99,9", "Sent to the amplifier.", "1", c[3], f[3],
                                    f[0].leftJustified(model == AmpModel::Kma840 ? 20 : 0), question, "1",
                                    question}));
        QTRY_COMPARE(codeOf(b.requests.last()), 0x49);
        b.session.tick();
        QCOMPARE(b.state.DeviceAddress + u' ' + QString::number(b.state.ComSpeed), f[2]);
        QCOMPARE(b.label("Notice"),
                 QStringLiteral("The amplifier was reset: it now answers at address %1, %2 "
                                "baud. Press Connect.")
                     .arg(b.state.DeviceAddress)
                     .arg(SpeedBauds[b.state.ComSpeed]));
        QVERIFY(b.connectLink());
    }

    // A new Link ID goes out in packets framed with the old one, where the amplifier still is; the
    // main window takes the change over as the dialog closes, and its next poll goes to the new one. An
    // address beyond 255 is not taken: the models keep the one read, the VX 900 sends 1.
    void addressChange_data()
    {
        QTest::addColumn<AmpModel>("model");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("address"); // the amplifier's, after the Update
        const QList<std::pair<const char*, AmpModel>> models{{"vx900", AmpModel::Vx900},
                                                             {"rx900", AmpModel::Rx900},
                                                             {"kma840", AmpModel::Kma840},
                                                             {"solstice", AmpModel::Solstice}};
        for (const auto& [name, model] : models) {
            QTest::addRow("%s 5 to 7", name) << model << "7" << 7;
            QTest::addRow("%s 5 to 255", name) << model << "255" << 255;
            QTest::addRow("%s 5 to 256", name) << model << "256" << (model == AmpModel::Vx900 ? 1 : 5);
        }
    }
    void addressChange()
    {
        QFETCH(AmpModel, model);
        QFETCH(QString, typed);
        QFETCH(int, address);
        SetupBench b(model);
        b.sim.state().address = 5;
        b.writeIni(pinnedIni(b.pty.devicePath()).replace("DevAdr=1", "DevAdr=5"));
        b.session.load();
        QVERIFY(b.connectLink());
        b.session.tick();
        const qsizetype from = b.requests.size();
        b.openSetup([&](setup::SetupDialog& d) {
            type(d, "TextDeviceAdr", typed);
            press(d, "OKButton");
        });
        const QList<int> writes = writesOf(model);
        QTRY_COMPARE(codesOf(b.requests.mid(from)).mid(b.requests.size() - from - writes.size()), writes);
        for (const QByteArray& packet : b.requests.mid(from))
            QVERIFY2(packet.mid(1, 2) == QByteArray::fromHex("0500"), packet.toHex(' ').constData());
        QTRY_COMPARE(b.sim.state().address, address);
        b.session.tick();
        QCOMPARE(b.state.DeviceAddress, QString::number(address));
        QVERIFY(b.connectLink());
        b.session.tick();
        QCOMPARE(codeOf(b.requests.last()), StatusCode);
        QCOMPARE(b.requests.last().mid(1, 2), QByteArray(1, char(address)) + '\0');
    }

    // An acknowledgement that never comes: the dialog says which packet it waits for and that the
    // amplifier is not answering; Close ends the wait and nothing more is sent. SetParameter's sender
    // closes the port when its wait is cancelled; the others leave the link up.
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
                QLabel* progress = in<QLabel>(d, "LblProgress");
                (void)QTest::qWaitFor(
                    [&] { return progress->text().endsWith(setup::SetupLink::notAnsweringText()); }, 3000);
                said = progress->text();
                press(d, "CancelButton");
                hidden = !d.isVisible();
            });
            press(d, "OKButton");
        });
        QCOMPARE(said, "Writing the settings to the amplifier\u2026 " + progress + u'\n' +
                           setup::SetupLink::notAnsweringText());
        QVERIFY(hidden && !b.session.isLeased() && !b.state.LinkCancelRequested);
        QCOMPARE(codeOf(b.requests.last()), silent);
        QCOMPARE(b.state.LinkConnected, linkUp);
        if (linkUp) {
            b.session.tick();
            QCOMPARE(codeOf(b.requests.last()), StatusCode);
        }
    }

    // A read's reply damaged on the line (checksum inverted, or a length byte that frames it wrongly,
    // its checksum matching): the same request goes out once more. Damaged once, the dialog loads
    // the good reply; damaged again, it says so, stays empty with Update, Default and Save to PC
    // off, and the keys send and store nothing; Escape still closes it.
    void damagedReadReply_data()
    {
        QTest::addColumn<AmpModel>("model");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("lengthByte"); // -1: the checksum inverted instead
        QTest::addColumn<int>("times");      // damaged replies; 0: every one
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("shown"); // after the load; empty: nothing loaded
        QTest::newRow("kma840 settings, checksum, once")
            << AmpModel::Kma840 << 0xCC << -1 << 1 << "TextDeviceAdr"
            << "1";
        QTest::newRow("kma840 input name, length below the read's, once")
            << AmpModel::Kma840 << 0x39 << 7 << 1 << "TextInput1"
            << "USER 1";
        QTest::newRow("kma840 settings, checksum, always") << AmpModel::Kma840 << 0xCC << -1 << 0 << ""
                                                           << "";
        QTest::newRow("rx900 name, one byte short, always") << AmpModel::Rx900 << 0xC5 << 21 << 0 << ""
                                                            << "";
        QTest::newRow("solstice settings, bytes never sent, always")
            << AmpModel::Solstice << 0xCE << 17 << 0 << ""
            << "";
    }
    void damagedReadReply()
    {
        QFETCH(AmpModel, model);
        QFETCH(int, code);
        QFETCH(int, lengthByte);
        QFETCH(int, times);
        QFETCH(QString, control);
        QFETCH(QString, shown);
        SimFaults faults;
        faults.onlyCode = code;
        faults.badChecksum = lengthByte < 0;
        faults.lengthByte = lengthByte;
        faults.times = times;
        SetupBench b(model, faults);
        QVERIFY(b.connectAndAdopt());
        const qsizetype from = b.requests.size();
        QStringList seen;
        QList<QByteArray> read;
        b.openSetup({}, [&](setup::SetupDialog& d) {
            auto* watch = new QTimer(&d);
            QObject::connect(watch, &QTimer::timeout, &d, [&, watch] {
                const QString status = in<QLabel>(d, "LblProgress")->text();
                if (!d.isLoaded() && status != setup::SetupLink::damagedText())
                    return;
                watch->stop();
                seen << status;
                for (const char* name : {"OKButton", "DefButton", "SaveButton"})
                    seen << QString::number(in(d, name)->isEnabled());
                if (d.isLoaded())
                    seen << (control.isEmpty() ? "loaded" : text(d, control));
                read = b.requests.mid(from);
                d.activateWindow();
                QTRY_VERIFY(d.isActiveWindow());
                // Update and Default would write to a loaded amplifier: there only Save to PC.
                for (const Qt::Key key :
                     d.isLoaded() ? QList{Qt::Key_S} : QList{Qt::Key_U, Qt::Key_D, Qt::Key_S})
                    QTest::keyClick(&d, key, Qt::AltModifier);
                // A mnemonic clicks a moment after the key; the clicks are over once no button is down.
                QTRY_VERIFY(!in(d, "OKButton")->isDown() && !in(d, "DefButton")->isDown() &&
                            !in(d, "SaveButton")->isDown());
                QTest::keyClick(&d, Qt::Key_Return);
                QTest::keyClick(&d, Qt::Key_Escape);
            });
            watch->start(10ms);
        });
        const QString loaded = shown.isEmpty() ? "0" : "1";
        QCOMPARE(seen, QStringList(
                           {shown.isEmpty() ? setup::SetupLink::damagedText() : "", loaded, loaded, loaded}) +
                           (shown.isEmpty() ? QStringList() : QStringList{shown}));
        // Asked twice in a row, the same bytes; after a second damaged reply nothing more is read.
        const auto first =
            std::find_if(read.begin(), read.end(), [&](const QByteArray& p) { return codeOf(p) == code; });
        QVERIFY(first != read.end() && first + 1 != read.end() && *first == *(first + 1));
        QCOMPARE(read.count(*first), qsizetype(2));
        if (shown.isEmpty())
            QCOMPARE(read.last(), *first);
        // The keys wrote nothing where nothing was loaded; Alt+S saved where it was.
        QCOMPARE(b.requests.size(), from + read.size());
        QCOMPARE(b.iniLines().contains("Saved=True"), !shown.isEmpty());
        QVERIFY(!b.session.isLeased() && b.state.LinkConnected);
        b.session.tick();
        QCOMPARE(codeOf(b.requests.last()), StatusCode);
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
        QCOMPARE(lines.filter(QRegularExpression("^\\[")),
                 (QStringList{"[ComSettings]", "[Tevlin]", section}));
        QVERIFY(lines.contains("Debug=0") && !lines.contains("Debug=86"));
        QCOMPARE(lines.filter(QRegularExpression("^(COM1|Saved)=")).size(), 2);
    }

    // A save that is not written says why in the dialog and leaves Get from PC off.
    void aSaveNotWrittenSaysWhy()
    {
        SetupBench b(AmpModel::Rx900);
        QVERIFY(b.connectAndAdopt());
        QLockFile heldElsewhere(b.iniPath + ".lock");
        QVERIFY(heldElsewhere.tryLock(0));
        QString said;
        b.openSetup([&](setup::SetupDialog& d) {
            press(d, "SaveButton");
            said = in<QLabel>(d, "LblProgress")->text();
            QVERIFY(!in(d, "UploadButton")->isEnabled());
            press(d, "CancelButton");
        });
        QVERIFY2(said.startsWith("Not saved: ") && said.contains(b.iniPath) &&
                     said.contains(QStringLiteral("process %1").arg(QCoreApplication::applicationPid())),
                 qPrintable(said));
        QVERIFY(!b.iniLines().contains("Saved=True"));
    }

    // Setup in a connected Tevlin: the three reads go out while the poll pauses, and the dialog shows
    // the amplifier's settings; the S shows its room correction instead of the presets.
    // "Save to file…" keeps the form; "Compare with file…" marks what was edited since; "Load from
    // file…" brings the file back, but not a file of another model.
    void configurationFiles_data()
    {
        QTest::addColumn<AmpModel>("model");
        for (const AmpModel model : {AmpModel::Kma840, AmpModel::Solstice, AmpModel::Rx900, AmpModel::Vx900})
            QTest::newRow(qPrintable(QString::number(int(model)))) << model;
    }
    void configurationFiles()
    {
        QFETCH(AmpModel, model);
        SetupBench b(model);
        QVERIFY(b.connectAndAdopt());
        const QString file = b.dir.filePath("config.ini");
        QString before, status, otherModel, loaded;
        QList<int> marked;
        QStringList unnamed;
        b.openSetup([&](setup::SetupDialog& d) {
            // A file's values are named in the form's words: each stored value's caption is shown.
            QStringList shown;
            for (const QWidget* w : d.findChildren<QWidget*>()) {
                shown << w->accessibleName();
                if (const auto* label = qobject_cast<const QLabel*>(w))
                    shown << label->text();
                else if (const auto* check = qobject_cast<const QCheckBox*>(w))
                    shown << check->text();
                else if (const auto* group = qobject_cast<const QGroupBox*>(w))
                    shown << group->title();
            }
            for (const setup::Field& f : specOf(model).fields) {
                if (f.ini.key && !(f.caption && shown.contains(QLatin1String(f.caption))))
                    unnamed << QLatin1String(f.ini.key);
            }
            d.setFileChooser([&](setup::SetupDialog::FileAction) { return file; });
            before = text(d, "TextDefVolume");
            press(d, "SaveFileButton");
            type(d, "TextDefVolume", "12,5");
            press(d, "CompareFileButton");
            marked = d.markedFields();
            status = in<QLabel>(d, "LblProgress")->text();
            const QString saved = b.dir.filePath("saved.ini");
            QFile::copy(file, saved);
            QFile f(file);
            if (f.open(QIODevice::ReadWrite)) {
                const QByteArray other = f.readAll().replace("Model Code=", "Model Code=9");
                f.seek(0);
                f.write(other);
            }
            f.close();
            press(d, "LoadFileButton");
            otherModel = text(d, "TextDefVolume");
            QFile::remove(file);
            QFile::copy(saved, file);
            press(d, "LoadFileButton");
            loaded = text(d, "TextDefVolume");
            press(d, "CancelButton");
        });
        QCOMPARE(unnamed, QStringList());
        QCOMPARE(marked.size(), 1);
        QVERIFY2(status.contains("Def. Volume: file " + before + ", here 12,5"), qPrintable(status));
        QCOMPARE(otherModel, "12,5");
        QCOMPARE(loaded, before);
    }

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
            owned = b.session.isLeased();
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
        QCOMPARE(b.requests.mid(before), Vx900Reads);
        QVERIFY(owned && !upload && !b.session.isLeased());
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
                        .arg(int(b.session.isLeased()));
            press(d, "CancelButton");
        });
        QTRY_COMPARE(codesOf(b.requests.mid(before + 3)), (QList<int>{0xD5, 0xDB, 0xD3}));
        QCOMPARE(after, "-12 1 1");
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

    // The dialog holds the link until it closes: after an Update a tick still sends nothing and a
    // second Update goes out at once; after Close the main window polls again.
    void pollStaysPausedWhileOpen()
    {
        SetupBench b;
        QVERIFY(b.connectAndAdopt());
        qsizetype before = 0;
        b.openSetup([&](setup::SetupDialog& d) {
            before = b.requests.size();
            press(d, "OKButton");
            b.session.tick();
            press(d, "OKButton");
            press(d, "CancelButton");
        });
        b.session.tick();
        const QList<int> update{0xD5, 0xDB, 0xD3};
        QTRY_COMPARE(codesOf(b.requests.mid(before)), update + update + QList<int>{StatusCode});
    }

    // Factoty set. on an amplifier at its factory address and speed leaves the link alone; the
    // preset lock boxes only show.
    void factoryValuesKeepTheLink()
    {
        SetupBench b;
        QVERIFY(b.connectAndAdopt());
        QStringList seen;
        b.openSetup([&](setup::SetupDialog& d) {
            type(d, "TxtMainL", "77");
            press(d, "FactoryButton");
            seen << text(d, "TxtMainL") << QString::number(d.linkEdited());
            in<QCheckBox>(d, "Check8")->click();
            seen << QString::number(in<QCheckBox>(d, "Check8")->isChecked());
            press(d, "CancelButton");
        });
        QCOMPARE(seen, (QStringList{"0", "0", "1"}));
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
        QVERIFY(hidden && !b.session.isLeased() && !b.state.LinkCancelRequested);
        QCOMPARE(b.requests.mid(before), Vx900Reads.first(n));
        b.session.tick();
        QCOMPARE(codeOf(b.requests.last()), StatusCode);
        QVERIFY(b.state.LinkConnected);
    }

    // Each model's dialog within a screen's free area: where it would be larger (a scale factor of 2
    // on a 1600×1000 screen) its form scrolls and the buttons stay in view; where it fits nothing
    // changes. A box that takes no typing looks read-only (the window's colour) and keeps the focus.
    void fitsTheScreen_data()
    {
        QTest::addColumn<AmpModel>("model");
        QTest::addColumn<QSize>("available");
        QTest::addColumn<QString>("readOnly"); // boxes that take no typing
        const QString vx900 = "TextAmpName TxtFocus TxtMeasureVolume TxtVoicing";
        for (const QSize size : {QSize(800, 500), QSize(1600, 1000)}) {
            const QByteArray in = QByteArray::number(size.width()) + 'x' + QByteArray::number(size.height());
            QTest::addRow("vx900s %s", in.data()) << AmpModel::Vx900s << size << vx900;
            QTest::addRow("rx900 %s", in.data()) << AmpModel::Rx900 << size << "";
            QTest::addRow("kma840 %s", in.data()) << AmpModel::Kma840 << size << "";
            QTest::addRow("solstice %s", in.data()) << AmpModel::Solstice << size << "";
        }
    }
    void fitsTheScreen()
    {
        QFETCH(AmpModel, model);
        QFETCH(QSize, available);
        QFETCH(QString, readOnly);
        SetupBench b(model);
        control::LinkLease lease = b.session.lease();
        const std::unique_ptr<setup::SetupDialog> d = dialogOf(model, lease, &b.window);
        const QSize natural = d->sizeHint();
        d->fitInto(available);
        d->show();
        const bool larger = natural.width() > available.width() || natural.height() > available.height();
        const auto* scroll = d->findChild<QScrollArea*>("FormScroll");
        QTRY_COMPARE_WITH_TIMEOUT(scroll->horizontalScrollBar()->isVisible() ||
                                      scroll->verticalScrollBar()->isVisible(),
                                  larger, 1000);
        QVERIFY(QRect(QPoint(), available).contains(QRect(QPoint(), d->size())));
        if (!larger)
            QCOMPARE(d->size(), natural);
        QStringList seen;
        for (const QLineEdit* box : d->findChildren<QLineEdit*>()) {
            if (!box->isReadOnly())
                continue;
            seen << box->objectName();
            QCOMPARE(box->palette().color(QPalette::Base), box->palette().color(QPalette::Window));
            QVERIFY(box->focusPolicy() != Qt::NoFocus);
        }
        seen.sort();
        QCOMPARE(seen.join(u' '), readOnly);
    }

    // Setup for a unit that reports no model says that it has no dialog; it does not promise one
    // once the front panel shows the type.
    void setupForAUnitWithoutAModel()
    {
        SetupBench b(AmpModel::Generic21);
        QVERIFY(b.connectAndAdopt());
        QCOMPARE(answerMessage([&] { b.click("BtnSetupAmp"); }, QMessageBox::Ok),
                 "Tevlin|This amplifier does not report its model, so Tevlin has no setup dialog for "
                 "it.|information|OK");
        QVERIFY(!b.session.isLeased() && b.state.LinkConnected);
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
            // Once the read's wait has ended and the dialog says why.
            auto* watch = new QTimer(dialog);
            QObject::connect(watch, &QTimer::timeout, dialog, [&, watch] {
                const QString said = in<QLabel>(*dialog, "LblProgress")->text();
                if (!said.startsWith("The link"))
                    return;
                watch->stop();
                shown = said + u'|' + QString::number(in(*dialog, "OKButton")->isEnabled()) + u'|' +
                        b.linkState();
                press(*dialog, "CancelButton");
            });
            watch->start(10ms);
        });
        b.openSetup({});
        QCOMPARE(shown,
                 QStringLiteral("The link to the amplifier is down, so its settings could not be read.|0|") +
                     Bench::Idle);
        QVERIFY(!b.session.isLeased() && !b.state.LinkCancelRequested);
    }
};

QTEST_MAIN(TestSetupDialogs)
#include "tst_setupdialogs.moc"
