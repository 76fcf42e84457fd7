#pragma once

#include "platform/FileSystem.h"
#include "platform/FolderIdentities.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

struct Locations;

// Where the Remove button may remove, whatever the results file lists:
// strictly inside a folder a scan walks from, or a file the definitions name
// themselves. The results file lives in the user's folder and may be damaged
// or edited, so the rule is kept on opened folders, never on spellings: the
// home, every folder above it and the walked folders themselves are known by
// device and inode and never removed, and no link on the way is followed.
// The trash folders' files/ are walked folders too; a trashed item takes its
// info file with it.
class RemovalConfinement final {
    Q_DISABLE_COPY_MOVE(RemovalConfinement)

public:
    // Reads the three definition resources now; "~" is the locations' home.
    explicit RemovalConfinement(const Locations& locations);

    // Whether the path, as written, lies strictly inside a walked folder or
    // names a definition entry; `reason` says why not. Nothing is opened.
    bool admits(const QString& path, QString* reason = nullptr) const;
    // Removes the path when the rule allows it, through FileSystem::current().
    FileSystem::Beneath remove(const QString& path, QString* reason = nullptr) const;
    // Whether removal cleans the path rather than deleting it: a browser
    // database listed under a category whose databases are cleaned, strictly
    // inside one of that category's own entries. Anywhere else a file of the
    // same name is a plain file.
    bool cleansDatabase(const QString& path, const QString& category) const;
    // The folder holding the path, opened as remove() reaches it: a
    // descriptor the caller closes, or -1 with `reason`.
    int openParent(const QString& path, QString* reason = nullptr) const;

private:
    // The walked folder to start from and the components below it.
    struct Place {
        QString base;
        QStringList inside;
        bool isEntry = false;
        QStringList trashInfo; // for a trashed item: its info file, below the same base
    };
    struct Trash {
        QString base;
        QStringList below;
        QStringList files; // every component of files/, base included
    };
    bool find(const QString& path, Place* place, QString* reason) const;
    bool findInTrash(const QStringList& parts, Place* place) const;
    // What the trash shows of an item is its info file: once the item is
    // gone, the info file goes too, so the trash lists no item that is not there.
    void removeTrashInfo(const Place& place) const;

    QList<Trash> m_trash;
    QList<QStringList> m_entries;
    // By category, the entries under which databases are cleaned.
    QHash<QString, QList<QStringList>> m_databaseEntries;
    FolderIdentities m_kept;
};
