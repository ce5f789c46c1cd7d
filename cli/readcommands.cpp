#include "cli/commands.h"
#include "frontend/settingsfiles.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

static QJsonObject describe(Context& context, const OnlineDevice& device, int position)
{
    QJsonObject entry{
        {QStringLiteral("position"), position},
        {QStringLiteral("product"), device.product},
        {QStringLiteral("kind"),
         device.receiver ? QStringLiteral("receiver") : QStringLiteral("mouse")},
        {QStringLiteral("model"), device.model1K ? QStringLiteral("1K") : QStringLiteral("8K")},
        {QStringLiteral("connection"),
         device.receiver ? QStringLiteral("wireless") : QStringLiteral("cable")},
        {QStringLiteral("firmware"),
         QStringLiteral("%1").arg(device.release, 4, 16, QLatin1Char('0'))},
    };
    context.session().address(device);
    Table0Image table0{};
    const int battery = readTable0(context.session().link, table0) ? tableBattery(table0) : -1;
    if (battery >= 0)
        entry.insert(QStringLiteral("battery"), battery);
    return entry;
}

static QString describeLine(const QJsonObject& d)
{
    QString text = QStringLiteral("%1  %2 %3 %4 (%5), firmware %6")
                       .arg(d.value(QStringLiteral("position")).toInt())
                       .arg(d.value(QStringLiteral("product")).toString(),
                            d.value(QStringLiteral("model")).toString(),
                            d.value(QStringLiteral("kind")).toString(),
                            d.value(QStringLiteral("connection")).toString(),
                            d.value(QStringLiteral("firmware")).toString());
    if (d.contains(QStringLiteral("battery")))
        text += QStringLiteral(", battery %1 %").arg(d.value(QStringLiteral("battery")).toInt());
    return text;
}

int runList(Context& context, QStringList args)
{
    if (!args.isEmpty())
        return context.console.fail(ExitUsage, QStringLiteral("list takes no arguments"));
    if (!context.open())
        return ExitNoDevice;
    QJsonArray list;
    const QList<OnlineDevice> devices = context.session().devices();
    for (int i = 0; i < devices.size(); ++i)
        list.append(describe(context, devices.at(i), i + 1));
    if (context.console.json())
        context.console.document(list);
    else
        for (const QJsonValue& d : list)
            context.console.line(describeLine(d.toObject()));
    return devices.isEmpty() ? context.console.fail(
                                   ExitNoDevice, QStringLiteral("no Quillex device is connected"))
                             : ExitOk;
}

static QString onOff(const QJsonValue& v)
{
    return v.toBool() ? QStringLiteral("on") : QStringLiteral("off");
}

static QString joined(const QJsonArray& list, const QString& separator = QStringLiteral(" "))
{
    QStringList parts;
    for (const QJsonValue& v : list)
        parts.append(v.isString() ? v.toString() : QString::number(v.toInt()));
    return parts.join(separator);
}

static void printSettings(const Console& console, const QJsonObject& s)
{
    const QJsonObject dpi = s.value(QStringLiteral("dpi")).toObject();
    const QJsonObject sensor = s.value(QStringLiteral("sensor")).toObject();
    const QJsonObject power = s.value(QStringLiteral("power")).toObject();
    const QJsonObject light = s.value(QStringLiteral("lighting")).toObject();
    const QJsonArray buttons = s.value(QStringLiteral("buttons")).toArray();
    console.line(
        QStringLiteral("report rate   %1 Hz").arg(s.value(QStringLiteral("reportRate")).toInt()));
    console.line(QStringLiteral("dpi levels    %1 (level %2 in use)")
                     .arg(joined(dpi.value(QStringLiteral("levels")).toArray()))
                     .arg(dpi.value(QStringLiteral("current")).toInt()));
    console.line(QStringLiteral("sensor        power mode %1, sensor mode %2, motion sync %3, "
                                "ripple control %4, angle snapping %5")
                     .arg(sensor.value(QStringLiteral("powerMode")).toString(),
                          sensor.value(QStringLiteral("sensorMode")).toString(),
                          onOff(sensor.value(QStringLiteral("motionSync"))),
                          onOff(sensor.value(QStringLiteral("rippleControl"))),
                          onOff(sensor.value(QStringLiteral("angleSnapping")))));
    console.line(
        QStringLiteral("power         key response %1 ms, sleep after %2 s, lift-off %3 mm")
            .arg(power.value(QStringLiteral("keyResponseMs")).toInt())
            .arg(power.value(QStringLiteral("sleepSeconds")).toInt())
            .arg(power.value(QStringLiteral("liftOffMm")).toInt()));
    const QJsonValue colour = light.value(QStringLiteral("colour"));
    console.line(QStringLiteral("lighting      %1, speed %2, brightness %3 %, colour %4")
                     .arg(light.value(QStringLiteral("effect")).toString())
                     .arg(light.value(QStringLiteral("speed")).toInt())
                     .arg(light.value(QStringLiteral("brightness")).toInt())
                     .arg(colour.isString() ? colour.toString() : QString::number(colour.toInt())));
    console.line(QStringLiteral("colour slots  %1")
                     .arg(joined(light.value(QStringLiteral("slots")).toArray())));
    for (int i = 0; i < buttons.size(); ++i)
        console.line(QStringLiteral("button %1      %2").arg(i + 1).arg(buttons.at(i).toString()));
    QStringList macros;
    for (const QJsonValue& m : s.value(QStringLiteral("macros")).toArray())
        macros.append(QString::number(m.toObject().value(QStringLiteral("number")).toInt()));
    console.line(
        QStringLiteral("macros        %1")
            .arg(macros.isEmpty() ? QStringLiteral("none stored") : macros.join(QLatin1Char(' '))));
}

int runShow(Context& context, QStringList args)
{
    if (args.size() > 1)
        return context.console.fail(ExitUsage, QStringLiteral("show takes at most one device"));
    const std::optional<OnlineDevice> device = context.device(args.value(0));
    if (!device)
        return ExitNoDevice;
    int position = 1;
    while (context.session().devices().at(position - 1).entry != device->entry)
        ++position;
    const QJsonObject description = describe(context, *device, position);
    QJSValue read, limits;
    if (const int status = context.readDocument(*device, &read, &limits); status != ExitOk)
        return status;
    const QJsonObject settings = ScriptCodec::json(read).toObject();
    const int profile = context.data().profile() + 1;
    if (context.console.json()) {
        context.console.document(QJsonObject{{QStringLiteral("device"), description},
                                             {QStringLiteral("profile"), profile},
                                             {QStringLiteral("settings"), settings}});
        return ExitOk;
    }
    context.console.line(describeLine(description));
    context.console.line(QStringLiteral("profile       %1").arg(profile));
    printSettings(context.console, settings);
    return ExitOk;
}

int runExport(Context& context, QStringList args)
{
    if (args.size() != 1 || args.at(0).isEmpty())
        return context.console.fail(ExitUsage, QStringLiteral("export needs one file name"));
    const std::optional<OnlineDevice> device = context.device();
    if (!device)
        return ExitNoDevice;
    QJSValue read, limits;
    if (const int status = context.readDocument(*device, &read, &limits); status != ExitOk)
        return status;
    // A backup must restore: a device holding what no file can say (a level beyond its levels)
    // is refused here, not when the file is needed.
    const QString unrestorable =
        ScriptCodec::errorOf(context.codec.call(QStringLiteral("plan"), {read, limits}));
    if (!unrestorable.isEmpty())
        return context.console.fail(
            ExitDeviceError,
            QStringLiteral("the device holds settings a file could not restore: %1")
                .arg(unrestorable));
    const QJsonObject document = ScriptCodec::json(read).toObject();
    // Written whole or not at all: a backup cut short would pass for a complete one.
    QString failure;
    switch (writeSettingsDocument(
        args.at(0), QJsonDocument(document).toJson(QJsonDocument::Indented), &failure)) {
    case DocumentWrite::Written:
        break;
    case DocumentWrite::NotRegularFile:
        failure = QStringLiteral("not a regular file");
        [[fallthrough]];
    case DocumentWrite::Failed:
        return context.console.fail(
            ExitUsage, QStringLiteral("%1 could not be written: %2").arg(args.at(0), failure));
    }
    if (!context.console.json())
        context.console.line(QStringLiteral("settings of profile %1 written to %2")
                                 .arg(context.data().profile() + 1)
                                 .arg(args.at(0)));
    return ExitOk;
}
