#include "platform/FileSystem.h"

#include "platform/FolderIdentities.h"
#include "platform/MountIdentity.h"

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

// Codes of our own for what removeBelow refuses, apart from the system's errno values.
constexpr int kKeptFolder = -1;
constexpr int kMountPoint = -2;

QString describe(int error)
{
    switch (error) {
    case kKeptFolder:
        return QStringLiteral("a folder that is never removed");
    case kMountPoint:
        return QStringLiteral("a folder another file system or a bind mount is mounted on");
    default:
        return QString::fromLocal8Bit(std::strerror(error));
    }
}

// Whether the folder just opened as `folder` inside `parent` may be entered:
// not one of `kept` and on the parent's own mount. A bind mount of the home or
// of "/" inside a cache folder shares their device, so only the mount id shows
// it. 0 or the refusal.
int mayEnter(int parent, int folder, const FolderIdentities* kept)
{
    struct stat opened { };
    if (fstat(folder, &opened) != 0)
        return errno;
    if (kept && kept->contains(opened.st_dev, opened.st_ino))
        return kKeptFolder;
    return MountIdentity::same(parent, folder) ? 0 : kMountPoint;
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
// A folder that may not be entered (see mayEnter) stays with what is in it.
// Returns 0 or the first error met.
int removeBelow(int parent, const char* name, const FolderIdentities* kept = nullptr)
{
    struct stat info { };
    if (fstatat(parent, name, &info, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    if (!S_ISDIR(info.st_mode))
        return unlinkat(parent, name, 0) == 0 ? 0 : errno;

    const int folder = openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folder < 0)
        return errno;
    if (const int refusal = mayEnter(parent, folder, kept); refusal != 0) {
        close(folder);
        return refusal;
    }
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
        const int result = removeBelow(folder, child.constData(), kept);
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
    struct stat info { };
    const int result = (lstat(native.constData(), &info) == 0 && S_ISDIR(info.st_mode))
        ? rmdir(native.constData())
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
    // Opened first, so that the item itself is measured against its folder's mount.
    const qsizetype slash = native.lastIndexOf('/');
    const QByteArray folderPath = slash < 0 ? QByteArray(".")
        : slash == 0                        ? QByteArray("/")
                                            : native.left(slash);
    const int folder = open(folderPath.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    const int result = folder < 0 ? errno : removeBelow(folder, native.constData() + slash + 1);
    if (folder >= 0)
        close(folder);
    if (result != 0 && error)
        *error = describe(result);
    return result == 0;
}

int FileSystem::openParentBeneath(const QString& base, const QStringList& inside,
    const FolderIdentities& kept, Beneath* failure, QString* reason)
{
    const auto refuse = [failure, reason](const QString& why) {
        *failure = Beneath::Refused;
        if (reason)
            *reason = why;
        return -1;
    };
    const auto fail = [failure, reason](int error) {
        *failure = error < 0 ? Beneath::Refused : Beneath::Failed;
        if (reason)
            *reason = describe(error);
        return -1;
    };
    std::vector<QByteArray> names;
    names.reserve(size_t(inside.size()));
    for (const QString& component : inside) {
        QByteArray name = QFile::encodeName(component);
        if (name.isEmpty() || name == "." || name == ".." || name.contains('/') || name.contains('\0'))
            return refuse(QStringLiteral("not a plain name inside the folder"));
        names.push_back(std::move(name));
    }
    if (names.empty())
        return refuse(QStringLiteral("nothing inside the folder is named"));

    int folder = open(QFile::encodeName(base).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        return fail(errno);
    for (size_t i = 0; i + 1 < names.size(); ++i) {
        const int next
            = openat(folder, names[i].constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        // A mount point on the way is refused like one at the end: what the
        // scan lists never lies beyond one, and the named item would.
        const int error = next < 0 ? errno : mayEnter(folder, next, &kept);
        close(folder);
        folder = next;
        if (error == ELOOP || error == ENOTDIR) {
            if (folder >= 0)
                close(folder);
            return refuse(QStringLiteral("a link or a file on the way"));
        }
        if (error != 0) {
            if (folder >= 0)
                close(folder);
            return fail(error);
        }
    }
    return folder;
}

FileSystem::Beneath FileSystem::removeBeneath(const QString& base, const QStringList& inside,
    const FolderIdentities& kept, bool mayBeFolder, QString* reason)
{
    Beneath failure = Beneath::Failed;
    const int folder = openParentBeneath(base, inside, kept, &failure, reason);
    if (folder < 0)
        return failure;
    const QByteArray lastName = QFile::encodeName(inside.last());
    const char* last = lastName.constData();
    struct stat info { };
    int result = fstatat(folder, last, &info, AT_SYMLINK_NOFOLLOW) == 0 ? 0 : errno;
    if (result == 0 && S_ISDIR(info.st_mode) && !mayBeFolder) {
        close(folder);
        if (reason)
            *reason = QStringLiteral("a folder where a file is named");
        return Beneath::Refused;
    }
    if (result == 0)
        result = removeBelow(folder, last, &kept);
    close(folder);
    if (result == 0)
        return Beneath::Removed;
    if (reason)
        *reason = describe(result);
    return result < 0 ? Beneath::Refused : Beneath::Failed;
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
