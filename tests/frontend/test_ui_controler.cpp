// The virtual bus names a member "slots": it must come before any Qt header.
#include "sim/inproc.h"

#include "app/screengeometry.h"
#include "app/ui_controler.h"
#include "app/widget.h"
#include "frontend/datafolder.h"
#include "frontend/myqquickview.h"
#include "tests/frontend/nextmessagebox.h"

#include <QApplication>
#include <QCursor>
#include <QPushButton>
#include <QQuickItem>
#include <QQuickWindow>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>
#include <sys/stat.h>

static const int designSizes[6] = {1280, 720, 2140, 1080, 3160, 1080};

class TestUiControler : public QObject
{
    Q_OBJECT

    QTemporaryDir root; // the application folder (working directory)
    Widget* widget = nullptr;
    Ui_Controler* ctl = nullptr;

    // The scene item of that name (searched through the visual tree, where Repeater delegates
    // live); with `shown`, only a visible one (a removed delegate may linger hidden).
    QQuickItem* sceneItem(const QString& name, bool shown = true) const
    {
        QList<QQuickItem*> items{ctl->quickView()->rootObject()};
        while (!items.isEmpty()) {
            QQuickItem* item = items.takeFirst();
            if (item->objectName() == name && (!shown || item->isVisible()))
                return item;
            items += item->childItems();
        }
        return nullptr;
    }
    QQuickItem* firstCard() const { return sceneItem(QStringLiteral("card0")); }
    // A fresh bus with the mouse alone, scanned: its card once the start page shows it.
    QQuickItem* plugMouseAndShowItsCard()
    {
        sim::inproc::reset();
        std::string error;
        if (!sim::inproc::bus().plug("mouse", "mouse", error))
            return nullptr;
        widget->checkDevice();
        return QTest::qWaitFor([this] { return firstCard() != nullptr; }) ? firstCard() : nullptr;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(root.isValid());
        qputenv("XDG_DATA_HOME", QFile::encodeName(root.path() + QStringLiteral("/data")));
        copyDirectory(QStringLiteral(FIXTURE_DIR "/i18n"),
                      root.path() + QStringLiteral("/modules/i18n"));
        QVERIFY(QDir::setCurrent(root.path()));
        QQuickWindow::setSceneGraphBackend(QSGRendererInterface::Software);
        widget = new Widget;
        ctl = widget->uiCtl;
        widget->show();
        widget->checkScreen();
    }
    void cleanupTestCase()
    {
        delete widget;
        sim::inproc::reset();
    }

    // --- layout -------------------------------------------------------------------------------

    void layoutForScreen_data()
    {
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<int>("layout");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<double>("scale");
        QTest::newRow("1920x1080") << QRect(0, 0, 1920, 1080) << 1 << QSize(1280, 720) << 1.0;
        QTest::newRow("2560x1440") << QRect(0, 0, 2560, 1440) << 1 << QSize(1706, 960) << 1.3328125;
        QTest::newRow("3840x2160") << QRect(0, 0, 3840, 2160) << 1 << QSize(2560, 1440) << 2.0;
        // Where two thirds would make body text smaller than 12 px, the readable scale, at most
        // the whole screen.
        QTest::newRow("1366x768 whole width")
            << QRect(0, 0, 1366, 768) << 2 << QSize(1366, 689) << 1366.0 / 2140;
        QTest::newRow("1600x900 readable")
            << QRect(0, 0, 1600, 900) << 1 << QSize(1097, 617) << 1097.0 / 1280;
        QTest::newRow("1024x600 whole height")
            << QRect(0, 0, 1024, 600) << 1 << QSize(1024, 576) << 0.8;
        QTest::newRow("2560x1080")
            << QRect(0, 0, 2560, 1080) << 2 << QSize(1834, 926) << 1834.0 / 2140;
        QTest::newRow("3840x1080")
            << QRect(0, 0, 3840, 1080) << 3 << QSize(2709, 926) << 2709.0 / 3160;
        QTest::newRow("1920x1200") << QRect(0, 0, 1920, 1200) << 1 << QSize(1280, 720) << 1.0;
        QTest::newRow("second screen")
            << QRect(1920, -200, 2560, 1440) << 1 << QSize(1706, 960) << 1.3328125;
    }
    void layoutForScreen()
    {
        QFETCH(QRect, screen);
        QFETCH(int, layout);
        QFETCH(QSize, size);
        QFETCH(double, scale);
        const ScreenFit fit = fitToScreen(screen, false, LayoutUnset, designSizes);
        QCOMPARE(int(fit.layout), layout);
        QCOMPARE(fit.rect.size(), size);
        QCOMPARE(fit.scale, scale);
        QCOMPARE(fit.rect.center(), screen.center());
        QVERIFY(screen.contains(fit.rect));
    }

    void windowIsKeptOnScreen_data()
    {
        QTest::addColumn<QRect>("window");
        QTest::addColumn<QPoint>("kept");
        const QSize size(400, 300);
        QTest::newRow("inside") << QRect(QPoint(100, 100), size) << QPoint(100, 100);
        QTest::newRow("past the right") << QRect(QPoint(1700, 100), size) << QPoint(1520, 100);
        QTest::newRow("above") << QRect(QPoint(100, -50), size) << QPoint(100, 0);
        QTest::newRow("on a screen gone") << QRect(QPoint(2500, 1500), size) << QPoint(1520, 780);
        QTest::newRow("larger than the screen") << QRect(-10, -10, 2000, 1200) << QPoint(0, 0);
    }
    void windowIsKeptOnScreen()
    {
        QFETCH(QRect, window);
        QFETCH(QPoint, kept);
        const QRect moved = keptOnScreen(window, QRect(0, 0, 1920, 1080));
        QCOMPARE(moved.topLeft(), kept);
        QCOMPARE(moved.size(), window.size());
    }

    void chosenLayoutAndOriginalSizeAreKept()
    {
        const ScreenFit kept =
            fitToScreen(QRect(0, 0, 1920, 1080), false, Layout3160x1080, designSizes);
        QCOMPARE(int(kept.layout), 3);
        QCOMPARE(kept.rect.size(), QSize(1920, 656)); // readable: as wide as the screen
        const ScreenFit original =
            fitToScreen(QRect(0, 0, 1366, 768), true, LayoutUnset, designSizes);
        QCOMPARE(original.rect.size(), QSize(2140, 1080));
        QCOMPARE(original.scale, 1.0);
    }

    void windowIsLaidOutForItsScreen()
    {
        QScreen* screen = QGuiApplication::primaryScreen();
        const ScreenFit fit = fitToScreen(screen->geometry(), false, LayoutUnset, designSizes);
        QRect rect;
        bool original = false;
        LayoutType layout = LayoutUnset;
        int sizes[6] = {1280, 720, 2140, 1080, 3160, 1080};
        double scale = 0;
        ctl->CalcNormalGeometry(screen, &rect, &original, &layout, sizes, &scale);
        QCOMPARE(rect, fit.rect);
        QCOMPARE(layout, fit.layout);
        QCOMPARE(scale, fit.scale);

        QCOMPARE(widget->windowTitle(), QStringLiteral("NORVIK GAMING Quillex"));
        QCOMPARE(widget->geometry(), fit.rect);
        QCOMPARE(ctl->quickView()->size(), fit.rect.size());
    }

    // --- window -------------------------------------------------------------------------------

    void dragMovesByTheCursorDelta()
    {
        widget->move(300, 200);
        const QPoint start = widget->pos();
        QCursor::setPos(500, 400);
        ctl->setMoveWindow();
        QCursor::setPos(510, 395);
        ctl->moveWindow();
        QCOMPARE(widget->pos(), start + QPoint(10, -5));
        QCursor::setPos(507, 395);
        ctl->moveWindow();
        QCOMPARE(widget->pos(), start + QPoint(7, -5));

        // Dragged with its middle past the screen's edge, it stays where the user put it; only a
        // change of the screens brings it back.
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QSignalSpy moved(widget->windowHandle(), &QWindow::xChanged);
        QCursor::setPos(507 - widget->width(), 395);
        ctl->moveWindow();
        QVERIFY(!moved.isEmpty() || moved.wait());
        QCOMPARE(widget->x(), start.x() + 7 - widget->width());
        QVERIFY(!screen.contains(widget->geometry().center()));
        ctl->CheckCurrentScreen();
        QVERIFY(screen.contains(widget->geometry().center()));
    }

    void closeHidesOnlyWhereATrayExists()
    {
        ctl->quickView()->closeToTray = true;
        QSignalSpy trayChanges(ctl, &Ui_Controler::trayAvailableChanged);
        QQuickItem* pair = sceneItem(QStringLiteral("hideToTray"), false);
        QVERIFY(pair);
        auto* option = pair->findChild<QQuickItem*>(QStringLiteral("firstOption"));
        auto* leave = pair->findChild<QQuickItem*>(QStringLiteral("secondOption"));
        QVERIFY(option && leave);
        ctl->setTrayAvailable(true);
        QVERIFY(option->isEnabled());
        ctl->onCloseWindow();
        QVERIFY(widget->isHidden());
        // The tray goes while the window sits in it: the window comes back, minimised.
        ctl->setTrayAvailable(false);
        QCOMPARE(trayChanges.count(), 2);
        // The settings panel offers no tray to close to, but leaving stays choosable.
        QVERIFY(!option->isEnabled());
        QVERIFY(leave->isEnabled());
        QVERIFY(!widget->isHidden());
        QVERIFY(widget->isMinimized());
        widget->showNormal();

        // Without a tray both the scene's close button and a window-manager close minimise.
        ctl->onCloseWindow();
        QVERIFY(!widget->isHidden());
        QVERIFY(widget->isMinimized());
        widget->showNormal();
        QVERIFY(!widget->close());
        QVERIFY(!widget->isHidden());
        QVERIFY(widget->isMinimized());
        widget->showNormal();
        ctl->onHideWindow();
        QVERIFY(widget->isMinimized());
        widget->showNormal();
    }

    // A second start brings the running window to the front, whatever state it is in.
    void anotherStartShowsTheWindow()
    {
        widget->hide();
        widget->receiveMessage(2, QByteArrayLiteral("show"));
        QVERIFY(widget->isVisible());
        widget->showMinimized();
        widget->receiveMessage(3, QByteArrayLiteral("show"));
        QVERIFY(!widget->isMinimized());
    }

    // --- language strings ---------------------------------------------------------------------

    void sectionHasExactlyTotalEntries()
    {
        QCOMPARE(ctl->getLangStrings(QStringLiteral("PageSystem"), QStringLiteral("2")),
                 QStringList({"first", "", "third"}));
        QCOMPARE(ctl->getLangStrings(QStringLiteral("PageLight"), QStringLiteral("2")),
                 QStringList({"only", "", "", ""}));
        QCOMPARE(ctl->getLangStrings(QStringLiteral("PageKey"), QStringLiteral("1")),
                 QStringList());
        QCOMPARE(ctl->getLangStrings(QStringLiteral("PageMain"), QStringLiteral("9")),
                 QStringList());
    }

    void damagedTotalIsBounded()
    {
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("damaged language file .* total"));
        const QStringList texts =
            ctl->getLangStrings(QStringLiteral("PageMacro"), QStringLiteral("2"));
        QCOMPARE(texts.size(), 4096);
        QCOMPARE(texts.first(), QStringLiteral("kept"));
        QCOMPARE(texts.last(), QStringLiteral("last read"));
    }

    // A language file far larger than any is not loaded whole: English stands in for it.
    void oversizedLanguageFileReadsEnglish()
    {
        QFile file(QStringLiteral("modules/i18n/7.ini"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[PageSystem]\ntotal=1\n0=\"never read\"\n");
        file.write(QByteArray(256 * 1024, ';'));
        file.close();
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("damaged language file .*7.ini"));
        QCOMPARE(ctl->getLangStrings(QStringLiteral("PageSystem"), QStringLiteral("7")),
                 QStringList({"first", "", "third"}));
        QVERIFY(file.remove());

        // A pipe would block the start: it is no language file either.
        QVERIFY(::mkfifo("modules/i18n/8.ini", 0600) == 0);
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("damaged language file .*8.ini"));
        QCOMPARE(ctl->getLangStrings(QStringLiteral("PageSystem"), QStringLiteral("8")),
                 QStringList({"first", "", "third"}));
        QVERIFY(QFile::remove(QStringLiteral("modules/i18n/8.ini")));
    }

    void nonAsciiTextsComeBackIntact()
    {
        QCOMPARE(ctl->getLangStrings(QStringLiteral("PageMain"), QStringLiteral("1")),
                 QStringList({QStringLiteral("未找到裝置"), QStringLiteral("滑鼠設定")}));
        const QStringList russian =
            ctl->getLangStrings(QStringLiteral("PageMain"), QStringLiteral("0"));
        QCOMPARE(russian.size(), 20);
        QCOMPARE(russian.first(), QStringLiteral("Устройство не найдено"));
    }

    void messageTextsFollowTheLatestLanguage()
    {
        BoxSeen seen;
        ctl->getLangStrings(QStringLiteral("PageSystem"), QStringLiteral("0"));
        handleNextBox(&seen, [](QMessageBox* box) { pressKey(box, Qt::Key_Escape); });
        ctl->showSyncFail();
        QCOMPARE(seen.title, QStringLiteral("Ошибка синхронизации"));
        QCOMPARE(seen.text, QStringLiteral("Не удалось прочитать настройки мыши"));

        ctl->getLangStrings(QStringLiteral("PageMain"), QStringLiteral("unknown"));
        handleNextBox(&seen, [](QMessageBox* box) { pressKey(box, Qt::Key_Escape); });
        ctl->showSyncFail();
        QVERIFY(seen.shown);
        QCOMPARE(seen.title, QString());
        QCOMPARE(seen.text, QString());
    }

    // --- message boxes ------------------------------------------------------------------------

    void keyWarningIsAYesNoQuestion_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("result");
        QTest::newRow("Escape") << int(Qt::Key_Escape) << false;
        QTest::newRow("Enter picks the default No") << int(Qt::Key_Return) << false;
        QTest::newRow("Y") << int(Qt::Key_Y) << true;
        QTest::newRow("N") << int(Qt::Key_N) << false;
    }
    void keyWarningIsAYesNoQuestion()
    {
        QFETCH(int, key);
        QFETCH(bool, result);
        ctl->getLangStrings(QStringLiteral("PageKey"), QStringLiteral("2"));
        BoxSeen seen;
        handleNextBox(&seen, [key](QMessageBox* box) { pressKey(box, Qt::Key(key)); });
        QCOMPARE(ctl->msgboxKey(), result);
        QCOMPARE(seen.icon, QMessageBox::Warning);
        QCOMPARE(seen.title, QStringLiteral("Warning"));
        QCOMPARE(seen.text, QStringLiteral("Reassign the only left button?"));
        QCOMPARE(seen.buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(seen.defaultButton, QMessageBox::No);
        QVERIFY(seen.flags & Qt::WindowStaysOnTopHint);
        QVERIFY(seen.flags & Qt::MSWindowsFixedSizeDialogHint);
        QVERIFY(!(seen.flags & Qt::WindowContextHelpButtonHint));
    }

    void plainBoxesShowTheirIcon()
    {
        BoxSeen seen;
        handleNextBox(&seen, [](QMessageBox* box) { pressKey(box, Qt::Key_Return); });
        ctl->msgbox(QStringLiteral("T"), QStringLiteral("M"), true);
        QCOMPARE(seen.icon, QMessageBox::Critical);
        QCOMPARE(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(seen.title, QStringLiteral("T"));
        QCOMPARE(seen.text, QStringLiteral("M"));
        handleNextBox(&seen, [](QMessageBox* box) { pressKey(box, Qt::Key_Return); });
        ctl->msgbox(QStringLiteral("T"), QStringLiteral("M"), false);
        QCOMPARE(seen.icon, QMessageBox::Information);
        ctl->getLangStrings(QStringLiteral("PageMain"), QStringLiteral("2"));
        handleNextBox(&seen, [](QMessageBox* box) { pressKey(box, Qt::Key_Return); });
        ctl->showSyncFail();
        QCOMPARE(seen.icon, QMessageBox::Critical);
        QCOMPARE(seen.title, QStringLiteral("Sync failed"));
    }

    void pairingResultResumesDeviceChecks()
    {
        ctl->getLangStrings(QStringLiteral("PageUpdate"), QStringLiteral("2"));
        for (bool result : {true, false}) {
            ctl->quickView()->suspendDeviceCheck = true;
            BoxSeen seen;
            bool suspendedDuringBox = true;
            handleNextBox(&seen, [&](QMessageBox* box) {
                suspendedDuringBox = ctl->quickView()->suspendDeviceCheck;
                pressKey(box, Qt::Key_Return);
            });
            ctl->showPairSuccess(result);
            QVERIFY(!suspendedDuringBox);
            QCOMPARE(seen.icon, QMessageBox::Information);
            QCOMPARE(seen.title, QStringLiteral("Pairing"));
            QCOMPARE(seen.text,
                     result ? QStringLiteral("Pairing done") : QStringLiteral("Pairing failed"));
        }
    }

    // The box that a failed table read opens inside the card's click handler stays while the
    // user replugs the mouse: the start page is rebuilt only after the box closed, so the
    // handler's card is not deleted under it.
    void deviceChangesWhileASyncBoxIsOpen()
    {
        widget->showNormal();
        QVERIFY(QTest::qWaitForWindowExposed(widget));
        std::string error;
        const QPointer<QQuickItem> card = plugMouseAndShowItsCard();
        QVERIFY(card);

        BoxSeen seen;
        bool cardKept = false;
        handleNextBox(&seen, [&](QMessageBox* box) {
            QVERIFY(sim::inproc::bus().unplug("mouse"));
            widget->checkDevice();
            QCoreApplication::processEvents(); // runs a queued rebuild, were it not held
            cardKept = firstCard() == card && widget->hidThread.onlineList.size() == 1;
            QVERIFY(sim::inproc::bus().plug("mouse", "mouse", error));
            widget->checkDevice();
            pressKey(box, Qt::Key_Return);
        });
        ctl->showSyncFail(); // as the card's click handler does after a failed table read
        QVERIFY(seen.shown);
        QCOMPARE(seen.icon, QMessageBox::Critical);
        QVERIFY(cardKept);
        // After the box, the held scan ran and found the replugged mouse.
        QTRY_COMPARE(widget->hidThread.onlineList.size(), 1);
        QTRY_VERIFY(firstCard());
    }

    // An exchange started by a scene handler lets events run while it waits for the transport:
    // an unplug seen then is acted on after the exchange, never under the handler.
    void deviceChangesDuringAnExchange()
    {
        const QPointer<QQuickItem> card = plugMouseAndShowItsCard();
        QVERIFY(card);

        bool cardKept = false;
        widget->hidThread.isReady = 0; // an earlier exchange still holds the transport
        QTimer::singleShot(0, this, [&] {
            QVERIFY(sim::inproc::bus().unplug("mouse"));
            widget->checkDevice();
            QCoreApplication::processEvents();
            cardKept = firstCard() == card && widget->hidThread.onlineList.size() == 1;
            widget->hidThread.isReady = 1;
        });
        widget->hidThread.curDevIndex = 0;
        widget->hidThread.hid_Send8ByteData(0, 0, 1, 0, 0, 0, 0);
        QVERIFY(cardKept);
        QTRY_COMPARE(widget->hidThread.onlineList.size(), 0);
        QTRY_VERIFY(!firstCard());
    }

    void updateResultDropsTheDeviceAndScansAgain()
    {
        ctl->getLangStrings(QStringLiteral("PageUpdate"), QStringLiteral("2"));
        sim::inproc::reset();
        widget->checkDevice();
        QCOMPARE(widget->hidThread.onlineList.size(), 0);
        std::string error;
        QVERIFY(sim::inproc::bus().plug("mouse", "mouse", error));

        widget->hidThread.curDevIndex = 0;
        ctl->quickView()->suspendDeviceCheck = true;
        BoxSeen seen;
        int indexDuringBox = -1;
        bool suspendedDuringBox = true;
        bool scanned = false;
        qint64 scanAfter = 0;
        QElapsedTimer clock;
        handleNextBox(&seen, [&](QMessageBox* box) {
            indexDuringBox = widget->hidThread.curDevIndex;
            suspendedDuringBox = ctl->quickView()->suspendDeviceCheck;
            QSignalSpy scan(&widget->checkDeviceTimer, &QTimer::timeout);
            scanned = scan.count() == 1 || scan.wait(2000);
            scanAfter = clock.elapsed();
            pressKey(box, Qt::Key_Return);
        });
        clock.start();
        ctl->showUpdateSuccess(false);
        QCOMPARE(indexDuringBox, 255);
        QVERIFY(!suspendedDuringBox);
        QVERIFY(scanned);
        QVERIFY(scanAfter >= 190);
        // The scan found the re-plugged mouse, once the box had closed.
        QTRY_COMPARE(widget->hidThread.onlineList.size(), 1);
        QCOMPARE(seen.icon, QMessageBox::Information);
        QCOMPARE(seen.title, QStringLiteral("Update"));
        QCOMPARE(seen.text, QStringLiteral("Update failed"));
    }
};

QTEST_MAIN(TestUiControler)
#include "test_ui_controler.moc"
