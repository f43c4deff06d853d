#pragma once

#include "setup/setupdialog.h"

namespace setup {

// The dialog of the RX900: the shared flow on the model's description; its name is editable and
// goes to the amplifier, and it shows the two temperatures read on opening.
class RX900setup : public SetupDialog
{
    Q_OBJECT
public:
    explicit RX900setup(control::LinkLease& lease, QWidget* parent = nullptr);
};

} // namespace setup
