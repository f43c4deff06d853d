#include "setup/rx900setup.h"

#include "setup/rx900model.h"
#include "setup/setupform.h"

#include <QFormLayout>
#include <QFrame>
#include <QLabel>
#include <QVBoxLayout>

namespace setup {

using namespace rx900;

RX900setup::RX900setup(control::LinkLease& lease, QWidget* parent) : SetupDialog(Spec, lease, parent)
{
    setObjectName(QStringLiteral("RX900setup"));
    auto* f = new QFormLayout(addColumn(tr("Amplifier")));
    nameAndLinkRows(f, QStringLiteral("(Max. 20 characters)"), {"9600", "57600", "115000"});
    volumeRows(f, DefVol, MaxVol);
    checkRow(f, IRenab, QStringLiteral("CheckIR"));
    listRow(f, Intens, QStringLiteral("CmbBright"), form::NoTimeout);
    listRow(f, MS, QStringLiteral("CmbMS"), {"Slave", "Master"});
    listRow(f, Trig, QStringLiteral("CmbTrig"), {"Off", "On"});
    presetRows(f, Preset, PresetLock);

    // The converter levels above the temperatures, in one column.
    QWidget* right = nullptr;
    auto* levels = new QFormLayout(addColumn(tr("Inputs"), &right));
    for (int k = 0; k < 4; ++k)
        listRow(levels, Adc1 + k, QStringLiteral("CmbADC%1").arg(k + 1), {"Low", "High"});
    QFrame* temperatures = form::addPanel(right, QStringLiteral("Temperatures"));
    auto* shown = new QVBoxLayout(temperatures);
    for (const auto& [field, name, caption] : {std::tuple{BridgeTemperature, "LabelBridge", "Bridge"},
                                               std::tuple{CoilTemperature, "LabelCoil", "Coil"}}) {
        auto* label = new QLabel(QLatin1String(caption), temperatures);
        label->setObjectName(QLatin1String(name));
        shown->addWidget(label);
        bindLabel(field, label);
    }
    finishForm();
}

} // namespace setup
