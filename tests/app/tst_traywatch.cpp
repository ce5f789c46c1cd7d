// The X tray and the StatusNotifierItem tray followed on an X server and a session bus of the
// test's own, as trays come and go; a window coming back from the tray starts normal.

#include "platform/traywatch.h"
#include "platform/windowstartstate.h"
#include "privateserver.h"
#include "xdisplay.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

class TestTrayWatch : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void followsTheXTrayAsItComesAndGoes();
    void followsTheStatusNotifierWatcherAsItComesAndGoes();
    void withoutXServerReportsNoTray();
    void windowBackFromTheTrayStartsNormal();
    void cleanupTestCase();

private:
    PrivateServer xserver;
    PrivateServer bus;
    QByteArray busAddress;
    std::unique_ptr<XDisplay> x;
};

void TestTrayWatch::initTestCase()
{
    const QByteArray display = xserver.startXvfb(QStringLiteral("640x480x24"));
    QVERIFY2(!display.isEmpty(), "Xvfb is missing");
    busAddress = bus.startSessionBus();
    QVERIFY2(!busAddress.isEmpty(), "dbus-daemon is missing");
    // Read by the watch: its X connection and Qt's session bus.
    qputenv("DISPLAY", display);
    qputenv("DBUS_SESSION_BUS_ADDRESS", busAddress);
    x = std::make_unique<XDisplay>(display);
    QVERIFY(x->ok());
}

void TestTrayWatch::cleanupTestCase()
{
    x.reset();
    xserver.stop();
    bus.stop();
}

void TestTrayWatch::followsTheXTrayAsItComesAndGoes()
{
    TrayWatch watch;
    QVERIFY(!watch.available());
    QSignalSpy changes(&watch, &TrayWatch::availabilityChanged);
    {
        XDisplay::SystemTray tray(*x);
        QVERIFY(tray.owned());
        QVERIFY(changes.wait());
        QCOMPARE(changes.takeFirst().value(0).toBool(), true);
        QVERIFY(watch.available());
        QVERIFY(TrayWatch().available()); // a tray already there is seen at once
    }
    QVERIFY(changes.wait());
    QCOMPARE(changes.takeFirst().value(0).toBool(), false);
    QVERIFY(!watch.available());
    QVERIFY(changes.isEmpty());
}

void TestTrayWatch::followsTheStatusNotifierWatcherAsItComesAndGoes()
{
    const QString watcher = QStringLiteral("org.kde.StatusNotifierWatcher");
    QDBusConnection host =
        QDBusConnection::connectToBus(QString::fromLatin1(busAddress), QStringLiteral("tray host"));
    QVERIFY(host.isConnected());

    TrayWatch watch;
    QVERIFY(!watch.available());
    QSignalSpy changes(&watch, &TrayWatch::availabilityChanged);
    QVERIFY(host.registerService(watcher));
    QVERIFY(changes.wait());
    QCOMPARE(changes.takeFirst().value(0).toBool(), true);
    QVERIFY(TrayWatch().available()); // a watcher already there is seen at once

    QVERIFY(host.unregisterService(watcher));
    QVERIFY(changes.wait());
    QCOMPARE(changes.takeFirst().value(0).toBool(), false);
    QVERIFY(!watch.available());
    QDBusConnection::disconnectFromBus(QStringLiteral("tray host"));
}

void TestTrayWatch::withoutXServerReportsNoTray()
{
    const QByteArray display = qgetenv("DISPLAY");
    qunsetenv("DISPLAY");
    QVERIFY(!TrayWatch().available());
    qputenv("DISPLAY", display);
}

// A window minimised once keeps "start minimised" in its WM_HINTS: it is reset, the other hints
// kept; a window without the hints is left without.
void TestTrayWatch::windowBackFromTheTrayStartsNormal()
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

QTEST_GUILESS_MAIN(TestTrayWatch)
#include "tst_traywatch.moc"
