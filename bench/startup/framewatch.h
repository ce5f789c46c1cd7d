#pragma once

// Watches the top-level windows of an X display through the DAMAGE extension: a window's first
// painted frame is the first damage it reports after it was mapped.

#include <QElapsedTimer>
#include <QHash>

#include <xcb/damage.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <optional>
#include <poll.h>

class FrameWatch
{
public:
    explicit FrameWatch(const QByteArray& display) : c(xcb_connect(display.constData(), nullptr))
    {
        if (xcb_connection_has_error(c))
            return;
        const xcb_query_extension_reply_t* damage = xcb_get_extension_data(c, &xcb_damage_id);
        if (!damage || !damage->present)
            return;
        damageEvent = damage->first_event + XCB_DAMAGE_NOTIFY;
        free(xcb_damage_query_version_reply(c, xcb_damage_query_version(c, 1, 1), nullptr));
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(c, root(), XCB_CW_EVENT_MASK, &mask);
        xcb_flush(c);
        clock.start();
        ready = true;
    }
    ~FrameWatch() { xcb_disconnect(c); }
    bool ok() const { return ready; }

    struct Painted {
        xcb_window_t window = 0;
        qint64 msSinceMap = 0; // from the window's map to its first paint
    };

    // Waits until a window of at least minWidth × minHeight is mapped and then painted, or
    // nothing after timeoutMs.
    std::optional<Painted> waitForPaintedWindow(int minWidth, int minHeight, int timeoutMs)
    {
        std::optional<Painted> painted;
        untilEvent(timeoutMs, [&](xcb_generic_event_t* event) {
            painted = handle(event, minWidth, minHeight);
            return painted.has_value();
        });
        return painted;
    }

    // Waits for the next paint of `window`; false after timeoutMs without one.
    bool waitForPaint(xcb_window_t window, int timeoutMs)
    {
        return untilEvent(timeoutMs, [&](xcb_generic_event_t* event) {
            const bool painted =
                (event->response_type & 0x7f) == damageEvent &&
                reinterpret_cast<xcb_damage_notify_event_t*>(event)->drawable == window;
            handle(event, 0, 0);
            return painted;
        });
    }

private:
    // Hands each event to `done` until it returns true (then true) or timeoutMs pass (false).
    template <typename Done> bool untilEvent(int timeoutMs, Done done)
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < timeoutMs) {
            xcb_generic_event_t* event = xcb_poll_for_event(c);
            if (!event) {
                pollfd fd{xcb_get_file_descriptor(c), POLLIN, 0};
                poll(&fd, 1, int(timeoutMs - clock.elapsed()));
                continue;
            }
            const bool finished = done(event);
            free(event);
            if (finished)
                return true;
        }
        return false;
    }

    std::optional<Painted> handle(xcb_generic_event_t* event, int minWidth, int minHeight)
    {
        const uint8_t type = event->response_type & 0x7f;
        if (type == XCB_CREATE_NOTIFY) {
            const auto* created = reinterpret_cast<xcb_create_notify_event_t*>(event);
            // Watched from its creation, so no paint after its map can be missed.
            xcb_damage_create(c, xcb_generate_id(c), created->window,
                              XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
            xcb_flush(c);
        } else if (type == XCB_MAP_NOTIFY) {
            const auto* mapped = reinterpret_cast<xcb_map_notify_event_t*>(event);
            if (largeEnough(mapped->window, minWidth, minHeight))
                mappedAt.insert(mapped->window, clock.elapsed());
        } else if (type == XCB_UNMAP_NOTIFY) {
            mappedAt.remove(reinterpret_cast<xcb_unmap_notify_event_t*>(event)->window);
        } else if (type == damageEvent) {
            const auto* damage = reinterpret_cast<xcb_damage_notify_event_t*>(event);
            // Emptied, so the next paint is reported again.
            xcb_damage_subtract(c, damage->damage, XCB_NONE, XCB_NONE);
            xcb_flush(c);
            const auto map = mappedAt.constFind(damage->drawable);
            if (map != mappedAt.constEnd()) {
                const Painted painted{damage->drawable, clock.elapsed() - *map};
                mappedAt.erase(map);
                return painted;
            }
        }
        return std::nullopt;
    }

    bool largeEnough(xcb_window_t window, int minWidth, int minHeight)
    {
        auto* geometry = xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr);
        const bool result =
            geometry && geometry->width >= minWidth && geometry->height >= minHeight;
        free(geometry);
        return result;
    }

    xcb_window_t root() const { return xcb_setup_roots_iterator(xcb_get_setup(c)).data->root; }

    xcb_connection_t* c;
    bool ready = false;
    uint8_t damageEvent = 0;
    QElapsedTimer clock;
    QHash<xcb_window_t, qint64> mappedAt; // mapped and not painted since
};
