#include "setup/kma840setup.h"

#include "setup/kma840model.h"
#include "setup/setupform.h"
#include "widgets/numerickeyfilter.h"

#include <QComboBox>
#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

namespace setup {

using namespace kma840;

KMA840setup::KMA840setup(control::LinkLease& lease, QWidget* parent) : SetupDialog(Spec, lease, parent)
{
    setObjectName(QStringLiteral("KMA840setup"));
    auto* f = new QFormLayout(addColumn(tr("Amplifier")));
    nameAndLinkRows(f, QStringLiteral("Amp. name (Max. 20 characters)"), {"9600", "57600", "115200"})
        ->setText("KMA 840");
    volumeRows(f, DefVol, MaxVol);
    checkRow(f, IRenab, QStringLiteral("CheckIR"));
    listRow(f, Intens, QStringLiteral("CmbBright"), {"Disp off", "1", "2", "3", "4"});
    QStringList balance;
    for (int step = -6; step <= 6; ++step)
        balance << QStringLiteral("%1 dB").arg(step / 2.0, 0, 'f', 1);
    listRow(f, Balanc, QStringLiteral("CmbBalance"), balance);

    // One row per input under the column headings; a row's label names its name box, and the
    // other two cells are named by their row and column.
    QFrame* panel = addColumn(tr("Inputs"));
    auto* grid = new QGridLayout(panel);
    const QStringList headings{QStringLiteral("Input text"), QStringLiteral("Rel. Vol./dB"),
                               QStringLiteral("Sensitivity")};
    for (int c = 0; c < 3; ++c)
        grid->addWidget(new QLabel(headings[c], panel), 0, c + 1);
    for (int k = 0; k < 7; ++k) {
        auto* name = form::textBox(panel, QStringLiteral("TextInput%1").arg(k + 1), 70);
        form::addToGrid(grid, k + 1, 0, caption(InputName1 + k), name);
        bindBox(InputName1 + k, name);
        auto* level = form::box(panel, QStringLiteral("TxtRelVol%1").arg(k + 1));
        level->setAccessibleName(caption(RelVol1 + k));
        new widgets::NumericKeyFilter(level, 1);
        grid->addWidget(level, k + 1, 2);
        bindBox(RelVol1 + k, level);
        auto* sensitivity = form::list(panel, QStringLiteral("CmbSensit%1").arg(k + 1), {"0 dB", "6 dB"});
        sensitivity->setAccessibleName(caption(Sensit1 + k));
        grid->addWidget(sensitivity, k + 1, 3);
        bindList(Sensit1 + k, sensitivity);
    }
    finishForm();
}

} // namespace setup
