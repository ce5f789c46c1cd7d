#include "platform/inputobserver.h"

#include "app/keytranslation.h"
#include "app/mousetranslation.h"

#include <QDebug>
#include <QHash>
#include <QSocketNotifier>

#include <cstdlib>
#include <xcb/xcb.h>
#include <xcb/xinput.h>

// XInput 2 raw events arrive for every device of the server, whichever window has the focus,
// and only report: nothing is grabbed. They are read on a connection of our own so that Qt's
// connection (if any) is left as it is.
struct InputObserver::Private {
    xcb_connection_t* connection = nullptr;
    uint8_t xinputOpcode = 0;
    QSocketNotifier* notifier = nullptr;
    // Devices whose X and Y report absolute positions (tablets, virtual machines' pointers):
    // their motion is no relative movement.
    QHash<int, bool> absoluteDevices;

    bool isAbsolute(int deviceId);
    void readEvents(InputObserver* observer);
    void dispatch(InputObserver* observer, const xcb_ge_generic_event_t* event);
};

namespace
{

xcb_connection_t* connectWithXInput2(const QByteArray& display, uint8_t* opcode)
{
    xcb_connection_t* connection =
        xcb_connect(display.isEmpty() ? nullptr : display.constData(), nullptr);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return nullptr;
    }
    const xcb_query_extension_reply_t* extension =
        xcb_get_extension_data(connection, &xcb_input_id);
    xcb_input_xi_query_version_reply_t* version = nullptr;
    if (extension && extension->present)
        version = xcb_input_xi_query_version_reply(
            connection, xcb_input_xi_query_version(connection, 2, 2), nullptr);
    const bool rawEvents = version && version->major_version >= 2;
    std::free(version);
    if (!rawEvents) {
        xcb_disconnect(connection);
        return nullptr;
    }
    *opcode = extension->major_opcode;
    return connection;
}

// The first value of each of the first two axes that the event carries, as whole units.
void relativeMotion(const xcb_input_raw_motion_event_t* event, int* dx, int* dy)
{
    const uint32_t* mask = xcb_input_raw_button_press_valuator_mask(event);
    const xcb_input_fp3232_t* values = xcb_input_raw_button_press_axisvalues_raw(event);
    int valueIndex = 0;
    for (int axis = 0; axis < 2 && axis < event->valuators_len * 32; ++axis) {
        if (!(mask[axis / 32] & (1u << (axis % 32))))
            continue;
        (axis == 0 ? *dx : *dy) = values[valueIndex++].integral;
    }
}

} // namespace

bool InputObserver::Private::isAbsolute(int deviceId)
{
    const auto known = absoluteDevices.constFind(deviceId);
    if (known != absoluteDevices.constEnd())
        return *known;
    bool absolute = false;
    auto* reply = xcb_input_xi_query_device_reply(
        connection, xcb_input_xi_query_device(connection, xcb_input_device_id_t(deviceId)),
        nullptr);
    if (reply) {
        for (auto info = xcb_input_xi_query_device_infos_iterator(reply); info.rem;
             xcb_input_xi_device_info_next(&info)) {
            for (auto cls = xcb_input_xi_device_info_classes_iterator(info.data); cls.rem;
                 xcb_input_device_class_next(&cls)) {
                if (cls.data->type != XCB_INPUT_DEVICE_CLASS_TYPE_VALUATOR)
                    continue;
                const auto* valuator =
                    reinterpret_cast<const xcb_input_valuator_class_t*>(cls.data);
                if (valuator->number == 0)
                    absolute = valuator->mode == XCB_INPUT_VALUATOR_MODE_ABSOLUTE;
            }
        }
        std::free(reply);
    }
    absoluteDevices.insert(deviceId, absolute);
    return absolute;
}

void InputObserver::Private::dispatch(InputObserver* observer, const xcb_ge_generic_event_t* event)
{
    switch (event->event_type) {
    case XCB_INPUT_RAW_KEY_PRESS:
    case XCB_INPUT_RAW_KEY_RELEASE: {
        const auto* key = reinterpret_cast<const xcb_input_raw_key_press_event_t*>(event);
        // X key codes are the kernel's evdev codes shifted by 8.
        if (const auto scanKey = keytranslation::scanKeyForEvdev(int(key->detail) - 8))
            emit observer->keyChanged(scanKey->scanCode, scanKey->extended, false,
                                      event->event_type == XCB_INPUT_RAW_KEY_PRESS);
        break;
    }
    case XCB_INPUT_RAW_BUTTON_PRESS:
    case XCB_INPUT_RAW_BUTTON_RELEASE: {
        const auto* button = reinterpret_cast<const xcb_input_raw_button_press_event_t*>(event);
        const mousetranslation::MouseAction action = mousetranslation::xButtonAction(
            int(button->detail), event->event_type == XCB_INPUT_RAW_BUTTON_PRESS);
        if (action.kind == mousetranslation::MouseAction::Button)
            emit observer->buttonChanged(action.buttonId, action.down);
        else if (action.kind == mousetranslation::MouseAction::Wheel)
            emit observer->wheelTurned(action.wheelDelta);
        break;
    }
    case XCB_INPUT_RAW_MOTION: {
        const auto* motion = reinterpret_cast<const xcb_input_raw_motion_event_t*>(event);
        if (isAbsolute(motion->sourceid))
            break;
        int dx = 0;
        int dy = 0;
        relativeMotion(motion, &dx, &dy);
        if (dx || dy)
            emit observer->moved(dx, dy);
        break;
    }
    case XCB_INPUT_HIERARCHY:
        absoluteDevices.clear(); // device ids may now name other devices
        break;
    default:
        break;
    }
}

void InputObserver::Private::readEvents(InputObserver* observer)
{
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
        if ((event->response_type & 0x7f) == XCB_GE_GENERIC) {
            const auto* generic = reinterpret_cast<const xcb_ge_generic_event_t*>(event);
            if (generic->extension == xinputOpcode)
                dispatch(observer, generic);
        }
        std::free(event);
    }
    if (xcb_connection_has_error(connection)) {
        qDebug() << "X server connection lost: input is no longer observed";
        notifier->setEnabled(false);
    }
}

InputObserver::InputObserver(QObject* parent) : InputSource(parent), d(new Private) {}

InputObserver::~InputObserver()
{
    delete d->notifier;
    if (d->connection)
        xcb_disconnect(d->connection);
    delete d;
}

bool InputObserver::available(const QByteArray& display)
{
    uint8_t opcode = 0;
    xcb_connection_t* connection = connectWithXInput2(display, &opcode);
    if (!connection)
        return false;
    xcb_disconnect(connection);
    return true;
}

bool InputObserver::start(QWindow* rawInputWindow, const QByteArray& display)
{
    Q_UNUSED(rawInputWindow)
    if (d->connection)
        return true;
    d->connection = connectWithXInput2(display, &d->xinputOpcode);
    if (!d->connection) {
        qDebug() << "XInput 2 unavailable: input is not observed desktop-wide";
        return false;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(d->connection)).data->root;
    struct {
        xcb_input_event_mask_t head;
        uint32_t bits;
    } masters{{XCB_INPUT_DEVICE_ALL_MASTER, 1},
              XCB_INPUT_XI_EVENT_MASK_RAW_KEY_PRESS | XCB_INPUT_XI_EVENT_MASK_RAW_KEY_RELEASE |
                  XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS |
                  XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_RELEASE | XCB_INPUT_XI_EVENT_MASK_RAW_MOTION},
        all{{XCB_INPUT_DEVICE_ALL, 1}, XCB_INPUT_XI_EVENT_MASK_HIERARCHY};
    xcb_input_xi_select_events(d->connection, root, 1, &masters.head);
    xcb_input_xi_select_events(d->connection, root, 1, &all.head);
    // A round trip: once it returns, the server reports every later event to us.
    std::free(
        xcb_get_input_focus_reply(d->connection, xcb_get_input_focus(d->connection), nullptr));
    d->notifier =
        new QSocketNotifier(xcb_get_file_descriptor(d->connection), QSocketNotifier::Read);
    connect(d->notifier, &QSocketNotifier::activated, this, [this] { d->readEvents(this); });
    d->readEvents(this); // events read along with the replies wait in the queue already
    return true;
}

void InputObserver::handleRawInput(void* rawInputHandle)
{
    Q_UNUSED(rawInputHandle) // Windows only
}
