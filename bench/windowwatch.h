#pragma once

#include <QObject>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class QSocketNotifier;
struct xcb_connection_t;

// Watches the X server for top-level windows being mapped, and notes when each appeared. Menus and
// tool tips (override-redirect windows) do not count.
class WindowWatch : public QObject
{
    Q_OBJECT
public:
    using Clock = std::chrono::steady_clock;
    struct Mapped
    {
        std::uint32_t window;
        Clock::time_point at;
    };

    // Connects to $DISPLAY; isConnected() tells whether that worked.
    WindowWatch();
    ~WindowWatch() override;

    bool isConnected() const { return m_connection != nullptr; }
    // The first window mapped at or after `since`, if any yet.
    std::optional<Mapped> firstMappedSince(Clock::time_point since) const;

signals:
    void mapped();

private:
    void readEvents();

    xcb_connection_t* m_connection = nullptr;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::vector<Mapped> m_mapped;
};
