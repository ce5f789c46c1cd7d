// A mouse unplugged and plugged back in, in the real scene with the real bridge and main window
// on the in-process virtual bus: once its card is clicked again, its notifications reach the page.

// The virtual bus names a member "slots": it must come before any Qt header.
#include "sim/inproc.h"

#include "tests/frontend/scenetesting.h"

class TestHotplug : public scenetesting::SceneTest
{
    Q_OBJECT

    // Width of the battery gauge: 27 px at full charge.
    qreal batteryShown() const
    {
        QQuickItem* bar = item(QStringLiteral("batteryBar"));
        return bar ? bar->width() : -1;
    }
    static void plugMouse()
    {
        std::string error;
        QVERIFY2(sim::inproc::bus().plug("mouse", "mouse", error), error.c_str());
    }
    // Sends the battery level until the page shows it: the listener may still be opening the
    // event interface when the first one goes out.
    bool batteryReaches(int percent)
    {
        const qreal width = 27.0 * percent / 100;
        return QTest::qWaitFor(
            [&] {
                sim::inproc::bus().notify("mouse", {0x11, quint8(percent), 0, 0});
                return qFuzzyCompare(batteryShown(), width);
            },
            3000);
    }
    void openDevicePage()
    {
        QTRY_VERIFY_WITH_TIMEOUT(item("card0"), 3000);
        click("card0");
        QTRY_VERIFY(item("batteryBar"));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(root.isValid());
        scenetesting::prepareApplicationFolder(root.path(), QStringLiteral(SHIPPED_MODULES_DIR));
        sim::inproc::reset();
    }
    void cleanupTestCase() { widget.reset(); }

    void replugThenNotificationReachesThePage()
    {
        plugMouse();
        widget = scenetesting::startMainWindow();
        openDevicePage();
        QVERIFY(batteryReaches(50));

        // The device notifier sees each change of the bus, as it would a real replug.
        for (int percent : {80, 30}) {
            QVERIFY(sim::inproc::bus().unplug("mouse"));
            QTRY_VERIFY_WITH_TIMEOUT(item("noDeviceText"), 3000); // back on the start page
            plugMouse();
            openDevicePage();
            QVERIFY2(batteryReaches(percent), qPrintable(QString::number(batteryShown())));
        }
    }
};

QTEST_MAIN(TestHotplug)
#include "test_hotplug.moc"
