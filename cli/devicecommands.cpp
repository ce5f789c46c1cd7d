#include "cli/commands.h"

#include "frontend/devicecatalog.h"
#include "frontend/firmwarefolders.h"
#include "frontend/pairingblock.h"
#include "frontend/updaterlaunch.h"
#include "frontend/updaterrun.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>

int runPair(Context& context, QStringList args)
{
    if (!args.isEmpty())
        return context.console.fail(ExitUsage, QStringLiteral("pair takes no arguments"));
    if (!context.open())
        return ExitNoDevice;
    const std::optional<OnlineDevice> mouse = context.session().mouse();
    const std::optional<OnlineDevice> receiver = context.session().receiver();
    if (!mouse || !receiver)
        return context.console.fail(ExitNoDevice,
                                    QStringLiteral("pairing needs the mouse on its cable "
                                                   "and a receiver plugged in"));
    if (!pairReceiverWithMouse(context.session().link, mouse->entry, receiver->entry))
        return context.console.fail(ExitDeviceError, QStringLiteral("pairing failed"));
    if (!context.console.json())
        context.console.line(QStringLiteral("the receiver is paired with the mouse"));
    return ExitOk;
}

// One run of the updater on `folder`, its progress shown under `step`; true when it succeeded.
static bool runUpdater(const Console& console, const QString& step, const QString& folder)
{
    UpdaterRun run;
    QEventLoop loop;
    bool succeeded = false;
    QObject::connect(&run, &UpdaterRun::progress, &loop,
                     [&](uint value) { console.progress(step, value); });
    QObject::connect(&run, &UpdaterRun::finished, &loop, [&](bool success) {
        succeeded = success;
        loop.quit();
    });
    console.progress(step, 0);
    run.start(updaterProgram(), {folder, QStringLiteral("-s"), QStringLiteral("-r")});
    loop.exec();
    console.endProgress();
    return succeeded;
}

int runUpdate(Context& context, QStringList args)
{
    const std::optional<QString> folder = takeOption(args, QStringLiteral("--folder"));
    if (!args.isEmpty() || (folder && folder->isEmpty()))
        return context.console.fail(ExitUsage, QStringLiteral("update takes only --folder DIR"));
    const QString updaterDir = QFileInfo(updaterProgram()).absolutePath();
    if (!QFileInfo(updaterProgram()).isExecutable())
        return context.console.fail(ExitDeviceError,
                                    QStringLiteral("the firmware updater is missing beside "
                                                   "quillexctl"));
    // The updater's debug lines are for its developers, as this program's are.
    if (!qEnvironmentVariableIsSet("QT_LOGGING_RULES"))
        qputenv("QT_LOGGING_RULES", "default.debug=false");
#ifndef Q_OS_WIN
    // The updater is a window; without a display its progress still reaches this terminal.
    if (!qEnvironmentVariableIsSet("DISPLAY") && !qEnvironmentVariableIsSet("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    if (!context.open())
        return ExitNoDevice;
    QList<QPair<QString, QString>> steps;
    if (folder) {
        // The updater names its files by appending them to the folder.
        steps.append({QStringLiteral("firmware"), QDir(*folder).absolutePath() + QLatin1Char('/')});
    } else {
        // As the window does it: the receiver first, then the mouse, both on their cables.
        const std::optional<OnlineDevice> mouse = context.session().mouse();
        const std::optional<OnlineDevice> receiver = context.session().receiver();
        if (!mouse || !receiver)
            return context.console.fail(ExitNoDevice,
                                        QStringLiteral("an update needs the mouse on its "
                                                       "cable and a receiver plugged in"));
        if (mouse->release == catalogFwVersion(mouse->entry) &&
            receiver->release == catalogFwVersion(receiver->entry)) {
            context.console.line(QStringLiteral("the firmware is up to date"));
            return ExitOk;
        }
        steps.append({QStringLiteral("receiver"),
                      firmwareFolder(receiver->product, receiver->model1K ? QStringLiteral("D1")
                                                                          : QStringLiteral("D8"))});
        steps.append({QStringLiteral("mouse"),
                      firmwareFolder(mouse->product, mouse->model1K ? QStringLiteral("M1")
                                                                    : QStringLiteral("M8"))});
    }
    // Both folders are checked before the first step: an update never stops halfway for a file
    // that was missing from the start.
    for (const auto& step : steps)
        if (!firmwareFolderComplete(step.second, updaterDir))
            return context.console.fail(ExitUsage,
                                        QStringLiteral("%1 holds no complete firmware")
                                            .arg(folderForUpdater(step.second, updaterDir)));
    for (const auto& step : steps)
        if (!runUpdater(context.console, step.first, step.second))
            return context.console.fail(ExitDeviceError,
                                        QStringLiteral("the %1 update failed").arg(step.first));
    context.console.line(QStringLiteral("the firmware is updated"));
    return ExitOk;
}
