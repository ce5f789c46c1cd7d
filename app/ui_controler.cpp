#include "app/ui_controler.h"

#include "app/widget.h"
#include "frontend/myqquickview.h"
#include "device/hid_thread.h"

#include <QCursor>
#include <QDebug>
#include <QGuiApplication>
#include <QQmlContext>
#include <QScreen>
#include <QSettings>
#include <QWidget>
#include <QWindow>

Ui_Controler::Ui_Controler(QObject* parent) : QObject(parent) {}
Ui_Controler::~Ui_Controler() = default;

QScreen* Ui_Controler::windowScreen(QWidget* w) const
{
    if (w && w->isVisible() && w->window()->windowHandle())
        return w->window()->windowHandle()->screen();
    return QGuiApplication::primaryScreen();
}

void Ui_Controler::setupView(QWidget* w)
{
    if (w->objectName().isEmpty())
        w->setObjectName(QStringLiteral("Widget"));
    window = w;
    w->setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::CustomizeWindowHint);
    w->setWindowOpacity(1.0);
    w->setAttribute(Qt::WA_TranslucentBackground, true);
    w->setStyleSheet(QStringLiteral("background:transparent;"));

    view = new myQQuickView(w);
    QQmlContext* context = view->rootContext();
    context->setContextProperty(QStringLiteral("ui_View"), view);
    context->setContextProperty(QStringLiteral("hid"), &static_cast<Widget*>(w)->hidThread);
    context->setContextProperty(QStringLiteral("ui_Ctl"), this);
    view->setResizeMode(QQuickWidget::SizeRootObjectToView);
    view->setClearColor(Qt::transparent);
    view->setObjectName(QStringLiteral("ui_View"));
    view->setSource(QUrl(QStringLiteral("qrc:qml/main.qml")));

    screenTimer.setInterval(1000);
    connect(&screenTimer, &QTimer::timeout, this, &Ui_Controler::CheckCurrentScreen);
}

void Ui_Controler::initWindow(QWidget* w)
{
    QSettings catalog(QStringLiteral(":/DevInfo.ini"), QSettings::IniFormat);
    w->setWindowTitle(catalog.value(QStringLiteral("common/title")).toString());
    onScreenResize();
    screenTimer.start();
}

void Ui_Controler::moveWindow()
{
    if (!window)
        return;
    const QPoint p = QCursor::pos();
    window->move(window->x() + p.x() - lastCursorPos.x(), window->y() + p.y() - lastCursorPos.y());
    lastCursorPos = p;
}

void Ui_Controler::setMoveWindow()
{
    if (window)
        lastCursorPos = QCursor::pos();
}

void Ui_Controler::onHideWindow()
{
    if (window)
        window->showMinimized();
}

void Ui_Controler::onCloseWindow()
{
    if (!window)
        return;
    if (view && view->closeToTray)
        window->hide();
    else
        QMetaObject::invokeMethod(window, "exitSYS", Qt::DirectConnection);
}

void Ui_Controler::onScreenResize()
{
    if (!window) {
        qDebug() << "the viewer instance have not be created yet.";
        return;
    }
    layoutType = LayoutUnset;
    QScreen* screen = windowScreen(window);
    screenName = screen ? screen->name() : QString();
    QRect rect;
    double scale = 1.0;
    CalcNormalGeometry(screen, &rect, &bOriginalWindowSize, &layoutType, nAppResolutions, &scale);
    qDebug().noquote() << QString::asprintf("layoutType: %d\nscaling: %.6f\nresolution: %d*%d",
                                            int(layoutType), scale, rect.width(), rect.height());
    view->resize(rect.size());
    window->setGeometry(rect);
    view->setUiLayout(int(layoutType), scale);
}

void Ui_Controler::CalcNormalGeometry(QWidget* w, QRect* rect, bool* bOriginal, LayoutType* ar,
                                      int resolutions[6], double* dScale)
{
    QScreen* screen = windowScreen(w);
    screenName = screen ? screen->name() : QString();
    CalcNormalGeometry(screen, rect, bOriginal, ar, resolutions, dScale);
}

void Ui_Controler::CalcNormalGeometry(const QScreen* screen, QRect* rect, bool* bOriginal,
                                      LayoutType* ar, int resolutions[6], double* dScale)
{
    const QRect full = screen ? screen->geometry() : QRect(0, 0, 1280, 720);
    const QSize screenSize = full.size();
    const double ratio1 = double(resolutions[0]) / resolutions[1];
    const double ratio3 = double(resolutions[4]) / resolutions[5];
    const double screenRatio = double(screenSize.width()) / screenSize.height();
    const QSize fitBox = (screenSize * 2) / 3;
    if (*ar == LayoutUnset)
        *ar = screenRatio <= ratio1 ? Layout1280x720 : (screenRatio >= ratio3 ? Layout3160x1080 : Layout2140x1080);
    QSize design(resolutions[2], resolutions[3]);
    if (*ar == Layout1280x720)
        design = QSize(resolutions[0], resolutions[1]);
    else if (*ar == Layout3160x1080)
        design = QSize(resolutions[4], resolutions[5]);
    QSize size = design;
    if (!*bOriginal)
        size.scale(fitBox, Qt::KeepAspectRatio);
    *dScale = double(size.width()) / design.width();
    *rect = QRect(QPoint(0, 0), size);
    rect->moveCenter(full.center());
}

void Ui_Controler::showSyncFail() {}
void Ui_Controler::showUpdateSuccess(bool) {}
void Ui_Controler::showPairSuccess(bool) {}
void Ui_Controler::msgbox(QString, QString, bool) {}
bool Ui_Controler::msgboxKey() { return false; }
QStringList Ui_Controler::getLangStrings(QString, QString) { return {}; }

void Ui_Controler::CheckCurrentScreen()
{
    QScreen* screen = windowScreen(window);
    if (!screen || screen->name() == screenName)
        return;
    currentScreen = screen;
    if (auto* previous = property("pScreen").value<QScreen*>()) {
        disconnect(previous, &QScreen::geometryChanged, this, &Ui_Controler::onScreenResize);
        setProperty("pScreen", QVariant());
    }
    connect(currentScreen, &QScreen::geometryChanged, this, &Ui_Controler::onScreenResize);
    setProperty("pScreen", QVariant::fromValue(currentScreen));
    onScreenResize();
}
