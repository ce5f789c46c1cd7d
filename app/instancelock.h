#pragma once

#include <QString>

class QSharedMemory;

// Exclusion between the starts of one program around the instance block.
//
// On Unix the shared memory's own lock is a System V semaphore that Qt removes when the process
// that happened to create it ends, even while another start is inside; the next start then makes
// a fresh one and two starts hold "the" lock at once. A lock on a file beside the socket lives as
// long as the file, and the kernel releases it when its holder dies. Windows keeps the named
// semaphore while any start holds it, so there the shared memory's own lock serves.
class InstanceLock
{
public:
    InstanceLock(const QString& instanceKey, bool perUser, QSharedMemory* memory);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // True when the lock can be taken before the block exists, so creating and initialising the
    // block is one step for the other starts.
    bool coversCreation() const { return fd >= 0; }
    void lock();
    void unlock();

private:
    QSharedMemory* memory;
    int fd = -1;
};
