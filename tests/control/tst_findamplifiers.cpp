#include "control/findamplifiersdialog.h"
#include "control/linksession.h"
#include "serial/comform.h"
#include "serial/wait.h"
#include "sim/ampsim.h"
#include "sim/pty.h"
#include "sim/simdriver.h"
#include "watchdog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace std::chrono_literals;

// Setting > Find amplifiers… against a line with amplifiers at addresses 2 and 4. The dialog keeps
// its width while the address tried grows.
class TestFindAmplifiers : public QObject
{
    Q_OBJECT
private slots:
    void choosingAFoundAmplifierTakesItsAddress_data()
    {
        QTest::addColumn<int>("row"); // the entry chosen; -1: Cancel while searching; -2: none found
        QTest::addColumn<QString>("address");
        QTest::newRow("the second found") << 1 << "4";
        QTest::newRow("cancelled") << -1 << "9";
        QTest::newRow("none at 9 and 10") << -2 << "9";
    }
    void choosingAFoundAmplifierTakesItsAddress()
    {
        QFETCH(int, row);
        QFETCH(QString, address);
        const Watchdog watchdog(10s);
        QTemporaryDir dir;
        Pty pty;
        AmpSim vx900(AmpModel::Vx900, 2);
        AmpSim kma840(AmpModel::Kma840, 4);
        SimDriver driver({&vx900, &kma840}, pty);
        control::LinkSession session(dir.filePath("setup.ini"));
        ComForm& link = session.link();
        std::array<QString, PortMap::LastPort + 1> pins{};
        pins[1] = pty.devicePath();
        link.setPortMap(PortMap({}, pins));
        session.setDeviceAddress("9");

        control::FindAmplifiersDialog dialog(session);
        dialog.setAddresses(row == -2 ? 9 : 1, row == -2 ? 10 : row < 0 ? 200 : 5);
        auto* list = dialog.findChild<QListWidget*>("AmplifiersFound");
        QSet<int> widths;
        QObject::connect(dialog.findChild<QProgressBar*>(), &QProgressBar::valueChanged, &dialog,
                         [&] { widths << dialog.width(); });
        if (row < 0) {
            QObject::connect(list->model(), &QAbstractItemModel::rowsInserted, &dialog, &QDialog::reject);
        }
        QObject::connect(&dialog, &QDialog::finished, &dialog, [&](int result) {
            if (result == QDialog::Accepted)
                session.setDeviceAddress(QString::number(dialog.chosenAddress()));
        });
        dialog.open();
        QCOMPARE(waitUntil(
                     [&] {
                         const QString said = dialog.findChild<QLabel*>()->text();
                         return row == -1
                                    ? !dialog.isVisible()
                                    : said.startsWith(row < 0 ? "No amplifier answered at addresses 9 to 10"
                                                              : "Done");
                     },
                     nullptr, 8s),
                 WaitResult::Met);
        QCOMPARE(widths.size(), 1);
        if (row == -2)
            dialog.reject();
        if (row >= 0) {
            QCOMPARE(list->count(), 2);
            QCOMPARE(list->item(0)->text(), "Address 2: VX 900 vers. 32");
            QCOMPARE(list->item(1)->text(), "Address 4: KMA840 vers. 18");
            list->setCurrentRow(row);
            for (QAbstractButton* button : dialog.findChild<QDialogButtonBox*>()->buttons()) {
                if (button->text() == "&Use this address")
                    button->click();
            }
        }
        QCOMPARE(waitUntil([&] { return !dialog.isVisible() && !link.CheckMScomm(); }, nullptr, 2s),
                 WaitResult::Met);
        QCOMPARE(session.state().DeviceAddress, address);
    }
};

QTEST_MAIN(TestFindAmplifiers)
#include "tst_findamplifiers.moc"
