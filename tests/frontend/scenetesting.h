#pragma once

// What the tests of the real scene share: an application folder with the shipped modules, and
// finding and clicking what is visible in the scene.

#include "app/widget.h"
#include "frontend/datafolder.h"

#include <QQuickItem>
#include <QQuickWidget>
#include <QQuickWindow>
#include <QSettings>
#include <QtTest>
#include <memory>

namespace scenetesting
{

// Makes `root` the working directory with the shipped modules, English, and the close button
// leaving instead of hiding to the tray; per-user data and settings go below it.
inline void prepareApplicationFolder(const QString& root, const QString& shippedModules)
{
    qputenv("XDG_DATA_HOME", QFile::encodeName(root + "/data"));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(root + "/config"));
    copyDirectory(shippedModules, root + "/modules");
    {
        QSettings settings(root + "/modules/apConfig.ini", QSettings::IniFormat);
        settings.setValue(QStringLiteral("Setting/data"), QVariantList{0, 0, 0, 2});
    }
    QVERIFY(QDir::setCurrent(root));
    QQuickWindow::setSceneGraphBackend(QSGRendererInterface::Software);
}

// The visible item of that name, searched through the visual tree (where Repeater delegates
// are).
inline QQuickItem* findVisible(QQuickItem* from, const QString& name)
{
    if (!from || !from->isVisible())
        return nullptr;
    if (from->objectName() == name)
        return from;
    for (QQuickItem* child : from->childItems())
        if (QQuickItem* found = findVisible(child, name))
            return found;
    return nullptr;
}

// True once no ancestor is faded: the page transitions animate opacity and scale together,
// and a click lands where the user sees the item only after them.
inline bool settled(const QQuickItem* it)
{
    for (; it; it = it->parentItem())
        if (it->opacity() < 1.0)
            return false;
    return true;
}

// A left click at the centre of the visible item of that name, once it has settled.
inline void click(QQuickWidget* view, const QString& name)
{
    QQuickItem* it = findVisible(view->rootObject(), name);
    QVERIFY2(it, qPrintable(name));
    QTRY_VERIFY2(settled(it), qPrintable(name));
    const QPointF centre = it->mapToScene(QPointF(it->width() / 2, it->height() / 2));
    QTest::mouseClick(view, Qt::LeftButton, {}, centre.toPoint());
}

// The main window as the program starts it: shown, laid out for its screen, devices scanned.
inline std::unique_ptr<Widget> startMainWindow()
{
    auto widget = std::make_unique<Widget>();
    widget->show();
    widget->checkScreen();
    widget->checkDevice();
    return widget;
}

} // namespace scenetesting
