#include "platform/SmallFile.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::optional<QByteArray> SmallFile::read(const QString& path, qint64 maxSize, Links links, QString* reason)
{
    const auto refuse = [reason](const QString& why) {
        if (reason)
            *reason = why;
        return std::optional<QByteArray>();
    };
    const int flags
        = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (links == Links::Refuse ? O_NOFOLLOW : 0);
    const int fd = ::open(QFile::encodeName(path).constData(), flags);
    if (fd < 0)
        return refuse(
            QStringLiteral("cannot be opened (%1)").arg(QString::fromLocal8Bit(std::strerror(errno))));
    struct stat info { };
    std::optional<QByteArray> data;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        refuse(QStringLiteral("not a regular file"));
    } else if (info.st_size > maxSize) {
        refuse(QStringLiteral("larger than %1 bytes").arg(maxSize));
    } else {
        QFile file;
        if (file.open(fd, QIODevice::ReadOnly)) {
            // The size may grow after the check: read one byte more than allowed to see it.
            data = file.read(maxSize + 1);
            if (data->size() > maxSize || file.error() != QFileDevice::NoError)
                data.reset();
        }
        if (!data)
            refuse(QStringLiteral("cannot be read"));
    }
    ::close(fd);
    return data;
}
