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
#include <QQuickWindow>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>

static const int designSizes[6] = {1280, 720, 2140, 1080, 3160, 1080};

class TestUiControler : public QObject
{
    Q_OBJECT

    QTemporaryDir root; // the application folder (working directory)
    Widget* widget = nullptr;
    Ui_Controler* ctl = nullptr;

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
        QTest::newRow("1366x768") << QRect(0, 0, 1366, 768) << 2 << QSize(911, 459) << 911.0 / 2140;
        QTest::newRow("2560x1080")
            << QRect(0, 0, 2560, 1080) << 2 << QSize(1426, 720) << 1426.0 / 2140;
        QTest::newRow("3840x1080")
            << QRect(0, 0, 3840, 1080) << 3 << QSize(2106, 720) << 2106.0 / 3160;
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
    }

    void chosenLayoutAndOriginalSizeAreKept()
    {
        const ScreenFit kept =
            fitToScreen(QRect(0, 0, 1920, 1080), false, Layout3160x1080, designSizes);
        QCOMPARE(int(kept.layout), 3);
        QCOMPARE(kept.rect.size(), QSize(1280, 437));
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
    }

    void closeHidesToTrayWhenAsked()
    {
        ctl->quickView()->closeToTray = true;
        ctl->onCloseWindow();
        QVERIFY(!widget->isVisible());
        widget->show();
        ctl->onHideWindow();
        QVERIFY(widget->isMinimized());
        widget->showNormal();
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
        QCOMPARE(widget->hidThread.onlineList.size(), 1); // the scan found the re-plugged mouse
        QCOMPARE(seen.icon, QMessageBox::Information);
        QCOMPARE(seen.title, QStringLiteral("Update"));
        QCOMPARE(seen.text, QStringLiteral("Update failed"));
    }
};

QTEST_MAIN(TestUiControler)
#include "test_ui_controler.moc"
