#include "platform/FolderIdentities.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::pair<quint64, quint64> identity(const struct stat& info)
{
    return { quint64(info.st_dev), quint64(info.st_ino) };
}

} // namespace

void FolderIdentities::insert(const QString& path)
{
    struct stat info { };
    if (!path.isEmpty() && ::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISDIR(info.st_mode))
        m_folders.insert(identity(info));
}

void FolderIdentities::insertWithAncestors(const QString& path)
{
    if (path.isEmpty())
        return;
    int folder = ::open(QFile::encodeName(path).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    struct stat info { };
    // "/" is its own parent: the walk ends when ".." is the folder itself.
    std::pair<quint64, quint64> previous { ~quint64(0), ~quint64(0) };
    while (folder >= 0 && ::fstat(folder, &info) == 0 && identity(info) != previous) {
        previous = identity(info);
        m_folders.insert(previous);
        const int parent = ::openat(folder, "..", O_PATH | O_DIRECTORY | O_CLOEXEC);
        ::close(folder);
        folder = parent;
    }
    if (folder >= 0)
        ::close(folder);
}

void FolderIdentities::insert(const FolderIdentities& other)
{
    m_folders.unite(other.m_folders);
}

bool FolderIdentities::contains(dev_t device, ino_t inode) const
{
    return m_folders.contains({ quint64(device), quint64(inode) });
}

bool FolderIdentities::containsFolder(const QString& path) const
{
    struct stat info { };
    return !path.isEmpty() && ::stat(QFile::encodeName(path).constData(), &info) == 0
        && contains(info.st_dev, info.st_ino);
}
