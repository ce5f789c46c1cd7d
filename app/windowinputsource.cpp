#include "app/windowinputsource.h"

#include "app/keytranslation.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

using keytranslation::ScanKey;

// Qt's key to the key table's scan code, for platforms whose events carry no X key code. Left
// and right modifiers look alike here: the left one is taken.
static std::optional<ScanKey> scanKeyForQtKey(int key, bool keypad)
{
    if (key >= Qt::Key_A && key <= Qt::Key_Z) {
        static const uint8_t letters[] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17,
                                          0x24, 0x25, 0x26, 0x32, 0x31, 0x18, 0x19, 0x10, 0x13,
                                          0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};
        return ScanKey{letters[key - Qt::Key_A], false};
    }
    if (key >= Qt::Key_0 && key <= Qt::Key_9) {
        static const uint8_t digits[] = {0x0B, 0x02, 0x03, 0x04, 0x05,
                                         0x06, 0x07, 0x08, 0x09, 0x0A};
        static const uint8_t keypadDigits[] = {0x52, 0x4F, 0x50, 0x51, 0x4B,
                                               0x4C, 0x4D, 0x47, 0x48, 0x49};
        return ScanKey{(keypad ? keypadDigits : digits)[key - Qt::Key_0], false};
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F10)
        return ScanKey{uint16_t(0x3B + key - Qt::Key_F1), false};
    switch (key) {
    case Qt::Key_Escape:
        return ScanKey{0x01, false};
    case Qt::Key_Minus:
        return ScanKey{uint16_t(keypad ? 0x4A : 0x0C), false};
    case Qt::Key_Equal:
        return ScanKey{0x0D, false};
    case Qt::Key_Backspace:
        return ScanKey{0x0E, false};
    case Qt::Key_Tab:
        return ScanKey{0x0F, false};
    case Qt::Key_BracketLeft:
        return ScanKey{0x1A, false};
    case Qt::Key_BracketRight:
        return ScanKey{0x1B, false};
    case Qt::Key_Return:
        return ScanKey{0x1C, false};
    case Qt::Key_Enter:
        return ScanKey{0x1C, keypad};
    case Qt::Key_Control:
        return ScanKey{0x1D, false};
    case Qt::Key_Semicolon:
        return ScanKey{0x27, false};
    case Qt::Key_Apostrophe:
        return ScanKey{0x28, false};
    case Qt::Key_QuoteLeft:
        return ScanKey{0x29, false};
    case Qt::Key_Shift:
        return ScanKey{0x2A, false};
    case Qt::Key_Backslash:
        return ScanKey{0x2B, false};
    case Qt::Key_Comma:
        return ScanKey{0x33, false};
    case Qt::Key_Period:
        return ScanKey{uint16_t(keypad ? 0x53 : 0x34), false};
    case Qt::Key_Slash:
        return ScanKey{0x35, keypad};
    case Qt::Key_Alt:
        return ScanKey{0x38, false};
    case Qt::Key_AltGr:
        return ScanKey{0x38, true};
    case Qt::Key_Space:
        return ScanKey{0x39, false};
    case Qt::Key_CapsLock:
        return ScanKey{0x3A, false};
    case Qt::Key_NumLock:
        return ScanKey{0x45, true};
    case Qt::Key_Pause:
        return ScanKey{0x45, false};
    case Qt::Key_ScrollLock:
        return ScanKey{0x46, false};
    case Qt::Key_F11:
        return ScanKey{0x57, false};
    case Qt::Key_F12:
        return ScanKey{0x58, false};
    case Qt::Key_F23:
        return ScanKey{0x6E, false};
    case Qt::Key_Print:
        return ScanKey{0x37, true};
    case Qt::Key_Home:
        return ScanKey{0x47, !keypad};
    case Qt::Key_Up:
        return ScanKey{0x48, !keypad};
    case Qt::Key_PageUp:
        return ScanKey{0x49, !keypad};
    case Qt::Key_Left:
        return ScanKey{0x4B, !keypad};
    case Qt::Key_Right:
        return ScanKey{0x4D, !keypad};
    case Qt::Key_End:
        return ScanKey{0x4F, !keypad};
    case Qt::Key_Down:
        return ScanKey{0x50, !keypad};
    case Qt::Key_PageDown:
        return ScanKey{0x51, !keypad};
    case Qt::Key_Insert:
        return ScanKey{0x52, !keypad};
    case Qt::Key_Delete:
        return ScanKey{0x53, !keypad};
    case Qt::Key_Super_L:
        return ScanKey{0x5B, true};
    case Qt::Key_Super_R:
        return ScanKey{0x5C, true};
    case Qt::Key_Menu:
        return ScanKey{0x5D, true};
    default:
        break;
    }
    // Without the keypad these are shifted characters of other keys.
    if (keypad && key == Qt::Key_Plus)
        return ScanKey{0x4E, false};
    if (keypad && key == Qt::Key_Asterisk)
        return ScanKey{0x37, false};
    return std::nullopt;
}

static int buttonId(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return 1;
    case Qt::RightButton:
        return 2;
    case Qt::MiddleButton:
        return 3;
    case Qt::BackButton:
        return 4;
    case Qt::ForwardButton:
        return 5;
    default:
        return 0;
    }
}

WindowInputSource::WindowInputSource(QObject* parent) : InputSource(parent)
{
    // xcb and Wayland report the X key code (evdev + 8) as the native scan code.
    const QString platform = QGuiApplication::platformName();
    nativeKeysAreXKeys =
        platform == QLatin1String("xcb") || platform.startsWith(QLatin1String("wayland"));
    QCoreApplication::instance()->installEventFilter(this);
}

void WindowInputSource::reportKey(const QKeyEvent* event)
{
    std::optional<ScanKey> key;
    if (nativeKeysAreXKeys && event->nativeScanCode() != 0)
        key = keytranslation::scanKeyForEvdev(int(event->nativeScanCode()) - 8);
    else
        key = scanKeyForQtKey(event->key(), event->modifiers() & Qt::KeypadModifier);
    if (key)
        emit keyChanged(key->scanCode, key->extended, false, event->type() == QEvent::KeyPress);
}

void WindowInputSource::trackPointer(const QPoint& globalPosition)
{
    if (pointerKnown && globalPosition != lastPointer)
        emit moved(globalPosition.x() - lastPointer.x(), globalPosition.y() - lastPointer.y());
    pointerKnown = true;
    lastPointer = globalPosition;
}

bool WindowInputSource::eventFilter(QObject* watched, QEvent* event)
{
    // Only what came from the window system: the program's own forwarded copies are not input.
    // An event passes the window and then the widgets: the key and button states and the
    // pointer position make the repeats no change.
    if (!event->spontaneous())
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        reportKey(static_cast<QKeyEvent*>(event));
        break;
    case QEvent::MouseMove:
        trackPointer(static_cast<QMouseEvent*>(event)->globalPos());
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonRelease: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        trackPointer(mouse->globalPos());
        const int id = buttonId(mouse->button());
        const bool down = event->type() != QEvent::MouseButtonRelease;
        if (id && buttonsDown[id] != down) {
            buttonsDown[id] = down;
            emit buttonChanged(id, down);
        }
        break;
    }
    case QEvent::Wheel: {
        const auto* wheel = static_cast<QWheelEvent*>(event);
        if (event == lastWheel && wheel->timestamp() == lastWheelTime)
            break;
        lastWheel = event;
        lastWheelTime = wheel->timestamp();
        if (wheel->angleDelta().y() != 0)
            emit wheelTurned(wheel->angleDelta().y());
        break;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
