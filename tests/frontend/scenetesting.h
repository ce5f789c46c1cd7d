#pragma once

// What the tests of the real scene share: an application folder with the shipped modules, and
// finding and clicking what is visible in the scene.

// The virtual bus names a member "slots": it must come before any Qt header.
#include "sim/inproc.h"

#include "app/ui_controler.h"
#include "app/widget.h"
#include "tests/frontend/bridgetesting.h"

#include <QQuickItem>
#include <QQuickWidget>
#include <QQuickWindow>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

namespace scenetesting
{

// Makes `root` the working directory with the shipped modules, English, and the close button
// leaving instead of hiding to the tray; per-user data and settings go below it.
inline void prepareApplicationFolder(const QString& root, const QString& shippedModules)
{
    bridgetesting::enterApplicationFolder(root, shippedModules);
    QSettings settings(root + "/modules/apConfig.ini", QSettings::IniFormat);
    settings.setValue(QStringLiteral("Setting/data"), QVariantList{0, 0, 0, 2});
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

// Waits for the next frame of the scene: positioners lay out new items only before a frame, so
// until then an item that has just appeared is not yet where the user will see it.
inline void waitForFrame(QQuickWidget* view)
{
    QSignalSpy frame(view->quickWindow(), &QQuickWindow::afterRendering);
    view->quickWindow()->update();
    QVERIFY(frame.wait());
}

// A left click at the centre of the visible item of that name, once it has settled and been laid
// out.
inline void click(QQuickWidget* view, const QString& name)
{
    QQuickItem* it = findVisible(view->rootObject(), name);
    QVERIFY2(it, qPrintable(name));
    QTRY_VERIFY2(settled(it), qPrintable(name));
    waitForFrame(view);
    it = findVisible(view->rootObject(), name); // events meanwhile may have rebuilt it
    QVERIFY2(it, qPrintable(name));
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

// The main window on the in-process virtual mouse, found and driven through what its scene shows.
class SceneTest : public QObject
{
protected:
    QTemporaryDir root; // the application folder (working directory)
    std::unique_ptr<Widget> widget;

    myQQuickView* view() const { return widget->uiCtl->quickView(); }
    // The profile file of the open device's first profile, and the macros stored in it.
    QString profilePath() const
    {
        return root.path() + QStringLiteral("/modules/P-") +
               view()->rootObject()->property("deviceStr").toString() +
               QStringLiteral("/profile0.ini");
    }
    QString stored(int index) const
    {
        QSettings profile(profilePath(), QSettings::IniFormat);
        return profile.value(QStringLiteral("Macro/") + QString::number(index)).toString();
    }
    void store(int index, const QString& text) const
    {
        QSettings profile(profilePath(), QSettings::IniFormat);
        profile.setValue(QStringLiteral("Macro/") + QString::number(index), text);
    }
    QQuickItem* item(const QString& name) const { return findVisible(view()->rootObject(), name); }
    // The index a list shows; -2 while the list is not visible.
    int shown(const QString& list) const
    {
        QQuickItem* it = item(list);
        return it ? it->property("currentIndex").toInt() : -2;
    }
    QString fieldText(const QString& field) const
    {
        return item(field)->property("text").toString();
    }

    void clickAt(QQuickItem* it, QPointF local)
    {
        QTest::mouseClick(view(), Qt::LeftButton, {}, it->mapToScene(local).toPoint());
    }
    void click(const QString& name) { scenetesting::click(view(), name); }
    // Entry `index` of a picture list, laid out in rows of its column count.
    void clickEntry(const QString& list, int index)
    {
        QQuickItem* it = item(list);
        QVERIFY2(it, qPrintable(list));
        const int columns = it->property("columns").toInt();
        const qreal w = it->property("itemWidth").toReal(), h = it->property("itemHeight").toReal();
        const qreal gap = it->property("spacing").toReal();
        clickAt(it, QPointF((index % columns) * (w + gap) + w / 2,
                            (index / columns) * (h + gap) + h / 2));
    }
    // Row `row` of a drop-down, counted from its first visible row: open it, wait for the list to
    // unfold, click the row.
    void pickRow(const QString& drop, int row)
    {
        QQuickItem* it = item(drop);
        QVERIFY2(it, qPrintable(drop));
        click(drop);
        const qreal rowHeight = it->property("rowHeight").toReal();
        QQuickItem* popup = it->childItems().last();
        QTRY_COMPARE(popup->height(), 4 * rowHeight);
        clickAt(it, QPointF(it->width() / 2, rowHeight * (row + 1.5)));
        QTRY_VERIFY(!it->property("isOpen").toBool());
    }
    // Replaces the text of a field, as typed; nothing confirms it yet.
    void typeInto(const QString& field, const char* text)
    {
        click(field);
        QQuickItem* input = item(field)->property("input").value<QQuickItem*>();
        QTRY_VERIFY(input->hasActiveFocus());
        QTest::keyClick(view(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(view(), text);
    }

    // Plugs the mouse, starts the main window, clicks the mouse's card and then navigation entry
    // `nav`.
    void openPage(int nav)
    {
        std::string error;
        QVERIFY(sim::inproc::bus().plug("mouse", "mouse", error));
        widget = startMainWindow();
        QTRY_VERIFY(item("card0"));
        click("card0");
        // The start page takes clicks until it has zoomed away.
        auto* start = view()->rootObject()->property("env").value<QQuickItem*>();
        QTRY_VERIFY(!start->isVisible());
        click("nav" + QString::number(nav));
        QTRY_COMPARE(view()->rootObject()->property("currentPage").toInt(), nav);
        // A page made on its first visit lays its lists out before its first frame.
        scenetesting::waitForFrame(view());
    }
    // Opens the settings panel and waits until it has slid in.
    void openSettings()
    {
        click("settingsButton");
        auto* panel = view()->rootObject()->property("apSetting").value<QQuickItem*>();
        QQuickItem* body = panel->childItems().at(1);
        QTRY_COMPARE(body->x(), panel->width() - body->width());
    }
};

} // namespace scenetesting
