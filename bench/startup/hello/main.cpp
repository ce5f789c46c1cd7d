// The floor the start-up benchmark compares quillex with: the same Qt, the same renderer and the
// same kind of window (a Qt Quick scene in a widget), showing one text item.
#include "app/scenebackend.h"

#include <QApplication>
#include <QQuickWidget>
#include <QUrl>

int main(int argc, char* argv[])
{
    chooseSceneGraphBackend();
    QApplication app(argc, argv);
    QQuickWidget view;
    view.setResizeMode(QQuickWidget::SizeRootObjectToView);
    view.setSource(QUrl(QStringLiteral("qrc:/hello.qml")));
    view.resize(1100, 700);
    view.show();
    return app.exec();
}
