#include "platform/FileSystem.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

FileSystem*& installed()
{
    static FileSystem* fileSystem = nullptr;
    return fileSystem;
}

QString describe(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// The path as the system should see it, or an empty array for one that must
// never be removed. A trailing slash would make the system resolve a link to
// its target; "." and ".." name a folder other than the one written.
QByteArray removablePath(const QString& path, QString* error)
{
    QByteArray native = QFile::encodeName(path);
    while (native.size() > 1 && native.endsWith('/'))
        native.chop(1);
    const qsizetype slash = native.lastIndexOf('/');
    const QByteArray last = native.mid(slash + 1);
    if (native.isEmpty() || native == "/" || last == "." || last == "..") {
        if (error)
            *error = describe(EINVAL);
        return {};
    }
    return native;
}

// Removes the entry `name` of the folder open as `parent`, with everything
// below it. Each folder is opened relative to its parent and without following
// a link, so a folder swapped for a link during the removal is not entered.
// Returns 0 or the first error met.
int removeBelow(int parent, const char* name)
{
    struct stat info {};
    if (fstatat(parent, name, &info, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    if (!S_ISDIR(info.st_mode))
        return unlinkat(parent, name, 0) == 0 ? 0 : errno;

    const int folder = openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folder < 0)
        return errno;
    int firstError = 0;
    std::vector<QByteArray> names;
    // The listing gets its own descriptor: closing it must leave `folder` open.
    const int listing = dup(folder);
    DIR* dir = listing >= 0 ? fdopendir(listing) : nullptr;
    if (dir) {
        while (const dirent* entry = readdir(dir)) {
            if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
                names.emplace_back(entry->d_name);
        }
        closedir(dir);
    } else {
        firstError = errno;
        if (listing >= 0)
            close(listing);
    }
    for (const QByteArray& child : names) {
        const int result = removeBelow(folder, child.constData());
        if (result != 0 && firstError == 0)
            firstError = result;
    }
    close(folder);
    if (unlinkat(parent, name, AT_REMOVEDIR) != 0 && firstError == 0)
        firstError = errno;
    return firstError;
}

} // namespace

bool FileSystem::removeFile(const QString& path, QString* error)
{
    const QByteArray native = removablePath(path, error);
    if (native.isEmpty())
        return false;
    struct stat info {};
    const int result = (lstat(native.constData(), &info) == 0 && S_ISDIR(info.st_mode)) ? rmdir(native.constData())
                                                                                        : unlink(native.constData());
    if (result != 0 && error)
        *error = describe(errno);
    return result == 0;
}

bool FileSystem::removeItem(const QString& path, QString* error)
{
    const QByteArray native = removablePath(path, error);
    if (native.isEmpty())
        return false;
    const int result = removeBelow(AT_FDCWD, native.constData());
    if (result != 0 && error)
        *error = describe(result);
    return result == 0;
}

bool FileSystem::createDirectory(const QString& path)
{
    return mkdir(QFile::encodeName(path).constData(), 0755) == 0;
}

bool FileSystem::createPath(const QString& path)
{
    return QDir().mkpath(path);
}

FileSystem& FileSystem::current()
{
    static FileSystem real;
    FileSystem* fs = installed();
    return fs ? *fs : real;
}

void FileSystem::setCurrent(FileSystem* fileSystem)
{
    installed() = fileSystem;
}
