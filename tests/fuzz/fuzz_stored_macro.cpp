// libFuzzer target: a macro's text as a profile stores it, read back with the size bound, turned
// into the page's action list and into the image the mouse receives.
#include "frontend/macroimage.h"
#include "frontend/macrostore.h"
#include "tests/fuzz/fuzzcheck.h"

#include <QTemporaryDir>

// No device listener runs here; the main window that receives its notifications is not linked.
class Widget;
void forwardDeviceEvent(Widget*, quint8, quint8, quint8, quint8) {}

static QSettings* profile = nullptr;
static const QString kIndex = QStringLiteral("0");

static void checkImage(const QVariantList& actions)
{
    const std::optional<macroimage::Image> image = macroimage::fromActionList(actions);
    if (!image)
        return;
    FUZZ_REQUIRE(image->length >= 4 && image->length <= macroimage::kImageSize);
    // The end item closes the image, and nothing follows it.
    for (int i = image->length - 2; i < macroimage::kImageSize; ++i)
        FUZZ_REQUIRE(image->bytes[size_t(i)] == 0);
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    static QTemporaryDir folder;
    if (!folder.isValid())
        std::abort();
    profile = new QSettings(folder.filePath("profile0.ini"), QSettings::IniFormat);
    profile->setIniCodec("UTF-8");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), int(size));
    profile->setValue(storedMacroKey(kIndex), text);
    FUZZ_REQUIRE(storedMacroText(*profile, kIndex).toString().size() <= kStoredMacroMaxChars);
    const QVariantList actions = storedMacroActions(profile, kIndex);
    checkImage(actions);

    // The same macro padded past the bound is refused before any JSON parsing.
    if (!actions.isEmpty()) {
        profile->setValue(storedMacroKey(kIndex), text + QString(kStoredMacroMaxChars, ' '));
        FUZZ_REQUIRE(storedMacroText(*profile, kIndex).toString().isEmpty());
        FUZZ_REQUIRE(storedMacroActions(profile, kIndex).isEmpty());
    }

    // The bytes themselves as a list of entries, as the page hands them over.
    QVariantList entries;
    for (size_t i = 0; i < size; ++i)
        entries.append(int(data[i]));
    checkImage(entries);
    return 0;
}
