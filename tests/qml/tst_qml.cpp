#include "qmlspies.h"

#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickWindow>
#include <QtQuickTest>

// Installs the stand-ins as the scene's three context objects before any test file loads.
class Setup : public QObject
{
    Q_OBJECT
public slots:
    void applicationAvailable()
    {
        // The offscreen platform has no GL: render in software so every run is the same.
        QQuickWindow::setSceneGraphBackend(QSGRendererInterface::Software);
    }

    void qmlEngineAvailable(QQmlEngine* engine)
    {
        // Scene warnings go to the log, where every test checks them, instead of the console.
        engine->setOutputWarningsToStandardError(false);
        QObject::connect(engine, &QQmlEngine::warnings, &warnings, &WarningLog::addErrors);
        engine->rootContext()->setContextProperty("hid", &hidSpy);
        engine->rootContext()->setContextProperty("ui_View", &viewSpy);
        engine->rootContext()->setContextProperty("ui_Ctl", &ctlSpy);
        engine->rootContext()->setContextProperty("qmlWarnings", &warnings);
        engine->rootContext()->setContextProperty("langFiles", &langFiles);
    }

private:
    HidSpy hidSpy;
    ViewSpy viewSpy;
    CtlSpy ctlSpy;
    WarningLog warnings;
    LangFiles langFiles{QUILLEX_I18N_DIR};
};

QUICK_TEST_MAIN_WITH_SETUP(tst_qml, Setup)

#include "tst_qml.moc"
