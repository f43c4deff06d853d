#pragma once

#include <QEventLoop>
#include <chrono>
#include <functional>
#include <optional>

enum class WaitResult
{
    Met,
    Cancelled,
    TimedOut,
};

// Waits until `condition` holds, `*cancel` becomes true or `limit` has passed (monotonic clock),
// whichever comes first; the cancel flag is tested before the condition. The thread sleeps in
// the event loop between tests, so only an event (a received byte, a click, a timer) wakes it,
// and the handlers of those events run while the wait is on the stack.
//
// `flags` narrow what may run meanwhile: a pause that must not take clicks or received data
// passes ExcludeUserInputEvents | ExcludeSocketNotifiers and still repaints; that program must call
// useStrictEventDispatcher() first.
WaitResult waitUntil(const std::function<bool()>& condition, const bool* cancel = nullptr,
                     std::optional<std::chrono::milliseconds> limit = std::nullopt,
                     QEventLoop::ProcessEventsFlags flags = QEventLoop::AllEvents);

// Qt's GLib-based event dispatcher ignores ExcludeSocketNotifiers; its own Unix dispatcher honours
// it. A program whose waits exclude received data calls this before creating its application object.
void useStrictEventDispatcher();

// A pause of `duration` during which only the events that `flags` allow are handled.
void pauseFor(std::chrono::milliseconds duration,
              QEventLoop::ProcessEventsFlags flags = QEventLoop::AllEvents);
