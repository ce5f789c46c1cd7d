#pragma once

#include <QByteArray>
#include <QObject>

class QWindow;

// Keyboard and mouse activity as the key table and the button ids describe it. Sources only
// watch: none of them grabs, consumes or alters input.
class InputSource : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

signals:
    // A key went down or up: its set-1 scan code and extended flag, and whether Alt was down.
    void keyChanged(int scanCode, bool extended, bool altDown, bool down);
    // Relative motion in device units.
    void moved(int dx, int dy);
    // Button 1 left, 2 right, 3 middle, 4 back, 5 forward.
    void buttonChanged(int buttonId, bool down);
    // Vertical wheel, 120 per notch away from the user.
    void wheelTurned(int delta);
};

// Watches the whole desktop, whichever window has the focus: a low-level keyboard hook and raw
// mouse input on Windows, XInput 2 raw events of the X server on Linux.
class InputObserver : public InputSource
{
    Q_OBJECT
public:
    explicit InputObserver(QObject* parent = nullptr);
    ~InputObserver() override;

    // Whether desktop-wide observation can run: on Linux an X server with XInput 2 on `display`
    // (empty: $DISPLAY); always on Windows.
    static bool available(const QByteArray& display = QByteArray());

    // Starts watching. Windows delivers raw mouse input to `rawInputWindow`, whose WM_INPUT
    // messages come back through handleRawInput(); Linux reads the X server on `display`.
    // Failures are debug lines; returns whether anything is watched.
    bool start(QWindow* rawInputWindow, const QByteArray& display = QByteArray());

    // Windows: the raw-input handle (lParam) of a WM_INPUT message.
    void handleRawInput(void* rawInputHandle);

private:
    struct Private;
    Private* d;
};
