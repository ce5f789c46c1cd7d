// Saves settings and a macro through the real bridge as fast as it can, in the folder given as
// its argument, and prints "saved N" after the N-th round of both. A test kills it at random.
#include "device/hid_thread.h"
#include "frontend/myqquickview.h"

#include <QApplication>
#include <QDir>
#include <QQuickWindow>
#include <cstdio>

// No device is ever opened, so no notification is ever forwarded.
void forwardDeviceEvent(Widget*, quint8, quint8, quint8, quint8) {}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2 || !QDir::setCurrent(QString::fromLocal8Bit(argv[1])))
        return 2;
    QQuickWindow::setSceneGraphBackend(QSGRendererInterface::Software);
    Hid_Thread link; // no device: uploads fail, storing goes on
    myQQuickView view;
    view.deviceLink = &link;
    const QString device = QStringLiteral("NORVIK GAMING Quillex");
    view.getOtherProperty(QStringLiteral("MACRO"), QStringLiteral("0"), device);
    for (int n = 1;; ++n) {
        view.saveAppDataList(QStringLiteral("Setting/data"), {n % 2, 0, n % 3, 2}, 0);
        QVariantList actions{(n >> 8) & 0xFF, n & 0xFF, 0x01, 0x04, 0x81, 0x04};
        while (actions.size() < 256)
            actions << 0;
        view.setOtherProperty(0, QVariantMap{{QStringLiteral("Actions"), actions}}, false);
        std::printf("saved %d\n", n);
        std::fflush(stdout);
    }
}
