#include "platform/traywatch.h"

#include <QByteArray>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>
#include <QDebug>
#include <QSocketNotifier>

#include <cstdlib>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>

// Qt shows its icon through the StatusNotifierItem protocol when this service is on the session
// bus, and in the freedesktop X tray otherwise: either one is a tray.
static const char statusNotifierWatcher[] = "org.kde.StatusNotifierWatcher";

// The X tray is whoever owns the screen's tray selection. XFixes reports each change of owner;
// the events are read on a connection of our own, so Qt's connection is left as it is. Qt's own
// answer is not asked: it learns of a vanished tray only once its connection has seen the
// window go, which may be after we have.
struct TrayWatch::Private {
    xcb_connection_t* connection = nullptr;
    xcb_atom_t selection = XCB_ATOM_NONE;
    uint8_t selectionNotify = 0;
    QSocketNotifier* notifier = nullptr;
    bool xTray = false;
    bool dbusTray = false;
    bool available = false;

    bool anyTray() const { return xTray || dbusTray; }
    bool watchSelection();
    bool selectionOwned();
    bool takeSelectionEvents();
    void followSelection();
    void update(TrayWatch* watch);
};

bool TrayWatch::Private::watchSelection()
{
    int screenNumber = 0;
    connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection))
        return false;
    const xcb_query_extension_reply_t* extension =
        xcb_get_extension_data(connection, &xcb_xfixes_id);
    if (!extension || !extension->present)
        return false;
    // XFixes takes no other request before the client has announced the version it speaks.
    std::free(xcb_xfixes_query_version_reply(
        connection, xcb_xfixes_query_version(connection, XCB_XFIXES_MAJOR_VERSION, 0), nullptr));
    selectionNotify = extension->first_event + XCB_XFIXES_SELECTION_NOTIFY;

    const QByteArray name = "_NET_SYSTEM_TRAY_S" + QByteArray::number(screenNumber);
    auto* atom = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, uint16_t(name.size()), name.constData()),
        nullptr);
    if (!atom)
        return false;
    selection = atom->atom;
    std::free(atom);

    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && screens.rem; ++i)
        xcb_screen_next(&screens);
    if (!screens.rem)
        return false;
    xcb_xfixes_select_selection_input(connection, screens.data->root, selection,
                                      XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
    // Asked after the events were selected: every later change of owner is reported.
    followSelection();
    return !xcb_connection_has_error(connection);
}

bool TrayWatch::Private::selectionOwned()
{
    auto* reply = xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, selection), nullptr);
    const bool owned = reply && reply->owner != XCB_NONE;
    std::free(reply);
    return owned;
}

// Reads every event that has arrived; returns whether the selection's owner changed meanwhile.
bool TrayWatch::Private::takeSelectionEvents()
{
    bool changed = false;
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
        changed = changed || (event->response_type & 0x7f) == selectionNotify;
        std::free(event);
    }
    return changed;
}

// The owner is asked rather than taken from the events: an event read after an answer may be
// older than that answer.
void TrayWatch::Private::followSelection()
{
    do
        xTray = selectionOwned();
    while (takeSelectionEvents());
}

void TrayWatch::Private::update(TrayWatch* watch)
{
    if (anyTray() == available)
        return;
    available = anyTray();
    emit watch->availabilityChanged(available);
}

TrayWatch::TrayWatch(QObject* parent) : QObject(parent), d(new Private)
{
    if (d->watchSelection()) {
        d->notifier = new QSocketNotifier(xcb_get_file_descriptor(d->connection),
                                          QSocketNotifier::Read, this);
        connect(d->notifier, &QSocketNotifier::activated, this, [this] {
            if (d->takeSelectionEvents())
                d->followSelection();
            if (xcb_connection_has_error(d->connection)) {
                qDebug() << "X server connection lost: the X tray is no longer watched";
                d->notifier->setEnabled(false);
                d->xTray = false;
            }
            d->update(this);
        });
    } else {
        qDebug() << "no X server with XFixes: the X tray is not watched";
        xcb_disconnect(d->connection);
        d->connection = nullptr;
        d->xTray = false;
    }

    const QString service = QString::fromLatin1(statusNotifierWatcher);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        // Watched before it is asked for, so no change falls in between.
        auto* watcher = new QDBusServiceWatcher(service, bus,
                                                QDBusServiceWatcher::WatchForRegistration |
                                                    QDBusServiceWatcher::WatchForUnregistration,
                                                this);
        connect(watcher, &QDBusServiceWatcher::serviceRegistered, this, [this] {
            d->dbusTray = true;
            d->update(this);
        });
        connect(watcher, &QDBusServiceWatcher::serviceUnregistered, this, [this] {
            d->dbusTray = false;
            d->update(this);
        });
        d->dbusTray = bus.interface()->isServiceRegistered(service);
    } else {
        qDebug() << "session bus unavailable: the StatusNotifierItem tray is not watched";
    }
    d->available = d->anyTray();
}

TrayWatch::~TrayWatch()
{
    delete d->notifier;
    if (d->connection)
        xcb_disconnect(d->connection);
    delete d;
}

bool TrayWatch::available() const
{
    return d->available;
}
