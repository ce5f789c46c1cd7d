#pragma once

#include <QLockFile>
#include <QString>

// One program at a time talks to the devices: the window for as long as it runs, quillexctl for
// one command. Their exchanges would otherwise interleave on the one command interface, and each
// would read the other's answers.
class DeviceLock
{
public:
    // One lock per bus: the virtual devices behind another socket are other devices.
    DeviceLock();

    enum Result {
        Taken,
        Held,     // another program keeps the devices
        Unusable, // the lock file cannot be made: there is no lock to keep anyone out
    };
    // Takes the lock, waiting up to `timeoutMs` for its holder to let go. A lock left by a
    // program that died is taken over.
    Result tryLock(int timeoutMs);
    // The program holding the lock ("quillex", "quillexctl"), empty when nobody does.
    QString holder() const;

private:
    QLockFile file;
};
