#include "platform/DirectoryEnumerator.h"

#include "platform/MountIdentity.h"
#include "platform/SystemLog.h"

#include <QFile>
#include <QStringDecoder>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
    // A trash or cache folder may hold a hundred thousand names: comparing
    // the prefixes kept beside each other first spares most visits to the
    // names themselves.
    const char* names = level.names.constData();
    std::sort(level.entries.begin(), level.entries.end(), [names](const Entry& a, const Entry& b) {
        if (a.prefix != b.prefix)
            return a.prefix < b.prefix;
        const int order = std::memcmp(names + a.offset, names + b.offset, std::min(a.length, b.length));
        return order != 0 ? order < 0 : a.length < b.length;
    });
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
