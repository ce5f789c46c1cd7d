#pragma once

#include <QObject>

// Reports that HID devices were plugged in or removed. On Windows the main window's native event
// filter sees WM_DEVICECHANGE itself, so this notifier stays silent there.
class DeviceNotifier : public QObject
{
    Q_OBJECT
public:
    explicit DeviceNotifier(QObject* parent = nullptr);
    ~DeviceNotifier() override;

signals:
    void devicesChanged();

private:
    struct Private;
    Private* d;
};
