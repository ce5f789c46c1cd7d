#include "platform/inputobserver.h"

#include "app/keytranslation.h"
#include "app/mousetranslation.h"

#include <QDebug>
#include <QWindow>

#include <windows.h>

// The hook procedure gets no context: one observer per process receives the keys.
static InputObserver* hookObserver = nullptr;
static HHOOK keyboardHook = nullptr;

struct InputObserver::Private {
    bool started = false;
};

// Windows holds every key event of the desktop until this returns: report and pass it on.
static LRESULT CALLBACK keyboardHookProcedure(int nCode, WPARAM wParam, LPARAM lParam)
{
    if (nCode >= 0 && hookObserver) {
        const auto* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
        if (key->scanCode <= 255)
            emit hookObserver->keyChanged(int(key->scanCode), (key->flags & LLKHF_EXTENDED) != 0,
                                          (key->flags & LLKHF_ALTDOWN) != 0,
                                          keytranslation::isKeyDownMessage(UINT(wParam)));
    }
    return CallNextHookEx(keyboardHook, nCode, wParam, lParam);
}

InputObserver::InputObserver(QObject* parent) : InputSource(parent), d(new Private) {}

InputObserver::~InputObserver()
{
    // Raw-input registration stays until the process ends; without the hook no key is reported.
    if (hookObserver == this) {
        if (keyboardHook)
            UnhookWindowsHookEx(keyboardHook);
        keyboardHook = nullptr;
        hookObserver = nullptr;
    }
    delete d;
}

bool InputObserver::available(const QByteArray& display)
{
    Q_UNUSED(display)
    return true;
}

bool InputObserver::start(QWindow* rawInputWindow, const QByteArray& display)
{
    Q_UNUSED(display)
    if (d->started)
        return true;
    d->started = true;
    hookObserver = this;
    keyboardHook =
        SetWindowsHookExW(WH_KEYBOARD_LL, keyboardHookProcedure, GetModuleHandleW(nullptr), 0);
    if (!keyboardHook)
        qDebug() << "Hook WH_KEYBOARD_LL fail";
    // Asking for the handle creates the native window; RIDEV_INPUTSINK keeps input coming while
    // another program has the focus.
    RAWINPUTDEVICE mouse = {};
    mouse.usUsagePage = 0x01;
    mouse.usUsage = 0x02;
    mouse.dwFlags = RIDEV_INPUTSINK;
    mouse.hwndTarget = reinterpret_cast<HWND>(rawInputWindow->winId());
    if (!RegisterRawInputDevices(&mouse, 1, sizeof mouse))
        qDebug() << "RegisterRawInputEvent fail";
    return true;
}

void InputObserver::handleRawInput(void* rawInputHandle)
{
    RAWINPUT record;
    UINT size = sizeof record;
    if (GetRawInputData(static_cast<HRAWINPUT>(rawInputHandle), RID_INPUT, &record, &size,
                        sizeof(RAWINPUTHEADER)) == UINT(-1) ||
        record.header.dwType != RIM_TYPEMOUSE)
        return;
    const RAWMOUSE& mouse = record.data.mouse;
    // Motion counts for every record, before its buttons are looked at.
    if (!(mouse.usFlags & MOUSE_MOVE_ABSOLUTE))
        emit moved(int(mouse.lLastX), int(mouse.lLastY));
    const mousetranslation::MouseAction action =
        mousetranslation::rawInputAction(mouse.usButtonFlags, mouse.usButtonData);
    if (action.kind == mousetranslation::MouseAction::Button)
        emit buttonChanged(action.buttonId, action.down);
    else if (action.kind == mousetranslation::MouseAction::Wheel)
        emit wheelTurned(action.wheelDelta);
}
