#include "setup/solsetup.h"

#include "setup/setupform.h"
#include "setup/solsticemodel.h"

#include <QFormLayout>
#include <QFrame>
#include <QLineEdit>

namespace setup {

using namespace solstice;

Solsetup::Solsetup(control::LinkLease& lease, QWidget* parent) : SetupDialog(Spec, lease, parent)
{
    setObjectName(QStringLiteral("Solsetup"));
    auto* f = new QFormLayout(addColumn(tr("Amplifier")));
    nameAndLinkRows(f, QStringLiteral("(Max. 20 characters)"), {"9600", "57600"})->setText("Solstice mk.III");
    volumeRows(f, DefVol, MaxVol);
    listRow(f, Intens, QStringLiteral("CmbBright"), {"Low intens", "High intens", "Disp. Off"});
    listRow(f, MS, QStringLiteral("CmbMS"), {"Slave", "Master"});

    QWidget* right = nullptr;
    auto* remote = new QFormLayout(addColumn(tr("Remote control"), &right));
    checkRow(remote, IRenab, QStringLiteral("CheckIR"));
    checkRow(remote, IRBlack, QStringLiteral("CheckBlack"));
    checkRow(remote, IRSilver, QStringLiteral("CheckSilver"));
    presetRows(new QFormLayout(form::addPanel(right, tr("Presets"))), Preset, PresetLock);
    finishForm();
}

} // namespace setup
