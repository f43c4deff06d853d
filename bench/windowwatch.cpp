#include "bench/windowwatch.h"

#include <QSocketNotifier>
#include <algorithm>
#include <cstdlib>
#include <xcb/damage.h>
#include <xcb/xcb.h>

WindowWatch::WindowWatch()
{
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return;
    }
    m_connection = connection;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(m_connection, root, XCB_CW_EVENT_MASK, &mask);
    watchDamage(root);
    xcb_flush(m_connection);
    m_notifier =
        std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(m_connection), QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &WindowWatch::readEvents);
}

WindowWatch::~WindowWatch()
{
    m_notifier.reset();
    if (m_connection)
        xcb_disconnect(m_connection);
}

void WindowWatch::watchDamage(std::uint32_t root)
{
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(m_connection, &xcb_damage_id);
    if (!extension || !extension->present)
        return;
    // The server speaks Damage only to a client that told it which version it knows.
    xcb_damage_query_version_reply_t* version = xcb_damage_query_version_reply(
        m_connection,
        xcb_damage_query_version(m_connection, XCB_DAMAGE_MAJOR_VERSION, XCB_DAMAGE_MINOR_VERSION), nullptr);
    if (!version)
        return;
    std::free(version);
    // The root's damage takes in every window on it, and every rectangle drawn is reported: a
    // program's frame reaches the screen as its backing store is put on the window (PutImage).
    xcb_damage_create(m_connection, xcb_generate_id(m_connection), root,
                      XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
    m_damageEvent = extension->first_event + XCB_DAMAGE_NOTIFY;
}

std::optional<WindowWatch::Mapped> WindowWatch::firstMappedSince(Clock::time_point since) const
{
    for (const Mapped& m : m_mapped) {
        if (m.at >= since)
            return m;
    }
    return std::nullopt;
}

QRect WindowWatch::geometryOf(std::uint32_t window) const
{
    for (const auto& [w, rect] : m_geometry) {
        if (w == window)
            return rect;
    }
    return {};
}

void WindowWatch::readEvents()
{
    bool anyMapped = false;
    bool anyPainted = false;
    while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
        // The time is taken before anything else, so the figure is as close to the event as we can see.
        const Clock::time_point now = Clock::now();
        const std::uint8_t type = event->response_type & 0x7F;
        if (type == XCB_CREATE_NOTIFY) {
            const auto* create = reinterpret_cast<xcb_create_notify_event_t*>(event);
            m_geometry.emplace_back(create->window,
                                    QRect(create->x, create->y, create->width, create->height));
        } else if (type == XCB_CONFIGURE_NOTIFY) {
            const auto* configure = reinterpret_cast<xcb_configure_notify_event_t*>(event);
            for (auto& [w, rect] : m_geometry) {
                if (w == configure->window)
                    rect = QRect(configure->x, configure->y, configure->width, configure->height);
            }
        } else if (type == XCB_DESTROY_NOTIFY) {
            const auto* destroy = reinterpret_cast<xcb_destroy_notify_event_t*>(event);
            std::erase_if(m_geometry, [&](const auto& entry) { return entry.first == destroy->window; });
        } else if (type == XCB_MAP_NOTIFY) {
            const auto* map = reinterpret_cast<xcb_map_notify_event_t*>(event);
            if (!map->override_redirect) {
                m_mapped.push_back({map->window, now, std::nullopt});
                anyMapped = true;
            }
        } else if (m_damageEvent != 0 && type == m_damageEvent) {
            const auto* damage = reinterpret_cast<xcb_damage_notify_event_t*>(event);
            const QRect area(damage->area.x, damage->area.y, damage->area.width, damage->area.height);
            // The events come in the server's order: drawing reported after a map is drawing after it.
            for (Mapped& m : m_mapped) {
                if (!m.painted && geometryOf(m.window).intersects(area)) {
                    m.painted = now;
                    anyPainted = true;
                }
            }
        }
        std::free(event);
    }
    if (anyMapped)
        emit mapped();
    if (anyPainted)
        emit painted();
}
