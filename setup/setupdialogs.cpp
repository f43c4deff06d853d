#include "setup/setupdialogs.h"

#include "setup/vx900setup.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <array>
#include <memory>

namespace setup {
namespace {

struct ModelDialog
{
    bool (*opensFor)(int modelCode);
    const ModelSpec* spec;
    std::unique_ptr<SetupDialog> (*make)(control::LinkSession& session, QWidget* owner);
};

template <typename Dialog> std::unique_ptr<SetupDialog> make(control::LinkSession& session, QWidget* owner)
{
    return std::make_unique<Dialog>(session, owner);
}

const std::array<ModelDialog, 1> Dialogs{{
    {vx900::opensFor, &vx900::Spec, make<VX900setup>},
}};

const ModelDialog* dialogFor(int modelCode)
{
    for (const ModelDialog& d : Dialogs) {
        if (d.opensFor(modelCode))
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
        QMessageBox::information(
            m_owner, QGuiApplication::applicationDisplayName(),
            modelCode == 0 ? tr("The amplifier has not reported its model yet. Press Setup again once "
                                "the front panel shows its type.")
                           : tr("The setup dialog for this amplifier is not yet available."));
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
