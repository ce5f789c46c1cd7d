#include "app/ui_controler.h"

#include "app/inputcapture.h"
#include "app/widget.h"
#include "device/hid_thread.h"
#include "frontend/myqquickview.h"
#include "frontend/settingsfiles.h"

#include <QAbstractButton>
#include <QCursor>
#include <QDebug>
#include <QGuiApplication>
#include <QQmlContext>
#include <QScreen>
#include <QSettings>
#include <QWidget>
#include <QWindow>

#include <utility>

// The language whose texts stand in for a damaged language file.
static const QString englishLanguage = QStringLiteral("2");

Ui_Controler::Ui_Controler(QObject* parent) : QObject(parent)
{
    clock.start();
}
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

    connect(qGuiApp, &QGuiApplication::screenRemoved, this, [this](QScreen* screen) {
        if (screen != currentScreen)
            return;
        // Qt moves the window to another screen; lay it out there once that has happened.
        screenName.clear();
        QTimer::singleShot(0, this, &Ui_Controler::CheckCurrentScreen);
    });
}

void Ui_Controler::setTrayAvailable(bool available)
{
    if (available == tray)
        return;
    tray = available;
    qDebug() << "system tray" << (available ? "available" : "gone");
    // A window hidden in a tray that has gone could never be brought back.
    if (!available && window && window->isHidden())
        window->showMinimized();
    emit trayAvailableChanged();
}

bool Ui_Controler::captureEverywhere() const
{
    return inputCaptureEverywhere();
}

void Ui_Controler::whenNoBoxOpen(const std::function<void()>& work)
{
    if (openBoxes == 0)
        work();
    else
        heldWork = work; // the latest request supersedes an earlier one
}

void Ui_Controler::initWindow(QWidget* w)
{
    QSettings catalog(QStringLiteral(":/DevInfo.ini"), QSettings::IniFormat);
    w->setWindowTitle(catalog.value(QStringLiteral("common/title")).toString());
    onScreenResize();
    CheckCurrentScreen(); // the start screen's geometry changes are followed too
    // Followed as it happens, not polled: an idle app never wakes up for it.
    if (QWindow* handle = w->windowHandle()) {
        connect(handle, &QWindow::screenChanged, this, &Ui_Controler::CheckCurrentScreen,
                Qt::UniqueConnection);
        connect(handle, &QWindow::xChanged, this, &Ui_Controler::followMovedWindow,
                Qt::UniqueConnection);
        connect(handle, &QWindow::yChanged, this, &Ui_Controler::followMovedWindow,
                Qt::UniqueConnection);
    }
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
    if (!view || !view->closeToTray)
        QMetaObject::invokeMethod(window, "exitSYS", Qt::DirectConnection);
    else if (tray) {
        window->hide();
        view->releaseCaches();
    } else
        window->showMinimized(); // hidden without a tray, the window could never come back
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
    // Only a platform without any screen has no primary screen; lay out for the smallest design.
    const QRect full = screen ? screen->geometry() : QRect(0, 0, resolutions[0], resolutions[1]);
    const ScreenFit fit = fitToScreen(full, *bOriginal, *ar, resolutions);
    *ar = fit.layout;
    *rect = fit.rect;
    *dScale = fit.scale;
}

int Ui_Controler::execBox(QMessageBox::Icon icon, const QString& title, const QString& text,
                          QMessageBox::StandardButtons buttons,
                          QMessageBox::StandardButton defaultButton)
{
    QMessageBox box(icon, title, text, buttons, nullptr,
                    Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    box.setAttribute(Qt::WA_NativeWindow);
    box.setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint);
    box.setWindowFlags(box.windowFlags() & ~Qt::WindowContextHelpButtonHint);
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
    // Qt's own button labels are English; a language file's labels replace them.
    for (auto it = buttonTexts.constBegin(); it != buttonTexts.constEnd(); ++it)
        if (QAbstractButton* button = box.button(it.key()); button && !it.value().isEmpty())
            button->setText(it.value());
    ++openBoxes;
    const int answer = box.exec();
    if (--openBoxes == 0 && heldWork) {
        // Queued: the scene handler that opened the box finishes before the scene changes.
        QTimer::singleShot(0, this, std::exchange(heldWork, nullptr));
    }
    return answer;
}

void Ui_Controler::showSyncFail()
{
    execBox(QMessageBox::Critical, syncFailTitle, syncFailText, QMessageBox::Ok);
}

void Ui_Controler::showUpdateSuccess(bool result)
{
    // Drop the device and look for it again: the update re-plugged it, possibly as another entry.
    if (auto* w = qobject_cast<Widget*>(window)) {
        w->hidThread.curDevIndex = 255;
        view->suspendDeviceCheck = false;
        w->checkDeviceTimer.start();
    }
    msgbox(updateTitle, result ? updateSuccessText : updateFailText, false);
}

void Ui_Controler::showPairSuccess(bool result)
{
    if (view)
        view->suspendDeviceCheck = false;
    msgbox(pairTitle, result ? pairSuccessText : pairFailText, false);
}

void Ui_Controler::msgbox(QString title, QString msg, bool bIsError)
{
    execBox(bIsError ? QMessageBox::Critical : QMessageBox::Information, title, msg,
            QMessageBox::Ok);
}

bool Ui_Controler::confirm(QString title, QString msg)
{
    return execBox(QMessageBox::Warning, title, msg, QMessageBox::Yes | QMessageBox::No,
                   QMessageBox::No) == QMessageBox::Yes;
}

bool Ui_Controler::msgboxKey()
{
    return execBox(QMessageBox::Warning, keyWarnTitle, keyWarnText,
                   QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

QStringList Ui_Controler::getLangStrings(QString typeStr, QString langCode)
{
    const auto fileOf = [](const QString& code) {
        return QStringLiteral("./modules/i18n/") + code + QStringLiteral(".ini");
    };
    QString path = fileOf(langCode);
    if (!fitsSizeBound(path, kLanguageFileMaxBytes)) {
        // Far larger than any language file: damaged, and not loaded whole.
        qDebug() << "damaged language file" << path << "; English texts are used";
        path = fileOf(englishLanguage);
    }
    QSettings lang(fitsSizeBound(path, kLanguageFileMaxBytes) ? path : QString(),
                   QSettings::IniFormat);
    lang.setIniCodec("UTF-8");
    int count = lang.value(typeStr + QStringLiteral("/total")).toInt();
    if (count > maxLanguageEntries) {
        qDebug() << "damaged language file" << lang.fileName() << typeStr << "total" << count;
        count = maxLanguageEntries;
    }
    QStringList texts;
    for (int i = 0; i < count; ++i)
        texts.append(lang.value(typeStr + QLatin1Char('/') + QString::number(i)).toString());

    const auto text = [&lang](const char* key) {
        return lang.value(QLatin1String(key)).toString();
    };
    updateTitle = text("PageUpdate/0");
    updateSuccessText = text("PageUpdate/14");
    updateFailText = text("PageUpdate/15");
    pairTitle = text("PageUpdate/8");
    pairSuccessText = text("PageUpdate/12");
    pairFailText = text("PageUpdate/13");
    keyWarnTitle = text("PageKey/0");
    keyWarnText = text("PageKey/20");
    syncFailTitle = text("PageMain/17");
    syncFailText = text("PageMain/18");
    buttonTexts = {{QMessageBox::Ok, text("PageMain/22")},
                   {QMessageBox::Yes, text("PageMain/23")},
                   {QMessageBox::No, text("PageMain/24")}};
    return texts;
}

void Ui_Controler::CheckCurrentScreen()
{
    followScreen(true);
}

void Ui_Controler::followMovedWindow()
{
    // Where the user drags the window is theirs to choose: pulled back mid-drag, it would jump
    // away from under the cursor.
    followScreen(false);
}

void Ui_Controler::followScreen(bool bringBackOnScreen)
{
    QScreen* screen = windowScreen(window);
    if (!screen)
        return;
    if (screen != currentScreen) {
        if (currentScreen) {
            disconnect(currentScreen, &QScreen::geometryChanged, this,
                       &Ui_Controler::onScreenResize);
            disconnect(currentScreen, &QScreen::virtualGeometryChanged, this,
                       &Ui_Controler::CheckCurrentScreen);
        }
        currentScreen = screen;
        connect(screen, &QScreen::geometryChanged, this, &Ui_Controler::onScreenResize);
        // Monitors rearranged around this one may leave the window on none.
        connect(screen, &QScreen::virtualGeometryChanged, this, &Ui_Controler::CheckCurrentScreen);
    }
    if (screen->name() != screenName) {
        onScreenResize();
        return;
    }
    // A window whose middle lies on no screen (a monitor rearranged or gone) is brought back.
    if (bringBackOnScreen && window && !QGuiApplication::screenAt(window->geometry().center()))
        window->move(keptOnScreen(window->geometry(), screen->availableGeometry()).topLeft());
}
