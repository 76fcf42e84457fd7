#pragma once

#include <QString>
#include <QStringList>

class FolderIdentities;

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
    // Removes a folder with everything below it, links not followed and no
    // mount point entered, the item itself included; a file or link as
    // removeFile. What can be removed is, even when something below fails.
    virtual bool removeItem(const QString& path, QString* error = nullptr);
    enum class Beneath { Removed, Failed, Refused };
    // Removes what the plain components `inside` name below the folder `base`.
    // Only `base` is opened as spelled: every further component is opened
    // relative to the folder before it without following a link, and the last
    // is removed relative to its opened parent, a link itself and never its
    // target, a folder with everything below it. Folders of `kept` are never
    // passed through, entered or removed, nor is a mount point (another file
    // system or a bind mount, whatever its device); a last component that is
    // a folder is refused unless `mayBeFolder`. `reason` tells why it failed
    // or was refused.
    virtual Beneath removeBeneath(const QString& base, const QStringList& inside,
        const FolderIdentities& kept, bool mayBeFolder, QString* reason = nullptr);
    // Opens the folder that holds the last of `inside`, below `base` as
    // removeBeneath reaches it: no link in any component, no folder of `kept`
    // passed through. The descriptor, which the caller closes, or -1 with
    // `failure` and `reason` set.
    static int openParentBeneath(const QString& base, const QStringList& inside, const FolderIdentities& kept,
        Beneath* failure, QString* reason = nullptr);
    // Creates the last component only; false when it exists or the parent is missing.
    virtual bool createDirectory(const QString& path);
    // Creates the folder with its parents.
    virtual bool createPath(const QString& path);

    static FileSystem& current();
    // Tests install their own; nullptr restores the real file system. The caller keeps ownership.
    static void setCurrent(FileSystem* fileSystem);
};
