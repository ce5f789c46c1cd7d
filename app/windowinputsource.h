#pragma once

#include "platform/inputobserver.h"

#include <QPoint>

class QKeyEvent;

// Where no desktop-wide observation runs (Wayland without access to other clients' input, the
// offscreen platform): the key and mouse events that reach the program's own windows. Watches
// every event of the application and consumes none.
class WindowInputSource : public InputSource
{
    Q_OBJECT
public:
    explicit WindowInputSource(QObject* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void reportKey(const QKeyEvent* event);
    void trackPointer(const QPoint& globalPosition);

    bool nativeKeysAreXKeys = false;
    bool buttonsDown[6] = {};
    bool pointerKnown = false;
    QPoint lastPointer;
    // One wheel event passes several receivers on its way up; it is one notch.
    const QEvent* lastWheel = nullptr;
    ulong lastWheelTime = 0;
};
