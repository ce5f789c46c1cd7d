#include "updater/mainwindow.h"

#include <QApplication>
#include <QDir>
#include <QStringList>
#include <cstdio>
#include <cstring>

int main(int argc, char* argv[])
{
    // Nothing to do without arguments; not even a display is needed for that.
    if (argc <= 1)
        return 0;
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("update %s\n", QUILLEX_VERSION);
        return 0;
    }
    QApplication app(argc, argv);
    const QString exe = QCoreApplication::applicationFilePath();
    QDir::setCurrent(exe.left(exe.lastIndexOf('/')));

    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty())
        return 0;
    const bool folderGiven = args.size() >= 3 && args[1] == "-s" && args[2] == "-r";
    const QString configFolder = folderGiven ? args[0] : QString();

    MainWindow window(configFolder);
    window.checkDevice();
    // A device already in its updater mode gets the whole first image written above; an end
    // requested meanwhile ends the program as soon as the loop would start.
    if (window.exitRequested())
        return window.exitCode();
    return app.exec();
}
