#include "frontend/myqquickview.h"

#include "device/hid_thread.h"

#include <QQuickItem>

myQQuickView::myQQuickView(QWidget* parent) : QQuickWidget(parent) {}
myQQuickView::~myQQuickView() = default;

void myQQuickView::clearHidBusy()
{
    if (deviceLink)
        deviceLink->isReady = 1;
}

void myQQuickView::initUI()
{
    QMetaObject::invokeMethod(rootObject(), "initUI", Qt::QueuedConnection);
}

void myQQuickView::setUiLayout(int layouttype, double scale)
{
    QMetaObject::invokeMethod(rootObject(), "setUiLayout", Qt::QueuedConnection,
                              Q_ARG(QVariant, layouttype), Q_ARG(QVariant, scale));
}

void myQQuickView::syncFwData(uchar byte0, uchar byte1, uchar byte2, uchar byte3)
{
    QMetaObject::invokeMethod(rootObject(), "syncFwData", Qt::QueuedConnection,
                              Q_ARG(QVariant, int(byte0)), Q_ARG(QVariant, int(byte1)),
                              Q_ARG(QVariant, int(byte2)), Q_ARG(QVariant, int(byte3)));
}

void myQQuickView::focusInEvent(QFocusEvent* event)
{
    update();
    event->accept();
}
