#pragma once

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
WaitResult waitUntil(const std::function<bool()>& condition, const bool* cancel = nullptr,
                     std::optional<std::chrono::milliseconds> limit = std::nullopt);

// A pause of `duration`, sleeping in the event loop as waitUntil does.
void pauseFor(std::chrono::milliseconds duration);
