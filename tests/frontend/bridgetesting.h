#pragma once

// What the tests of the bridge share: an application folder with a copy of the modules, the view
// on its own device link, and action lists as the pages pass them.

#include "device/hid_thread.h"
#include "frontend/datafolder.h"
#include "frontend/myqquickview.h"

#include <QQuickWindow>
#include <QTemporaryDir>
#include <QtTest>

namespace bridgetesting
{

// Makes `root` the working directory holding a copy of `modules`; per-user data and settings go
// below it.
inline void enterApplicationFolder(const QString& root, const QString& modules)
{
    qputenv("XDG_DATA_HOME", QFile::encodeName(root + QStringLiteral("/data")));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(root + QStringLiteral("/config")));
    copyDirectory(modules, root + QStringLiteral("/modules"));
    QVERIFY(QDir::setCurrent(root));
    QQuickWindow::setSceneGraphBackend(QSGRendererInterface::Software);
}

// Entries as the pages pass them: the listed ones, then zeros up to 256.
inline QVariantList actionList(const QVector<int>& entries)
{
    QVariantList list;
    for (int e : entries)
        list << e;
    while (list.size() < 256)
        list << 0;
    return list;
}

// The bridge without a main window: the view on its own device link, in an application folder.
class BridgeTest : public QObject
{
protected:
    QTemporaryDir root; // the application folder (working directory)
    Hid_Thread link;
    myQQuickView* view = nullptr;

    // For initTestCase; `view` stays null when the folder cannot be set up.
    void createView(const QString& modules)
    {
        QVERIFY(root.isValid());
        enterApplicationFolder(root.path(), modules);
        if (QTest::currentTestFailed())
            return;
        view = new myQQuickView;
        view->deviceLink = &link;
    }
    // For cleanupTestCase: the listener ends before the view it reports to.
    void destroyView()
    {
        link.hid_StopListen();
        delete view;
        view = nullptr;
    }
};

} // namespace bridgetesting
