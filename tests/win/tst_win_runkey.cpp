// The Run key entry in the registry as Windows keeps it: round trips in both registry views with
// a value name of the test's own, removed again at the end.

#include "check.h"
#include "platform/win/core/runkey.h"

#include <vector>

using namespace wincore;

static const wchar_t runKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
static const wchar_t startupApprovedKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";
static const std::wstring testName = L"quillex-wine-test-entry";

struct StoredValue {
    LONG status = ERROR_FILE_NOT_FOUND;
    DWORD type = REG_NONE;
    std::vector<BYTE> bytes;
};

// Reads the value as any other program would, with a buffer of `bufferSize` bytes.
static StoredValue readRunValue(RegistryView view, DWORD bufferSize)
{
    StoredValue value;
    HKEY key = nullptr;
    value.status =
        RegOpenKeyExW(HKEY_CURRENT_USER, runKey, 0, runKeyAccess(KEY_QUERY_VALUE, view), &key);
    if (value.status != ERROR_SUCCESS)
        return value;
    value.bytes.resize(bufferSize);
    DWORD size = bufferSize;
    value.status =
        RegQueryValueExW(key, testName.c_str(), nullptr, &value.type, value.bytes.data(), &size);
    value.bytes.resize(size);
    RegCloseKey(key);
    return value;
}

static std::vector<BYTE> bytesWithTerminator(const std::wstring& text)
{
    const BYTE* first = reinterpret_cast<const BYTE*>(text.c_str());
    return std::vector<BYTE>(first, first + (text.size() + 1) * sizeof(wchar_t));
}

static void roundTrip(RegistryView view)
{
    const std::wstring data = autoStartCommandLine(L"C:/Program Files/Quillex Suite/quillex.exe");
    CHECK(data == L"\"C:\\Program Files\\Quillex Suite\\quillex.exe\" -s");

    CHECK(!isRunValuePresent(testName, view));
    CHECK(writeRunValue(testName, data, view));
    CHECK(isRunValuePresent(testName, view));

    const StoredValue stored = readRunValue(view, 1024);
    CHECK_EQ(stored.status, ERROR_SUCCESS);
    CHECK_EQ(stored.type, DWORD(REG_SZ));
    CHECK_EQ(stored.bytes.size(), (data.size() + 1) * 2);
    CHECK(stored.bytes == bytesWithTerminator(data));
    WINE_CANNOT("the Run value's byte count: Wine stores the terminating zero of a REG_SZ even "
                "when the count leaves it out");

    // A reader with too small a buffer learns that the value exists: the status the presence
    // check accepts besides success.
    const StoredValue truncated = readRunValue(view, 2);
    CHECK_EQ(truncated.status, ERROR_MORE_DATA);
    CHECK_EQ(truncated.bytes.size(), (data.size() + 1) * 2);

    // Writing again overwrites instead of failing.
    CHECK(writeRunValue(testName, L"\"C:\\Quillex\\quillex.exe\" -s", view));
    CHECK(readRunValue(view, 1024).bytes ==
          bytesWithTerminator(L"\"C:\\Quillex\\quillex.exe\" -s"));

    CHECK(removeRunValue(testName, view));
    CHECK(!isRunValuePresent(testName, view));
    CHECK_EQ(readRunValue(view, 1024).status, ERROR_FILE_NOT_FOUND);
    CHECK(removeRunValue(testName, view)); // switching off twice is not an error
}

static void removeEverywhere()
{
    for (RegistryView view : {RegistryView::Bits32, RegistryView::Bits64})
        removeRunValue(testName, view);
    clearRunValueDisabledByUser(testName);
}

static void writeStartupState(BYTE first)
{
    const BYTE state[12] = {first};
    RegSetKeyValueW(HKEY_CURRENT_USER, startupApprovedKey, testName.c_str(), REG_BINARY, state,
                    sizeof state);
}

int main()
{
    removeEverywhere();

    CHECK(runKeyView(true) == RegistryView::Bits32);
    CHECK(runKeyView(false) == RegistryView::ProcessDefault);
    CHECK_EQ(runKeyAccess(KEY_QUERY_VALUE, runKeyView(true)), REGSAM(0x0201));
    CHECK_EQ(runKeyAccess(KEY_WRITE, runKeyView(false)), REGSAM(0x20006));
    CHECK_EQ(runKeyAccess(KEY_SET_VALUE, RegistryView::Bits64), REGSAM(0x0102));

    for (RegistryView view :
         {RegistryView::Bits32, RegistryView::Bits64, RegistryView::ProcessDefault})
        roundTrip(view);

    // Windows shares the per-user Software key between the views: a 32-bit and a 64-bit build
    // of the program see one and the same entry, so an upgrade between them finds it.
    CHECK(writeRunValue(testName, L"\"C:\\Quillex\\quillex.exe\" -s", RegistryView::Bits32));
    CHECK(isRunValuePresent(testName, RegistryView::Bits64));
    CHECK(removeRunValue(testName, RegistryView::Bits64));
    CHECK(!isRunValuePresent(testName, RegistryView::Bits32));
    removeEverywhere();

    // Switched off in Task Manager: the value stays, but Windows does not start it.
    CHECK(!isRunValueDisabledByUser(testName));
    CHECK(clearRunValueDisabledByUser(testName));
    // The lowest bit is the switch; the others vary between Windows versions.
    for (const BYTE off : {BYTE(3), BYTE(7), BYTE(1)}) {
        writeStartupState(off);
        CHECK(isRunValueDisabledByUser(testName));
    }
    for (const BYTE on : {BYTE(2), BYTE(6), BYTE(0)}) {
        writeStartupState(on);
        CHECK(!isRunValueDisabledByUser(testName));
    }
    writeStartupState(3);
    CHECK(clearRunValueDisabledByUser(testName));
    CHECK(!isRunValueDisabledByUser(testName));

    removeEverywhere();
    return check::finish("tst_win_runkey");
}
