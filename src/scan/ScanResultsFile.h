#pragma once

#include "platform/PropertyList.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <atomic>
#include <optional>

// The scan results file: category name -> the junk paths recorded under it,
// an XML property list. Only the scan thread writes it, always whole and
// atomically, so the review and fix pages never read half a file.
//
// The reader refuses files beyond a size or a number of values, so the writer
// never grows the file past either: paths that would not fit are left out,
// with a log line.
//
// One object serves a whole scan. It remembers the file as it last read or
// wrote it and reads it again only when something else has changed it since:
// otherwise every scanner would parse again the many thousand paths of a
// large cache found early in the scan.
class ScanResultsFile final {
public:
    // Room is left for the dictionary, its keys and its arrays.
    static constexpr qint64 kMaxPaths = PropertyList::kMaxValues - 1000;

    explicit ScanResultsFile(
        QString path, qint64 maxFileSize = PropertyList::kMaxFileSize, qint64 maxPaths = kMaxPaths);

    // Makes the dictionary what the file holds; a missing file holds nothing.
    // Findings not written yet are newer than the file and are kept.
    void load();
    bool isEmpty() const { return m_categories.isEmpty(); }
    bool contains(const QString& category) const { return m_categories.contains(category); }
    QStringList paths(const QString& category) const { return m_categories.value(category); }
    void setPaths(const QString& category, const QStringList& paths);
    // What write() writes, as the reader gives it back.
    QVariantMap dictionary() const;
    // Writes the whole dictionary unless the file holds it already; false (logged) on failure.
    bool write();
    // As write(), but only once the file would at least double: rewriting the
    // whole file at every store costs the square of the findings, so the
    // bytes written stay below twice the final size when write() ends a scan.
    bool writeIfGrown();

    // Whether the path may be recorded, and if so room is kept for it: every
    // path accepted is expected to be stored. A name holding bytes the format
    // cannot carry would come back as another name, and the fix page would
    // then delete the wrong file; such a path is left out with a log line
    // naming its folder. So is every path that would take the file past the
    // size or the number of paths its reader accepts, with one log line.
    bool acceptsPath(const QString& path);

    // Bytes of all files written by every instance so far (for measurements).
    static qint64 totalBytesWritten() { return s_totalBytesWritten; }

private:
    struct Identity {
        quint64 device = 0;
        quint64 inode = 0;
        qint64 size = 0;
        qint64 modifiedNs = 0;
        bool operator==(const Identity&) const = default;
    };
    std::optional<Identity> currentIdentity() const;
    bool dropUnrepresentablePaths();
    bool representable(const QString& path);
    bool fits(const QString& path);

    QString m_path;
    qint64 m_maxFileSize;
    qint64 m_maxPaths;
    QMap<QString, QStringList> m_categories;
    bool m_changed = false;
    qint64 m_estimatedSize = 0; // at least what the file takes holding every path accepted
    qint64 m_pathCount = 0; // every path accepted
    qint64 m_writtenSize = 0; // of this object's last write
    bool m_full = false;
    std::optional<Identity> m_identity; // of the file this object last read or wrote
    QString m_lastRefusedFolder;

    static inline std::atomic<qint64> s_totalBytesWritten { 0 };
};
