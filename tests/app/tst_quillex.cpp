// The real quillex on an X server of its own: its window, its working folder, a second start
// and a clean exit. Each run uses its own copy of the program, so its instance key is its own.

#include "instancetesting.h"
#include "lineprocess.h"

#include <QDirIterator>
#include <QTemporaryDir>
#include <QtTest>

#include <xcb/xcb.h>

#include <memory>

// Just enough of an X client to look at another program's windows and to close them.
class XDisplay
{
public:
    explicit XDisplay(const QByteArray& name) : connection(xcb_connect(name.constData(), nullptr))
    {
    }
    ~XDisplay() { xcb_disconnect(connection); }
    bool ok() const { return !xcb_connection_has_error(connection); }

    struct Window {
        xcb_window_t id = 0;
        QRect geometry;
        int depth = 0;
        bool frameless = false;
    };

    // The viewable top-level windows of process `pid`.
    QList<Window> windowsOf(qint64 pid)
    {
        QList<Window> found;
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
        auto* tree = xcb_query_tree_reply(connection, xcb_query_tree(connection, root), nullptr);
        if (!tree)
            return found;
        const xcb_window_t* children = xcb_query_tree_children(tree);
        for (int i = 0; i < xcb_query_tree_children_length(tree); ++i) {
            const QVector<quint32> owner = property(children[i], "_NET_WM_PID");
            if (owner.isEmpty() || owner.first() != pid || !viewable(children[i]))
                continue;
            Window window;
            window.id = children[i];
            auto* geometry = xcb_get_geometry_reply(
                connection, xcb_get_geometry(connection, children[i]), nullptr);
            if (geometry) {
                window.geometry =
                    QRect(geometry->x, geometry->y, geometry->width, geometry->height);
                window.depth = geometry->depth;
                free(geometry);
            }
            // Motif hints: flags, functions, decorations; flag 2 means decorations are given.
            const QVector<quint32> hints = property(children[i], "_MOTIF_WM_HINTS");
            window.frameless = hints.size() >= 3 && (hints[0] & 2) && hints[2] == 0;
            found << window;
        }
        free(tree);
        return found;
    }

    // What a window manager sends when the user closes the window.
    void requestClose(xcb_window_t window)
    {
        xcb_client_message_event_t event = {};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = window;
        event.type = atom("WM_PROTOCOLS");
        event.data.data32[0] = atom("WM_DELETE_WINDOW");
        event.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(connection, false, window, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char*>(&event));
        xcb_flush(connection);
    }

    // The window that has the keyboard focus.
    xcb_window_t focus()
    {
        auto* reply =
            xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr);
        const xcb_window_t window = reply ? reply->focus : xcb_window_t(XCB_NONE);
        free(reply);
        return window;
    }

    // Takes the keyboard focus from every window, as a click on the desktop would.
    void dropFocus()
    {
        xcb_set_input_focus(connection, XCB_INPUT_FOCUS_POINTER_ROOT, XCB_NONE, XCB_CURRENT_TIME);
        xcb_flush(connection);
    }

private:
    xcb_atom_t atom(const char* name)
    {
        auto* reply = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, uint16_t(qstrlen(name)), name), nullptr);
        const xcb_atom_t value = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        free(reply);
        return value;
    }

    QVector<quint32> property(xcb_window_t window, const char* name)
    {
        QVector<quint32> values;
        auto* reply = xcb_get_property_reply(
            connection, xcb_get_property(connection, 0, window, atom(name), XCB_ATOM_ANY, 0, 16),
            nullptr);
        if (reply && reply->format == 32) {
            const auto* data = static_cast<const quint32*>(xcb_get_property_value(reply));
            for (int i = 0; i < xcb_get_property_value_length(reply) / 4; ++i)
                values << data[i];
        }
        free(reply);
        return values;
    }

    bool viewable(xcb_window_t window)
    {
        auto* attributes = xcb_get_window_attributes_reply(
            connection, xcb_get_window_attributes(connection, window), nullptr);
        const bool result = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
        free(attributes);
        return result;
    }

    xcb_connection_t* connection;
};

class TestQuillex : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void startsFromAnotherFolderShowsItsWindowAndExitsCleanly();
    void secondStartEndsWithOneAndKeepsTheFirst();
    void terminationSignalLeavesThroughTheOrderlyExit();
    void cleanupTestCase();

private:
    std::unique_ptr<LineProcess> startQuillex(const QString& workingDirectory);
    XDisplay::Window waitForWindow(LineProcess& quillex);
    QString programKey() const;

    QProcess xserver;
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

void TestQuillex::initTestCase()
{
    // An X server of our own, whatever the environment has.
    xserver.start(QStringLiteral("Xvfb"),
                  {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                   QStringLiteral("0"), QStringLiteral("1920x1080x24"), QStringLiteral("-nolisten"),
                   QStringLiteral("tcp")});
    QVERIFY2(xserver.waitForStarted(), "Xvfb is missing");
    QVERIFY(QTest::qWaitFor([&] {
        xserver.waitForReadyRead(100);
        display += xserver.readAllStandardOutput();
        return display.endsWith('\n');
    }));
    display = ':' + display.trimmed();
    x = std::make_unique<XDisplay>(display);
    QVERIFY(x->ok());

    const QString bin = qEnvironmentVariable("QUILLEX_BIN_DIR");
    QVERIFY(install.isValid() && elsewhere.isValid());
    QVERIFY(
        QFile::copy(bin + QStringLiteral("/quillex"), install.path() + QStringLiteral("/quillex")));
    QVERIFY(
        copyTree(bin + QStringLiteral("/modules"), install.path() + QStringLiteral("/modules")));
}

void TestQuillex::cleanupTestCase()
{
    x.reset();
    xserver.terminate();
    xserver.waitForFinished();
}

std::unique_ptr<LineProcess> TestQuillex::startQuillex(const QString& workingDirectory)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(display));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    // The virtual hidapi with no daemon behind it: no device, and never a real one.
    const QString bin = qEnvironmentVariable("QUILLEX_BIN_DIR");
    env.insert(QStringLiteral("LD_LIBRARY_PATH"), bin + QStringLiteral("/sim"));
    env.insert(QStringLiteral("QUILLEX_SIM_SOCKET"), install.path() + QStringLiteral("/no-sim"));
    auto quillex = std::make_unique<LineProcess>(install.path() + QStringLiteral("/quillex"),
                                                 QStringList(), env);
    quillex->start(workingDirectory);
    return quillex;
}

// The window once start-up is over (the first device scan is its last step) and the window
// has settled where the first layout put it.
XDisplay::Window TestQuillex::waitForWindow(LineProcess& quillex)
{
    const qint64 pid = quillex.process.processId();
    if (!QTest::qWaitFor([&] { return quillex.errors().contains("Device DisConnect"); }, 20000))
        return XDisplay::Window();
    XDisplay::Window last = x->windowsOf(pid).value(0);
    for (int i = 0; i < 50; ++i) {
        QTest::qWait(100);
        const XDisplay::Window now = x->windowsOf(pid).value(0);
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
    QTRY_VERIFY(quillex->errors().contains("message from instance"));
    QCOMPARE(quillex->process.state(), QProcess::Running);
    QCOMPARE(x->windowsOf(pid).value(0).id, window.id);
    QTRY_COMPARE(x->focus(), window.id); // raised and activated

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
