#pragma once

#include <QSet>
#include <QString>

#include <sys/types.h>
#include <utility>

// Folders known by what they are on disk, device and inode, however a path
// spells them: "//home/user", a link to it and a bind mount of it are all the
// same folder here.
class FolderIdentities final {
public:
    // The folder the path leads to, links followed; a path that leads to no folder adds nothing.
    void insert(const QString& path);
    // The folder and every folder above it, found through "..", up to "/".
    void insertWithAncestors(const QString& path);
    void insert(const FolderIdentities& other);

    bool contains(dev_t device, ino_t inode) const;
    bool containsFolder(const QString& path) const;
    bool isEmpty() const { return m_folders.isEmpty(); }

private:
    QSet<std::pair<quint64, quint64>> m_folders;
};
