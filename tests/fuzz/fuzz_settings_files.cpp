// libFuzzer target: language, settings and profile files as the app reads them, through the real
// readers with the app's data folder in a temporary directory. Each input is written as a
// language file, as apConfig.ini and as the profile that file selects; each is read within its
// size bound.
#include "app/ui_controler.h"
#include "frontend/datafolder.h"
#include "frontend/macrostore.h"
#include "frontend/myqquickview.h"
#include "frontend/settingsfiles.h"
#include "tests/fuzz/fuzzcheck.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

static Ui_Controler* controller = nullptr;
static myQQuickView* view = nullptr;
static const QString kLanguage = QStringLiteral("fuzz");
static const QString kDevice = QStringLiteral("fuzz");

static void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        std::abort();
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QTemporaryDir folder;
    // The app reads ./modules: the data folder is the working directory's.
    if (!folder.isValid() || !QDir::setCurrent(folder.path()) || !QDir().mkpath("modules/i18n") ||
        !QDir().mkpath("modules/P-" + kDevice))
        std::abort();
    new QApplication(*argc, *argv);
    controller = new Ui_Controler;
    view = new myQQuickView;
    return 0;
}

// An input starting with 0xFF is also written padded past each file's bound: then nothing of it
// may be read.
static void checkPaddedPastTheBounds(const QByteArray& file)
{
    const auto padded = [&file](qint64 bound) { return file + QByteArray(int(bound) + 1, ';'); };
    writeFile(modulesDir() + "/i18n/" + kLanguage + ".ini", padded(kLanguageFileMaxBytes));
    FUZZ_REQUIRE(controller->getLangStrings(QStringLiteral("PageMain"), kLanguage).isEmpty());

    const QString appSettings = modulesDir() + "/apConfig.ini";
    writeFile(appSettings, padded(kAppSettingsMaxBytes));
    FUZZ_REQUIRE(
        QSettings(boundedSettingsFile(appSettings, kAppSettingsMaxBytes).path, QSettings::IniFormat)
            .allKeys()
            .isEmpty());

    writeFile(modulesDir() + "/P-" + kDevice + "/profile" + QString::number(view->currentProfile) +
                  ".ini",
              padded(kProfileMaxBytes));
    for (int index = 0; index < 10; ++index)
        FUZZ_REQUIRE(!view->getOtherProperty(QStringLiteral("MACRO"), index, kDevice).isValid());
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray file(reinterpret_cast<const char*>(data), int(size));
    if (size > 0 && data[0] == 0xFF)
        checkPaddedPastTheBounds(file);

    writeFile(modulesDir() + "/i18n/" + kLanguage + ".ini", file);
    for (const char* page : {"PageMain", "PageKey", "PageMacro"})
        FUZZ_REQUIRE(controller->getLangStrings(QLatin1String(page), kLanguage).size() <=
                     Ui_Controler::maxLanguageEntries);

    writeFile(modulesDir() + "/apConfig.ini", file);
    view->appSettings->sync();
    view->getAppDataList(QStringLiteral("Setting/data"));

    writeFile(modulesDir() + "/P-" + kDevice + "/profile" + QString::number(view->currentProfile) +
                  ".ini",
              file);
    for (int index = 0; index < 10; ++index) {
        const QVariant text = view->getOtherProperty(QStringLiteral("MACRO"), index, kDevice);
        FUZZ_REQUIRE(text.toString().size() <= kStoredMacroMaxChars);
    }
    return 0;
}
