#include "app/commandline.h"
#include "app/deviceclaim.h"
#include "app/scenebackend.h"
#include "app/singleinstanceapp.h"
#include "app/widget.h"
#include "device/devicelock.h"
#include "frontend/demomode.h"

#ifndef Q_OS_WIN
#include "app/demo.h"
#endif

#include <QDir>
#include <cstdio>

int main(int argc, char* argv[])
{
    // Answered before anything else: no display needed, no running instance contacted.
    const LaunchOptions options = parseCommandLine(argc, argv);
    if (options.version) {
        std::printf("quillex %s\n", QUILLEX_VERSION);
        return 0;
    }
    if (options.help) {
        std::fputs(commandLineHelp(), stdout);
        return 0;
    }
    if (options.demo) {
#ifdef Q_OS_WIN
        std::fputs("quillex: the demo is not available on this system\n", stderr);
        return 1;
#else
        if (!runsOnDemoDevices())
            return execDemo(argv);
        // Its own instance, data folder and start-up entry, apart from the real program's.
        QCoreApplication::setApplicationName(QStringLiteral("quillex-demo"));
        setDemoMode(true);
#endif
    }
    chooseSceneGraphBackend();
    SingleInstanceApp app(argc, argv, true, SingleInstanceApp::PerUser, 1000);
    // Only now: Qt has taken its own options (-platform, -display…) out of argv.
    for (const std::string& unknown : parseCommandLine(argc, argv).unknown)
        std::fprintf(stderr, "quillex: ignoring unknown option %s\n", unknown.c_str());
    if (!app.isPrimaryInstance()) {
        // Not empty: an empty message reaches the running instance as no message at all.
        app.postToPrimary(QByteArrayLiteral("show"), 100);
        return 1;
    }
#ifndef Q_OS_WIN
    if (options.demo && !startDemoDevices())
        return 1;
#endif
    // Only exitSYS ends the program: a message box closed while the window is in the tray is no
    // last window, and quitting past it would kill a running updater.
    app.setQuitOnLastWindowClosed(false);
    // Every relative path ("./modules", "./updateEx/update") resolves beside the executable.
    QDir::setCurrent(QCoreApplication::applicationDirPath());
    DeviceLock devices;
    if (!claimDevicesForWindow(devices))
        return 1;

    int status = 0;
    {
        Widget w;
        QObject::connect(&app, &SingleInstanceApp::receivedMessage, &w, &Widget::receiveMessage);
        app.installNativeEventFilter(&w);
        if (options.startHidden)
            w.startInTray();
        else
            w.show();
        w.checkScreen();
        w.checkDeviceOnceShown();
        status = app.exec();
    }
#ifndef Q_OS_WIN
    if (options.demo)
        stopDemoDevices();
#endif
    return status;
}
