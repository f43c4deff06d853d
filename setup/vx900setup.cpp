#include "setup/vx900setup.h"

#include "control/numerickeyfilter.h"
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
const QStringList NoTimeout{"No Timeout", "Timeout"};

} // namespace

VX900setup::VX900setup(control::LinkSession& session, QWidget* parent) : SetupDialog(Spec, session, parent)
{
    setObjectName(QStringLiteral("VX900setup"));
    auto* form = new QWidget(this);
    auto* columns = new QHBoxLayout(form);
    columns->setContentsMargins(0, 0, 0, 0);
    // Made column by column, top to bottom: the tab order follows.
    for (QWidget* column : {amplifierColumn(form), inputsColumn(form), outputsColumn(form)})
        columns->addWidget(column);
    setForm(form);

    m_timer1.setInterval(Timer1Interval);
    connect(&m_timer1, &QTimer::timeout, this, &VX900setup::timerTick);
}

QWidget* VX900setup::amplifierColumn(QWidget* parent)
{
    QWidget* column = nullptr;
    QFrame* group = form::column(parent, tr("Amplifier"), &column);
    m_amplifier = new QFormLayout(group);
    QFormLayout* f = m_amplifier;
    auto* name = form::readOnlyBox(group, QStringLiteral("TextAmpName"), 130);
    addRow(f, tr("&Name"), name);
    bindBox(AmpName, name);
    auto* address = box(group, QStringLiteral("TextDeviceAdr"));
    addRow(f, tr("Link &ID"), address);
    bindBox(DevAdr, address);
    auto* speed = list(group, QStringLiteral("CmbLinkSpeed"), {"9600", "57600", "115000"});
    addRow(f, tr("Lin&k Speed"), speed);
    bindList(ComSpe, speed);
    auto* defVolume = box(group, QStringLiteral("TextDefVolume"));
    addRow(f, tr("Def. &Volume"), defVolume, QStringLiteral("dB"));
    bindBox(DefVol, defVolume);
    auto* maxVolume = box(group, QStringLiteral("TextMaxVolume"));
    addRow(f, tr("Ma&x. Volume"), maxVolume, QStringLiteral("dB"));
    bindBox(MaxVol, maxVolume);
    for (QLineEdit* volume : {defVolume, maxVolume})
        new control::NumericKeyFilter(volume, 1);
    auto* ir = new QCheckBox(tr("IR &enabled"), group);
    ir->setObjectName(QStringLiteral("CheckIR"));
    f->addRow(ir);
    bindCheck(IRenab, ir);
    auto* bright = list(group, QStringLiteral("CmbBright"), NoTimeout);
    addRow(f, tr("Displa&y"), bright);
    bindList(Intens, bright);
    auto* masterSlave = list(group, QStringLiteral("CmbMS"), {"Slave", "Master"});
    addRow(f, tr("&Master/Slave"), masterSlave);
    bindList(MS, masterSlave);
    auto* trigger = list(group, QStringLiteral("CmbTrig"), {"Off", "On"});
    addRow(f, tr("&Trigger"), trigger);
    bindList(Trig, trigger);
    QStringList presets;
    for (int n = 1; n <= 7; ++n)
        presets << QStringLiteral("Preset %1").arg(n);
    auto* preset = list(group, QStringLiteral("CmbPreset"), presets << QStringLiteral("Bypass"));
    m_presetRows << addRow(f, tr("P&reset"), preset);
    bindList(Preset, preset);

    auto* frame = new QGroupBox(QStringLiteral("Avaliable Presets (read only)"), group);
    frame->setObjectName(QStringLiteral("Frame1"));
    auto* grid = new QGridLayout(frame);
    std::array<QCheckBox*, 8> lock{};
    for (int k = 0; k < 8; ++k) {
        lock[k] = new QCheckBox(presets[k], frame);
        lock[k]->setObjectName(QStringLiteral("Check%1").arg(k + 1));
        grid->addWidget(lock[k], k / 2, k % 2);
    }
    f->addRow(frame);
    m_presetRows << f->rowCount() - 1;
    bindPresetLock(PresetLock, lock);

    auto* voicing = form::readOnlyBox(group, QStringLiteral("TxtVoicing"));
    m_roomCorrectionRows << addRow(f, tr("Voicing selected"), voicing);
    bindBox(VoicingSelected, voicing);
    auto* measure = form::readOnlyBox(group, QStringLiteral("TxtMeasureVolume"), 64);
    m_roomCorrectionRows << addRow(f, tr("Measure Volume"), measure, QStringLiteral("dB"));
    bindBox(MeasureVolume, measure);
    auto* focus = form::readOnlyBox(group, QStringLiteral("TxtFocus"));
    m_roomCorrectionRows << addRow(f, tr("Focus selected"), focus);
    bindBox(FocusSelected, focus);
    for (const int row : std::as_const(m_roomCorrectionRows))
        f->setRowVisible(row, false);
    return column;
}

QWidget* VX900setup::inputsColumn(QWidget* parent)
{
    QWidget* column = nullptr;
    QFrame* group = form::column(parent, tr("Inputs"), &column);
    auto* grid = new QGridLayout(group);
    // Analog 1..4, then digital 1..5: the sensitivity, then the name shown for the input.
    for (int k = 0; k < 9; ++k) {
        const bool analog = k < 4;
        const int n = analog ? k + 1 : k - 3;
        const QString kind = analog ? QStringLiteral("Analog") : QStringLiteral("Digital");
        auto* sensitivity = box(group, QStringLiteral("TxtInputsens%1%2").arg(kind).arg(n - 1));
        form::addToGrid(grid, k, 0, tr("%1 %2 sens.").arg(kind).arg(n), sensitivity, QStringLiteral("dB"));
        bindBox(AnalogSens1 + k, sensitivity);
        auto* label = list(group, QStringLiteral("Cmb%1Label%2").arg(kind).arg(n - 1), Labels);
        form::addToGrid(grid, k, 3, tr("Input name %1%2").arg(kind.front()).arg(n), label);
        bindList(AnalogLabel1 + k, label);
    }
    grid->setColumnMinimumWidth(3, 90);
    return column;
}

QWidget* VX900setup::outputsColumn(QWidget* parent)
{
    QWidget* column = nullptr;
    QFrame* group = form::column(parent, tr("Outputs"), &column);
    auto* f = new QFormLayout(group);
    auto* level = box(group, QStringLiteral("TxtLineOutLevel"));
    addRow(f, tr("&Lineout level"), level, QStringLiteral("dB"));
    bindBox(LineOutLevel, level);
    auto* control = list(group, QStringLiteral("CmbLineOutCnt"), {"Regulated", "Full Scale"});
    addRow(f, tr("Lineout contr."), control);
    bindList(LineOutControl, control);
    auto* crossOver = box(group, QStringLiteral("TxtCrossOverFq"));
    addRow(f, tr("Crossover fre&q."), crossOver, QStringLiteral("Hz"));
    bindBox(CrossOverFreq, crossOver);
    auto* filter =
        list(group, QStringLiteral("CmbFilterType"),
             {"2.ord. LiRi", "4.ord. LiRi", "8.ord. LiRi", "1.ord. Butw", "2.ord. Butw", "4.ord. Butw"});
    addRow(f, tr("Filter ty&pe"), filter);
    bindList(FilterType, filter);
    const std::array<const char*, 4> sides{"Main L", "Main R", "Line L", "Line R"};
    const std::array<const char*, 4> routeNames{"CmbRouteMainL", "CmbRouteMainR", "CmbRouteLineL",
                                                "CmbRouteLineR"};
    for (int k = 0; k < 4; ++k) {
        m_routing[k] = list(group, QLatin1String(routeNames[k]), k < 2 ? MainRouting : LineRouting);
        addRow(f, tr("Routing %1").arg(QLatin1String(sides[k])), m_routing[k]);
        bindList(RoutingMainL + k, m_routing[k]);
    }
    const std::array<const char*, 4> delayNames{"TxtMainL", "TxtMainR", "TxtLineL", "TxtLineR"};
    for (int k = 0; k < 4; ++k) {
        m_delays[k] = box(group, QLatin1String(delayNames[k]));
        addRow(f, tr("Delay %1").arg(QLatin1String(sides[k])), m_delays[k], QStringLiteral("cm"));
        bindBox(DelayMainL + k, m_delays[k]);
    }
    auto* brightness = list(group, QStringLiteral("CmbIntensity"), {"25%", "50%", "75%", "100%"});
    addRow(f, tr("Disp. &Brightness"), brightness);
    bindList(DisplayBrightness, brightness);
    auto* volumeTimeout = list(group, QStringLiteral("CmbVolBright"), NoTimeout);
    addRow(f, tr("Vol.disp. timeout"), volumeTimeout);
    bindList(VolumeDispTimeout, volumeTimeout);
    return column;
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
