#pragma once

#include "setup/setupdialog.h"
#include "setup/vx900model.h"

#include <QTimer>

class QFormLayout;

namespace setup {

// The dialog of the VX 900 and VX 900S: the shared flow on the model's description, plus its
// oddities: the room-correction view and the 300 ms timer that keeps each routing pair in one
// group and resets invalid delays.
class VX900setup : public SetupDialog
{
    Q_OBJECT
public:
    explicit VX900setup(control::LinkLease& lease, QWidget* parent = nullptr);

protected:
    void afterLoad() override;
    void beforeClose() override;

private:
    void amplifierColumn();
    void inputsColumn();
    void outputsColumn();
    void timerTick();

    QFormLayout* m_amplifier = nullptr;
    QList<int> m_presetRows;
    QList<int> m_roomCorrectionRows;
    std::array<QComboBox*, 4> m_routing{};
    std::array<QLineEdit*, 4> m_delays{};
    vx900::Routing m_routingPrevious{};
    QTimer m_timer1;
};

} // namespace setup
