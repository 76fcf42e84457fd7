#include "scan/ScanResultsFile.h"

#include "platform/PropertyList.h"
#include "platform/SystemLog.h"
#include "platform/TextUnits.h"

#include <QFile>
#include <QVariantMap>

#include <algorithm>
#include <utility>

#include <sys/stat.h>

namespace {

// The XML header and footer, and the key and array tags of all ten categories.
constexpr qint64 kFrameBytes = 1024;

// What the path adds to the file: its UTF-8 bytes, with the three characters
// the writer spells out as entities, and the tags and indentation around it.
qint64 bytesInFile(QStringView path)
{
    return qint64(sizeof("\t\t<string></string>\n") - 1) + sumOverUnits(path, [](char16_t unit) {
        return 1u + (unit >= 0x80) + (unit >= 0x800 && !QChar::isSurrogate(unit)) + 4u * (unit == u'&')
            + 3u * (unit == u'<' || unit == u'>');
    });
}

} // namespace

ScanResultsFile::ScanResultsFile(QString path, qint64 maxFileSize, qint64 maxPaths)
    : m_path(std::move(path))
    , m_maxFileSize(maxFileSize)
    , m_maxPaths(maxPaths)
    , m_estimatedSize(kFrameBytes)
{
}

std::optional<ScanResultsFile::Identity> ScanResultsFile::currentIdentity() const
{
    struct stat info { };
    if (stat(QFile::encodeName(m_path).constData(), &info) != 0)
        return std::nullopt;
    return Identity { quint64(info.st_dev), quint64(info.st_ino), qint64(info.st_size),
        qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec };
}

void ScanResultsFile::load()
{
    const auto identity = currentIdentity();
    if (m_changed || (identity && identity == m_identity))
        return;
    m_categories.clear();
    m_estimatedSize = kFrameBytes;
    m_pathCount = 0;
    m_identity = identity;
    if (!identity)
        return;
    const QVariantMap root = PropertyList::readDictionary(m_path);
    for (auto it = root.cbegin(); it != root.cend(); ++it) {
        if (it.value().typeId() != QMetaType::QVariantList) {
            SystemLog::write(
                QStringLiteral("%1: \"%2\" is not a list of paths; it is passed over").arg(m_path, it.key()));
            continue;
        }
        QStringList& paths = m_categories[it.key()];
        const QVariantList items = it.value().toList();
        paths.reserve(items.size());
        for (const QVariant& item : items) {
            if (item.typeId() == QMetaType::QString) {
                paths.append(item.toString());
                m_estimatedSize += bytesInFile(paths.constLast());
                ++m_pathCount;
            }
        }
    }
}

void ScanResultsFile::setPaths(const QString& category, const QStringList& paths)
{
    auto found = m_categories.find(category);
    if (found == m_categories.end()) {
        m_categories.insert(category, paths);
        m_changed = true;
    } else if (*found != paths) {
        *found = paths;
        m_changed = true;
    }
}

bool ScanResultsFile::write()
{
    if (!m_changed && m_identity && currentIdentity() == m_identity)
        return true;
    bool written = PropertyList::writeStringArrays(m_categories, m_path, m_estimatedSize);
    // Paths are checked when they are recorded; should one still have slipped
    // through, the others must not be lost with it.
    if (!written && dropUnrepresentablePaths())
        written = PropertyList::writeStringArrays(m_categories, m_path, m_estimatedSize);
    if (!written)
        return false;
    m_identity = currentIdentity();
    m_changed = false;
    m_writtenSize = m_identity ? m_identity->size : 0;
    s_totalBytesWritten += m_writtenSize;
    return true;
}

QVariantMap ScanResultsFile::dictionary() const
{
    QVariantMap root;
    for (auto it = m_categories.cbegin(); it != m_categories.cend(); ++it) {
        QVariantList paths;
        paths.reserve(it.value().size());
        for (const QString& path : it.value())
            paths.append(path);
        root.insert(it.key(), paths);
    }
    return root;
}

bool ScanResultsFile::writeIfGrown()
{
    if (m_changed && m_writtenSize > 0 && m_estimatedSize < 2 * m_writtenSize)
        return true;
    return write();
}

bool ScanResultsFile::dropUnrepresentablePaths()
{
    bool dropped = false;
    for (QStringList& paths : m_categories) {
        const qsizetype before = paths.size();
        paths.removeIf([this](const QString& path) { return !representable(path); });
        dropped = dropped || paths.size() != before;
    }
    return dropped;
}

bool ScanResultsFile::acceptsPath(const QString& path)
{
    return representable(path) && fits(path);
}

bool ScanResultsFile::fits(const QString& path)
{
    const qint64 bytes = bytesInFile(path);
    const bool roomForBytes = m_estimatedSize + bytes <= m_maxFileSize;
    if (roomForBytes && m_pathCount < m_maxPaths) {
        m_estimatedSize += bytes;
        ++m_pathCount;
        return true;
    }
    if (!std::exchange(m_full, true)) {
        SystemLog::write(QStringLiteral("The scan results have reached the %1 the review can read: %2 "
                                        "and everything found after it is not listed")
                             .arg(roomForBytes ? QStringLiteral("%1 paths").arg(m_maxPaths)
                                               : QStringLiteral("%1 bytes").arg(m_maxFileSize),
                                 path));
    }
    return false;
}

bool ScanResultsFile::representable(const QString& path)
{
    if (PropertyList::isRepresentable(path))
        return true;
    // Name the nearest folder the log can show as it is; one line for a run
    // of such names in the same folder.
    QString folder = path;
    do
        folder.truncate(std::max<qsizetype>(folder.lastIndexOf(u'/'), 0));
    while (!folder.isEmpty() && !PropertyList::isRepresentable(folder));
    if (folder.isEmpty())
        folder = QStringLiteral("/");
    if (folder != m_lastRefusedFolder) {
        m_lastRefusedFolder = folder;
        SystemLog::write(
            QStringLiteral("Passing over an item in %1: its name cannot be kept in the scan results")
                .arg(folder));
    }
    return false;
}
