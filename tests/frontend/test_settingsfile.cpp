// The settings panel's export and import of the settings file, in the real scene with the real
// bridge and main window on the in-process virtual mouse: the file dialog is answered as a user
// does, and what counts is the file written, the messages shown, what the device holds and the
// profile file.

// The virtual bus names a member "slots": it must come before any Qt header.
#include "sim/inproc.h"

#include "tests/frontend/nextmessagebox.h"
#include "tests/frontend/scenetesting.h"

#include <QFileDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>

namespace
{
// Table 0: report rate, lighting effect; table 1: the DPI levels, two bytes each, little-endian.
constexpr int kRate = 0, kMode = 2, kDpiLevels = 9;

// Press A, 50 ms, release A, end: the entries, the text the program stores and the image.
const QVector<int> pressReleaseA{0x00, 0x01, 0x01, 0x04, 0x7F, 0x00,
                                 0x00, 0x04, 0x81, 0x04, 0x00, 0x00};
const std::vector<uint8_t> pressReleaseAImage{0x01, 0x00, 0x04, 0x04, 0x81, 0x04, 0x00, 0x00};

std::vector<uint8_t> held(const char* region)
{
    return sim::inproc::bus().memory("mouse", region).value_or(std::vector<uint8_t>());
}

QString storedText(const QVector<int>& entries, int macroId)
{
    QJsonArray actions;
    for (const QVariant& v : bridgetesting::actionList(entries))
        actions.append(v.toInt());
    const QJsonObject macro{{"Actions", actions}, {"MacroId", macroId}, {"Name", ""}};
    return QString::fromUtf8(QJsonDocument(macro).toJson(QJsonDocument::Compact));
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(absent)");
}

QJsonObject documentIn(const QString& path)
{
    return QJsonDocument::fromJson(contents(path)).object();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), qint64(bytes.size()));
}

// Waits for the next file dialog and answers it as a user does: the path typed over the
// suggested file, which is kept in `suggested`, then Enter.
void answerNextFileDialog(const QString& path, QString* suggested)
{
    auto* poll = new QTimer;
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, [=] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        auto* name =
            dialog ? dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")) : nullptr;
        if (!name || !name->isVisible() || !name->hasFocus())
            return;
        poll->stop();
        poll->deleteLater();
        *suggested = dialog->directory().filePath(name->text());
        QTest::keyClick(name, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(name, path);
        QTest::keyClick(name, Qt::Key_Return);
    });
    poll->start();
}
} // namespace

class TestSettingsFile : public scenetesting::SceneTest
{
    Q_OBJECT

    // A file of this case alone: a save dialog would ask before replacing one.
    QString settingsPath() const
    {
        return root.filePath(QStringLiteral("%1 %2.json")
                                 .arg(QTest::currentTestFunction(), QTest::currentDataTag()));
    }

    // Clicks `button` of the open settings panel, picks `path` in its file dialog and returns the
    // message box that follows, answered with Enter.
    BoxSeen useFile(const QString& button, const QString& path, QString* suggested = nullptr)
    {
        BoxSeen seen;
        QString ignored;
        answerNextFileDialog(path, suggested ? suggested : &ignored);
        handleNextBox(&seen, [](QMessageBox* box) { pressKey(box, Qt::Key_Return); });
        click(button);
        [&] { QTRY_VERIFY(seen.shown); }();
        return seen;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(root.isValid());
        scenetesting::prepareApplicationFolder(root.path(), QStringLiteral(SHIPPED_MODULES_DIR));
    }
    // Each case starts without stored macros.
    void init()
    {
        sim::inproc::reset();
        const QDir modules(root.filePath(QStringLiteral("modules")));
        for (const QString& device : modules.entryList({QStringLiteral("P-*")}, QDir::Dirs))
            QVERIFY(QDir(modules.filePath(device)).removeRecursively());
    }
    void cleanup() { widget.reset(); }

    void exportWritesWhatTheDeviceHolds()
    {
        openPage(0);
        clickEntry("rateList", 2);
        QTRY_COMPARE(held("table0")[kRate], uint8_t(0x02));
        store(2, storedText(pressReleaseA, 2));
        openSettings();
        const QString path = settingsPath();
        QString suggested;
        const BoxSeen seen = useFile("exportSettings", path, &suggested);
        QCOMPARE(suggested, QDir::home().filePath(QStringLiteral("quillex-profile1.json")));
        QCOMPARE(seen.icon, QMessageBox::Information);
        QCOMPARE(seen.title, QStringLiteral("Export settings"));
        QCOMPARE(seen.text,
                 QStringLiteral("The settings of profile 1 were saved to %1.").arg(path));

        const QJsonObject doc = documentIn(path);
        QCOMPARE(doc.value("format").toString(), QStringLiteral("quillex-settings"));
        QCOMPARE(doc.value("version").toInt(), 1);
        QCOMPARE(doc.value("reportRate").toInt(), 500);
        const std::vector<uint8_t> t1 = held("table1");
        const QJsonArray levels = doc.value("dpi").toObject().value("levels").toArray();
        QVERIFY(!levels.isEmpty());
        for (int i = 0; i < levels.size(); ++i)
            QCOMPARE(levels.at(i).toInt(),
                     t1[kDpiLevels + 2 * i] | t1[kDpiLevels + 2 * i + 1] << 8);
        const QStringList effects{"off", "static", "breath", "neon", "click-on", "wave"};
        QCOMPARE(doc.value("lighting").toObject().value("effect").toString(),
                 effects.value(held("table0")[kMode]));
        QCOMPARE(doc.value("buttons").toArray().at(0).toString(), QStringLiteral("left-key"));
        const QJsonArray actions =
            QJsonArray::fromVariantList(bridgetesting::actionList(pressReleaseA));
        QCOMPARE(doc.value("macros").toArray(),
                 QJsonArray({QJsonObject{{"number", 3}, {"actions", actions}}}));
    }

    // A setting changed on the device, exported, the device reset to factory and the stored
    // macro replaced: the import brings back both tables bit for bit, the macro in the profile
    // file and on the mouse, and the pages show it.
    void importAfterAFactoryResetRestoresTheExport()
    {
        openPage(3);
        clickEntry("modeList", 3);
        clickEntry("speedList", 0);
        QTRY_COMPARE(held("table0")[kMode], uint8_t(3));
        const QString macro = storedText(pressReleaseA, 2);
        store(2, macro);
        const std::vector<uint8_t> table0 = held("table0"), table1 = held("table1");

        openSettings();
        const QString path = settingsPath();
        QCOMPARE(useFile("exportSettings", path).icon, QMessageBox::Information);
        click("deviceAction");
        click("settingClose");
        QTRY_COMPARE(shown("modeList"), 1);
        QCOMPARE(held("table0")[kMode], uint8_t(1));
        store(2, storedText({0x00, 0x01, 0x01, 0x05, 0x7F, 0x00, 0x00, 0x05}, 2));

        openSettings();
        const BoxSeen seen = useFile("importSettings", path);
        QCOMPARE(seen.icon, QMessageBox::Information);
        QCOMPARE(seen.title, QStringLiteral("Import settings"));
        QCOMPARE(seen.text,
                 QStringLiteral("The settings from %1 were written to profile 1.").arg(path));
        QCOMPARE(held("table0"), table0);
        QCOMPARE(held("table1"), table1);
        QCOMPARE(stored(2), macro);
        QCOMPARE(held("macro.0.2"), pressReleaseAImage);
        // Read again at once, not only when the panel closes.
        QCOMPARE(shown("modeList"), 3);
        QCOMPARE(shown("speedList"), 0);
    }

    void refusedFileChangesNothing_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("icon");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text"); // how the box's text starts; %1 the file
        const QString refused = QStringLiteral("Settings file refused");
        const QString intro = QStringLiteral("%1 was not imported; nothing was changed:\n\n");
        QTest::newRow("another version")
            << "version" << int(QMessageBox::Critical) << refused
            << intro + "version: 2 is not supported (this program reads 1)";
        QTest::newRow("DPI out of range") << "dpi" << int(QMessageBox::Critical) << refused
                                          << intro + "dpi.levels[0]: 30000: DPI goes from";
        QTest::newRow("not JSON") << "json" << int(QMessageBox::Critical) << refused
                                  << intro + "the file is not JSON: ";
        // Asked as the key page asks; Enter takes the default, No.
        QTest::newRow("no left click, not confirmed")
            << "left click" << int(QMessageBox::Warning) << QStringLiteral("Import settings")
            << QStringLiteral("This file gives no button the left click. Import it all the same?");
    }
    void refusedFileChangesNothing()
    {
        QFETCH(QString, change);
        QFETCH(int, icon);
        QFETCH(QString, title);
        QFETCH(QString, text);
        openPage(0);
        store(2, storedText(pressReleaseA, 2));
        openSettings();
        const QString path = settingsPath();
        QCOMPARE(useFile("exportSettings", path).icon, QMessageBox::Information);
        // A different macro beside the refused setting: nothing of the file may be taken.
        QJsonObject doc = documentIn(path);
        doc.insert("macros", QJsonArray{QJsonObject{
                                 {"number", 1}, {"actions", QJsonArray{0x00, 0x01, 0x01, 0x05}}}});
        if (change == "version")
            doc.insert("version", 2);
        QJsonObject dpi = doc.value("dpi").toObject();
        QJsonArray levels = dpi.value("levels").toArray();
        if (change == "dpi")
            levels.replace(0, 30000);
        dpi.insert("levels", levels);
        doc.insert("dpi", dpi);
        QJsonArray buttons = doc.value("buttons").toArray();
        if (change == "left click")
            buttons.replace(0, "right-key");
        doc.insert("buttons", buttons);
        writeFile(path,
                  change == "json" ? QByteArray("{\"format\": ") : QJsonDocument(doc).toJson());
        const std::vector<uint8_t> table0 = held("table0"), table1 = held("table1");
        const QByteArray profile = contents(profilePath());
        sim::inproc::trace().clear();

        const BoxSeen seen = useFile("importSettings", path);
        QCOMPARE(int(seen.icon), icon);
        QCOMPARE(seen.title, title);
        QVERIFY2(seen.text.startsWith(text.contains("%1") ? text.arg(path) : text),
                 qPrintable(seen.text));
        QCOMPARE(held("table0"), table0);
        QCOMPARE(held("table1"), table1);
        QCOMPARE(contents(profilePath()), profile);
        for (const sim::TraceEntry& e : sim::inproc::trace().snapshot())
            QVERIFY2(e.op != "send-feature" || e.bytes.size() < 2 || e.bytes[1] != 0x04,
                     "a macro was uploaded");
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    TestSettingsFile test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_settingsfile.moc"
