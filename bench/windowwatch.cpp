#include "bench/windowwatch.h"

#include <QSocketNotifier>
#include <cstdlib>
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

std::optional<WindowWatch::Mapped> WindowWatch::firstMappedSince(Clock::time_point since) const
{
    for (const Mapped& m : m_mapped) {
        if (m.at >= since)
            return m;
    }
    return std::nullopt;
}

void WindowWatch::readEvents()
{
    bool any = false;
    while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
        // The time is taken before anything else, so the figure is as close to the map as we can see.
        const Clock::time_point now = Clock::now();
        if ((event->response_type & 0x7F) == XCB_MAP_NOTIFY) {
            const auto* map = reinterpret_cast<xcb_map_notify_event_t*>(event);
            if (!map->override_redirect) {
                m_mapped.push_back({map->window, now});
                any = true;
            }
        }
        std::free(event);
    }
    if (any)
        emit mapped();
}
