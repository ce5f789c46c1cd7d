// The real scene with the real bridge and main window on the in-process virtual mouse, driven by
// mouse and key events: what the device then holds and what the pages show, after device events,
// a factory reset and an unplug; the key picker's Clear and the DPI field.

// The virtual bus names a member "slots": it must come before any Qt header.
#include "sim/inproc.h"

#include "tests/frontend/nextmessagebox.h"
#include "tests/frontend/scenetesting.h"

namespace
{
// Table addresses the pages write (table 0: rate, lighting; table 1: DPI values, button slots).
constexpr int kRate = 0, kMode = 2, kBrightness = 3, kSpeed = 4;
constexpr int kDpiLevel1 = 11, kSlot1 = 80;

uint8_t held(const char* region, int address)
{
    const auto memory = sim::inproc::bus().memory("mouse", region);
    return memory && address < int(memory->size()) ? (*memory)[size_t(address)] : 0xEE;
}

QByteArray heldSlot(int address)
{
    QByteArray out;
    for (int i = 0; i < 4; ++i)
        out.append(char(held("table1", address + i)));
    return out;
}
} // namespace

class TestScene : public scenetesting::SceneTest
{
    Q_OBJECT

    // The settings panel's factory reset, then closing the panel (which reads the device again).
    void factoryReset()
    {
        openSettings();
        click("deviceAction");
        click("settingClose");
    }

private slots:
    void initTestCase()
    {
        QVERIFY(root.isValid());
        scenetesting::prepareApplicationFolder(root.path(), QStringLiteral(SHIPPED_MODULES_DIR));
    }
    void init() { sim::inproc::reset(); }
    void cleanup() { widget.reset(); }

    void reportRateFollowsDeviceEvents()
    {
        openPage(0);
        clickEntry("rateList", 2);
        QTRY_COMPARE(held("table0", kRate), uint8_t(0x02));
        QCOMPARE(shown("rateList"), 2);
        // The device switches to 125 Hz by itself: the list follows, and the entry shown before
        // is taken again when clicked.
        QVERIFY(sim::inproc::bus().notify("mouse", {0xF0, 0, 0x08, 0}));
        QTRY_COMPARE(shown("rateList"), 0);
        clickEntry("rateList", 2);
        QTRY_COMPARE(held("table0", kRate), uint8_t(0x02));
        QCOMPARE(shown("rateList"), 2);
    }

    void replugWhileOpenShowsWhatTheDeviceHolds()
    {
        openPage(0);
        const int held = shown("rateList");
        // The page is told of another rate, then the mouse is replugged before the next scan:
        // the page shows what the device holds again, not what it showed before.
        QVERIFY(sim::inproc::bus().notify("mouse", {0xF0, 0, 0x08, 0}));
        QTRY_VERIFY(shown("rateList") != held);
        QVERIFY(sim::inproc::bus().unplug("mouse"));
        std::string error;
        QVERIFY(sim::inproc::bus().plug("mouse", "mouse", error));
        widget->checkDevice();
        QTRY_COMPARE(shown("rateList"), held);
    }

    void lightingAndGroupTabShowTheDeviceAfterAFactoryReset()
    {
        openPage(3);
        clickEntry("modeList", 3);
        clickEntry("speedList", 0);
        clickEntry("brightList", 0);
        QTRY_COMPARE(held("table0", kMode), uint8_t(3));
        QCOMPARE(held("table0", kSpeed), uint8_t(1));
        QCOMPARE(held("table0", kBrightness), uint8_t(51));
        QCOMPARE(shown("modeList"), 3);

        factoryReset();
        QTRY_COMPARE(shown("modeList"), 1);
        QCOMPARE(held("table0", kMode), uint8_t(1));
        QCOMPARE(shown("speedList"), 2);
        QCOMPARE(shown("brightList"), 4);

        // The key page's tab goes back to the group of the selected button's assignment.
        click("nav1");
        QTRY_VERIFY(item("groupTabs"));
        click("slot1");
        QCOMPARE(shown("groupTabs"), 0);
        clickEntry("groupTabs", 1);
        QTRY_COMPARE(shown("groupTabs"), 1);
        factoryReset();
        QTRY_COMPARE(shown("groupTabs"), 0);
    }

    // Pictures are held only while on screen: none while the window waits in the tray, and those
    // on screen are decoded again before the first frame once it shows.
    void picturesAreHeldOnlyOnScreen()
    {
        const auto heldOnlyOnScreen = [this](bool inTray) {
            int held = 0, pictures = 0;
            QList<QQuickItem*> items{view()->rootObject()};
            while (!items.isEmpty()) {
                QQuickItem* image = items.takeFirst();
                items += image->childItems();
                const QString picture = image->property("picture").toString();
                if (!image->inherits("QQuickImage") || picture.isEmpty())
                    continue;
                ++pictures;
                const bool wanted = image->isVisible() && !inTray;
                if (image->property("source").toString() != (wanted ? picture : QString()))
                    return false;
                // Ready at once, not in a later frame.
                if (wanted && image->property("status").toInt() != 1)
                    return false;
                held += wanted;
            }
            return pictures > 20 && (inTray ? held == 0 : held > 0);
        };
        openPage(3);
        QVERIFY(heldOnlyOnScreen(false));
        view()->closeToTray = true;
        widget->uiCtl->setTrayAvailable(true);
        widget->uiCtl->onCloseWindow();
        QVERIFY(widget->isHidden());
        QVERIFY(heldOnlyOnScreen(true));
        widget->receiveMessage(2, QByteArrayLiteral("show"));
        QVERIFY(heldOnlyOnScreen(false));
        QCOMPARE(shown("modeList"), int(held("table0", kMode)));
    }

    void keyPickerClearLeavesNoKeyAndNothingToApply()
    {
        openPage(1);
        click("slot1");
        clickEntry("groupTabs", 1);
        QTRY_VERIFY(item("keyDrop0"));
        const QByteArray before = heldSlot(kSlot1);
        pickRow("keyDrop0", 2); // "B"
        QCOMPARE(item("keyDrop0")->property("currentIndex").toInt(), 2);
        QVERIFY(item("keyApply")->isEnabled());

        click("keyClear");
        QTRY_COMPARE(item("keyDrop0")->property("currentIndex").toInt(), 0); // "-"
        QVERIFY(!item("keyApply")->isEnabled());
        click("keyApply");
        QCOMPARE(heldSlot(kSlot1), before); // nothing written

        pickRow("keyDrop0", 2);
        click("keyApply");
        QTRY_COMPARE(heldSlot(kSlot1), QByteArray("\x00\x00\x05\x01", 4)); // keyboard: B
    }

    void dpiFieldWritesOnEnterAndFocusLossWithinRange_data()
    {
        QTest::addColumn<QByteArray>("typed");
        QTest::addColumn<QString>("then");
        QTest::addColumn<int>("written");
        QTest::newRow("Enter") << QByteArray("1600") << "enter" << 1600;
        QTest::newRow("too high") << QByteArray("30000") << "enter" << 26000;
        QTest::newRow("too low") << QByteArray("50") << "enter" << 200;
        QTest::newRow("between steps, click beside") << QByteArray("1234") << "beside" << 1200;
        QTest::newRow("another page") << QByteArray("5000") << "nav1" << 5000;
        // An emptied field shows what the device holds again at once.
        QTest::newRow("emptied, Enter") << QByteArray("\b") << "enter" << 800;
    }
    void dpiFieldWritesOnEnterAndFocusLossWithinRange()
    {
        QFETCH(QByteArray, typed);
        QFETCH(QString, then);
        QFETCH(int, written);
        openPage(0);
        typeInto("dpiEdit", typed.constData());
        if (then == "enter")
            QTest::keyClick(view(), Qt::Key_Return);
        else if (then == "beside")
            clickAt(item("rateList"), QPointF(-10, -10)); // the page beside the field
        else
            click(then); // written as the page is left, not later elsewhere
        const auto value = [] {
            return held("table1", kDpiLevel1) | held("table1", kDpiLevel1 + 1) << 8;
        };
        QTRY_COMPARE(value(), written);
        if (item("dpiEdit"))
            QCOMPARE(fieldText("dpiEdit"), QString::number(written));
    }

    void closingSettingsAfterAnUnplugReadsNothing()
    {
        openPage(0);
        openSettings();
        click("deviceAction");
        QVERIFY(sim::inproc::bus().unplug("mouse"));
        widget->checkDevice();
        QTRY_VERIFY(item("noDeviceText"));
        // A box would open inside the click; one look from within its event loop closes it.
        QString boxText;
        QTimer::singleShot(0, this, [&boxText] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                boxText = box->text();
                box->done(0);
            }
        });
        click("settingClose");
        QVERIFY(!item("settingClose"));
        QVERIFY2(boxText.isEmpty(), qPrintable(boxText));
    }

    // Settings that cannot be written are said once, in the language the user just picked.
    void unsavableSettingsAreSaidInTheChosenLanguage()
    {
        openPage(0);
        const QString blocked = root.path() + QStringLiteral("/blocked");
        QFile(blocked).open(QIODevice::WriteOnly); // a folder that is a file takes nothing
        QSettings* const saved = view()->appSettings;
        QSettings unsavable(blocked + QStringLiteral("/apConfig.ini"), QSettings::IniFormat);
        view()->appSettings = &unsavable;
        openSettings();
        BoxSeen seen;
        QString okText;
        handleNextBox(&seen, [&okText](QMessageBox* box) {
            okText = box->button(QMessageBox::Ok)->text();
            pressKey(box, Qt::Key_Return);
        });
        clickEntry("langList", 0);
        QTRY_VERIFY(seen.shown);
        view()->appSettings = saved;
        QCOMPARE(seen.title, QStringLiteral("Настройки не сохранены"));
        QCOMPARE(okText, QStringLiteral("ОК"));
    }

    void settingsPanelShowsTheProgramVersion()
    {
        openPage(0);
        openSettings();
        QCOMPARE(item("aboutLine")->property("text").toString(),
                 QStringLiteral("Version " QUILLEX_VERSION));
    }

    void failedMouseSettingsLaunchIsReported()
    {
        openPage(0);
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(root.path() + "/nothing"));
        BoxSeen seen;
        handleNextBox(&seen, [](QMessageBox* box) { pressKey(box, Qt::Key_Return); });
        click("mouseSettingsLink");
        qputenv("PATH", path);
        QTRY_VERIFY(seen.shown);
        QCOMPARE(seen.text, QStringLiteral("No mouse settings program was found on this system."));
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    TestScene test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_scene.moc"
