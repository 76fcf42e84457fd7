#pragma once

#include <QString>

// The file operations that delete or create. Code that removes files goes
// through FileSystem::current(), so tests can make a removal fail without
// relying on permissions (which stop nothing for root).
class FileSystem {
public:
    virtual ~FileSystem() = default;

    // Removes a file, a link (never its target) or an empty folder. A trailing
    // slash still names the link itself; "", "/" and paths ending in "." or
    // ".." are refused.
    virtual bool removeFile(const QString& path, QString* error = nullptr);
    // Removes a folder with everything below it, links not followed; a file or
    // link as removeFile. What can be removed is, even when something below fails.
    virtual bool removeItem(const QString& path, QString* error = nullptr);
    // Creates the last component only; false when it exists or the parent is missing.
    virtual bool createDirectory(const QString& path);
    // Creates the folder with its parents.
    virtual bool createPath(const QString& path);

    static FileSystem& current();
    // Tests install their own; nullptr restores the real file system. The caller keeps ownership.
    static void setCurrent(FileSystem* fileSystem);
};
