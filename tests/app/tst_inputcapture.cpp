// Input capture: the key table and its two exceptions, the key-state rule, button ids and motion
// sums; the in-window fallback through the main window; and the real X observer on an X server
// of the test's own, fed by XTest as a user's keyboard and mouse would be.
#include "app/inputcapture.h"
#include "app/inputrouter.h"
#include "app/keytranslation.h"
#include "app/mousetranslation.h"
#include "app/ui_controler.h"
#include "app/widget.h"
#include "frontend/myqquickview.h"
#include "platform/inputobserver.h"

#include <QProcess>
#include <QtTest>

#include <linux/input-event-codes.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <memory>
#include <set>

using keytranslation::hidUsage;
using keytranslation::ScanKey;
using mousetranslation::MouseAction;

// What the controller emitted, one entry per signal, in order.
class ControllerRecord
{
public:
    explicit ControllerRecord(Ui_Controler* controller)
        : keys(controller, &Ui_Controler::evtHidKeyboardKey),
          buttons(controller, &Ui_Controler::evtRelativeMouseButton),
          wheels(controller, &Ui_Controler::evtMouseWheel)
    {
    }
    // "usage:1" / "usage:0" per key signal.
    QStringList keyLog() const
    {
        QStringList log;
        for (const QList<QVariant>& args : keys) {
            // The scene compares these as numbers and booleans.
            if (args[0].userType() != QMetaType::Int || args[1].userType() != QMetaType::Bool)
                return {QStringLiteral("wrong argument types")};
            log << QStringLiteral("%1:%2")
                       .arg(args[0].toInt(), 2, 16, QLatin1Char('0'))
                       .arg(args[1].toBool());
        }
        return log;
    }
    // "id,down,x,y" per button signal, "wheel delta" per wheel signal, in order of arrival.
    QStringList buttonLog() const
    {
        QStringList log;
        for (const QList<QVariant>& args : buttons)
            log << QStringLiteral("%1,%2,%3,%4")
                       .arg(args[0].toInt())
                       .arg(args[1].toBool())
                       .arg(args[2].toInt())
                       .arg(args[3].toInt());
        return log;
    }
    QStringList wheelLog() const
    {
        QStringList log;
        for (const QList<QVariant>& args : wheels)
            log << QStringLiteral("%1,%2").arg(args[0].toInt()).arg(args[1].toBool());
        return log;
    }
    void clear()
    {
        keys.clear();
        buttons.clear();
        wheels.clear();
    }

    QSignalSpy keys;
    QSignalSpy buttons;
    QSignalSpy wheels;
};

class TestInputCapture : public QObject
{
    Q_OBJECT
private slots:
    // Pure translation.
    void keyTableHas105DistinctUsages();
    void keyEdgeCases_data();
    void keyEdgeCases();
    void evdevCodesReachEveryTableKey();
    void keyStateGivesOnePairPerHold();
    void rawInputButtonFlags_data();
    void rawInputButtonFlags();
    void xButtons();
    void motionSumsResetPerButtonAndHoldAtTheLimit();
    void routerSumsMotionBetweenButtons();

    // The main window without desktop-wide observation.
    void fallbackReportsKeysAndButtonsOfTheWindow();

    // The X observer end to end.
    void observerReportsInjectedKeys();
    void observerReportsInjectedButtonsWithMotion();

    void cleanupTestCase();

private:
    bool startXServer();
    void inject(uint8_t type, uint8_t detail, int16_t x = 0, int16_t y = 0);

    QProcess xserver;
    QByteArray display;
    xcb_connection_t* x = nullptr;
    std::unique_ptr<InputObserver> observer;
    std::unique_ptr<Ui_Controler> controller;
    std::unique_ptr<ControllerRecord> record;
};

void TestInputCapture::keyTableHas105DistinctUsages()
{
    std::set<uint8_t> usages;
    for (const auto& entry : keytranslation::hidKeyMap()) {
        QVERIFY(entry.second != 0);
        QVERIFY2(usages.insert(entry.second).second, "a usage appears twice");
    }
    QCOMPARE(int(keytranslation::hidKeyMap().size()), 105);
}

void TestInputCapture::keyEdgeCases_data()
{
    QTest::addColumn<int>("scanCode");
    QTest::addColumn<bool>("extended");
    QTest::addColumn<bool>("altDown");
    QTest::addColumn<int>("usage");
    QTest::newRow("left Control") << 0x1D << false << false << 0xE0;
    QTest::newRow("right Control") << 0x1D << true << false << 0xE4;
    QTest::newRow("Enter") << 0x1C << false << false << 0x28;
    QTest::newRow("keypad Enter") << 0x1C << true << false << 0x58;
    QTest::newRow("Pause") << 0x45 << false << false << 0x48;
    QTest::newRow("Ctrl+Break") << 0x46 << true << false << 0x48;
    QTest::newRow("Scroll Lock") << 0x46 << false << false << 0x47;
    QTest::newRow("Num Lock") << 0x45 << true << false << 0x53;
    QTest::newRow("Print Screen") << 0x37 << true << false << 0x46;
    QTest::newRow("Alt+Print Screen") << 0x54 << false << true << 0x46;
    QTest::newRow("SysRq without Alt") << 0x54 << false << false << 0;
    QTest::newRow("keypad Asterisk") << 0x37 << false << false << 0x55;
    QTest::newRow("Right GUI") << 0x5C << true << false << 0;
    QTest::newRow("Left GUI") << 0x5B << true << false << 0xE3;
    QTest::newRow("Right Shift") << 0x36 << true << false << 0xE5;
    QTest::newRow("0x36 not extended") << 0x36 << false << false << 0;
    QTest::newRow("F23") << 0x6E << false << false << 0x72;
    QTest::newRow("beyond the table") << 0xFF << true << false << 0;
}

void TestInputCapture::keyEdgeCases()
{
    QFETCH(int, scanCode);
    QFETCH(bool, extended);
    QFETCH(bool, altDown);
    QFETCH(int, usage);
    QCOMPARE(int(hidUsage(ScanKey{uint16_t(scanCode), extended}, altDown)), usage);
}

void TestInputCapture::evdevCodesReachEveryTableKey()
{
    const auto usageOf = [](int evdev) {
        const auto key = keytranslation::scanKeyForEvdev(evdev);
        return key ? int(hidUsage(*key)) : 0;
    };
    const QList<QPair<int, int>> expected = {
        {KEY_ESC, 0x29},      {KEY_A, 0x04},      {KEY_0, 0x27},          {KEY_RIGHTSHIFT, 0xE5},
        {KEY_NUMLOCK, 0x53},  {KEY_PAUSE, 0x48},  {KEY_KPENTER, 0x58},    {KEY_RIGHTCTRL, 0xE4},
        {KEY_KPSLASH, 0x54},  {KEY_SYSRQ, 0x46},  {KEY_RIGHTALT, 0xE6},   {KEY_HOME, 0x4A},
        {KEY_UP, 0x52},       {KEY_LEFT, 0x50},   {KEY_PAGEDOWN, 0x4E},   {KEY_DELETE, 0x4C},
        {KEY_LEFTMETA, 0xE3}, {KEY_RIGHTMETA, 0}, {KEY_COMPOSE, 0x65},    {KEY_F23, 0x72},
        {KEY_F13, 0},         {KEY_F24, 0},       {KEY_KPASTERISK, 0x55}, {KEY_KPDOT, 0x63},
        {KEY_102ND, 0x64},    {KEY_F12, 0x45},    {KEY_MUTE, 0}};
    for (const auto& pair : expected)
        QVERIFY2(usageOf(pair.first) == pair.second, QByteArray::number(pair.first));

    // A Linux keyboard can produce every key of the table, each from one key only.
    std::set<int> reached;
    for (int evdev = 0; evdev < 256; ++evdev) {
        if (const int usage = usageOf(evdev))
            QVERIFY2(reached.insert(usage).second, QByteArray::number(evdev));
    }
    QCOMPARE(int(reached.size()), 105);
}

void TestInputCapture::keyStateGivesOnePairPerHold()
{
    keytranslation::KeyStates states;
    QVERIFY(states.change(0x04, true));
    QVERIFY(!states.change(0x04, true)); // auto-repeat
    QVERIFY(!states.change(0x04, true));
    QVERIFY(states.change(0xE0, true)); // other keys keep their own state
    QVERIFY(states.change(0x04, false));
    QVERIFY(!states.change(0x04, false));
    QVERIFY(!states.change(0, true)); // keys outside the table never report
}

void TestInputCapture::rawInputButtonFlags_data()
{
    QTest::addColumn<int>("flags");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("buttonId");
    QTest::addColumn<bool>("down");
    QTest::addColumn<int>("wheel");
    QTest::newRow("left down") << 0x0001 << int(MouseAction::Button) << 1 << true << 0;
    QTest::newRow("left up") << 0x0002 << int(MouseAction::Button) << 1 << false << 0;
    QTest::newRow("right down") << 0x0004 << int(MouseAction::Button) << 2 << true << 0;
    QTest::newRow("middle up") << 0x0020 << int(MouseAction::Button) << 3 << false << 0;
    QTest::newRow("fourth down") << 0x0040 << int(MouseAction::Button) << 4 << true << 0;
    QTest::newRow("fifth up") << 0x0200 << int(MouseAction::Button) << 5 << false << 0;
    QTest::newRow("wheel away") << 0x0400 << int(MouseAction::Wheel) << 0 << false << 120;
    QTest::newRow("no buttons") << 0x0000 << int(MouseAction::None) << 0 << false << 0;
    QTest::newRow("two transitions") << 0x0003 << int(MouseAction::None) << 0 << false << 0;
    QTest::newRow("press with wheel") << 0x0401 << int(MouseAction::None) << 0 << false << 0;
    QTest::newRow("horizontal wheel") << 0x0800 << int(MouseAction::None) << 0 << false << 0;
}

void TestInputCapture::rawInputButtonFlags()
{
    QFETCH(int, flags);
    QFETCH(int, kind);
    QFETCH(int, buttonId);
    QFETCH(bool, down);
    QFETCH(int, wheel);
    const MouseAction action = mousetranslation::rawInputAction(uint16_t(flags), 120);
    QCOMPARE(int(action.kind), kind);
    if (kind == MouseAction::Button) {
        QCOMPARE(action.buttonId, buttonId);
        QCOMPARE(action.down, down);
    }
    if (kind == MouseAction::Wheel)
        QCOMPARE(action.wheelDelta, wheel);
    // The wheel field is signed: towards the user is negative.
    QCOMPARE(mousetranslation::rawInputAction(0x0400, uint16_t(-120)).wheelDelta, -120);
}

void TestInputCapture::xButtons()
{
    const int ids[] = {0, 1, 3, 2, 0, 0, 0, 0, 4, 5}; // by X button number
    for (int xButton = 1; xButton <= 9; ++xButton) {
        const MouseAction press = mousetranslation::xButtonAction(xButton, true);
        if (ids[xButton]) {
            QCOMPARE(int(press.kind), int(MouseAction::Button));
            QCOMPARE(press.buttonId, ids[xButton]);
            QVERIFY(press.down);
            QVERIFY(!mousetranslation::xButtonAction(xButton, false).down);
        } else if (xButton == 4 || xButton == 5) {
            QCOMPARE(int(press.kind), int(MouseAction::Wheel));
            QCOMPARE(press.wheelDelta, xButton == 4 ? 120 : -120);
            QCOMPARE(int(mousetranslation::xButtonAction(xButton, false).kind),
                     int(MouseAction::None));
        } else {
            QCOMPARE(int(press.kind), int(MouseAction::None)); // horizontal wheel
        }
    }
}

void TestInputCapture::motionSumsResetPerButtonAndHoldAtTheLimit()
{
    mousetranslation::MotionSum sum;
    sum.add(20, 4);
    sum.add(10, 6);
    auto delta = sum.takeForButton();
    QCOMPARE(delta.x, 30);
    QCOMPARE(delta.y, 10);
    delta = sum.takeForButton();
    QCOMPARE(delta.x, 0);
    QCOMPARE(delta.y, 0);
    // A way longer than 16 bits reach is reported as far as they reach, in its own direction.
    sum.add(40000, -40000);
    delta = sum.takeForButton();
    QCOMPARE(delta.x, 32767);
    QCOMPARE(delta.y, -32768);
    sum.add(0x7FFFFFFF, 0);
    sum.add(2, -30000);
    delta = sum.takeForButton();
    QCOMPARE(delta.x, 32767);
    QCOMPARE(delta.y, -30000);
}

void TestInputCapture::routerSumsMotionBetweenButtons()
{
    InputSource source;
    Ui_Controler target;
    ControllerRecord seen(&target);
    routeInput(&source, &target);
    emit source.moved(30, 10);
    emit source.buttonChanged(1, true);
    emit source.buttonChanged(1, false);
    emit source.moved(-3, 4);
    emit source.wheelTurned(120);
    emit source.wheelTurned(-120);
    emit source.moved(1, 1);
    emit source.buttonChanged(3, true);
    QCOMPARE(seen.buttonLog(), QStringList({"1,1,30,10", "1,0,0,0", "3,1,-2,5"}));
    QCOMPARE(seen.wheelLog(), QStringList({"120,0", "-120,0"}));
    QCOMPARE(seen.wheels[0][1].userType(), int(QMetaType::Bool));
    // Alt with the SysRq code is Print Screen; the repeat of a held key is no change.
    emit source.keyChanged(0x54, false, true, true);
    emit source.keyChanged(0x37, true, false, true);
    emit source.keyChanged(0x37, true, false, false);
    QCOMPARE(seen.keyLog(), QStringList({"46:1", "46:0"}));
}

void TestInputCapture::fallbackReportsKeysAndButtonsOfTheWindow()
{
    // The offscreen platform lets no program see another's input.
    Widget widget;
    QVERIFY(!widget.uiCtl->captureEverywhere());
    QVERIFY(!widget.uiCtl->property("captureEverywhere").toBool());
    QWidget* view = widget.uiCtl->quickView();
    ControllerRecord seen(widget.uiCtl);

    QTest::keyClick(view, Qt::Key_A);
    QTest::keyClick(view, Qt::Key_Return);
    QTest::keyClick(view, Qt::Key_Enter, Qt::KeypadModifier);
    QTest::keyClick(view, Qt::Key_F10);
    QTest::keyClick(view, Qt::Key_F12);
    QTest::keyClick(view, Qt::Key_5, Qt::KeypadModifier);
    QTest::keyClick(view, Qt::Key_B, Qt::ControlModifier);
    QTest::keyPress(view, Qt::Key_Z);
    QTest::keyPress(view, Qt::Key_Z);
    QTest::keyRelease(view, Qt::Key_Z);
    QCOMPARE(seen.keyLog(),
             QStringList({"04:1", "04:0", "28:1", "28:0", "58:1", "58:0", "43:1", "43:0", "45:1",
                          "45:0", "5d:1", "5d:0", "e0:1", "05:1", "05:0", "e0:0", "1d:1", "1d:0"}));

    // Motion is the distance between the positions of the window's mouse events.
    QTest::mouseClick(view, Qt::RightButton, Qt::NoModifier, QPoint(10, 10));
    QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, QPoint(40, 20));
    QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, QPoint(40, 20));
    QTest::mouseClick(view, Qt::BackButton, Qt::NoModifier, QPoint(40, 20));
    QTest::mouseClick(view, Qt::ForwardButton, Qt::NoModifier, QPoint(40, 20));
    QTest::mouseClick(view, Qt::MiddleButton, Qt::NoModifier, QPoint(40, 20));
    QCOMPARE(seen.buttonLog(),
             QStringList({"2,1,0,0", "2,0,0,0", "1,1,30,10", "1,0,0,0", "4,1,0,0", "4,0,0,0",
                          "5,1,0,0", "5,0,0,0", "3,1,0,0", "3,0,0,0"}));

    // Removal, as on exit: nothing more is reported.
    removeInputCapture();
    seen.clear();
    QTest::keyClick(view, Qt::Key_A);
    QTest::mouseClick(view, Qt::LeftButton);
    QCOMPARE(seen.keys.count() + seen.buttons.count(), 0);
}

bool TestInputCapture::startXServer()
{
    xserver.start(QStringLiteral("Xvfb"),
                  {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                   QStringLiteral("0"), QStringLiteral("800x600x24"), QStringLiteral("-nolisten"),
                   QStringLiteral("tcp")});
    if (!xserver.waitForStarted())
        return false;
    if (!QTest::qWaitFor([&] {
            xserver.waitForReadyRead(100);
            display += xserver.readAllStandardOutput();
            return display.endsWith('\n');
        }))
        return false;
    display = ':' + display.trimmed();
    x = xcb_connect(display.constData(), nullptr);
    return !xcb_connection_has_error(x);
}

// As the user's keyboard or mouse would: through the server's XTest devices.
void TestInputCapture::inject(uint8_t type, uint8_t detail, int16_t dx, int16_t dy)
{
    xcb_test_fake_input(x, type, detail, XCB_CURRENT_TIME, XCB_NONE, dx, dy, 0);
    xcb_flush(x);
}

void TestInputCapture::observerReportsInjectedKeys()
{
    QVERIFY2(startXServer(), "Xvfb is missing");
    observer = std::make_unique<InputObserver>();
    QVERIFY(InputObserver::available(display));
    QVERIFY(observer->start(nullptr, display));
    controller = std::make_unique<Ui_Controler>();
    record = std::make_unique<ControllerRecord>(controller.get());
    routeInput(observer.get(), controller.get());

    // X key codes are evdev codes + 8.
    const auto press = [&](int evdev) { inject(XCB_KEY_PRESS, uint8_t(evdev + 8)); };
    const auto release = [&](int evdev) { inject(XCB_KEY_RELEASE, uint8_t(evdev + 8)); };
    const auto click = [&](int evdev) {
        press(evdev);
        release(evdev);
    };
    click(KEY_LEFTCTRL);
    click(KEY_RIGHTCTRL);
    click(KEY_ENTER);
    click(KEY_KPENTER);
    click(KEY_PAUSE);
    press(KEY_LEFTCTRL); // Ctrl+Break
    click(KEY_PAUSE);
    release(KEY_LEFTCTRL);
    click(KEY_SYSRQ);
    press(KEY_LEFTALT);
    click(KEY_SYSRQ);
    release(KEY_LEFTALT);
    click(KEY_RIGHTMETA);
    click(KEY_LEFTMETA);
    press(KEY_A); // held: the keyboard repeats it
    press(KEY_A);
    press(KEY_A);
    release(KEY_A);
    click(KEY_F23);
    const QStringList expected = {"e0:1", "e0:0", "e4:1", "e4:0", "28:1", "28:0", "58:1",
                                  "58:0", "48:1", "48:0", "e0:1", "48:1", "48:0", "e0:0",
                                  "46:1", "46:0", "e2:1", "46:1", "46:0", "e2:0", "e3:1",
                                  "e3:0", "04:1", "04:0", "72:1", "72:0"};
    QTRY_COMPARE(record->keyLog().size(), expected.size());
    QCOMPARE(record->keyLog(), expected);
}

void TestInputCapture::observerReportsInjectedButtonsWithMotion()
{
    QVERIFY2(observer, "needs the observer of the key test");
    record->clear();
    inject(XCB_MOTION_NOTIFY, 1, 20, 4); // relative motion
    inject(XCB_MOTION_NOTIFY, 1, 10, 6);
    inject(XCB_BUTTON_PRESS, 1);
    inject(XCB_BUTTON_RELEASE, 1);
    inject(XCB_MOTION_NOTIFY, 1, -5, 3);
    inject(XCB_BUTTON_PRESS, 4); // a notch away from the user
    inject(XCB_BUTTON_RELEASE, 4);
    inject(XCB_BUTTON_PRESS, 5);
    inject(XCB_BUTTON_RELEASE, 5);
    inject(XCB_BUTTON_PRESS, 6); // horizontal wheel: nothing
    inject(XCB_BUTTON_RELEASE, 6);
    inject(XCB_BUTTON_PRESS, 3);
    inject(XCB_BUTTON_RELEASE, 3);
    inject(XCB_BUTTON_PRESS, 2);
    inject(XCB_BUTTON_RELEASE, 2);
    inject(XCB_BUTTON_PRESS, 8);
    inject(XCB_BUTTON_RELEASE, 8);
    inject(XCB_BUTTON_PRESS, 9);
    inject(XCB_BUTTON_RELEASE, 9);
    const QStringList expected = {"1,1,30,10", "1,0,0,0", "2,1,-5,3", "2,0,0,0", "3,1,0,0",
                                  "3,0,0,0",   "4,1,0,0", "4,0,0,0",  "5,1,0,0", "5,0,0,0"};
    QTRY_COMPARE(record->buttonLog().size(), expected.size());
    QCOMPARE(record->buttonLog(), expected);
    QCOMPARE(record->wheelLog(), QStringList({"120,0", "-120,0"}));
}

void TestInputCapture::cleanupTestCase()
{
    observer.reset();
    if (x)
        xcb_disconnect(x);
    xserver.terminate();
    xserver.waitForFinished();
}

QTEST_MAIN(TestInputCapture)
#include "tst_inputcapture.moc"
