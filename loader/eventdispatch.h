#pragma once

namespace loader {

// The pause after each uploaded line must hold back received data (ExcludeSocketNotifiers). Qt's
// GLib-based event dispatcher ignores that flag; its own Unix dispatcher honours it. Call before
// the application object is created.
void useStrictEventDispatcher();

} // namespace loader
