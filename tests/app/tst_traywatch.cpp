// The X tray and the StatusNotifierItem tray followed on an X server and a session bus of the
// test's own, as trays come and go.

#include "platform/traywatch.h"
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

QTEST_GUILESS_MAIN(TestTrayWatch)
#include "tst_traywatch.moc"
