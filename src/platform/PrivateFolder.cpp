#include "platform/PrivateFolder.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

PrivateFolder::PrivateFolder(const QString& parent)
{
    struct stat above { };
    if (lstat(QFile::encodeName(parent).constData(), &above) != 0) {
        m_error = parent + QStringLiteral(": ") + systemError();
        return;
    }
    if (!S_ISDIR(above.st_mode) || (above.st_uid != geteuid() && !(above.st_mode & S_ISVTX))) {
        m_error = parent + QStringLiteral(": a temporary folder another user may rename in");
        return;
    }
    QByteArray pattern = QFile::encodeName(parent) + "/velmora-XXXXXX";
    if (!mkdtemp(pattern.data())) {
        m_error = parent + QStringLiteral(": ") + systemError();
        return;
    }
    m_path = QFile::decodeName(pattern);
    m_descriptor = open(pattern.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (m_descriptor < 0) {
        m_error = m_path + QStringLiteral(": ") + systemError();
        rmdir(pattern.constData());
    }
}

PrivateFolder::~PrivateFolder()
{
    if (m_descriptor < 0)
        return;
    // Only plain files are ever made in here; the listing gets its own
    // descriptor so that closing it leaves the folder open.
    std::vector<QByteArray> names;
    const int listing = dup(m_descriptor);
    if (DIR* dir = listing >= 0 ? fdopendir(listing) : nullptr) {
        while (const dirent* entry = readdir(dir)) {
            if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
                names.emplace_back(entry->d_name);
        }
        closedir(dir);
    } else if (listing >= 0) {
        close(listing);
    }
    for (const QByteArray& name : names)
        unlinkat(m_descriptor, name.constData(), 0);
    close(m_descriptor);
    rmdir(QFile::encodeName(m_path).constData());
}
