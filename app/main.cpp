#include "app/scenebackend.h"
#include "app/singleinstanceapp.h"
#include "app/widget.h"

#include <QDir>
#include <cstdio>
#include <cstring>

int main(int argc, char* argv[])
{
    // Answered before anything else: no display needed, no running instance contacted.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("quillex %s\n", QUILLEX_VERSION);
        return 0;
    }
    chooseSceneGraphBackend();
    SingleInstanceApp app(argc, argv, true, SingleInstanceApp::PerUser, 1000);
    if (!app.isPrimaryInstance()) {
        // Not empty: an empty message reaches the running instance as no message at all.
        app.postToPrimary(QByteArrayLiteral("show"), 100);
        return 1;
    }
    // Only exitSYS ends the program: a message box closed while the window is in the tray is no
    // last window, and quitting past it would kill a running updater.
    app.setQuitOnLastWindowClosed(false);
    // Every relative path ("./modules", "./updateEx/update") resolves beside the executable.
    QDir::setCurrent(QCoreApplication::applicationDirPath());

    int status = 0;
    {
        Widget w;
        QObject::connect(&app, &SingleInstanceApp::receivedMessage, &w, &Widget::receiveMessage);
        app.installNativeEventFilter(&w);
        w.show();
        w.checkScreen();
        w.checkDeviceOnceShown();
        status = app.exec();
    }
    return status;
}
