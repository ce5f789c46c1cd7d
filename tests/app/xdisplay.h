#pragma once

// Just enough of an X client to look at another program's windows and pixels, to close its
// windows as a window manager does, to click as a user does (XTest) and to stand in for a
// system tray.

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QRect>
#include <QVector>

#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <cstdlib>

class XDisplay
{
public:
    explicit XDisplay(const QByteArray& name) : connection(xcb_connect(name.constData(), nullptr))
    {
    }
    ~XDisplay() { xcb_disconnect(connection); }
    bool ok() const { return !xcb_connection_has_error(connection); }

    struct Window {
        xcb_window_t id = 0;
        QRect geometry;
        int depth = 0;
        bool frameless = false;
        bool dialog = false;
    };

    // The viewable top-level windows of process `pid`.
    QList<Window> windowsOf(qint64 pid)
    {
        QList<Window> found;
        auto* tree = xcb_query_tree_reply(connection, xcb_query_tree(connection, root()), nullptr);
        if (!tree)
            return found;
        const xcb_window_t* children = xcb_query_tree_children(tree);
        for (int i = 0; i < xcb_query_tree_children_length(tree); ++i) {
            const QVector<quint32> owner = property(children[i], "_NET_WM_PID");
            if (owner.isEmpty() || owner.first() != pid || !viewable(children[i]))
                continue;
            Window window;
            window.id = children[i];
            auto* geometry = xcb_get_geometry_reply(
                connection, xcb_get_geometry(connection, children[i]), nullptr);
            if (geometry) {
                window.geometry =
                    QRect(geometry->x, geometry->y, geometry->width, geometry->height);
                window.depth = geometry->depth;
                free(geometry);
            }
            // Motif hints: flags, functions, decorations; flag 2 means decorations are given.
            const QVector<quint32> hints = property(children[i], "_MOTIF_WM_HINTS");
            window.frameless = hints.size() >= 3 && (hints[0] & 2) && hints[2] == 0;
            window.dialog = property(children[i], "_NET_WM_WINDOW_TYPE")
                                .contains(atom("_NET_WM_WINDOW_TYPE_DIALOG"));
            found << window;
        }
        free(tree);
        return found;
    }

    // The program's main window: its largest viewable top-level window that is no dialog (a
    // tray icon window may be viewable beside it).
    Window mainWindowOf(qint64 pid)
    {
        Window largest;
        for (const Window& window : windowsOf(pid)) {
            const int area = window.geometry.width() * window.geometry.height();
            if (!window.dialog && area > largest.geometry.width() * largest.geometry.height())
                largest = window;
        }
        return largest;
    }

    // A viewable dialog of the program, such as a message box.
    Window dialogOf(qint64 pid)
    {
        for (const Window& window : windowsOf(pid)) {
            if (window.dialog)
                return window;
        }
        return Window();
    }

    bool viewable(xcb_window_t window)
    {
        auto* attributes = xcb_get_window_attributes_reply(
            connection, xcb_get_window_attributes(connection, window), nullptr);
        const bool result = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
        free(attributes);
        return result;
    }

    // What a window manager sends when the user closes the window.
    void requestClose(xcb_window_t window)
    {
        xcb_client_message_event_t event = {};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = window;
        event.type = atom("WM_PROTOCOLS");
        event.data.data32[0] = atom("WM_DELETE_WINDOW");
        event.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(connection, false, window, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char*>(&event));
        xcb_flush(connection);
    }

    // A left click at a point of the screen, through the input devices as a user's click is.
    void click(const QPoint& point)
    {
        xcb_test_fake_input(connection, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, root(),
                            int16_t(point.x()), int16_t(point.y()), 0);
        xcb_test_fake_input(connection, XCB_BUTTON_PRESS, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_test_fake_input(connection, XCB_BUTTON_RELEASE, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        sync();
    }

    // What the screen shows in `area`, or a null image on a screen that is not 24-bit colour.
    QImage screenPixels(const QRect& area)
    {
        auto* reply = xcb_get_image_reply(
            connection,
            xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, root(), int16_t(area.x()),
                          int16_t(area.y()), uint16_t(area.width()), uint16_t(area.height()), ~0u),
            nullptr);
        QImage image;
        const int length = reply ? xcb_get_image_data_length(reply) : 0;
        if (reply && reply->depth == 24 && length == area.width() * area.height() * 4)
            image =
                QImage(xcb_get_image_data(reply), area.width(), area.height(), QImage::Format_RGB32)
                    .copy();
        free(reply);
        return image;
    }

    // The window that has the keyboard focus.
    xcb_window_t focus()
    {
        auto* reply =
            xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr);
        const xcb_window_t window = reply ? reply->focus : xcb_window_t(XCB_NONE);
        free(reply);
        return window;
    }

    // Takes the keyboard focus from every window, as a click on the desktop would.
    void dropFocus()
    {
        xcb_set_input_focus(connection, XCB_INPUT_FOCUS_POINTER_ROOT, XCB_NONE, XCB_CURRENT_TIME);
        xcb_flush(connection);
    }

    // A system tray manager as the freedesktop system tray protocol has it: it owns the
    // screen's tray selection and announces itself on the root window. It embeds no icon.
    class SystemTray
    {
    public:
        explicit SystemTray(XDisplay& display) : x(display)
        {
            xcb_connection_t* c = x.connection;
            window = xcb_generate_id(c);
            xcb_create_window(c, XCB_COPY_FROM_PARENT, window, x.root(), -1, -1, 1, 1, 0,
                              XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
            const xcb_atom_t selection = x.atom("_NET_SYSTEM_TRAY_S0");
            xcb_set_selection_owner(c, window, selection, XCB_CURRENT_TIME);

            xcb_client_message_event_t event = {};
            event.response_type = XCB_CLIENT_MESSAGE;
            event.format = 32;
            event.window = x.root();
            event.type = x.atom("MANAGER");
            event.data.data32[0] = XCB_CURRENT_TIME;
            event.data.data32[1] = selection;
            event.data.data32[2] = window;
            xcb_send_event(c, false, x.root(), XCB_EVENT_MASK_STRUCTURE_NOTIFY,
                           reinterpret_cast<const char*>(&event));
            x.sync();
        }
        // The selection goes with its owner window: the tray is gone.
        ~SystemTray()
        {
            xcb_destroy_window(x.connection, window);
            x.sync();
        }
        SystemTray(const SystemTray&) = delete;
        SystemTray& operator=(const SystemTray&) = delete;

        // Whether this tray holds the selection: no other tray manager runs on the display.
        bool owned()
        {
            auto* reply = xcb_get_selection_owner_reply(
                x.connection, xcb_get_selection_owner(x.connection, x.atom("_NET_SYSTEM_TRAY_S0")),
                nullptr);
            const bool result = reply && reply->owner == window;
            free(reply);
            return result;
        }

    private:
        XDisplay& x;
        xcb_window_t window = 0;
    };

private:
    xcb_window_t root() const
    {
        return xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    }

    // A round trip: everything sent before has reached the server.
    void sync()
    {
        free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    }

    xcb_atom_t atom(const char* name)
    {
        auto* reply = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, uint16_t(qstrlen(name)), name), nullptr);
        const xcb_atom_t value = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        free(reply);
        return value;
    }

    QVector<quint32> property(xcb_window_t window, const char* name)
    {
        QVector<quint32> values;
        auto* reply = xcb_get_property_reply(
            connection, xcb_get_property(connection, 0, window, atom(name), XCB_ATOM_ANY, 0, 16),
            nullptr);
        if (reply && reply->format == 32) {
            const auto* data = static_cast<const quint32*>(xcb_get_property_value(reply));
            for (int i = 0; i < xcb_get_property_value_length(reply) / 4; ++i)
                values << data[i];
        }
        free(reply);
        return values;
    }

    xcb_connection_t* connection;
};
