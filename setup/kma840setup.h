#pragma once

#include "setup/setupdialog.h"

namespace setup {

// The dialog of the KMA840: the shared flow on the model's description, with a table of its seven
// inputs (name, relative volume, sensitivity).
class KMA840setup : public SetupDialog
{
    Q_OBJECT
public:
    explicit KMA840setup(control::LinkLease& lease, QWidget* parent = nullptr);
};

} // namespace setup
