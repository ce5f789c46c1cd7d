#pragma once

#include <QObject>

// Reports that the machine woke up from sleep. On Windows the native event filter handles
// WM_POWERBROADCAST itself, so this notifier stays silent there.
class ResumeNotifier : public QObject
{
    Q_OBJECT
public:
    explicit ResumeNotifier(QObject* parent = nullptr);

signals:
    void resumed();

private slots:
    void onPrepareForSleep(bool start);
};
