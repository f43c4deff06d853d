#include "setup/setupdialogs.h"

#include "setup/kma840model.h"
#include "setup/kma840setup.h"
#include "setup/rx900model.h"
#include "setup/rx900setup.h"
#include "setup/solsetup.h"
#include "setup/solsticemodel.h"
#include "setup/vx900model.h"
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
    std::array<int, 2> codes; // the model codes it opens for; -1: none
    const ModelSpec* spec;
    std::unique_ptr<SetupDialog> (*make)(control::LinkSession& session, QWidget* owner);
};

template <typename Dialog> std::unique_ptr<SetupDialog> make(control::LinkSession& session, QWidget* owner)
{
    return std::make_unique<Dialog>(session, owner);
}

const std::array<ModelDialog, 4> Dialogs{{
    {{1, -1}, &kma840::Spec, make<KMA840setup>},
    {{2, -1}, &solstice::Spec, make<Solsetup>},
    {{3, -1}, &rx900::Spec, make<RX900setup>},
    {{5, 7}, &vx900::Spec, make<VX900setup>},
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
    m_session.setSetupHooks({[this](int modelCode) { open(modelCode); },
                             [this](int modelCode) -> std::optional<control::LinkSession::SetupLinkValues> {
                                 const ModelDialog* d = dialogFor(modelCode);
                                 const auto left = d ? m_left.find(d->spec) : m_left.end();
                                 if (left == m_left.end())
                                     return std::nullopt;
                                 return left->second;
                             }});
}

void SetupDialogs::open(int modelCode)
{
    const ModelDialog* d = dialogFor(modelCode);
    if (!d) {
        QMessageBox::information(m_owner, QGuiApplication::applicationDisplayName(),
                                 tr("The amplifier has not reported its model yet. Press Setup again "
                                    "once the front panel shows its type."));
        return;
    }
    const std::unique_ptr<SetupDialog> dialog = d->make(m_session, m_owner);
    emit opened(dialog.get());
    dialog->run();
    // Values of a dialog that never read the amplifier would be noise.
    if (dialog->isLoaded())
        m_left[d->spec] = dialog->linkValues();
}

} // namespace setup
