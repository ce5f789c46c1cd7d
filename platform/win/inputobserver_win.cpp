#include "platform/inputobserver.h"

#include "platform/win/core/keyboardhook.h"
#include "platform/win/core/rawinput.h"

#include <QDebug>
#include <QWindow>

struct InputObserver::Private {
    bool started = false;
    bool watching = false;
    wincore::KeyboardHook keyboardHook;
};

InputObserver::InputObserver(QObject* parent) : InputSource(parent), d(new Private) {}

InputObserver::~InputObserver()
{
    // Raw-input registration stays until the process ends; without the hook no key is reported.
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
        return d->watching;
    d->started = true;
    // Windows holds every key of the desktop while the hook runs, and drops a hook that is too
    // slow: the scene hears of the key once the hook has returned.
    const bool hooked = d->keyboardHook.install([this](const wincore::KeyEvent& key) {
        QMetaObject::invokeMethod(
            this,
            [this, key] {
                emit keyChanged(int(key.scanCode), key.extended, key.altDown, key.down);
            },
            Qt::QueuedConnection);
    });
    if (!hooked)
        qDebug() << "Hook WH_KEYBOARD_LL fail";
    // Asking for the handle creates the native window.
    const bool mouseWatched =
        wincore::registerRawMouse(reinterpret_cast<void*>(rawInputWindow->winId()));
    if (!mouseWatched)
        qDebug() << "RegisterRawInputEvent fail";
    // With neither, the window's own input takes over.
    d->watching = hooked || mouseWatched;
    return d->watching;
}

void InputObserver::handleRawInput(void* rawInputHandle)
{
    const std::optional<wincore::RawMouseReport> report = wincore::readRawMouse(rawInputHandle);
    if (!report)
        return;
    // Motion counts for every record, before its buttons are looked at.
    if (report->dx || report->dy)
        emit moved(int(report->dx), int(report->dy));
    for (const mousetranslation::MouseAction& action : report->actions) {
        if (action.kind == mousetranslation::MouseAction::Button)
            emit buttonChanged(action.buttonId, action.down);
        else if (action.kind == mousetranslation::MouseAction::Wheel)
            emit wheelTurned(action.wheelDelta);
    }
}
