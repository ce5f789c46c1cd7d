// Macros stored in the profile file and uploaded to the in-process virtual mouse through the
// bridge, as the macro and key pages call it.

// The virtual bus names a member "slots": it must come before any Qt header.
#include "sim/inproc.h"

#include "device/discovery.h"
#include "tests/frontend/bridgetesting.h"

#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QSettings>

using bridgetesting::actionList;

void forwardDeviceEvent(Widget*, quint8, quint8, quint8, quint8) {}

static const QString deviceStr = QStringLiteral("NORVIK GAMING Quillex");
static const QString profile0 = QStringLiteral("modules/P-NORVIK GAMING Quillex/profile0.ini");

// Press A, 50 ms, release A, end: the entries and their image.
static const QVector<int> pressReleaseA{0x00, 0x01, 0x01, 0x04, 0x7F, 0x00,
                                        0x00, 0x04, 0x81, 0x04, 0x00, 0x00};
static const std::vector<uint8_t> pressReleaseAImage{0x01, 0x00, 0x04, 0x04,
                                                     0x81, 0x04, 0x00, 0x00};

// The stored text of an action list as the program writes it: compact, numbers as integers.
static QString storedJson(const QVector<int>& entries, int macroId)
{
    QStringList numbers;
    for (const QVariant& v : actionList(entries))
        numbers << QString::number(v.toInt());
    return QStringLiteral("{\"Actions\":[%1],\"MacroId\":%2,\"Name\":\"\"}")
        .arg(numbers.join(QLatin1Char(',')))
        .arg(macroId);
}

static QVariant storedValue(const QString& key)
{
    QSettings file(profile0, QSettings::IniFormat);
    file.setIniCodec("UTF-8");
    return file.value(key);
}

static void store(const QString& key, const QString& text)
{
    QSettings file(profile0, QSettings::IniFormat);
    file.setIniCodec("UTF-8");
    file.setValue(key, text);
}

static std::vector<uint8_t> macroMemory(int index)
{
    return sim::inproc::bus().memory("mouse", "macro.0." + std::to_string(index)).value();
}

// Macro upload frames the program sent, in order.
static std::vector<std::vector<uint8_t>> uploadFrames()
{
    std::vector<std::vector<uint8_t>> frames;
    for (const sim::TraceEntry& e : sim::inproc::trace().snapshot())
        if (e.op == "send-feature" && e.bytes.size() > 1 && e.bytes[1] == 0x04)
            frames.push_back(e.bytes);
    return frames;
}

class TestMacroStore : public bridgetesting::BridgeTest
{
    Q_OBJECT

    void openProfile() { view->getOtherProperty(QStringLiteral("MACRO"), QString(), deviceStr); }

    // Runs `call` in the view's QML engine with the view as "ui_View", as the pages do.
    QVariant fromScene(const QString& call)
    {
        QQmlComponent component(view->engine());
        component.setData(
            ("import QtQml 2.12\nQtObject { property var result: " + call + " }").toUtf8(), QUrl());
        QObject* object = component.create(view->rootContext());
        if (!object) {
            qWarning() << component.errors();
            return QVariant();
        }
        const QVariant result = object->property("result");
        delete object;
        return result;
    }

    // The device holds a known macro 4 before each refusal, to see that nothing replaced it.
    void uploadKnownMacro()
    {
        QVERIFY(view->setOtherProperty(
            4, QVariantMap{{"MacroId", 4}, {"Name", ""}, {"Actions", actionList(pressReleaseA)}},
            false));
        QCOMPARE(macroMemory(4), pressReleaseAImage);
        sim::inproc::trace().clear();
    }

private slots:
    void initTestCase()
    {
        createView(QStringLiteral(MODULES_SOURCE_DIR));
        QVERIFY(view);
        view->rootContext()->setContextProperty(QStringLiteral("ui_View"), view);
    }
    void cleanupTestCase() { destroyView(); }
    void init()
    {
        link.hid_StopListen();
        sim::inproc::reset();
        std::string error;
        QVERIFY2(sim::inproc::bus().plug("mouse", "mouse", error), error.c_str());
        link.publishDevices(discoverDevices());
        view->connectCurrentDevice(deviceStr, 2, 0);
        QFile::remove(profile0);
        openProfile();
        sim::inproc::trace().clear();
    }

    // --- saving from the macro page -------------------------------------------------------

    void savingStoresTheJsonAndUploadsTheImage()
    {
        // The page builds the object with "MacroId" first; the file holds "Actions" first.
        const QVariant saved =
            fromScene(QStringLiteral("ui_View.setOtherProperty(3, {\"MacroId\": 3, \"Name\": \"\", "
                                     "\"Actions\": %1}, false)")
                          .arg(QString::fromUtf8(
                              QJsonDocument(QJsonArray::fromVariantList(actionList(pressReleaseA)))
                                  .toJson(QJsonDocument::Compact))));
        QCOMPARE(saved, QVariant(true));

        QCOMPARE(storedValue(QStringLiteral("Macro/3")).toString(), storedJson(pressReleaseA, 3));
        QCOMPARE(macroMemory(3), pressReleaseAImage);
        const auto frames = uploadFrames();
        QCOMPARE(frames.size(), size_t(1));
        QCOMPARE(frames[0], std::vector<uint8_t>({0x00, 0x04, 0x03, 0x08, 0x00, 0, 0, 0, 0}));
        // Read back as the macro page reads it.
        QCOMPARE(view->getOtherProperty(QStringLiteral("MACRO"), QStringLiteral("3"), deviceStr),
                 QVariant(storedJson(pressReleaseA, 3)));
    }

    void failedUploadKeepsTheStoredMacro()
    {
        std::string error;
        QVERIFY(sim::inproc::bus().fault("mouse", {"write"}, error));
        const QVariantMap macro{
            {"MacroId", 6}, {"Name", ""}, {"Actions", actionList({0, 2, 0, 0})}};
        QVERIFY(!view->setOtherProperty(6, macro, false));
        QCOMPARE(storedValue(QStringLiteral("Macro/6")).toString(), storedJson({0, 2, 0, 0}, 6));
        QVERIFY(macroMemory(6).empty());
    }

    void withoutAProfileFileTheMacroIsOnlyUploaded()
    {
        delete view->profileSettings;
        view->profileSettings = nullptr;
        QVERIFY(view->setOtherProperty(
            2, QVariantMap{{"MacroId", 2}, {"Name", ""}, {"Actions", actionList(pressReleaseA)}},
            false));
        QCOMPARE(macroMemory(2), pressReleaseAImage);
        QVERIFY(!QFile::exists(profile0));
    }

    void damagedMacroIsNeitherStoredNorUploaded_data()
    {
        QTest::addColumn<QVariant>("index");
        QTest::addColumn<QVariant>("args");
        const QVariantMap good{{"MacroId", 4}, {"Name", ""}, {"Actions", actionList({0, 5, 0, 0})}};
        QVariantMap above255 = good;
        above255["Actions"] = actionList({0, 1, 0x01, 300, 0, 0});
        QVariantMap noActions = good;
        noActions.remove("Actions");
        QTest::newRow("entry above 255") << QVariant(4) << QVariant(above255);
        QTest::newRow("no action list") << QVariant(4) << QVariant(noActions);
        QTest::newRow("not a macro object") << QVariant(4) << QVariant(QVariantList{0, 1, 0, 0});
        QTest::newRow("index -1") << QVariant(-1) << QVariant(good);
        QTest::newRow("index 10") << QVariant(10) << QVariant(good);
        QTest::newRow("index not a number") << QVariant(QStringLiteral("four")) << QVariant(good);
    }
    void damagedMacroIsNeitherStoredNorUploaded()
    {
        QFETCH(QVariant, index);
        QFETCH(QVariant, args);
        uploadKnownMacro();
        const QVariant before = storedValue(QStringLiteral("Macro/4"));
        QVERIFY(!view->setOtherProperty(index, args, false));
        QVERIFY(uploadFrames().empty());
        QCOMPARE(macroMemory(4), pressReleaseAImage);
        QCOMPARE(storedValue(QStringLiteral("Macro/4")), before);
    }

    // --- assigning on the key page --------------------------------------------------------

    void assigningUploadsTheStoredMacroWithoutStoring()
    {
        const QVector<int> longDelay{0, 1, 0x01, 0x04, 0x7F, 0x00, 0x00, 0x95, 0x81, 0x04, 0, 0};
        store(QStringLiteral("Macro/5"), storedJson(longDelay, 5));
        openProfile();
        QCOMPARE(fromScene(QStringLiteral("ui_View.setOtherProperty(5, [], true)")),
                 QVariant(true));
        QCOMPARE(macroMemory(5),
                 std::vector<uint8_t>({0x01, 0x00, 0x7F, 0x04, 0x95, 0x00, 0x81, 0x04, 0, 0}));
        QCOMPARE(storedValue(QStringLiteral("Macro/5")).toString(), storedJson(longDelay, 5));
    }

    void assigningNothingUsableUploadsNothing_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("stored"); // under Macro/<index>; empty: nothing stored
        QTest::newRow("nothing chosen") << -1 << QString();
        QTest::newRow("no stored macro") << 7 << QString();
        QTest::newRow("one entry") << 7 << QStringLiteral("{\"Actions\":[0],\"MacroId\":7}");
        QTest::newRow("no action list") << 7 << QStringLiteral("{\"MacroId\":7,\"Name\":\"\"}");
        QTest::newRow("not JSON") << 7 << QStringLiteral("{\"Actions\":[0,1,0,0");
        QTest::newRow("longer than any macro")
            << 7
            << QStringLiteral("{\"Actions\":[0,1,0,0%1],\"MacroId\":7,\"Name\":\"\"}")
                   .arg(QStringLiteral(",0").repeated(40000));
    }
    void assigningNothingUsableUploadsNothing()
    {
        QFETCH(int, index);
        QFETCH(QString, stored);
        if (!stored.isEmpty())
            store(QStringLiteral("Macro/%1").arg(index), stored);
        openProfile();
        uploadKnownMacro();
        QCOMPARE(fromScene(QStringLiteral("ui_View.setOtherProperty(%1, [], true)").arg(index)),
                 QVariant(false));
        QVERIFY(uploadFrames().empty());
        QCOMPARE(macroMemory(4), pressReleaseAImage);
        if (index >= 0)
            QVERIFY(macroMemory(index).empty());
    }

    void assigningWithTheMouseGoneFails()
    {
        store(QStringLiteral("Macro/1"), storedJson(pressReleaseA, 1));
        openProfile();
        QVERIFY(sim::inproc::bus().unplug("mouse"));
        QVERIFY(!view->setOtherProperty(1, QVariantList(), true));
    }

    // --- reading back ---------------------------------------------------------------------

    void oversizedStoredTextReadsAsDamaged()
    {
        const QString oversized = QStringLiteral("{\"Actions\":[0,1,0,0%1],\"MacroId\":8}")
                                      .arg(QStringLiteral(",0").repeated(40000));
        store(QStringLiteral("Macro/8"), oversized);
        store(QStringLiteral("Macro/9"), storedJson(pressReleaseA, 9));
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("macro.*8.*damaged")));
        const QVariant damaged =
            view->getOtherProperty(QStringLiteral("MACRO"), QStringLiteral("8"), deviceStr);
        QCOMPARE(damaged.userType(), int(QMetaType::QString));
        QCOMPARE(damaged.toString(), QString());
        QCOMPARE(view->getOtherProperty(QStringLiteral("MACRO"), QStringLiteral("9"), deviceStr),
                 QVariant(storedJson(pressReleaseA, 9)));
        QVERIFY(!view->getOtherProperty(QStringLiteral("MACRO"), QStringLiteral("0"), deviceStr)
                     .isValid());
    }
};

QTEST_MAIN(TestMacroStore)
#include "test_macrostore.moc"
