#pragma once

#include "platform/graphicsaccelerator.h"

#include <QQuickWindow>
#include <QSGRendererInterface>

// Without a graphics accelerator Qt Quick's OpenGL runs emulated on the CPU: the software scene
// graph paints the same scene sooner, with fewer threads and far less memory, and the OpenGL
// libraries are then not even loaded. A backend asked for through QT_QUICK_BACKEND is kept.
// Called before the application object exists.
inline void chooseSceneGraphBackend()
{
    if (!qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND") || hasGraphicsAccelerator())
        return;
    QQuickWindow::setSceneGraphBackend(QSGRendererInterface::Software);
    if (qEnvironmentVariableIsEmpty("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "none");
}
