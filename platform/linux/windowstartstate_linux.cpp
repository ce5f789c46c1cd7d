#include "platform/windowstartstate.h"

#include <QDebug>
#include <QGuiApplication>
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>

namespace
{
// WM_HINTS as the ICCCM lays it out: nine 32-bit fields, the flags first.
constexpr uint32_t kWmHintsFields = 9;
constexpr uint32_t kStateHint = 1u << 1;
constexpr uint32_t kNormalState = 1;
enum WmHintsField { Flags = 0, InitialState = 2 };
} // namespace

void clearMinimizedStartState(std::uintptr_t nativeWindow)
{
    // Only an X program has such a hint; the display is the one Qt was given.
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    const std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> connection(
        xcb_connect(nullptr, nullptr), &xcb_disconnect);
    if (xcb_connection_has_error(connection.get())) {
        qDebug() << "no X display: the window's start state is left as it is";
        return;
    }
    const auto window = xcb_window_t(nativeWindow);
    std::unique_ptr<xcb_get_property_reply_t, decltype(&free)> reply(
        xcb_get_property_reply(connection.get(),
                               xcb_get_property(connection.get(), 0, window, XCB_ATOM_WM_HINTS,
                                                XCB_ATOM_WM_HINTS, 0, kWmHintsFields),
                               nullptr),
        &free);
    if (!reply) {
        qDebug() << "the window's start state could not be read";
        return;
    }
    // No hints, or not all of them: the window starts normal anyway.
    if (reply->format != 32 ||
        xcb_get_property_value_length(reply.get()) != int(kWmHintsFields * sizeof(uint32_t)))
        return;
    uint32_t hints[kWmHintsFields];
    std::copy_n(static_cast<const uint32_t*>(xcb_get_property_value(reply.get())), kWmHintsFields,
                hints);
    if ((hints[Flags] & kStateHint) && hints[InitialState] == kNormalState)
        return;
    hints[Flags] |= kStateHint;
    hints[InitialState] = kNormalState;
    // Checked, so the change has reached the server before the program maps the window.
    xcb_generic_error_t* error = xcb_request_check(
        connection.get(), xcb_change_property_checked(connection.get(), XCB_PROP_MODE_REPLACE,
                                                      window, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS,
                                                      32, kWmHintsFields, hints));
    if (error)
        qDebug() << "the window's start state could not be reset, X error" << error->error_code;
    free(error);
}
