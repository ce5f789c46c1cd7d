#pragma once

#include "cli/appdata.h"
#include "cli/console.h"
#include "cli/devicesession.h"
#include "cli/scriptcodec.h"
#include "device/devicelock.h"

#include <QJSValue>
#include <QStringList>
#include <memory>
#include <optional>

// What every command works with. The devices are looked for only once a command has checked
// its arguments: a typing error never touches them.
class Context
{
public:
    explicit Context(const Console& console) : console(console) {}

    // Takes the devices for this command and looks for them; false, after saying so, when the
    // window or another quillexctl keeps them.
    bool open();
    // Only after open().
    DeviceSession& session();
    AppData& data();

    // The device `name` picks (see DeviceSession::pick), or nothing after saying why.
    std::optional<OnlineDevice> device(const QString& name = QString());
    // Reads the picked device: its limits, and { document } or { error } from its tables. False,
    // after saying so, when the tables could not be read.
    bool readDevice(const OnlineDevice& device, QJSValue* limits, QJSValue* read);
    // The picked device's settings document and limits; the exit code of a failed read.
    int readDocument(const OnlineDevice& device, QJSValue* document, QJSValue* limits);
    // Writes what `plan` lists (its writes, then its macros); the exit code.
    int apply(const OnlineDevice& device, const QJSValue& writes, const QJSValue& macros);

    const Console& console;
    ScriptCodec codec;

private:
    std::unique_ptr<DeviceLock> lock;
    std::unique_ptr<DeviceSession> devices;
    std::unique_ptr<AppData> appData;
};

// Takes "--name VALUE" out of `args`; nothing when absent, an empty string when the value is.
std::optional<QString> takeOption(QStringList& args, const QString& name);
bool takeFlag(QStringList& args, const QString& name);
// The whole number `text` in [min, max].
std::optional<int> wholeNumber(const QString& text, int min, int max);

int runList(Context& context, QStringList args);
int runShow(Context& context, QStringList args);
int runExport(Context& context, QStringList args);
int runImport(Context& context, QStringList args);
int runSet(Context& context, QStringList args);
int runProfile(Context& context, QStringList args);
int runMacro(Context& context, QStringList args);
int runReset(Context& context, QStringList args);
int runPair(Context& context, QStringList args);
int runUpdate(Context& context, QStringList args);
