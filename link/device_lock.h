#pragma once

#include <QString>

// One program on one device. Two programs on one box would each take the
// other's answers for their own levels, so before the port opens, the device
// itself (not the name it was reached by: a link and its target are one
// device) is locked with flock(). The lock belongs to the open file, so it
// binds root as well, and goes with the process however it ends.
class DeviceLock {
public:
    DeviceLock() = default;
    ~DeviceLock();
    DeviceLock(const DeviceLock &) = delete;
    DeviceLock &operator=(const DeviceLock &) = delete;

    // Takes `device` for this program; false with the cause in the
    // operator's words (no such device, permission denied, held by another
    // program, not a serial device).
    bool take(const QString &device, QString &cause);
    void release();
    bool held() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

// The program that holds a lock on the file (filesystem device `fsMajor`:
// `fsMinor`, inode `inode`), as "NAME, PID n", from the text of /proc/locks;
// empty when none does. `nameOf` gives a process's name from its PID.
QString lockHolderIn(const QString &locksText, unsigned fsMajor, unsigned fsMinor, unsigned long long inode,
                     QString (*nameOf)(long pid));

// The program holding a lock on `path` now, or empty.
QString lockHolder(const QString &path);
