#include "cli/commands.h"
#include "cli/help.h"
#include "device/devicelock.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QMap>
#include <cstdio>
#include <functional>

class Widget;

// Device notifications reach the window only; this program never listens for them.
void forwardDeviceEvent(Widget*, quint8, quint8, quint8, quint8) {}

namespace
{

using Command = std::function<int(Context&, QStringList)>;

const QMap<QString, Command>& commands()
{
    static const QMap<QString, Command> table{
        {QStringLiteral("list"), runList},     {QStringLiteral("show"), runShow},
        {QStringLiteral("set"), runSet},       {QStringLiteral("profile"), runProfile},
        {QStringLiteral("macro"), runMacro},   {QStringLiteral("export"), runExport},
        {QStringLiteral("import"), runImport}, {QStringLiteral("reset"), runReset},
        {QStringLiteral("pair"), runPair},     {QStringLiteral("update"), runUpdate},
    };
    return table;
}

// File names are meant from where the user typed them; the program itself works from its own
// folder, where its data and the updater are found.
QStringList absoluteFileArguments(const QString& command, QStringList args)
{
    const bool fileCommand =
        command == QLatin1String("export") || command == QLatin1String("import");
    for (int i = 0; i < args.size(); ++i) {
        const bool optionValue = i > 0 && (args.at(i - 1) == QLatin1String("--from") ||
                                           args.at(i - 1) == QLatin1String("--folder"));
        const bool fileName = fileCommand && !args.at(i).startsWith(QLatin1String("--"));
        if (fileName || optionValue)
            args[i] = QFileInfo(args.at(i)).absoluteFilePath();
    }
    return args;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quillexctl"));
    // Output is for people and scripts; the link's debug lines come only when asked for.
    if (!qEnvironmentVariableIsSet("QT_LOGGING_RULES"))
        QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    QStringList args = app.arguments().mid(1);
    const bool json = takeFlag(args, QStringLiteral("--json"));
    const bool help =
        takeFlag(args, QStringLiteral("--help")) | takeFlag(args, QStringLiteral("-h"));
    const Console console(json);
    if (takeFlag(args, QStringLiteral("--version"))) {
        console.line(QStringLiteral("quillexctl %1").arg(QStringLiteral(QUILLEX_VERSION)));
        return ExitOk;
    }
    if (args.isEmpty()) {
        if (help) {
            console.line(overviewHelp());
            return ExitOk;
        }
        std::fputs(qPrintable(overviewHelp()), stderr);
        return ExitUsage;
    }
    const QString command = args.takeFirst();
    if (!commands().contains(command))
        return console.fail(
            ExitUsage,
            QStringLiteral("unknown command \"%1\"; see quillexctl --help").arg(command));
    if (help) {
        console.line(commandHelp(command));
        return ExitOk;
    }
    args = absoluteFileArguments(command, args);
    QDir::setCurrent(QCoreApplication::applicationDirPath());
    Context context(console);
    if (!context.codec.loaded())
        return console.fail(ExitDeviceError,
                            QStringLiteral("the settings scripts could not be loaded"));
    return commands().value(command)(context, args);
}
