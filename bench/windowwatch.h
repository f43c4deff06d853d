#pragma once

#include <QObject>
#include <QRect>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class QSocketNotifier;
struct xcb_connection_t;

// Watches the X server for top-level windows being mapped and for the first frame drawn into each,
// and notes when each happened. Menus and tool tips (override-redirect windows) do not count.
class WindowWatch : public QObject
{
    Q_OBJECT
public:
    using Clock = std::chrono::steady_clock;
    struct Mapped
    {
        std::uint32_t window;
        Clock::time_point at;
        // When the first pixels drawn into the window reached the screen, once they did.
        std::optional<Clock::time_point> painted;
    };

    // Connects to $DISPLAY; isConnected() tells whether that worked, seesPaints() whether the
    // server reports drawing (its Damage extension).
    WindowWatch();
    ~WindowWatch() override;

    bool isConnected() const { return m_connection != nullptr; }
    bool seesPaints() const { return m_damageEvent != 0; }
    // The first window mapped at or after `since`, if any yet.
    std::optional<Mapped> firstMappedSince(Clock::time_point since) const;

signals:
    void mapped();
    void painted();

private:
    void watchDamage(std::uint32_t root);
    void readEvents();
    // Where each top-level window is, so that drawing elsewhere (the root's background coming
    // back where a window was) does not pass for a frame of another window.
    QRect geometryOf(std::uint32_t window) const;

    xcb_connection_t* m_connection = nullptr;
    std::unique_ptr<QSocketNotifier> m_notifier;
    // The event code of the Damage extension's notification; 0 without the extension.
    std::uint8_t m_damageEvent = 0;
    std::vector<Mapped> m_mapped;
    std::vector<std::pair<std::uint32_t, QRect>> m_geometry;
};
