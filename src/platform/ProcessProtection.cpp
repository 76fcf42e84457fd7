#include "platform/ProcessProtection.h"

#include "platform/SystemLog.h"

#include <QString>

#include <sys/prctl.h>

#include <cerrno>
#include <cstring>

bool ProcessProtection::forbidInspection()
{
    if (::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0) == 0)
        return true;
    SystemLog::write(QStringLiteral("Cannot keep other processes out of Velmora: %1")
                         .arg(QString::fromLocal8Bit(std::strerror(errno))));
    return false;
}
