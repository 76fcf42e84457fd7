#pragma once

#include <QString>

struct Locations;

// Only one scan or command-line clean at a time per user, whichever started
// it: the window's scan, `velmora --scan` from a timer, `velmora --clean` from
// cron. Each rewrites or reads the one results file, so a second one would
// see half of another's findings. The lock is an flock on "scan.lock" in the
// results folder: that folder is the same for a desktop session and for cron,
// which has no runtime folder; the kernel drops the lock when its holder
// ends, however it ends, so a crash never leaves the program refusing.
class ScanLock final {
public:
    enum class State { Held, Busy, Unavailable };

    ScanLock() = default;
    ~ScanLock();
    ScanLock(const ScanLock&) = delete;
    ScanLock& operator=(const ScanLock&) = delete;

    // Busy: another process holds it. Unavailable (with a log line): the lock
    // file cannot be made or is not a plain file of ours, say a link someone
    // put there; the lock is then not held, and callers go on without it.
    State take(const Locations& locations);
    void release();
    bool held() const { return m_descriptor >= 0; }

    static QString lockFile(const Locations& locations);
    // Why a scan or clean cannot start while another process holds the lock.
    static QString busyText();

private:
    int m_descriptor = -1;
};
