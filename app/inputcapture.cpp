#include "app/inputcapture.h"

#include "app/inputrouter.h"
#include "app/widget.h"
#include "app/windowinputsource.h"
#include "platform/inputobserver.h"

#include <QGuiApplication>

Widget* hookOwner = nullptr;
InputSource* captureSource = nullptr;

bool inputCaptureEverywhere()
{
#ifdef Q_OS_WIN
    return true;
#else
    // Only an X session lets a client see other clients' input; under Wayland an Xwayland server
    // sees nothing while a native window has the focus, and this window is one.
    static const bool everywhere =
        QGuiApplication::platformName() == QLatin1String("xcb") && InputObserver::available();
    return everywhere;
#endif
}

void installInputCapture(Widget* owner)
{
    if (hookOwner)
        return;
    hookOwner = owner;
    auto* observer = inputCaptureEverywhere() ? new InputObserver : nullptr;
    if (observer && observer->start(&owner->rawInputWindow))
        captureSource = observer;
    else {
        delete observer;
        captureSource = new WindowInputSource;
    }
    routeInput(captureSource, owner->uiCtl);
}

void removeInputCapture()
{
    delete captureSource;
    captureSource = nullptr;
    hookOwner = nullptr;
}

void forwardRawInput(void* rawInputHandle)
{
    if (auto* observer = qobject_cast<InputObserver*>(captureSource))
        observer->handleRawInput(rawInputHandle);
}
