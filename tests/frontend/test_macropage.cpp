// The macro page in the real scene and main window on the in-process virtual mouse, driven by
// mouse and key events: what a recording, an edit and the playback count leave in the profile
// file and in the device's macro memory, the hot keys, the mouse-button option, the length limit,
// and what the page says about damaged macros, failed uploads and in-window capture.

// The virtual bus names a member "slots": it must come before any Qt header.
#include "sim/inproc.h"

#include "tests/frontend/nextmessagebox.h"
#include "tests/frontend/scenetesting.h"

namespace
{
QByteArray macroHeld(int index)
{
    const auto memory = sim::inproc::bus().memory("mouse", "macro.0." + std::to_string(index));
    return memory ? QByteArray(reinterpret_cast<const char*>(memory->data()), int(memory->size()))
                  : QByteArray();
}

// The stored text of a macro: its action list padded with zeros to 256 entries.
QString storedText(int index, std::vector<int> entries)
{
    entries.resize(256, 0);
    QStringList numbers;
    for (int e : entries)
        numbers << QString::number(e);
    return QStringLiteral("{\"Actions\":[%1],\"MacroId\":%2,\"Name\":\"\"}")
        .arg(numbers.join(QLatin1Char(',')))
        .arg(index);
}
} // namespace

class TestMacroPage : public scenetesting::SceneTest
{
    Q_OBJECT

    QString profileToRemove; // each case starts without stored macros

    QQuickItem* scene() const { return view()->rootObject(); }
    QQuickItem* page() const { return scene()->property("pageMacro").value<QQuickItem*>(); }
    bool recording() const { return page()->property("recording").toBool(); }

    // The texts of the action list, as shown.
    QStringList shownActions() const
    {
        QStringList out;
        for (int i = 0;; ++i) {
            QQuickItem* row = item(QStringLiteral("actionListRow") + QString::number(i));
            if (!row)
                return out;
            out << row->childItems().first()->property("text").toString();
        }
    }

    void openMacroPage()
    {
        openPage(2);
        profileToRemove = profilePath();
    }
    void hoverTo(QPoint at)
    {
        QMouseEvent move(QEvent::MouseMove, at, view()->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(view(), &move);
    }
    // Types the text into the field and confirms it with Enter.
    void enterInto(const QString& field, const char* text)
    {
        typeInto(field, text);
        QTest::keyClick(view(), Qt::Key_Return);
    }
    // The same delay between all events keeps the recorded list independent of the machine's
    // speed; 10 ms is no delay item at all.
    void useFixedDelay(const char* ms)
    {
        click("fixedDelayOption");
        enterInto("fixedDelayEdit", ms);
    }
    void startRecording()
    {
        click("recordButton");
        QTRY_VERIFY(recording());
    }
    // The pointer comes to the record button before pressing it, as a user's does.
    void stopRecording()
    {
        QQuickItem* button = item("recordButton");
        hoverTo(button->mapToScene(QPointF(button->width() / 2, button->height() / 2)).toPoint());
        click("recordButton");
        QTRY_VERIFY(!recording());
    }

private slots:
    void initTestCase()
    {
        QVERIFY(root.isValid());
        scenetesting::prepareApplicationFolder(root.path(), QStringLiteral(SHIPPED_MODULES_DIR));
    }
    void init() { sim::inproc::reset(); }
    void cleanup()
    {
        widget.reset();
        QFile::remove(profileToRemove);
    }

    void recordingLocksThePageThenStoresAndUploads()
    {
        openMacroPage();
        useFixedDelay("50");
        startRecording();
        QVERIFY(!scene()->property("isMacroLock").toBool());
        QVERIFY(!item("saveButton")->isEnabled());
        QVERIFY(!item("macroList")->isEnabled());
        click("nav0");
        QCOMPARE(scene()->property("currentPage").toInt(), 2);

        QTest::keyClick(view(), Qt::Key_A);
        QTRY_COMPARE(shownActions().size(), 3);
        stopRecording();
        QVERIFY(scene()->property("isMacroLock").toBool());
        QVERIFY(item("saveButton")->isEnabled());

        QCOMPARE(shownActions(),
                 (QStringList{QStringLiteral("001: \u25BC A"), QStringLiteral("002: Delays 40"),
                              QStringLiteral("003: \u25B2 A")}));
        QCOMPARE(stored(0), storedText(0, {0, 1, 1, 4, 0x7F, 0, 0, 4, 0x81, 4}));
        QTRY_COMPARE(macroHeld(0), QByteArray("\x01\x00\x04\x04\x81\x04\x00\x00", 8));
    }

    // A recording cut short is dropped: the profile never holds what the mouse did not get.
    void aMouseLeavingWhileRecordingUnlocksNavigationAndStoresNothing()
    {
        openMacroPage();
        startRecording();
        QTest::keyClick(view(), Qt::Key_Q);
        QTRY_VERIFY(!shownActions().isEmpty());
        QVERIFY(sim::inproc::bus().unplug("mouse"));
        widget->checkDevice();
        QTRY_VERIFY(!recording());
        QVERIFY(scene()->property("isMacroLock").toBool());
        QCOMPARE(stored(0), QString());
    }

    void editedItemsAreUploadedOnSave()
    {
        openMacroPage();
        useFixedDelay("50");
        startRecording();
        QTest::keyClick(view(), Qt::Key_A);
        QTRY_COMPARE(shownActions().size(), 3);
        stopRecording();
        QTRY_VERIFY(!macroHeld(0).isEmpty());

        // The delay becomes 1500 ms, too long for the control byte.
        clickAt(item("actionListRow1"), QPointF(20, 10));
        enterInto("editDelay", "1509");
        // The press takes the key pressed while the key list is open.
        clickAt(item("actionListRow0"), QPointF(20, 10));
        click("editKey");
        QTRY_VERIFY(item("editKey")->property("isOpen").toBool());
        QTest::keyClick(view(), Qt::Key_C);
        QTRY_COMPARE(shownActions().value(0), QStringLiteral("001: \u25BC C"));
        QCOMPARE(shownActions().value(1), QStringLiteral("002: Delays 1500"));
        QCOMPARE(macroHeld(0).size(), 8); // nothing saved yet

        click("saveButton");
        QTRY_COMPARE(macroHeld(0), QByteArray("\x01\x00\x7F\x06\x96\x00\x81\x04\x00\x00", 10));
        QCOMPARE(stored(0), storedText(0, {0, 1, 1, 6, 0x7F, 0, 0, 150, 0x81, 4}));

        // Insert puts an end item before the selection; the release turns into mouse button B2.
        clickAt(item("actionListRow2"), QPointF(20, 10));
        click("insertButton");
        QTRY_COMPARE(shownActions().value(2), QStringLiteral("003: End"));
        click("deleteButton");
        QTRY_COMPARE(shownActions().size(), 3);
        clickEntry("editKind", 1);
        pickRow("editButton", 1);
        QTRY_COMPARE(shownActions().value(2), QStringLiteral("003: \u25B2 B2"));
        click("saveButton");
        QTRY_COMPARE(macroHeld(0), QByteArray("\x01\x00\x7F\x06\x96\x00\x81\xF1\x00\x00", 10));
    }

    void hotKeysStartAndStopWithoutBeingRecorded()
    {
        openMacroPage();
        useFixedDelay("10");
        click("hotKeyOption");
        QTest::keyPress(view(), Qt::Key_F10);
        QVERIFY(!recording()); // the release starts
        QTest::keyRelease(view(), Qt::Key_F10);
        QTRY_VERIFY(recording());
        QVERIFY(!scene()->property("isMacroLock").toBool());
        QTest::keyClick(view(), Qt::Key_F10);
        QTest::keyClick(view(), Qt::Key_B);
        QTest::keyPress(view(), Qt::Key_F12);
        QTRY_VERIFY(!recording());
        QTest::keyRelease(view(), Qt::Key_F12);
        QCOMPARE(shownActions(),
                 (QStringList{QStringLiteral("001: \u25BC B"), QStringLiteral("002: \u25B2 B")}));
        QTRY_COMPARE(macroHeld(0), QByteArray("\x01\x00\x01\x05\x81\x05\x00\x00", 8));

        // Without the option F12 is a key like any other.
        click("hotKeyOption");
        startRecording();
        QTest::keyClick(view(), Qt::Key_F12);
        stopRecording();
        QCOMPARE(shownActions().value(0), QStringLiteral("001: \u25BC F12"));
    }

    // The record button's own clicks never reach the macro, also when capture saw them whole
    // before the button did.
    void mouseButtonsAreRecordedOnlyWhenChosenNeverTheRecordButtonsClicks()
    {
        openMacroPage();
        useFixedDelay("10");
        const QPoint away = item("actionList")->mapToScene(QPointF(100, 400)).toPoint();
        startRecording();
        hoverTo(away);
        QTest::mouseClick(view(), Qt::LeftButton, {}, away);
        stopRecording();
        QCOMPARE(shownActions(), QStringList{QStringLiteral("001: End")});
        QTRY_COMPARE(macroHeld(0), QByteArray("\x01\x00\x00\x00", 4));

        click("buttonOption");
        startRecording();
        hoverTo(away);
        QTest::mouseClick(view(), Qt::LeftButton, {}, away);
        QTest::mouseClick(view(), Qt::RightButton, {}, away);
        stopRecording();
        QCOMPARE(shownActions(),
                 (QStringList{QStringLiteral("001: \u25BC B1"), QStringLiteral("002: \u25B2 B1"),
                              QStringLiteral("003: \u25BC B2"), QStringLiteral("004: \u25B2 B2")}));
        QTRY_COMPARE(macroHeld(0),
                     QByteArray("\x01\x00\x01\xF0\x81\xF0\x01\xF1\x81\xF1\x00\x00", 12));
    }

    void aFullMacroStopsTheRecording()
    {
        openMacroPage();
        useFixedDelay("10");
        startRecording();
        // 126 items of two entries fill the 256 entries with count and end item.
        for (int i = 0; i < 63; ++i)
            QTest::keyClick(view(), Qt::Key_D);
        QTRY_VERIFY(!recording());
        QVERIFY(scene()->property("isMacroLock").toBool());
        QTest::keyClick(view(), Qt::Key_D);
        QTRY_COMPARE(macroHeld(0).size(), 256);
        const QByteArray image = macroHeld(0);
        QCOMPARE(image.mid(250), QByteArray("\x01\x07\x81\x07\x00\x00", 6));
        QCOMPARE(page()->property("length").toInt(), 256);
        click("insertButton"); // no room left
        QCOMPARE(page()->property("length").toInt(), 256);
    }

    void damagedStoredMacrosShowAnEmptyMacroAndSaySo_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("above 64 KiB")
            << storedText(0, {0, 1, 1, 4}) + QString(70000, QLatin1Char(' '));
        QTest::newRow("not JSON") << QStringLiteral("{\"Actions\":[0,1,1");
        QTest::newRow("no list") << QStringLiteral("{\"MacroId\":0,\"Name\":\"\"}");
        // What the upload refuses is not shown as a macro either.
        QTest::newRow("not bytes") << QStringLiteral("{\"Actions\":[0,\"2\",1,4.5,0,0]}");
    }
    // The macro is read again when the page opens and when a macro is chosen.
    void damagedStoredMacrosShowAnEmptyMacroAndSaySo()
    {
        QFETCH(QString, text);
        openMacroPage();
        QVERIFY(!item("damagedNotice"));
        store(0, text);
        click("nav0");
        click("nav2");
        QTRY_VERIFY(item("damagedNotice"));
        QCOMPARE(shownActions(), QStringList());
        clickAt(item("macroListRow1"), QPointF(20, 10));
        QTRY_VERIFY(!item("damagedNotice"));
        clickAt(item("macroListRow0"), QPointF(20, 10));
        QTRY_VERIFY(item("damagedNotice"));
    }

    // A profile far larger than the app writes is kept aside, the page starts from an empty one,
    // and the user is told where the file went.
    void anOversizedProfileIsKeptAsideAndSaid()
    {
        openMacroPage();
        store(0, storedText(0, {0, 1, 1, 4}));
        QFile file(profilePath());
        QVERIFY(file.open(QIODevice::Append));
        file.write(QByteArray(4 * 1024 * 1024, ';'));
        file.close();
        BoxSeen seen;
        handleNextBox(&seen, [](QMessageBox* box) { pressKey(box, Qt::Key_Return); });
        click("nav0");
        click("nav2");
        QTRY_VERIFY(seen.shown);
        QCOMPARE(seen.title, QStringLiteral("Settings file damaged"));
        const QString keptAs = profilePath() + QStringLiteral(".oversized");
        QVERIFY2(seen.text.endsWith(keptAs + QLatin1Char('.')), qPrintable(seen.text));
        QVERIFY(QFile::remove(keptAs));
        QCOMPARE(shownActions(), QStringList());
        QVERIFY(stored(0).isEmpty());
    }

    void overlongListsAreCutAndIrregularEntriesSkipped()
    {
        openMacroPage();
        // 300 entries: the items past entry 256 are not shown; a delay cut short and an
        // unknown key are skipped.
        std::vector<int> entries{0, 2, 0x01, 0x04, 0x05, 0x99, 0x81, 0x04};
        while (entries.size() < 254)
            entries.insert(entries.end(), {0x01, 0x05});
        entries.insert(entries.end(), {0x7F, 0x00});
        entries.resize(300, 0x01);
        QStringList numbers;
        for (int e : entries)
            numbers << QString::number(e);
        store(5, QStringLiteral("{\"Actions\":[%1],\"MacroId\":5,\"Name\":\"\"}")
                     .arg(numbers.join(QLatin1Char(','))));
        clickAt(item("macroListRow5"), QPointF(20, 10));
        QTRY_COMPARE(page()->property("length").toInt(), 4 + 2 * 2 + 2 * 123);
        QCOMPARE(shownActions().mid(0, 3),
                 (QStringList{QStringLiteral("001: \u25BC A"), QStringLiteral("002: \u25B2 A"),
                              QStringLiteral("003: \u25BC B")}));
        QVERIFY(!item("damagedNotice"));

        // No end item within the first 256 entries: the page shows what the image holds, up to
        // the last item that leaves room for the end item.
        numbers = QStringList{QStringLiteral("0"), QStringLiteral("1")};
        for (int i = 0; i < 71; ++i)
            numbers << QStringLiteral("1,5,129,5");
        store(6, QStringLiteral("{\"Actions\":[%1],\"MacroId\":6,\"Name\":\"\"}")
                     .arg(numbers.join(QLatin1Char(','))));
        clickAt(item("macroListRow6"), QPointF(20, 10));
        QTRY_COMPARE(page()->property("length").toInt(), 256);
        const QVariantList items = page()->property("items").toList();
        QCOMPARE(items.size(), 126);
        QCOMPARE(items.last().toInt(), 0x8100 + 0x05); // the last whole pair ends on a release
    }

    // The key page uploads the stored macro before it points a button at it; a macro with
    // nothing stored leaves the button as it was and says so.
    void assigningAMacroUploadsItBeforeTheButtonPointsAtIt()
    {
        openMacroPage();
        store(3, storedText(3, {0, 2, 1, 4, 0x7F, 0, 0, 4, 0x81, 4}));
        const auto slot1 = [] {
            const auto table1 = sim::inproc::bus().memory("mouse", "table1");
            return QByteArray(reinterpret_cast<const char*>(table1->data()) + 80, 4);
        };
        click("nav1");
        click("slot1");
        clickEntry("groupTabs", 2);
        QTRY_VERIFY(item("keyMacroListRow3"));
        clickAt(item("keyMacroListRow3"), QPointF(20, 10));
        click("macroApply");
        QTRY_COMPARE(macroHeld(3), QByteArray("\x02\x00\x04\x04\x81\x04\x00\x00", 8));
        QTRY_COMPARE(slot1(), QByteArray("\x03\x00\x01\x05", 4)); // macro 4, fixed times

        BoxSeen seen;
        handleNextBox(&seen, [](QMessageBox* box) { pressKey(box, Qt::Key_Return); });
        clickAt(item("keyMacroListRow5"), QPointF(20, 10));
        click("macroApply");
        QTRY_VERIFY(seen.shown);
        QCOMPARE(slot1(), QByteArray("\x03\x00\x01\x05", 4));
        QVERIFY(macroHeld(5).isEmpty());
        QCOMPARE(item("keyMacroList")->property("currentIndex").toInt(), 3);
    }

    // The count is saved as it changes, within 1 to 1000; a failed upload is said and the macro
    // kept in the profile.
    void playbackCountIsLimitedAndSavedAndAFailedUploadSaid()
    {
        openMacroPage();
        enterInto("playCountEdit", "5000");
        QTRY_COMPARE(macroHeld(0), QByteArray("\xE8\x03\x00\x00", 4)); // only the end item
        QCOMPARE(fieldText("playCountEdit"), QStringLiteral("1000"));
        enterInto("playCountEdit", "0");
        QTRY_COMPARE(macroHeld(0), QByteArray("\x01\x00\x00\x00", 4));

        QVERIFY(!item("saveFailedNotice"));
        QVERIFY(sim::inproc::control({"fault", "mouse", "write"}).status == 0);
        QVERIFY(sim::inproc::control({"fault", "mouse", "send"}).status == 0);
        enterInto("playCountEdit", "300");
        QTRY_VERIFY(item("saveFailedNotice"));
        QCOMPARE(stored(0), storedText(0, {1, 0x2C}));
        QVERIFY(sim::inproc::control({"fault", "mouse", "clear"}).status == 0);
        click("saveButton");
        QTRY_VERIFY(!item("saveFailedNotice"));
        QCOMPARE(macroHeld(0), QByteArray("\x2C\x01\x00\x00", 4));
        // Under the offscreen platform capture sees only this window, and the page says so.
        QVERIFY(item("focusNotice"));
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    TestMacroPage test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_macropage.moc"
