#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QScreen>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVariant>

#include "app/screengeometry.h"

#include <QMap>
#include <QMessageBox>

#include <functional>

class QWidget;
class myQQuickView;

// "ui_Ctl" for the scene: window geometry and screen follow-up, drag/minimize/close of the
// frameless window, the program's message boxes, language strings and the input signals.
class Ui_Controler : public QObject
{
    Q_OBJECT
    // Whether a system tray exists to hide the window in; the settings panel greys the option
    // out without one.
    Q_PROPERTY(bool trayAvailable READ trayAvailable NOTIFY trayAvailableChanged)
    // Whether key and button capture sees the whole desktop; when false it sees only this
    // program's windows, so recording works only while the window has the focus.
    Q_PROPERTY(bool captureEverywhere READ captureEverywhere CONSTANT)
    // The program's version, as the build gives it.
    Q_PROPERTY(QString programVersion READ programVersion CONSTANT)
public:
    // Bounds a language section: a larger "total" comes from a damaged file, not from a
    // translation.
    static constexpr int maxLanguageEntries = 4096;

    explicit Ui_Controler(QObject* parent = nullptr);
    ~Ui_Controler() override;

    void setupView(QWidget* w);
    void initWindow(QWidget* w);
    myQQuickView* quickView() const { return view; }
    bool trayAvailable() const { return tray; }
    void setTrayAvailable(bool available);
    bool captureEverywhere() const;
    QString programVersion() const { return QStringLiteral(QUILLEX_VERSION); }
    // True while a message box runs its nested event loop: the scene must not be rebuilt then.
    bool boxOpen() const { return openBoxes > 0; }
    // Runs `work` now, or once the last open message box has closed.
    void whenNoBoxOpen(const std::function<void()>& work);
    // Milliseconds on a clock that never jumps or wraps: gaps between recorded events.
    Q_INVOKABLE double elapsedMs() const { return double(clock.elapsed()); }

signals:
    void trayAvailableChanged();
    void evtHidKeyboardKey(QVariant u8HidKey, QVariant bKeyDown);
    void evtRelativeMouseButton(QVariant u8ButtonId, QVariant bKeyDown, QVariant axisX,
                                QVariant axisY);
    void evtAbsoluteMouseButton(QVariant u8ButtonId, QVariant bKeyDown, QVariant x, QVariant y);
    void evtMouseWheel(QVariant nWheelDelta, QVariant bHorizontal);

public slots:
    void moveWindow();
    void setMoveWindow();
    void onHideWindow();
    void onCloseWindow();
    void onScreenResize();
    void CalcNormalGeometry(QWidget* w, QRect* rect, bool* bOriginalWindowSize, LayoutType* ar,
                            int nAppResolutions[6], double* dScale);
    void CalcNormalGeometry(const QScreen* screen, QRect* rect, bool* bOriginalWindowSize,
                            LayoutType* ar, int nAppResolutions[6], double* dScale);
    void showSyncFail();
    void showUpdateSuccess(bool result);
    void showPairSuccess(bool result);
    void msgbox(QString title, QString msg, bool bIsError);
    bool msgboxKey();
    // A question with Yes and No, No the default; true for Yes.
    bool confirm(QString title, QString msg);
    QStringList getLangStrings(QString typeStr, QString langCode);
    void CheckCurrentScreen();

private:
    QScreen* windowScreen(QWidget* w) const;
    // Lays the window out again when it is on another screen; with `bringBackOnScreen` a window
    // whose middle lies on no screen is moved back onto its own.
    void followScreen(bool bringBackOnScreen);
    void followMovedWindow();
    // Shows one modal box with the program's fixed window flags; returns the button pressed.
    int execBox(QMessageBox::Icon icon, const QString& title, const QString& text,
                QMessageBox::StandardButtons buttons,
                QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

    QWidget* window = nullptr;
    myQQuickView* view = nullptr;
    QString screenName;
    // The screen may be unplugged at any time: a guarded pointer never dangles.
    QPointer<QScreen> currentScreen;
    bool bOriginalWindowSize = false;
    LayoutType layoutType = LayoutUnset;
    int nAppResolutions[6] = {1280, 720, 2140, 1080, 3160, 1080};
    QString updateTitle, updateSuccessText, updateFailText;
    QString pairTitle, pairSuccessText, pairFailText;
    QString keyWarnTitle, keyWarnText;
    QString syncFailTitle, syncFailText;
    QMap<QMessageBox::StandardButton, QString> buttonTexts;
    QPoint lastCursorPos;
    bool tray = false;
    int openBoxes = 0;
    QElapsedTimer clock;
    std::function<void()> heldWork;
};
