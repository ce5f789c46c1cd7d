// A window minimised once keeps "start minimised" in its WM_HINTS, so shown again from the tray
// it would map minimised: the hint is reset, the other hints kept, on an X server of the test's
// own.

#include "platform/windowstartstate.h"
#include "privateserver.h"

#include <QGuiApplication>
#include <QtTest>

#include <memory>
#include <xcb/xcb.h>

class TestWindowStartState : public QObject
{
    Q_OBJECT
private slots:
    void minimisedStartIsResetOtherHintsKept();
};

void TestWindowStartState::minimisedStartIsResetOtherHintsKept()
{
    const std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> connection(
        xcb_connect(nullptr, nullptr), &xcb_disconnect);
    xcb_connection_t* c = connection.get();
    QVERIFY(!xcb_connection_has_error(c));
    const auto hintsOf = [c](xcb_window_t window) {
        QVector<uint32_t> hints;
        auto* reply = xcb_get_property_reply(
            c, xcb_get_property(c, 0, window, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 0, 9), nullptr);
        if (reply && reply->format == 32) {
            const auto* values = static_cast<const uint32_t*>(xcb_get_property_value(reply));
            for (int i = 0; i < xcb_get_property_value_length(reply) / 4; ++i)
                hints << values[i];
        }
        free(reply);
        return hints;
    };
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const auto newWindow = [c, root] {
        const xcb_window_t window = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, window, root, 0, 0, 10, 10, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        return window;
    };
    const xcb_window_t minimised = newWindow();
    // Input and state hints, input on, start iconic, group leader 42.
    const uint32_t iconic[9] = {1 | 2 | 64, 1, 3, 0, 0, 0, 0, 0, 42};
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, minimised, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS,
                        32, 9, iconic);
    const xcb_window_t plain = newWindow();
    xcb_flush(c);

    clearMinimizedStartState(minimised);
    clearMinimizedStartState(plain);
    QCOMPARE(hintsOf(minimised), (QVector<uint32_t>{1 | 2 | 64, 1, 1, 0, 0, 0, 0, 0, 42}));
    QVERIFY(hintsOf(plain).isEmpty());
}

int main(int argc, char** argv)
{
    // The program's own platform: the hint is X's, and only an X program touches it.
    PrivateServer xserver;
    const QByteArray display = xserver.startXvfb(QStringLiteral("640x480x24"));
    if (display.isEmpty())
        qFatal("Xvfb is missing");
    qputenv("DISPLAY", display);
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    TestWindowStartState test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_windowstartstate.moc"
