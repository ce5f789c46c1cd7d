#pragma once

#include <QObject>

// Reports that the OS asked the program to end (on Linux SIGTERM, SIGINT or SIGHUP, e.g. at
// logout), so it can leave through its orderly exit and give up the single-instance role instead
// of dying with its shared state still claimed.
class TerminationNotifier : public QObject
{
    Q_OBJECT
public:
    explicit TerminationNotifier(QObject* parent = nullptr);

signals:
    void terminationRequested();
};
