#include "platform/DirectoryEnumerator.h"

#include "platform/SystemLog.h"

#include <QFile>
#include <QStringDecoder>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>

namespace {

std::optional<QString> decodeStrictly(const QByteArray& bytes)
{
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
    enter(QByteArray());
}

void DirectoryEnumerator::enter(const QByteArray& relative)
{
    const QByteArray full = relative.isEmpty() ? m_root : m_root + '/' + relative;
    DIR* dir = opendir(full.constData());
    if (!dir) {
        // A folder that vanished or a root that is a file is no news; a folder
        // the user may not read is: what lies in it is not looked at.
        if (errno != ENOENT && errno != ENOTDIR)
            SystemLog::write(QStringLiteral("Cannot read %1: %2")
                                 .arg(QFile::decodeName(full), QString::fromLocal8Bit(std::strerror(errno))));
        return;
    }
    Level level;
    level.relative = relative;
    while (const dirent* entry = readdir(dir)) {
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
            continue;
        level.names.emplace_back(name);
    }
    closedir(dir);
    std::sort(level.names.begin(), level.names.end());
    m_levels.push_back(std::move(level));
}

std::optional<QString> DirectoryEnumerator::nextObject()
{
    if (m_pendingFolder) {
        const QByteArray folder = *m_pendingFolder;
        m_pendingFolder.reset();
        enter(folder);
    }
    while (!m_levels.empty()) {
        Level& level = m_levels.back();
        if (level.next >= level.names.size()) {
            m_levels.pop_back();
            continue;
        }
        const QByteArray& name = level.names[level.next++];
        const QByteArray relative = level.relative.isEmpty() ? name : level.relative + '/' + name;
        const auto decoded = decodeStrictly(relative);
        if (!decoded) {
            SystemLog::write(QStringLiteral("Skipping %1: its name is not UTF-8")
                                 .arg(QString::fromUtf8(m_root + '/' + relative)));
            continue;
        }
        struct stat info {};
        const QByteArray full = m_root + '/' + relative;
        m_lastKind = EntryKind::Unknown;
        if (lstat(full.constData(), &info) == 0) {
            m_lastKind = S_ISDIR(info.st_mode) ? EntryKind::Folder
                : S_ISLNK(info.st_mode)        ? EntryKind::SymbolicLink
                                               : EntryKind::Other;
        }
        if (m_lastKind == EntryKind::Folder)
            m_pendingFolder = relative;
        return decoded;
    }
    return std::nullopt;
}

void DirectoryEnumerator::skipDescendents()
{
    m_pendingFolder.reset();
}
