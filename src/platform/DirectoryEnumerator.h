#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

// Depth-first walk below a folder: each entry's path relative to the root,
// a folder before its contents, names sorted bytewise so walks repeat,
// links never followed. A mount point below the root (another file system or
// a bind mount) is listed but not entered: what lies beyond it is not the
// walked folder's, and no removal would take it. Folders that cannot be read give no entries; names
// that are not UTF-8 cannot be named safely elsewhere, so they are logged and
// passed over with everything below them.
class DirectoryEnumerator final {
public:
    explicit DirectoryEnumerator(const QString& root);

    // The next entry, or std::nullopt when the walk is over.
    std::optional<QString> nextObject();
    // Do not descend into the folder nextObject() returned last.
    void skipDescendents();

    // What the entry nextObject() returned last is, links not followed;
    // Unknown when it could not be examined (it may have vanished).
    enum class EntryKind { Folder, SymbolicLink, Other, Unknown };
    EntryKind lastEntryKind() const { return m_lastKind; }

private:
    // The names of a folder lie one after another in one buffer: a trash
    // folder may hold a hundred thousand, and one allocation each would cost
    // more than listing them.
    struct Entry {
        quint64 prefix; // the name's first eight bytes, in the order of the bytes
        qsizetype offset; // of the name in the level's buffer
        quint32 length;
        EntryKind kind;
    };
    struct Folder {
        QByteArray relative; // "" for the root
        QString relativeText;
    };
    struct Level {
        Folder folder;
        std::optional<std::uint64_t> mount;
        QByteArray names;
        std::vector<Entry> entries;
        size_t next = 0;
    };
    void enter(const Folder& folder);

    QByteArray m_root;
    std::vector<Level> m_levels;
    EntryKind m_lastKind = EntryKind::Unknown;
    std::optional<Folder> m_pendingFolder; // the last entry returned, if a folder to descend into
};
