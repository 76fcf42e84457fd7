#include "platform/FileSystem.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

FileSystem*& installed()
{
    static FileSystem* fileSystem = nullptr;
    return fileSystem;
}

bool removeTree(const QByteArray& path, QString* error)
{
    struct stat info {};
    if (lstat(path.constData(), &info) != 0) {
        if (error)
            *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    if (S_ISDIR(info.st_mode)) {
        if (DIR* dir = opendir(path.constData())) {
            while (const dirent* entry = readdir(dir)) {
                if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
                    continue;
                removeTree(path + '/' + entry->d_name, nullptr);
            }
            closedir(dir);
        }
        if (rmdir(path.constData()) != 0) {
            if (error)
                *error = QString::fromLocal8Bit(std::strerror(errno));
            return false;
        }
        return true;
    }
    if (unlink(path.constData()) != 0) {
        if (error)
            *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    return true;
}

} // namespace

bool FileSystem::removeFile(const QString& path, QString* error)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat info {};
    const int result = (lstat(native.constData(), &info) == 0 && S_ISDIR(info.st_mode)) ? rmdir(native.constData())
                                                                                        : unlink(native.constData());
    if (result != 0 && error)
        *error = QString::fromLocal8Bit(std::strerror(errno));
    return result == 0;
}

bool FileSystem::removeItem(const QString& path, QString* error)
{
    return removeTree(QFile::encodeName(path), error);
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
