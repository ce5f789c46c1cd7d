#pragma once

#include <QString>

class QSharedMemory;

// Where the starts of one program meet on Unix: the user's runtime directory (mode 0700), so no
// other user can place or remove anything there; the shared temporary folder only when the
// instance is shared between users. Empty on other systems, where names are not paths.
QString instanceMeetingDir(bool perUser);

// Name the primary's local server listens on: a socket in the meeting folder on Unix, the key
// itself (a pipe name) elsewhere.
QString instanceServerName(const QString& instanceKey, bool perUser);

// Exclusion between the starts of one program around the instance block.
//
// On Unix the shared memory's own lock is a System V semaphore that Qt removes when the process
// that happened to create it ends, even while another start is inside; the next start then makes
// a fresh one and two starts hold "the" lock at once. A lock on a file in the meeting folder
// lives as long as the file, and the kernel releases it when its holder dies. Windows keeps the
// named semaphore while any start holds it, so there the shared memory's own lock serves.
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
    // Removes the lock file; only while holding the lock, by the last start to leave. A start
    // waiting for the removed file notices and takes the lock on a new one.
    void removeFile();

private:
    // True when the locked descriptor is still the file at `path` (not one removed meanwhile).
    bool holdsCurrentFile() const;
    void openFile();

    QSharedMemory* memory;
    QByteArray path;
    int mode = 0600;
    int fd = -1;
};
