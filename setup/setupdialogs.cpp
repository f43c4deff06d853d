#include "setup/setupdialogs.h"

#include "control/linknotices.h"
#include "protocol/models.h"
#include "setup/kma840setup.h"
#include "setup/rx900setup.h"
#include "setup/solsetup.h"
#include "setup/vx900setup.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <algorithm>
#include <array>
#include <memory>

namespace setup {
namespace {

struct ModelDialog
{
    std::array<int, 2> codes; // the model codes (protocol/models.h) it opens for; -1: none
    std::unique_ptr<SetupDialog> (*make)(control::LinkLease& lease, QWidget* owner);
};

template <typename Dialog> std::unique_ptr<SetupDialog> make(control::LinkLease& lease, QWidget* owner)
{
    return std::make_unique<Dialog>(lease, owner);
}

const std::array<ModelDialog, 4> Dialogs{{
    {{ModelCode::Kma840, -1}, make<KMA840setup>},
    {{ModelCode::Solstice, -1}, make<Solsetup>},
    {{ModelCode::Rx900, -1}, make<RX900setup>},
    {{ModelCode::Vx900, ModelCode::Vx900S}, make<VX900setup>},
}};

const ModelDialog* dialogFor(int modelCode)
{
    for (const ModelDialog& d : Dialogs) {
        if (std::find(d.codes.begin(), d.codes.end(), modelCode) != d.codes.end())
            return &d;
    }
    return nullptr;
}

} // namespace

SetupDialogs::SetupDialogs(control::LinkSession& session, QWidget* owner) : m_session(session), m_owner(owner)
{
    connect(&m_session, &control::LinkSession::setupRequested, this, &SetupDialogs::open);
}

void SetupDialogs::open(int modelCode)
{
    const ModelDialog* d = dialogFor(modelCode);
    if (!d) {
        // Pressing Setup again helps only while the first status reply is still to come.
        QMessageBox::information(m_owner, QGuiApplication::applicationDisplayName(),
                                 control::noSetupDialogNotice(modelCode, m_session.panelLit()));
        return;
    }
    control::LinkLease lease = m_session.lease();
    const std::unique_ptr<SetupDialog> dialog = d->make(lease, m_owner);
    emit opened(dialog.get());
    dialog->run();
    lease.end(dialog->linkChange());
}

} // namespace setup
