#include "platform/DirectoryEnumerator.h"

#include "platform/MountIdentity.h"
#include "platform/SystemLog.h"

#include <QFile>
#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

std::optional<QString> decodeStrictly(QByteArrayView bytes)
{
    // Most names are plain ASCII, which needs no decoder.
    if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) == 0; }))
        return QString::fromLatin1(bytes);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

// Below this many names a comparing sort is as quick as counting.
constexpr size_t kCountingFrom = 256;

// Orders a folder's entries bytewise by name. The prefixes, the names' first
// eight bytes, are sorted by counting, a byte at a time from the last, each
// pass keeping the order of the one before and a byte all share costing only
// its count; names sharing their whole prefix are then compared. Counting
// costs the same per name however many there are, where comparing grows with
// their logarithm: a trash folder may hold a hundred thousand.
template <typename Entry> void sortByName(std::vector<Entry>& entries, const char* names)
{
    const auto byName = [names](const Entry& a, const Entry& b) {
        if (a.prefix != b.prefix)
            return a.prefix < b.prefix;
        const int order = std::memcmp(names + a.offset, names + b.offset, std::min(a.length, b.length));
        return order != 0 ? order < 0 : a.length < b.length;
    };
    if (entries.size() < kCountingFrom) {
        std::sort(entries.begin(), entries.end(), byName);
        return;
    }
    std::vector<Entry> sorted(entries.size());
    for (int shift = 0; shift < 64; shift += 8) {
        std::array<size_t, 256> starts {};
        for (const Entry& entry : entries)
            ++starts[(entry.prefix >> shift) & 0xFF];
        if (std::find(starts.begin(), starts.end(), entries.size()) != starts.end())
            continue;
        size_t start = 0;
        for (size_t& bucket : starts)
            start += std::exchange(bucket, start);
        for (const Entry& entry : entries)
            sorted[starts[(entry.prefix >> shift) & 0xFF]++] = entry;
        entries.swap(sorted);
    }
    for (auto run = entries.begin(); run != entries.end();) {
        const quint64 prefix = run->prefix;
        const auto end
            = std::find_if(run, entries.end(), [prefix](const Entry& e) { return e.prefix != prefix; });
        if (end - run > 1)
            std::sort(run, end, byName);
        run = end;
    }
}

} // namespace

DirectoryEnumerator::DirectoryEnumerator(const QString& root)
    : m_root(QFile::encodeName(root))
{
    while (m_root.size() > 1 && m_root.endsWith('/'))
        m_root.chop(1);
    enter(Folder());
}

void DirectoryEnumerator::enter(const Folder& folder)
{
    const QByteArray& relative = folder.relative;
    const QByteArray full = relative.isEmpty() ? m_root : m_root + '/' + relative;
    // The root may be reached through a link; a folder below it is opened only
    // if it is still a folder, not a link that replaced it since it was listed.
    const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (relative.isEmpty() ? 0 : O_NOFOLLOW);
    const int fd = open(full.constData(), flags);
    if (fd < 0) {
        // A folder that vanished, a root that is a file or a folder swapped
        // for a link is no news; a folder the user may not read is: what lies
        // in it is not looked at.
        if (errno != ENOENT && errno != ENOTDIR && errno != ELOOP)
            SystemLog::write(QStringLiteral("Cannot read %1: %2")
                                 .arg(QFile::decodeName(full), QString::fromLocal8Bit(std::strerror(errno))));
        return;
    }
    Level level;
    level.folder = folder;
    level.mount = MountIdentity::of(fd);
    // The level on top is the folder this one was listed in.
    const bool mountPoint = !relative.isEmpty() && (!level.mount || level.mount != m_levels.back().mount);
    DIR* dir = mountPoint ? nullptr : fdopendir(fd);
    if (!dir) {
        close(fd);
        return;
    }
    while (const dirent* entry = readdir(dir)) {
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
            continue;
        const EntryKind kind = entry->d_type == DT_DIR ? EntryKind::Folder
            : entry->d_type == DT_LNK                  ? EntryKind::SymbolicLink
            : entry->d_type == DT_UNKNOWN              ? EntryKind::Unknown
                                                       : EntryKind::Other;
        const size_t length = std::strlen(name);
        quint64 prefix = 0;
        for (size_t i = 0; i < 8; ++i)
            prefix = (prefix << 8) | (i < length ? quint8(name[i]) : 0u);
        level.entries.push_back({ prefix, level.names.size(), quint32(length), kind });
        level.names.append(name, qsizetype(length));
    }
    closedir(dir);
    sortByName(level.entries, level.names.constData());
    m_levels.push_back(std::move(level));
}

std::optional<QString> DirectoryEnumerator::nextObject()
{
    if (m_pendingFolder) {
        const Folder folder = std::move(*m_pendingFolder);
        m_pendingFolder.reset();
        enter(folder);
    }
    while (!m_levels.empty()) {
        Level& level = m_levels.back();
        if (level.next >= level.entries.size()) {
            m_levels.pop_back();
            continue;
        }
        const Entry& entry = level.entries[level.next++];
        const QByteArrayView name(level.names.constData() + entry.offset, entry.length);
        const auto relative = [&level, name] {
            return level.folder.relative.isEmpty() ? name.toByteArray()
                                                   : level.folder.relative + '/' + name.toByteArray();
        };
        // The folder's own part of the path was checked when it was returned.
        const auto decoded = decodeStrictly(name);
        if (!decoded) {
            SystemLog::write(QStringLiteral("Skipping %1: its name is not UTF-8")
                                 .arg(QString::fromUtf8(m_root + '/' + relative())));
            continue;
        }
        m_lastKind = entry.kind;
        if (m_lastKind == EntryKind::Unknown) {
            // Some file systems do not report types while listing.
            struct stat info { };
            if (lstat((m_root + '/' + relative()).constData(), &info) == 0)
                m_lastKind = S_ISDIR(info.st_mode) ? EntryKind::Folder
                    : S_ISLNK(info.st_mode)        ? EntryKind::SymbolicLink
                                                   : EntryKind::Other;
        }
        QString relativeText
            = level.folder.relative.isEmpty() ? *decoded : level.folder.relativeText + u'/' + *decoded;
        if (m_lastKind == EntryKind::Folder)
            m_pendingFolder = Folder { relative(), relativeText };
        return relativeText;
    }
    return std::nullopt;
}

void DirectoryEnumerator::skipDescendents()
{
    m_pendingFolder.reset();
}
