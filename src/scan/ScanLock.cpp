#include "scan/ScanLock.h"

#include "platform/FileSystem.h"
#include "platform/Localization.h"
#include "platform/Locations.h"
#include "platform/SystemLog.h"

#include <QFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

ScanLock::~ScanLock()
{
    release();
}

QString ScanLock::lockFile(const Locations& locations)
{
    return locations.resultsFolder + QStringLiteral("/scan.lock");
}

QString ScanLock::busyText()
{
    return Localization::text(QStringLiteral("ANOTHER_SCAN_RUNS"),
        QStringLiteral("Another Velmora is scanning or cleaning. Please try again when it has finished."));
}

ScanLock::State ScanLock::take(const Locations& locations)
{
    if (held())
        return State::Held;
    FileSystem::current().createPath(locations.resultsFolder);
    const QString path = lockFile(locations);
    // Never through a link, and never blocking on a FIFO someone left in its place.
    const int descriptor = ::open(
        QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    struct stat info { };
    if (descriptor < 0 || ::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)
        || info.st_uid != ::geteuid()) {
        SystemLog::write(
            QStringLiteral("The scan lock %1 cannot be used: %2")
                .arg(path, QString::fromLocal8Bit(std::strerror(descriptor < 0 ? errno : EINVAL))));
        if (descriptor >= 0)
            ::close(descriptor);
        return State::Unavailable;
    }
    if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
        ::close(descriptor);
        return State::Busy;
    }
    m_descriptor = descriptor;
    return State::Held;
}

void ScanLock::release()
{
    if (m_descriptor < 0)
        return;
    // Closing drops the lock; the file stays, so nobody races to create it.
    ::close(m_descriptor);
    m_descriptor = -1;
}
