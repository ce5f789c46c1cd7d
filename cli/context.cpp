#include "cli/commands.h"

#include "frontend/macrostore.h"

#include <QCoreApplication>

// Another quillexctl is waited for; the window keeps the devices for as long as it runs.
constexpr int kLockWaitMs = 30000;

bool Context::open()
{
    if (devices)
        return true;
    lock = std::make_unique<DeviceLock>();
    DeviceLock::Result result = lock->tryLock(0);
    const QString self = QCoreApplication::applicationName();
    if (result == DeviceLock::Held && lock->holder() == self) {
        console.say(QStringLiteral("waiting for another quillexctl to finish"));
        result = lock->tryLock(kLockWaitMs);
    }
    if (result == DeviceLock::Held) {
        console.fail(ExitNoDevice,
                     lock->holder() == self
                         ? QStringLiteral("another quillexctl still works with the devices")
                         : QStringLiteral("Quillex is running and keeps the devices: make the "
                                          "change in its window, or close it first"));
        return false;
    }
    devices = std::make_unique<DeviceSession>();
    return true;
}

DeviceSession& Context::session()
{
    return *devices;
}

AppData& Context::data()
{
    if (!appData)
        appData = std::make_unique<AppData>();
    return *appData;
}

std::optional<OnlineDevice> Context::device(const QString& name)
{
    if (!open())
        return std::nullopt;
    if (session().devices().isEmpty()) {
        console.fail(ExitNoDevice, QStringLiteral("no Quillex device is connected"));
        return std::nullopt;
    }
    std::optional<OnlineDevice> found = session().pick(name);
    if (!found)
        console.fail(ExitNoDevice, QStringLiteral("no device \"%1\" is connected").arg(name));
    return found;
}

bool Context::readDevice(const OnlineDevice& device, QJSValue* limits, QJSValue* read)
{
    session().address(device);
    Table0Image table0{};
    Table1Image table1{};
    if (!session().readTables(table0, table1)) {
        console.fail(ExitDeviceError,
                     QStringLiteral("the settings of the device could not be read"));
        return false;
    }
    const QJSValue t0 = codec.value(imageList(table0));
    const QJSValue t1 = codec.value(imageList(table1));
    *limits = codec.call(QStringLiteral("deviceLimits"),
                         {t1, session().mouseOnline(), session().receiverOnline()});
    *read = codec.call(QStringLiteral("fromDevice"),
                       {t0, t1, codec.value(data().storedMacros(device.product))});
    return true;
}

int Context::readDocument(const OnlineDevice& device, QJSValue* document, QJSValue* limits)
{
    QJSValue read;
    if (!readDevice(device, limits, &read))
        return ExitDeviceError;
    const QString error = ScriptCodec::errorOf(read);
    if (!error.isEmpty())
        return console.fail(ExitDeviceError, error);
    *document = read.property(QStringLiteral("document"));
    return ExitOk;
}

int Context::apply(const OnlineDevice& device, const QJSValue& writes, const QJSValue& macros)
{
    session().address(device);
    const QVariantList writeList = writes.toVariant().toList();
    for (const QVariant& w : writeList)
        if (!session().write(w.toList()))
            return console.fail(ExitDeviceError,
                                QStringLiteral("the device did not take a setting"));
    for (const QVariant& m : macros.toVariant().toList()) {
        const QVariantMap macro = m.toMap();
        const int number = macro.value(QStringLiteral("number")).toInt();
        const QVariantList actions = macro.value(QStringLiteral("actions")).toList();
        if (!data().storeMacro(device.product, number, actions))
            return console.fail(ExitDeviceError,
                                QStringLiteral("macro %1 could not be stored").arg(number));
        if (!uploadMacro(session().link, number - 1, actions))
            return console.fail(ExitDeviceError,
                                QStringLiteral("the mouse did not take macro %1").arg(number));
    }
    return ExitOk;
}

std::optional<QString> takeOption(QStringList& args, const QString& name)
{
    const int at = args.indexOf(name);
    if (at < 0)
        return std::nullopt;
    const QString value = args.value(at + 1);
    args.erase(args.begin() + at, args.begin() + std::min(at + 2, int(args.size())));
    return value;
}

bool takeFlag(QStringList& args, const QString& name)
{
    return args.removeAll(name) > 0;
}

std::optional<int> wholeNumber(const QString& text, int min, int max)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < min || value > max)
        return std::nullopt;
    return value;
}
