#include "cli/commands.h"
#include "frontend/macrostore.h"
#include "frontend/settingsfiles.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <functional>

// The JSON document in `path`, or nothing after saying why.
static std::optional<QJsonValue> readJsonFile(const Console& console, const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        console.fail(ExitUsage,
                     QStringLiteral("%1 could not be read: %2").arg(path, file.errorString()));
        return std::nullopt;
    }
    // Read to one byte past the bound: a pipe or a device tells no size beforehand.
    QByteArray content;
    while (content.size() <= kSettingsDocumentMaxBytes) {
        const QByteArray piece = file.read(kSettingsDocumentMaxBytes + 1 - content.size());
        if (piece.isEmpty())
            break;
        content += piece;
    }
    if (content.size() > kSettingsDocumentMaxBytes) {
        console.fail(ExitUsage, QStringLiteral("%1 is too large for a settings file").arg(path));
        return std::nullopt;
    }
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(content, &error);
    if (doc.isNull()) {
        console.fail(ExitUsage, QStringLiteral("%1 is not JSON: %2 at byte %3")
                                    .arg(path, error.errorString())
                                    .arg(error.offset));
        return std::nullopt;
    }
    return doc.isArray() ? QJsonValue(doc.array()) : QJsonValue(doc.object());
}

// A value typed on the command line: a number when it reads as one, else the text, so that the
// file's checks name what is wrong with it.
static QJsonValue typed(const QString& text)
{
    bool number = false;
    const int value = text.toInt(&number);
    return number ? QJsonValue(value) : QJsonValue(text);
}

int runImport(Context& context, QStringList args)
{
    const bool confirmed = takeFlag(args, QStringLiteral("--yes"));
    if (args.size() != 1 || args.at(0).isEmpty())
        return context.console.fail(ExitUsage, QStringLiteral("import needs one file name"));
    const std::optional<QJsonValue> file = readJsonFile(context.console, args.at(0));
    if (!file)
        return ExitUsage;
    const std::optional<OnlineDevice> device = context.device();
    if (!device)
        return ExitNoDevice;
    QJSValue limits;
    QJSValue current;
    // The file replaces what the device holds, even settings no setting produces.
    if (!context.readDevice(*device, &limits, &current))
        return ExitDeviceError;
    // Everything is checked before the first write: a file refused leaves the device as it was.
    const QJSValue plan =
        context.codec.call(QStringLiteral("plan"),
                           {context.codec.value(*file), limits,
                            context.codec.value(context.data().storedMacros(device->product))});
    const QString error = ScriptCodec::errorOf(plan);
    if (!error.isEmpty())
        return context.console.fail(ExitUsage, QStringLiteral("%1: %2").arg(args.at(0), error));
    if (!confirmed &&
        !context.codec.call(QStringLiteral("keepsLeftClick"), {context.codec.value(*file)})
             .toBool())
        return context.console.fail(
            ExitUsage, QStringLiteral("%1: buttons: no button keeps the left click; add --yes to "
                                      "import it all the same")
                           .arg(args.at(0)));
    const int status = context.apply(*device, plan.property(QStringLiteral("writes")),
                                     plan.property(QStringLiteral("macros")));
    if (status == ExitOk && !context.console.json())
        context.console.line(QStringLiteral("settings from %1 written to profile %2")
                                 .arg(args.at(0))
                                 .arg(context.data().profile() + 1));
    return status;
}

// Changes one member of the document; a usage error message when the command line is wrong.
using Change = std::function<QString(QJsonObject& document)>;

static QJsonObject withMember(QJsonObject object, const QString& name, const QJsonValue& value)
{
    object.insert(name, value);
    return object;
}

static QString sectionChange(QJsonObject& document, const QString& section, const QString& member,
                             const QJsonValue& value)
{
    document.insert(section, withMember(document.value(section).toObject(), member, value));
    return QString();
}

static std::optional<Change> parseChange(QStringList& args, bool* confirmed)
{
    // Options first: they may stand anywhere after the setting's name.
    *confirmed = takeFlag(args, QStringLiteral("--yes"));
    const QString what = args.value(0);
    const bool lighting = what == QLatin1String("lighting");
    const std::optional<QString> speed =
        lighting ? takeOption(args, QStringLiteral("--speed")) : std::nullopt;
    const std::optional<QString> brightness =
        lighting ? takeOption(args, QStringLiteral("--brightness")) : std::nullopt;
    const std::optional<QString> slot =
        lighting ? takeOption(args, QStringLiteral("--slot")) : std::nullopt;
    const std::optional<QString> color =
        lighting ? takeOption(args, QStringLiteral("--color")) : std::nullopt;
    const QString a = args.value(1);
    const QString b = args.value(2);
    if (what == QLatin1String("dpi") && args.size() == 3)
        return [a, b](QJsonObject& d) {
            QJsonObject dpi = d.value(QStringLiteral("dpi")).toObject();
            QJsonArray levels = dpi.value(QStringLiteral("levels")).toArray();
            const std::optional<int> level = wholeNumber(a, 1, levels.size());
            if (!level)
                return QStringLiteral("dpi level %1: the device has %2 levels")
                    .arg(a)
                    .arg(levels.size());
            levels.replace(*level - 1, typed(b));
            d.insert(QStringLiteral("dpi"), withMember(dpi, QStringLiteral("levels"), levels));
            return QString();
        };
    if (what == QLatin1String("level") && args.size() == 2)
        return [a](QJsonObject& d) {
            return sectionChange(d, QStringLiteral("dpi"), QStringLiteral("current"), typed(a));
        };
    if (what == QLatin1String("button") && args.size() == 3)
        return [a, b](QJsonObject& d) {
            QJsonArray buttons = d.value(QStringLiteral("buttons")).toArray();
            const std::optional<int> button = wholeNumber(a, 1, buttons.size());
            if (!button)
                return QStringLiteral("button %1: the mouse has buttons 1 to %2")
                    .arg(a)
                    .arg(buttons.size());
            buttons.replace(*button - 1, b);
            d.insert(QStringLiteral("buttons"), buttons);
            return QString();
        };
    if (what == QLatin1String("sensor") && args.size() == 2 &&
        (a == QLatin1String("turbo") || a == QLatin1String("power-saving")))
        return [a](QJsonObject& d) {
            return sectionChange(d, QStringLiteral("sensor"), QStringLiteral("sensorMode"), a);
        };
    if (what == QLatin1String("sensor") && args.size() == 3) {
        static const QMap<QString, QString> switches{
            {QStringLiteral("motion-sync"), QStringLiteral("motionSync")},
            {QStringLiteral("ripple-control"), QStringLiteral("rippleControl")},
            {QStringLiteral("angle-snapping"), QStringLiteral("angleSnapping")}};
        if (!switches.contains(a) || (b != QLatin1String("on") && b != QLatin1String("off")))
            return std::nullopt;
        const QString member = switches.value(a);
        const bool on = b == QLatin1String("on");
        return [member, on](QJsonObject& d) {
            return sectionChange(d, QStringLiteral("sensor"), member, on);
        };
    }
    if (what == QLatin1String("power") && args.size() == 2)
        return [a](QJsonObject& d) {
            return sectionChange(d, QStringLiteral("sensor"), QStringLiteral("powerMode"), a);
        };
    if (what == QLatin1String("lod") && args.size() == 2)
        return [a](QJsonObject& d) {
            return sectionChange(d, QStringLiteral("power"), QStringLiteral("liftOffMm"), typed(a));
        };
    if (what == QLatin1String("sleep") && args.size() == 2)
        return [a](QJsonObject& d) {
            return sectionChange(d, QStringLiteral("power"), QStringLiteral("sleepSeconds"),
                                 typed(a));
        };
    if (what == QLatin1String("debounce") && args.size() == 2)
        return [a](QJsonObject& d) {
            return sectionChange(d, QStringLiteral("power"), QStringLiteral("keyResponseMs"),
                                 typed(a));
        };
    if (lighting && args.size() == 2) {
        return [a, speed, brightness, slot, color](QJsonObject& d) {
            QJsonObject light = withMember(d.value(QStringLiteral("lighting")).toObject(),
                                           QStringLiteral("effect"), a);
            if (speed)
                light.insert(QStringLiteral("speed"), typed(*speed));
            if (brightness)
                light.insert(QStringLiteral("brightness"), typed(*brightness));
            if (slot)
                light.insert(QStringLiteral("colour"), typed(*slot));
            if (color) {
                const QJsonValue chosen = light.value(QStringLiteral("colour"));
                if (!chosen.isDouble())
                    return QStringLiteral("--color: choose a colour slot 1 to 7 with --slot");
                QJsonArray palette = light.value(QStringLiteral("slots")).toArray();
                if (chosen.toInt() >= 1 && chosen.toInt() <= palette.size())
                    palette.replace(chosen.toInt() - 1, QStringLiteral("#") + *color);
                light.insert(QStringLiteral("slots"), palette);
            }
            d.insert(QStringLiteral("lighting"), light);
            return QString();
        };
    }
    return std::nullopt;
}

int runSet(Context& context, QStringList args)
{
    bool confirmed = false;
    const QString what = args.value(0);
    const bool rate = what == QLatin1String("rate") && args.size() == 2;
    const std::optional<Change> change = rate ? std::nullopt : parseChange(args, &confirmed);
    if (!rate && !change)
        return context.console.fail(
            ExitUsage,
            QStringLiteral("set %1: wrong arguments; see quillexctl set --help").arg(what));
    const std::optional<OnlineDevice> device = context.device();
    if (!device)
        return ExitNoDevice;
    QJSValue before, limits;
    if (const int status = context.readDocument(*device, &before, &limits); status != ExitOk)
        return status;
    QJSValue after;
    if (rate) {
        // A copy: `before` must stay as the device holds it.
        after = context.codec.call(QStringLiteral("withRate"),
                                   {context.codec.value(ScriptCodec::json(before)),
                                    context.codec.value(typed(args.at(1)))});
    } else {
        QJsonObject document = ScriptCodec::json(before).toObject();
        const QString problem = (*change)(document);
        if (!problem.isEmpty())
            return context.console.fail(ExitUsage, problem);
        after = context.codec.value(QJsonValue(document));
    }
    const QJSValue oldPlan = context.codec.call(QStringLiteral("plan"), {before, limits});
    const QJSValue newPlan = context.codec.call(QStringLiteral("plan"), {after, limits});
    const QString error = ScriptCodec::errorOf(newPlan);
    if (!error.isEmpty())
        return context.console.fail(ExitUsage, error);
    const auto keepsLeftClick = [&context](const QJSValue& document) {
        return context.codec.call(QStringLiteral("keepsLeftClick"), {document}).toBool();
    };
    if (!confirmed && keepsLeftClick(before) && !keepsLeftClick(after))
        return context.console.fail(ExitUsage,
                                    QStringLiteral("button %1 holds the last left click; "
                                                   "add --yes to give it away")
                                        .arg(args.value(1)));
    // As on the key page, a button playing a macro has the stored macro sent to the mouse first.
    const int macro = what == QLatin1String("button")
                          ? context.codec.call(QStringLiteral("macroOf"), {args.value(2)}).toInt()
                          : 0;
    if (macro > 0) {
        const QVariantList stored = context.data().storedMacros(device->product);
        const auto found = std::find_if(stored.begin(), stored.end(), [macro](const QVariant& m) {
            return m.toMap().value(QStringLiteral("number")).toInt() == macro;
        });
        if (found == stored.end())
            return context.console.fail(
                ExitUsage, QStringLiteral("macro %1 is not stored; store it first with "
                                          "quillexctl macro %1 --from FILE")
                               .arg(macro));
        context.session().address(*device);
        if (!uploadMacro(context.session().link, macro - 1,
                         found->toMap().value(QStringLiteral("actions")).toList()))
            return context.console.fail(
                ExitDeviceError, QStringLiteral("the mouse did not take macro %1").arg(macro));
    }
    // Only what changed is written; where the device held something no setting produces, all is.
    const QJSValue writes = ScriptCodec::errorOf(oldPlan).isEmpty()
                                ? context.codec.call(QStringLiteral("changedWrites"),
                                                     {oldPlan.property(QStringLiteral("writes")),
                                                      newPlan.property(QStringLiteral("writes"))})
                                : newPlan.property(QStringLiteral("writes"));
    return context.apply(*device, writes, context.codec.value(QVariantList()));
}

int runProfile(Context& context, QStringList args)
{
    const int count = context.codec.mapValue(QStringLiteral("PROFILE_COUNT")).toInt();
    const std::optional<int> profile =
        args.size() == 1 ? wholeNumber(args.at(0), 1, count) : std::nullopt;
    if (!profile)
        return context.console.fail(
            ExitUsage, QStringLiteral("profile needs a number from 1 to %1").arg(count));
    const std::optional<OnlineDevice> device = context.device();
    if (!device)
        return ExitNoDevice;
    context.session().address(*device);
    if (!context.session().write(
            context.codec.callMap(QStringLiteral("profileWrite"), {*profile - 1})
                .toVariant()
                .toList()))
        return context.console.fail(ExitDeviceError,
                                    QStringLiteral("the device did not switch profiles"));
    if (!context.data().setProfile(*profile - 1))
        return context.console.fail(
            ExitDeviceError, QStringLiteral("the device uses profile %1, but it could not be "
                                            "saved for the window")
                                 .arg(*profile));
    return ExitOk;
}

int runMacro(Context& context, QStringList args)
{
    const std::optional<QString> from = takeOption(args, QStringLiteral("--from"));
    const std::optional<int> number =
        args.size() == 1 ? wholeNumber(args.at(0), 1, 10) : std::nullopt;
    if (!number || !from || from->isEmpty())
        return context.console.fail(
            ExitUsage, QStringLiteral("macro needs a number from 1 to 10 and --from FILE"));
    const std::optional<QJsonValue> file = readJsonFile(context.console, *from);
    if (!file)
        return ExitUsage;
    const QJsonObject given = file->toObject();
    if (!given.contains(QStringLiteral("actions")))
        return context.console.fail(ExitUsage, QStringLiteral("%1: actions: missing").arg(*from));
    if (given.size() != 1)
        return context.console.fail(
            ExitUsage, QStringLiteral("%1: a macro file holds \"actions\" only").arg(*from));
    const QJsonArray macros{
        QJsonObject{{QStringLiteral("number"), *number},
                    {QStringLiteral("actions"), given.value(QStringLiteral("actions"))}}};
    const QJSValue checked = context.codec.call(QStringLiteral("checkMacros"),
                                                {context.codec.value(QJsonValue(macros))});
    const QString error = ScriptCodec::errorOf(checked);
    if (!error.isEmpty())
        return context.console.fail(ExitUsage, QStringLiteral("%1: %2").arg(*from, error));
    const std::optional<OnlineDevice> device = context.device();
    if (!device)
        return ExitNoDevice;
    return context.apply(*device, context.codec.value(QVariantList()), checked);
}

int runReset(Context& context, QStringList args)
{
    const bool confirmed = takeFlag(args, QStringLiteral("--yes"));
    if (!args.isEmpty() || !confirmed)
        return context.console.fail(ExitUsage,
                                    QStringLiteral("reset puts the current profile back to factory "
                                                   "settings; confirm with --yes"));
    const std::optional<OnlineDevice> device = context.device();
    if (!device)
        return ExitNoDevice;
    context.session().address(*device);
    if (!context.session().write(
            context.codec.callMap(QStringLiteral("resetWrite")).toVariant().toList()))
        return context.console.fail(ExitDeviceError,
                                    QStringLiteral("the device did not take the reset"));
    return ExitOk;
}
