#include "frontend/myqquickview.h"

#include "device/hid_thread.h"
#include "frontend/datafolder.h"
#include "frontend/settingsfiles.h"
#include "frontend/updaterrun.h"
#include "platform/memorytrim.h"

#include <QFocusEvent>
#include <QPixmapCache>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTimer>

myQQuickView::myQQuickView(QWidget* parent) : QQuickWidget(parent)
{
    settleModulesDir();
    appSettings = new QSettings(
        openBoundedSettings(modulesDir() + QStringLiteral("/apConfig.ini"), kAppSettingsMaxBytes),
        QSettings::IniFormat, this);
    appSettings->setIniCodec("UTF-8");

    updater = new UpdaterRun(this);
    connect(updater, &UpdaterRun::progress, this, &myQQuickView::updateProgram);
    connect(updater, &UpdaterRun::finished, this, &myQQuickView::updateFinished);
    // Nothing re-plugs when the updater never started: device checks resume at once.
    connect(updater, &UpdaterRun::notStarted, this, [this] { suspendDeviceCheck = false; });
}

myQQuickView::~myQQuickView() = default;

QString myQQuickView::openBoundedSettings(const QString& path, qint64 maxBytes)
{
    const BoundedSettingsFile file = boundedSettingsFile(path, maxBytes);
    // Posted: the scene that says it may not be loaded yet, and no box opens inside a caller.
    if (!file.keptAs.isEmpty())
        QMetaObject::invokeMethod(
            this, [this, keptAs = file.keptAs] { emit settingsSetAside(keptAs); },
            Qt::QueuedConnection);
    return file.path;
}

void myQQuickView::releaseCaches()
{
    // The pictures go first: the caches below can only let go of what nothing holds any more.
    setPicturesReleased(true);
    // A hidden view never updates its scene graph, whose textures hold copies of the pictures:
    // one frame drawn without them lets those go.
    grabFramebuffer();
    quickWindow()->releaseResources();
    engine()->trimComponentCache();
    engine()->collectGarbage();
    QPixmapCache::clear();
    // After the scene graph and the collector have let go, which they do on their next turn.
    QTimer::singleShot(0, this, [] { returnFreeMemoryToSystem(); });
}

void myQQuickView::showEvent(QShowEvent* event)
{
    // Decoded again before the first frame, so the window comes back as it was left.
    setPicturesReleased(false);
    QQuickWidget::showEvent(event);
}

void myQQuickView::paintEvent(QPaintEvent* event)
{
    QQuickWidget::paintEvent(event);
    if (!firstFrameReported) {
        firstFrameReported = true;
        emit firstFramePainted();
    }
}

void myQQuickView::setPicturesReleased(bool released)
{
    if (QObject* root = rootObject())
        root->setProperty("picturesReleased", released);
}

void myQQuickView::clearHidBusy()
{
    if (deviceLink)
        deviceLink->isReady = 1;
}

void myQQuickView::initUI()
{
    // Called once the device check found it safe to rebuild the scene; a queued call could be
    // delivered later inside a scene handler's nested event loop, when it no longer is.
    QMetaObject::invokeMethod(rootObject(), "initUI", Qt::DirectConnection);
}

void myQQuickView::setUiLayout(int layouttype, double scale)
{
    QMetaObject::invokeMethod(rootObject(), "setUiLayout", Qt::QueuedConnection,
                              Q_ARG(QVariant, layouttype), Q_ARG(QVariant, scale));
}

void myQQuickView::syncFwData(uchar byte0, uchar byte1, uchar byte2, uchar byte3)
{
    // Called on the listener's pool thread: the root object may only be looked up on the GUI
    // thread, so the whole call is posted there (in order, one event per notification).
    QMetaObject::invokeMethod(
        this, [this, byte0, byte1, byte2, byte3] { deliverFwData(byte0, byte1, byte2, byte3); },
        Qt::QueuedConnection);
}

void myQQuickView::deliverFwData(uchar byte0, uchar byte1, uchar byte2, uchar byte3)
{
    // During an exchange the page may be about to fill itself from tables read before this
    // notification: it is applied after them, or the page would show the older value.
    if (deviceLink && deviceLink->insideExchange()) {
        syncFwData(byte0, byte1, byte2, byte3);
        return;
    }
    QMetaObject::invokeMethod(rootObject(), "syncFwData", Qt::DirectConnection,
                              Q_ARG(QVariant, int(byte0)), Q_ARG(QVariant, int(byte1)),
                              Q_ARG(QVariant, int(byte2)), Q_ARG(QVariant, int(byte3)));
}

void myQQuickView::showUpdateUntilDone()
{
    QMetaObject::invokeMethod(rootObject(), "showUpdateUntilDone", Qt::DirectConnection);
}

void myQQuickView::focusInEvent(QFocusEvent* event)
{
    // Repaint only; the scene keeps its own focus handling.
    update();
    event->accept();
}
