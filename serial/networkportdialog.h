#pragma once

#include "serial/portmenu.h"

class QWidget;

// The question behind "Network port…": an address typed or taken from the recent ones.
PortMenu::NetworkPortAsker networkPortAsker(QWidget* parent);
