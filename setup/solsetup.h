#pragma once

#include "setup/setupdialog.h"

namespace setup {

// The dialog of the Solstice mk.III: the shared flow on the model's description, with the remote
// controls it obeys beside its presets.
class Solsetup : public SetupDialog
{
    Q_OBJECT
public:
    explicit Solsetup(control::LinkLease& lease, QWidget* parent = nullptr);
};

} // namespace setup
