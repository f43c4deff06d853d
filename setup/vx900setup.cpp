#include "setup/vx900setup.h"

#include "setup/setupform.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>

namespace setup {

using namespace vx900;
using form::addRow;
using form::box;
using form::list;

namespace {

constexpr std::chrono::milliseconds Timer1Interval{300};

} // namespace

VX900setup::VX900setup(control::LinkLease& lease, QWidget* parent) : SetupDialog(Spec, lease, parent)
{
    setObjectName(QStringLiteral("VX900setup"));
    // Made column by column, top to bottom: the tab order follows.
    amplifierColumn();
    inputsColumn();
    outputsColumn();
    finishForm();

    m_timer1.setInterval(Timer1Interval);
    connect(&m_timer1, &QTimer::timeout, this, &VX900setup::timerTick);
}

void VX900setup::amplifierColumn()
{
    QFrame* group = addColumn(tr("Amplifier"));
    m_amplifier = new QFormLayout(group);
    QFormLayout* f = m_amplifier;
    nameAndLinkRows(f, QString(), {"9600", "57600", "115000"});
    volumeRows(f, DefVol, MaxVol);
    checkRow(f, IRenab, QStringLiteral("CheckIR"));
    listRow(f, Intens, QStringLiteral("CmbBright"), form::NoTimeout);
    listRow(f, MS, QStringLiteral("CmbMS"), {"Slave", "Master"});
    listRow(f, Trig, QStringLiteral("CmbTrig"), {"Off", "On"});
    m_presetRows = presetRows(f, Preset, PresetLock);

    auto* voicing = form::readOnlyBox(group, QStringLiteral("TxtVoicing"));
    m_roomCorrectionRows << addRow(f, caption(VoicingSelected), voicing);
    bindBox(VoicingSelected, voicing);
    auto* measure = form::readOnlyBox(group, QStringLiteral("TxtMeasureVolume"), 64);
    m_roomCorrectionRows << addRow(f, caption(MeasureVolume), measure, QStringLiteral("dB"));
    bindBox(MeasureVolume, measure);
    auto* focus = form::readOnlyBox(group, QStringLiteral("TxtFocus"));
    m_roomCorrectionRows << addRow(f, caption(FocusSelected), focus);
    bindBox(FocusSelected, focus);
    for (const int row : std::as_const(m_roomCorrectionRows))
        f->setRowVisible(row, false);
}

void VX900setup::inputsColumn()
{
    QFrame* group = addColumn(tr("Inputs"));
    auto* grid = new QGridLayout(group);
    // Analog 1..4, then digital 1..5: the sensitivity, then the name shown for the input.
    for (int k = 0; k < 9; ++k) {
        const bool analog = k < 4;
        const int n = analog ? k + 1 : k - 3;
        const QString kind = analog ? QStringLiteral("Analog") : QStringLiteral("Digital");
        auto* sensitivity = box(group, QStringLiteral("TxtInputsens%1%2").arg(kind).arg(n - 1));
        form::addToGrid(grid, k, 0, caption(AnalogSens1 + k), sensitivity, QStringLiteral("dB"));
        bindBox(AnalogSens1 + k, sensitivity);
        auto* label = list(group, QStringLiteral("Cmb%1Label%2").arg(kind).arg(n - 1), Labels);
        form::addToGrid(grid, k, 3, caption(AnalogLabel1 + k), label);
        bindList(AnalogLabel1 + k, label);
    }
    grid->setColumnMinimumWidth(3, 90);
}

void VX900setup::outputsColumn()
{
    QFrame* group = addColumn(tr("Outputs"));
    auto* f = new QFormLayout(group);
    boxRow(f, LineOutLevel, QStringLiteral("TxtLineOutLevel"), QStringLiteral("dB"));
    listRow(f, LineOutControl, QStringLiteral("CmbLineOutCnt"), {"Regulated", "Full Scale"});
    boxRow(f, CrossOverFreq, QStringLiteral("TxtCrossOverFq"), QStringLiteral("Hz"));
    listRow(f, FilterType, QStringLiteral("CmbFilterType"),
            {"2.ord. LiRi", "4.ord. LiRi", "8.ord. LiRi", "1.ord. Butw", "2.ord. Butw", "4.ord. Butw"});
    const std::array<const char*, 4> routeNames{"CmbRouteMainL", "CmbRouteMainR", "CmbRouteLineL",
                                                "CmbRouteLineR"};
    for (int k = 0; k < 4; ++k)
        m_routing[k] =
            listRow(f, RoutingMainL + k, QLatin1String(routeNames[k]), k < 2 ? MainRouting : LineRouting);
    const std::array<const char*, 4> delayNames{"TxtMainL", "TxtMainR", "TxtLineL", "TxtLineR"};
    for (int k = 0; k < 4; ++k)
        m_delays[k] = boxRow(f, DelayMainL + k, QLatin1String(delayNames[k]), QStringLiteral("cm"));
    listRow(f, DisplayBrightness, QStringLiteral("CmbIntensity"), {"25%", "50%", "75%", "100%"});
    listRow(f, VolumeDispTimeout, QStringLiteral("CmbVolBright"), form::NoTimeout);
}

void VX900setup::afterLoad()
{
    // With the room correction installed its settings take the place of the presets.
    const bool roomCorrection = value(AuralignInstalled) != 0;
    for (const int row : std::as_const(m_presetRows))
        m_amplifier->setRowVisible(row, !roomCorrection);
    for (const int row : std::as_const(m_roomCorrectionRows))
        m_amplifier->setRowVisible(row, roomCorrection);
    for (int k = 0; k < 4; ++k)
        m_routingPrevious[k] = m_routing[k]->currentIndex();
    m_timer1.start();
}

void VX900setup::beforeClose()
{
    m_timer1.stop();
}

void VX900setup::timerTick()
{
    Routing routing;
    for (int k = 0; k < 4; ++k)
        routing[k] = m_routing[k]->currentIndex();
    followRouting(routing, m_routingPrevious);
    for (int k = 0; k < 4; ++k) {
        if (m_routing[k]->currentIndex() != routing[k])
            m_routing[k]->setCurrentIndex(routing[k]);
    }
    for (int k = 0; k < 4; ++k) {
        QString text = m_delays[k]->text();
        value(DelayMainL + k) = checkedDelay(text);
        if (text != m_delays[k]->text())
            m_delays[k]->setText(text);
    }
}

} // namespace setup
