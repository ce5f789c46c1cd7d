// The real quillex on an X server of its own: its window, its working folder, a second start
// and a clean exit. Each run uses its own copy of the program, so its instance key is its own.

#include "instancetesting.h"
#include "lineprocess.h"
#include "privateserver.h"
#include "xdisplay.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QDirIterator>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>

class TestQuillex : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void startsFromAnotherFolderShowsItsWindowAndExitsCleanly();
    void secondStartEndsWithOneAndKeepsTheFirst();
    void terminationSignalLeavesThroughTheOrderlyExit();
    void messageBoxClosedWhileHiddenInTrayKeepsTheAppRunning();
    void failedReadBoxOutlivesAReplugAndTheDeviceOpensAfterwards();
    void replugAndClickAgainBringsDeviceNotificationsToThePage();
    void trayComingTakesTheClosedWindowAndTrayGoingGivesItBack();
    void sessionStartWaitsInTheTrayOnlyWhereOneExists();
    void demoRunsOnDevicesAndSettingsOfItsOwn();
    void batteryLevelReachesTheTrayAndLowOnesTheDesktopNotifications_data();
    void batteryLevelReachesTheTrayAndLowOnesTheDesktopNotifications();
    void cleanupTestCase();

private:
    QProcessEnvironment displayEnvironment() const;
    std::unique_ptr<LineProcess> startQuillex(const QString& workingDirectory,
                                              const QString& simSocket = QString(),
                                              const QStringList& arguments = QStringList(),
                                              const QString& sessionBus = QString());
    XDisplay::Window waitForWindow(LineProcess& quillex);
    XDisplay::Window waitForSettledWindow(LineProcess& quillex);
    XDisplay::Window waitForSettledWindow(qint64 pid);
    bool waitForScreen(const XDisplay::Window& window, const QRectF& design,
                       const std::function<bool(const QImage&)>& shows, int ms = 10000);
    bool clickCard(const XDisplay::Window& window);
    bool openDeviceFromItsCard(LineProcess& quillex, const XDisplay::Window& window);
    QString programKey() const;

    PrivateServer xserver;
    QByteArray display;
    std::unique_ptr<XDisplay> x;
    QTemporaryDir install;
    QTemporaryDir elsewhere;
};

static bool copyTree(const QString& from, const QString& to)
{
    if (!QDir().mkpath(to))
        return false;
    QDirIterator it(from, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString target = to + source.mid(from.size());
        const bool done =
            it.fileInfo().isDir() ? QDir().mkpath(target) : QFile::copy(source, target);
        if (!done)
            return false;
    }
    return true;
}

// One quillex-sim command to the daemon on `socket`; true when it was done.
static bool simControl(const QString& socket, const QStringList& arguments,
                       QByteArray* output = nullptr)
{
    QProcess sim;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QUILLEX_SIM_SOCKET"), socket);
    sim.setProcessEnvironment(env);
    sim.start(qEnvironmentVariable("QUILLEX_BIN_DIR") + QStringLiteral("/sim/quillex-sim"),
              arguments);
    if (!sim.waitForFinished(10000))
        return false;
    if (output)
        *output = sim.readAllStandardOutput();
    return sim.exitStatus() == QProcess::NormalExit && sim.exitCode() == 0;
}

// The virtual devices of one test: a quillex-sim daemon on a socket of its own, stopped with the
// test.
class VirtualDevices
{
public:
    VirtualDevices() : socket(directory.path() + QStringLiteral("/sim.sock")) {}
    ~VirtualDevices()
    {
        if (served)
            control({QStringLiteral("stop")});
    }

    bool serve()
    {
        served =
            directory.isValid() && control({QStringLiteral("serve"), QStringLiteral("--detach")});
        return served;
    }

    bool control(const QStringList& arguments, QByteArray* output = nullptr) const
    {
        return simControl(socket, arguments, output);
    }

    // The device calls recorded since the trace was last cleared.
    QByteArray trace() const
    {
        QByteArray calls;
        control({QStringLiteral("trace")}, &calls);
        return calls;
    }

    bool clearTrace() const
    {
        return control({QStringLiteral("trace"), QStringLiteral("--clear")});
    }

    const QString& socketPath() const { return socket; }

private:
    QTemporaryDir directory;
    QString socket;
    bool served = false;
};

// A session bus of the test's own, which starts no service by itself: a dbus-daemon on a socket
// in a temporary folder, ended with the test.
class PrivateSessionBus
{
public:
    ~PrivateSessionBus()
    {
        QDBusConnection::disconnectFromBus(connectionName);
        if (daemon.state() == QProcess::NotRunning)
            return;
        daemon.terminate();
        daemon.waitForFinished(5000);
    }

    bool start()
    {
        QFile config(directory.path() + QStringLiteral("/bus.conf"));
        if (!directory.isValid() || !config.open(QIODevice::WriteOnly))
            return false;
        config.write("<busconfig><type>session</type><listen>unix:path=" +
                     QFile::encodeName(directory.path()) +
                     "/bus</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                     "<allow send_destination=\"*\" eavesdrop=\"true\"/>"
                     "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n");
        config.close();
        daemon.start(QStringLiteral("dbus-daemon"),
                     {QStringLiteral("--config-file=") + config.fileName(),
                      QStringLiteral("--nofork"), QStringLiteral("--print-address")});
        if (!daemon.waitForStarted(5000) ||
            !QTest::qWaitFor([this] { return daemon.canReadLine() || !running(); }, 10000) ||
            !running())
            return false;
        address = QString::fromUtf8(daemon.readLine().trimmed());
        return connection().isConnected();
    }

    QDBusConnection connection() const
    {
        return QDBusConnection::connectToBus(address, connectionName);
    }

    // Owns `service` on the bus and serves `object` at `path`.
    bool offer(const QString& service, const QString& path, QObject* object) const
    {
        return connection().registerObject(path, object,
                                           QDBusConnection::ExportAllSlots |
                                               QDBusConnection::ExportAllProperties) &&
               connection().registerService(service);
    }

    QString address;

private:
    bool running() const { return daemon.state() == QProcess::Running; }

    const QString connectionName = QStringLiteral("test session bus");
    QTemporaryDir directory;
    QProcess daemon;
};

// Stands in for the desktop's notification daemon: records each notice it is asked to show as
// "program | title | text".
class NotificationsStandIn : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList notices;

public slots:
    uint Notify(const QString& program, uint replacesId, const QString& icon, const QString& title,
                const QString& text, const QStringList& actions, const QVariantMap& hints,
                int timeoutMs)
    {
        Q_UNUSED(replacesId)
        Q_UNUSED(icon)
        Q_UNUSED(actions)
        Q_UNUSED(hints)
        Q_UNUSED(timeoutMs)
        notices.append(program + QStringLiteral(" | ") + title + QStringLiteral(" | ") + text);
        return uint(notices.size());
    }
};

// Stands in for a panel's StatusNotifierItem watcher: with it on the bus Qt shows its tray icon
// as a StatusNotifierItem, whose tool tip a panel reads over D-Bus.
class StatusNotifierWatcherStandIn : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isStatusNotifierHostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ registeredStatusNotifierItems)
public:
    bool isStatusNotifierHostRegistered() const { return true; }
    int protocolVersion() const { return 0; }
    QStringList registeredStatusNotifierItems() const { return items; }

    QStringList items;

public slots:
    void RegisterStatusNotifierItem(const QString& service) { items.append(service); }
};

// The title of the tool tip of the StatusNotifierItem `service`, as a panel reads it; empty when
// it cannot be read. Waited for while events are handled: the item's program may be calling this
// process meanwhile.
static QString trayToolTip(const QDBusConnection& bus, const QString& service)
{
    QDBusMessage get = QDBusMessage::createMethodCall(
        service, QStringLiteral("/StatusNotifierItem"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QStringLiteral("org.kde.StatusNotifierItem") << QStringLiteral("ToolTip");
    QDBusPendingCall pending = bus.asyncCall(get);
    if (!QTest::qWaitFor([&] { return pending.isFinished(); }, 5000) || pending.isError())
        return QString();
    // (icon name, icon pictures (width, height, ARGB data), title, text)
    const QDBusArgument tip =
        pending.reply().arguments().value(0).value<QDBusVariant>().variant().value<QDBusArgument>();
    QString iconName, title, text;
    tip.beginStructure();
    tip >> iconName;
    tip.beginArray();
    while (!tip.atEnd()) {
        int width = 0, height = 0;
        QByteArray argb;
        tip.beginStructure();
        tip >> width >> height >> argb;
        tip.endStructure();
    }
    tip.endArray();
    tip >> title >> text;
    tip.endStructure();
    return title;
}

// Where a rectangle of the scene's 1280x720 design is on the screen: the stage scales with the
// window's height and is centred in its width.
static QRect onScreen(const XDisplay::Window& window, const QRectF& design)
{
    const QRect& g = window.geometry;
    const qreal scale = g.height() / 720.0;
    const qreal left = g.x() + (g.width() - 1280 * scale) / 2;
    return QRectF(left + design.x() * scale, g.y() + design.y() * scale, design.width() * scale,
                  design.height() * scale)
        .toAlignedRect();
}

// How many pixels of `image` are within `tolerance` of `colour` in each channel.
static int pixelsLike(const QImage& image, QRgb colour, int tolerance)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (qAbs(qRed(p) - qRed(colour)) <= tolerance &&
                qAbs(qGreen(p) - qGreen(colour)) <= tolerance &&
                qAbs(qBlue(p) - qBlue(colour)) <= tolerance)
                ++count;
        }
    }
    return count;
}

// Places and colours of the scene's design (qml/) that a user looks at.
namespace scene
{
// The single card of the start page sits in its middle; its lower part holds the connection
// icons, red for an 8K device, below where the start logo ever is.
const QRectF cardCentre(635, 355, 10, 10);
const QRectF cardIcons(505, 432, 270, 30);
// The battery gauge of the main page's status row; the start page has none. Its outline and
// its bar are drawn in the base colour, the bar of a battery at 20 % or less in the highlight.
const QRectF batteryGauge(1090, 16, 40, 28);
const QRgb baseColour = qRgb(0xd9, 0xd9, 0xd9);
const QRgb highlightColour = qRgb(0xe4, 0x00, 0x2b);
const int tolerance = 24;

bool showsCard(const QImage& icons)
{
    return pixelsLike(icons, highlightColour, 60) >= 20;
}
bool showsBatteryGauge(const QImage& gauge)
{
    return pixelsLike(gauge, baseColour, tolerance) >= 80; // the outline alone has about 100
}
bool showsLowBattery(const QImage& gauge)
{
    return pixelsLike(gauge, highlightColour, tolerance) >= 20; // the bar at 20 % has about 50
}
} // namespace scene

void TestQuillex::initTestCase()
{
    display = xserver.startXvfb(QStringLiteral("1920x1080x24"));
    QVERIFY2(!display.isEmpty(), "Xvfb is missing");
    x = std::make_unique<XDisplay>(display);
    QVERIFY(x->ok());

    const QString bin = qEnvironmentVariable("QUILLEX_BIN_DIR");
    QVERIFY(install.isValid() && elsewhere.isValid());
    QVERIFY(
        QFile::copy(bin + QStringLiteral("/quillex"), install.path() + QStringLiteral("/quillex")));
    QVERIFY(
        copyTree(bin + QStringLiteral("/modules"), install.path() + QStringLiteral("/modules")));
    // The virtual devices ship beside the program for its demo.
    QVERIFY(copyTree(bin + QStringLiteral("/sim"), install.path() + QStringLiteral("/sim")));
}

void TestQuillex::cleanupTestCase()
{
    x.reset();
    xserver.stop();
}

// This test's X server, and no session bus: the desktop's StatusNotifierItem tray, if any,
// stays out of the test.
QProcessEnvironment TestQuillex::displayEnvironment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(display));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
               QStringLiteral("unix:path=") + install.path() + QStringLiteral("/no-bus"));
    return env;
}

std::unique_ptr<LineProcess> TestQuillex::startQuillex(const QString& workingDirectory,
                                                       const QString& simSocket,
                                                       const QStringList& arguments,
                                                       const QString& sessionBus)
{
    QProcessEnvironment env = displayEnvironment();
    if (!sessionBus.isEmpty())
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), sessionBus);
    // The virtual hidapi, by default with no daemon behind it: no device, and never a real one.
    const QString bin = qEnvironmentVariable("QUILLEX_BIN_DIR");
    env.insert(QStringLiteral("LD_LIBRARY_PATH"), bin + QStringLiteral("/sim"));
    env.insert(QStringLiteral("QUILLEX_SIM_SOCKET"),
               simSocket.isEmpty() ? install.path() + QStringLiteral("/no-sim") : simSocket);
    auto quillex =
        std::make_unique<LineProcess>(install.path() + QStringLiteral("/quillex"), arguments, env);
    quillex->start(workingDirectory);
    return quillex;
}

// The window once start-up is over (the first device scan is its last step) and the window
// has settled where the first layout put it.
XDisplay::Window TestQuillex::waitForWindow(LineProcess& quillex)
{
    if (!QTest::qWaitFor([&] { return quillex.errors().contains("Device DisConnect"); }, 20000))
        return XDisplay::Window();
    return waitForSettledWindow(quillex);
}

XDisplay::Window TestQuillex::waitForSettledWindow(LineProcess& quillex)
{
    return waitForSettledWindow(quillex.process.processId());
}

XDisplay::Window TestQuillex::waitForSettledWindow(qint64 pid)
{
    XDisplay::Window last = x->mainWindowOf(pid);
    for (int i = 0; i < 50; ++i) {
        QTest::qWait(100);
        const XDisplay::Window now = x->mainWindowOf(pid);
        if (now.id && now.id == last.id && now.geometry == last.geometry)
            return now;
        last = now;
    }
    return XDisplay::Window();
}

// The key quillex derives for this copy of itself.
QString TestQuillex::programKey() const
{
    return instanceKeyOf(QStringLiteral("quillex"), install.path() + QStringLiteral("/quillex"));
}

void TestQuillex::startsFromAnotherFolderShowsItsWindowAndExitsCleanly()
{
    auto quillex = startQuillex(elsewhere.path());
    const qint64 pid = quillex->process.processId();
    const XDisplay::Window window = waitForWindow(*quillex);
    QVERIFY2(window.id, quillex->errors());
    QVERIFY(window.frameless);
    QCOMPARE(window.depth, 32); // an ARGB visual: the translucent background reaches the screen
    QVERIFY(!window.geometry.isEmpty());

    // Relative paths ("./modules", "./updateEx/update") resolve beside the executable.
    const QString cwd = QFileInfo(QStringLiteral("/proc/%1/cwd").arg(pid)).canonicalFilePath();
    QCOMPARE(cwd, QFileInfo(install.path()).canonicalFilePath());

    QSharedMemory memory(programKey());
    QVERIFY(memory.attach());
    QCOMPARE(readBlock(memory).primaryPid, pid);

    // No tray on this display: a close (closing to the tray is the shipped default) minimises
    // instead of hiding for good, and another start brings the window to the front.
    x->requestClose(window.id);
    x->dropFocus();
    QVERIFY(x->focus() != window.id);
    auto second = startQuillex(install.path());
    QCOMPARE(second->exitCode(), 1);
    // Asked for its version it answers at once: the first is neither contacted nor counted.
    QProcess version;
    version.start(install.path() + QStringLiteral("/quillex"), {QStringLiteral("--version")});
    QVERIFY(version.waitForFinished());
    QCOMPARE(version.exitCode(), 0);
    QCOMPARE(version.readAllStandardOutput(), QByteArray("quillex " QUILLEX_VERSION "\n"));
    QTRY_VERIFY(quillex->errors().contains("message from instance"));
    QCOMPARE(quillex->process.state(), QProcess::Running);
    QTRY_COMPARE(x->windowsOf(pid).value(0).id, window.id); // mapped again
    QTRY_COMPARE(x->focus(), window.id);                    // raised and activated

    quillex->process.terminate();
    QCOMPARE(quillex->exitCode(), 0);
    const InstanceBlock block = readBlock(memory);
    QVERIFY(blockConsistent(block));
    QCOMPARE(block.primary, quint8(0)); // the role was given up on the way out
    QCOMPARE(block.primaryPid, qint64(-1));
}

void TestQuillex::secondStartEndsWithOneAndKeepsTheFirst()
{
    auto first = startQuillex(elsewhere.path());
    const qint64 pid = first->process.processId();
    const XDisplay::Window before = waitForWindow(*first);
    QVERIFY2(before.id, first->errors());
    QSharedMemory memory(programKey());
    QVERIFY(memory.attach());
    const quint32 extraBefore = readBlock(memory).extraCount;

    auto second = startQuillex(install.path());
    QCOMPARE(second->exitCode(), 1);

    QCOMPARE(first->process.state(), QProcess::Running);
    const QList<XDisplay::Window> after = x->windowsOf(pid);
    QCOMPARE(after.size(), 1);
    QCOMPARE(after.first().id, before.id);
    QCOMPARE(after.first().geometry, before.geometry);
    const InstanceBlock block = readBlock(memory);
    QCOMPARE(block.primaryPid, pid);
    QCOMPARE(block.extraCount, extraBefore + 1);

    first->process.terminate();
    QCOMPARE(first->exitCode(), 0);
}

bool TestQuillex::waitForScreen(const XDisplay::Window& window, const QRectF& design,
                                const std::function<bool(const QImage&)>& shows, int ms)
{
    return QTest::qWaitFor([&] { return shows(x->screenPixels(onScreen(window, design))); }, ms);
}

// A click on the device's card of the start page, once the page shows it.
bool TestQuillex::clickCard(const XDisplay::Window& window)
{
    if (!waitForScreen(window, scene::cardIcons, scene::showsCard))
        return false;
    x->click(onScreen(window, scene::cardCentre).center());
    return true;
}

// The device's page opened from its card: a listener starts for it and its battery gauge shows.
bool TestQuillex::openDeviceFromItsCard(LineProcess& quillex, const XDisplay::Window& window)
{
    // The page shows, and a listener runs: the one the page started, or the one that already
    // listened for the battery.
    const auto listening = [&quillex] {
        const QByteArray log = quillex.errors();
        return log.lastIndexOf("Listener started") > log.lastIndexOf("Listener ended");
    };
    return clickCard(window) &&
           waitForScreen(window, scene::batteryGauge, scene::showsBatteryGauge) &&
           QTest::qWaitFor(listening, 10000);
}

void TestQuillex::messageBoxClosedWhileHiddenInTrayKeepsTheAppRunning()
{
    XDisplay::SystemTray tray(*x);
    QVERIFY(tray.owned());
    VirtualDevices devices;
    QVERIFY(devices.serve());
    QVERIFY(devices.control({QStringLiteral("plug"), QStringLiteral("mouse")}));
    auto quillex = startQuillex(elsewhere.path(), devices.socketPath());
    const qint64 pid = quillex->process.processId();
    const XDisplay::Window window = waitForSettledWindow(*quillex);
    QVERIFY2(window.id, quillex->errors());
    QTRY_VERIFY2(quillex->errors().contains("system tray available"), quillex->errors());
    QVERIFY2(openDeviceFromItsCard(*quillex, window), quillex->errors());

    // Closing to the tray is the shipped setting (modules/apConfig.ini).
    x->requestClose(window.id);
    QTRY_VERIFY(!x->viewable(window.id));

    // Meanwhile the mouse stops answering and the receiver is plugged in: the app reads the open
    // device again, fails, and says so in a box of its own while the window stays in the tray.
    QVERIFY(devices.control(
        {QStringLiteral("fault"), QStringLiteral("mouse"), QStringLiteral("read")}));
    QVERIFY(devices.control({QStringLiteral("plug"), QStringLiteral("receiver8k")}));
    XDisplay::Window box;
    QVERIFY2(QTest::qWaitFor([&] { return (box = x->dialogOf(pid)).id != 0; }, 10000),
             quillex->errors());
    QVERIFY(!x->viewable(window.id));
    x->requestClose(box.id);
    QTRY_VERIFY(!x->viewable(box.id));

    // Closing the only window on screen did not end the app: another start reaches it and
    // brings the window back.
    QCOMPARE(quillex->process.state(), QProcess::Running);
    auto second = startQuillex(install.path(), devices.socketPath());
    QCOMPARE(second->exitCode(), 1);
    QTRY_VERIFY2(x->viewable(window.id), quillex->errors());
    QCOMPARE(quillex->process.state(), QProcess::Running);

    quillex->process.terminate();
    QCOMPARE(quillex->exitCode(), 0);
}

void TestQuillex::trayComingTakesTheClosedWindowAndTrayGoingGivesItBack()
{
    auto quillex = startQuillex(elsewhere.path());
    const XDisplay::Window window = waitForWindow(*quillex);
    QVERIFY2(window.id, quillex->errors());
    QVERIFY(!quillex->errors().contains("system tray available"));

    auto tray = std::make_unique<XDisplay::SystemTray>(*x);
    QVERIFY(tray->owned());
    QTRY_VERIFY2(quillex->errors().contains("system tray available"), quillex->errors());
    // Closing to the tray is the shipped setting (modules/apConfig.ini).
    x->requestClose(window.id);
    QTRY_VERIFY(!x->viewable(window.id));

    // The panel goes away with the window in its tray: the window comes back, minimised.
    tray.reset();
    QTRY_VERIFY2(quillex->errors().contains("system tray gone"), quillex->errors());
    QTRY_VERIFY2(x->viewable(window.id), quillex->errors());
    QCOMPARE(quillex->process.state(), QProcess::Running);

    quillex->process.terminate();
    QCOMPARE(quillex->exitCode(), 0);
}

void TestQuillex::failedReadBoxOutlivesAReplugAndTheDeviceOpensAfterwards()
{
    VirtualDevices devices;
    QVERIFY(devices.serve());
    QVERIFY(devices.control({QStringLiteral("plug"), QStringLiteral("mouse")}));
    // Its tables cannot be read: opening it ends in the sync-failed box.
    QVERIFY(devices.control(
        {QStringLiteral("fault"), QStringLiteral("mouse"), QStringLiteral("read")}));
    auto quillex = startQuillex(elsewhere.path(), devices.socketPath());
    const qint64 pid = quillex->process.processId();
    const XDisplay::Window window = waitForSettledWindow(*quillex);
    QVERIFY2(window.id, quillex->errors());
    QVERIFY(clickCard(window));
    XDisplay::Window box;
    QVERIFY2(QTest::qWaitFor([&] { return (box = x->dialogOf(pid)).id != 0; }, 10000),
             quillex->errors());

    // Unplugged while the box is open: the app sees the device go, and the box stays.
    QVERIFY(devices.control({QStringLiteral("unplug"), QStringLiteral("mouse")}));
    QTRY_VERIFY2(quillex->errors().contains("Device removed"), quillex->errors());
    // Plugged back: a new device, without the fault.
    QVERIFY(devices.control({QStringLiteral("plug"), QStringLiteral("mouse")}));
    QVERIFY(x->viewable(box.id));
    QCOMPARE(quillex->process.state(), QProcess::Running);

    QVERIFY(devices.clearTrace());
    x->requestClose(box.id);
    QTRY_VERIFY(!x->viewable(box.id));
    // The device change waited for the box; the app looks for devices once it is closed.
    QTRY_VERIFY2(devices.trace().contains(" enumerate "), quillex->errors());
    QCOMPARE(quillex->process.state(), QProcess::Running);

    QVERIFY2(openDeviceFromItsCard(*quillex, window), quillex->errors());
    QVERIFY(!x->dialogOf(pid).id);
    quillex->process.terminate();
    QCOMPARE(quillex->exitCode(), 0);
}

void TestQuillex::replugAndClickAgainBringsDeviceNotificationsToThePage()
{
    VirtualDevices devices;
    QVERIFY(devices.serve());
    QVERIFY(devices.control({QStringLiteral("plug"), QStringLiteral("mouse")}));
    auto quillex = startQuillex(elsewhere.path(), devices.socketPath());
    const XDisplay::Window window = waitForSettledWindow(*quillex);
    QVERIFY2(window.id, quillex->errors());
    QVERIFY2(openDeviceFromItsCard(*quillex, window), quillex->errors());

    QVERIFY(devices.control({QStringLiteral("unplug"), QStringLiteral("mouse")}));
    // Back on the start page, which has no battery gauge and, with the mouse gone, no card. The
    // main page fades out over it: its gauge dims first, while its red controls where the card's
    // icons go still look like a card, and a click on them would find no card under it.
    QVERIFY2(QTest::qWaitFor(
                 [&] {
                     return !scene::showsBatteryGauge(
                                x->screenPixels(onScreen(window, scene::batteryGauge))) &&
                            !scene::showsCard(x->screenPixels(onScreen(window, scene::cardIcons)));
                 },
                 10000),
             quillex->errors());
    QVERIFY(devices.control({QStringLiteral("plug"), QStringLiteral("mouse")}));
    QVERIFY2(openDeviceFromItsCard(*quillex, window), quillex->errors());
    QVERIFY(!scene::showsLowBattery(x->screenPixels(onScreen(window, scene::batteryGauge))));

    // The battery falls to 20 %: the gauge turns to the warning colour. A notification sent
    // before the app listens again is lost like a real one, so it is sent again, a bounded
    // number of times.
    bool shown = false;
    for (int i = 0; i < 10 && !shown; ++i) {
        QVERIFY(devices.control({QStringLiteral("notify"), QStringLiteral("mouse"),
                                 QStringLiteral("11"), QStringLiteral("14"), QStringLiteral("00"),
                                 QStringLiteral("00")}));
        shown = waitForScreen(window, scene::batteryGauge, scene::showsLowBattery, 1000);
    }
    QVERIFY2(shown, quillex->errors());

    quillex->process.terminate();
    QCOMPARE(quillex->exitCode(), 0);
}

void TestQuillex::sessionStartWaitsInTheTrayOnlyWhereOneExists()
{
    // No tray comes: a window waiting in it could never be reached, so it shows.
    {
        auto quillex = startQuillex(elsewhere.path(), QString(), {QStringLiteral("-s")});
        QTRY_VERIFY2_WITH_TIMEOUT(quillex->errors().contains("no system tray came: showing"),
                                  quillex->errors(), 10000);
        QVERIFY2(waitForSettledWindow(*quillex).id, quillex->errors());
        quillex->process.terminate();
        QCOMPARE(quillex->exitCode(), 0);
    }
    // The panel comes a moment after the program, as at log-in.
    auto quillex = startQuillex(elsewhere.path(), QString(), {QStringLiteral("-s")});
    const qint64 pid = quillex->process.processId();
    XDisplay::SystemTray tray(*x);
    QVERIFY(tray.owned());
    QTRY_VERIFY2_WITH_TIMEOUT(quillex->errors().contains("started in the system tray"),
                              quillex->errors(), 10000);
    QVERIFY(quillex->errors().contains("Device DisConnect")); // the first scan is done
    QCOMPARE(x->mainWindowOf(pid).id, xcb_window_t(0));

    // Any other start means the user wants to see it.
    auto second = startQuillex(install.path());
    QCOMPARE(second->exitCode(), 1);
    QVERIFY2(waitForSettledWindow(pid).id, quillex->errors());
    quillex->process.terminate();
    QCOMPARE(quillex->exitCode(), 0);
}

void TestQuillex::demoRunsOnDevicesAndSettingsOfItsOwn()
{
    QTemporaryDir runtime, userData;
    QVERIFY(runtime.isValid() && userData.isValid());
    const QString demoSocket = runtime.path() + QStringLiteral("/quillex-demo.sock");
    const QString shippedSettings = install.path() + QStringLiteral("/modules/apConfig.ini");
    QFile shipped(shippedSettings);
    QVERIFY(shipped.open(QIODevice::ReadOnly));
    const QByteArray shippedBefore = shipped.readAll();
    shipped.close();

    // As a user starts it: the system's hidapi, no virtual devices of anyone else.
    QProcessEnvironment env = displayEnvironment();
    env.remove(QStringLiteral("LD_LIBRARY_PATH"));
    env.remove(QStringLiteral("QUILLEX_SIM_SOCKET"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    env.insert(QStringLiteral("XDG_DATA_HOME"), userData.path());
    const QString program = install.path() + QStringLiteral("/quillex");
    // Two starts at once, as a double click on the menu entry: one demo comes up, on a mouse and
    // an 8K receiver of its own; the other shows it.
    // Either may win.
    auto demo = std::make_unique<LineProcess>(program, QStringList{QStringLiteral("--demo")}, env);
    auto again = std::make_unique<LineProcess>(program, QStringList{QStringLiteral("--demo")}, env);
    demo->start(elsewhere.path());
    again->start(elsewhere.path());
    QTRY_VERIFY_WITH_TIMEOUT(demo->process.state() == QProcess::NotRunning ||
                                 again->process.state() == QProcess::NotRunning,
                             20000);
    if (demo->process.state() == QProcess::NotRunning)
        std::swap(demo, again);
    QCOMPARE(again->exitCode(), 1);
    QCOMPARE(demo->process.state(), QProcess::Running);
    QVERIFY2(waitForSettledWindow(demo->process.processId()).id, demo->errors());
    QByteArray plugged;
    QVERIFY(simControl(demoSocket, {QStringLiteral("list")}, &plugged));
    QCOMPARE(plugged, QByteArray("mouse\nreceiver8k\n"));
    QByteArray calls;
    QTRY_VERIFY_WITH_TIMEOUT(simControl(demoSocket, {QStringLiteral("trace")}, &calls) &&
                                 calls.contains("enumerate 093A:C791"),
                             10000);

    // Its settings are its own even where the program's folder is writable.
    QTRY_VERIFY(
        QFile::exists(userData.path() + QStringLiteral("/quillex-demo/modules/apConfig.ini")));
    QVERIFY(!QFile::exists(userData.path() + QStringLiteral("/quillex")));

    // Killed outright, it leaves its devices behind, as they were: the next demo starts on fresh
    // ones all the same.
    QVERIFY(simControl(demoSocket, {QStringLiteral("unplug"), QStringLiteral("mouse")}));
    demo->process.kill();
    QCOMPARE(demo->exitCode(), -1);
    QVERIFY(simControl(demoSocket, {QStringLiteral("ping")}));
    demo = std::make_unique<LineProcess>(program, QStringList{QStringLiteral("--demo")}, env);
    demo->start(elsewhere.path());
    QVERIFY2(waitForSettledWindow(demo->process.processId()).id, demo->errors());
    QVERIFY(simControl(demoSocket, {QStringLiteral("list")}, &plugged));
    QCOMPARE(plugged, QByteArray("mouse\nreceiver8k\n"));

    // Ended as at logout: the app leaves through its orderly exit and its devices go with it.
    demo->process.terminate();
    QCOMPARE(demo->exitCode(), 0);
    QVERIFY(!simControl(demoSocket, {QStringLiteral("ping")}));
    QVERIFY(!QFile::exists(demoSocket));
    QVERIFY(shipped.open(QIODevice::ReadOnly));
    QCOMPARE(shipped.readAll(), shippedBefore);
}

QTEST_GUILESS_MAIN(TestQuillex)
#include "tst_quillex.moc"

void TestQuillex::terminationSignalLeavesThroughTheOrderlyExit()
{
    auto quillex = startQuillex(elsewhere.path());
    const XDisplay::Window window = waitForWindow(*quillex);
    QVERIFY2(window.id, quillex->errors());
    QSharedMemory memory(programKey());
    QVERIFY(memory.attach());

    quillex->process.terminate(); // SIGTERM, as at logout
    QCOMPARE(quillex->exitCode(), 0);
    const InstanceBlock block = readBlock(memory);
    QVERIFY(blockConsistent(block));
    QCOMPARE(block.primary, quint8(0));
    QCOMPARE(block.primaryPid, qint64(-1));
}

void TestQuillex::batteryLevelReachesTheTrayAndLowOnesTheDesktopNotifications_data()
{
    QTest::addColumn<QString>("language");
    QTest::newRow("English, as shipped") << QStringLiteral("2");
    QTest::newRow("Russian") << QStringLiteral("0");
}

void TestQuillex::batteryLevelReachesTheTrayAndLowOnesTheDesktopNotifications()
{
    QFETCH(QString, language);
    // The language chosen in the settings panel, kept in the settings file.
    QFile settings(install.path() + QStringLiteral("/modules/apConfig.ini"));
    QVERIFY(settings.open(QIODevice::ReadOnly));
    const QByteArray shippedSettings = settings.readAll();
    settings.close();
    const auto writeSettings = [&settings](const QByteArray& content) {
        return settings.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
               settings.write(content) == content.size() && (settings.close(), true);
    };
    const auto restoreSettings = qScopeGuard([&] { writeSettings(shippedSettings); });
    QVERIFY(writeSettings("[Setting]\ndata=1, 0, 0, " + language.toLatin1() + "\n"));

    PrivateSessionBus bus;
    QVERIFY2(bus.start(), "dbus-daemon is missing");
    NotificationsStandIn notifications;
    StatusNotifierWatcherStandIn panel;
    QVERIFY(bus.offer(QStringLiteral("org.freedesktop.Notifications"),
                      QStringLiteral("/org/freedesktop/Notifications"), &notifications));
    QVERIFY(bus.offer(QStringLiteral("org.kde.StatusNotifierWatcher"),
                      QStringLiteral("/StatusNotifierWatcher"), &panel));

    QSettings texts(install.path() + QStringLiteral("/modules/i18n/") + language +
                        QStringLiteral(".ini"),
                    QSettings::IniFormat);
    texts.setIniCodec("UTF-8");
    const auto text = [&texts](int i) {
        return texts.value(QStringLiteral("Tray/") + QString::number(i)).toString();
    };
    const QString program = text(0);
    QVERIFY(!program.isEmpty());
    const auto toolTip = [&](int percent) { return text(1).arg(percent); };
    const auto low = [&](int percent) {
        return program + QStringLiteral(" | ") + text(2) + QStringLiteral(" | ") +
               text(3).arg(percent);
    };
    const auto critical = [&](int percent) {
        return program + QStringLiteral(" | ") + text(2) + QStringLiteral(" | ") +
               text(4).arg(percent);
    };

    VirtualDevices devices;
    QVERIFY(devices.serve());
    QVERIFY(devices.control({QStringLiteral("plug"), QStringLiteral("mouse")}));
    const auto battery = [&devices](int percent) {
        return devices.control({QStringLiteral("notify"), QStringLiteral("mouse"),
                                QStringLiteral("11"), QString::number(percent, 16),
                                QStringLiteral("00"), QStringLiteral("00")});
    };
    // The mouse is at 10 % before the app starts: its first reading, the table read as it opens,
    // is already low. The notification that set it waits for the next listener; the DPI level's
    // (unchanged) takes its place, so only the table can tell.
    QVERIFY(battery(10));
    QVERIFY(
        devices.control({QStringLiteral("notify"), QStringLiteral("mouse"), QStringLiteral("0B"),
                         QStringLiteral("01"), QStringLiteral("00"), QStringLiteral("00")}));

    auto quillex = startQuillex(elsewhere.path(), devices.socketPath(), {}, bus.address);
    const XDisplay::Window window = waitForSettledWindow(*quillex);
    QVERIFY2(window.id, quillex->errors());
    QTRY_VERIFY2(!panel.items.isEmpty(), quillex->errors());
    const QString item = panel.items.first();
    QTRY_COMPARE(trayToolTip(bus.connection(), item), program);
    QVERIFY(notifications.notices.isEmpty());

    QVERIFY2(openDeviceFromItsCard(*quillex, window), quillex->errors());
    QTRY_VERIFY2(!notifications.notices.isEmpty(), quillex->errors());
    QCOMPARE(notifications.notices, QStringList({low(10)}));
    QTRY_COMPARE(trayToolTip(bus.connection(), item), toolTip(10));

    // A notification sent before the app listens is lost like a real one, so it is sent again, a
    // bounded number of times, until the tool tip shows it.
    const auto heard = [&](int percent) {
        for (int i = 0; i < 10; ++i) {
            if (!battery(percent))
                return false;
            if (QTest::qWaitFor(
                    [&] { return trayToolTip(bus.connection(), item) == toolTip(percent); }, 1000))
                return true;
        }
        return false;
    };
    // 20 % re-arms the 15 % warning.
    QVERIFY2(heard(20), quillex->errors());

    // 14 warns; 13 and 6 do not: the next notice is the one 4 % brings.
    QVERIFY(battery(14));
    QTRY_COMPARE(notifications.notices.size(), 2);
    QVERIFY(battery(13) && battery(6) && battery(4));
    QTRY_VERIFY(notifications.notices.size() >= 3);
    // 3 stays quiet; 30 re-arms both, and 12 warns again.
    QVERIFY(battery(3) && battery(30) && battery(12));
    QTRY_VERIFY(notifications.notices.size() >= 4);
    QCOMPARE(notifications.notices, QStringList({low(10), low(14), critical(4), low(12)}));
    QTRY_COMPARE(trayToolTip(bus.connection(), item), toolTip(12));
    // Unplugged, the level is no one's any more.
    QVERIFY(devices.control({QStringLiteral("unplug"), QStringLiteral("mouse")}));
    QTRY_COMPARE(trayToolTip(bus.connection(), item), program);

    // Plugged again and not opened, as in the tray all day: its levels are heard all the same.
    QVERIFY(devices.control({QStringLiteral("plug"), QStringLiteral("mouse")}));
    QVERIFY2(heard(30), quillex->errors());
    QVERIFY(battery(15));
    QTRY_COMPARE(notifications.notices.size(), 5);
    QCOMPARE(notifications.notices.last(), low(15));

    quillex->process.terminate();
    QCOMPARE(quillex->exitCode(), 0);
}
