#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

#include <atomic>
#include <optional>

// The scan results file: category name -> the junk paths recorded under it,
// an XML property list. Only the scan thread writes it, always whole and
// atomically, so the review and fix pages never read half a file.
//
// One object serves a whole scan. It remembers the file as it last read or
// wrote it and reads it again only when something else has changed it since:
// otherwise every scanner would parse again the many thousand paths of a
// large cache found early in the scan.
class ScanResultsFile final {
public:
    explicit ScanResultsFile(QString path);

    // Makes the dictionary what the file holds; a missing file holds nothing.
    void load();
    bool isEmpty() const { return m_categories.isEmpty(); }
    bool contains(const QString& category) const { return m_categories.contains(category); }
    QStringList paths(const QString& category) const { return m_categories.value(category); }
    void setPaths(const QString& category, const QStringList& paths);
    // Writes the whole dictionary unless the file holds it already; false (logged) on failure.
    bool write();

    // Whether the path survives the file unchanged. A name holding bytes the
    // format cannot carry would come back as another name, and the fix page
    // would then delete the wrong file; such a path is left out with a log
    // line naming its folder.
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

    QString m_path;
    QMap<QString, QStringList> m_categories;
    bool m_changed = false;
    std::optional<Identity> m_identity; // of the file this object last read or wrote
    QString m_lastRefusedFolder;

    static inline std::atomic<qint64> s_totalBytesWritten { 0 };
};
