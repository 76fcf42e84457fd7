#include "removal/RemovalConfinement.h"

#include "platform/Locations.h"
#include "removal/BrowserDatabaseCleaner.h"
#include "platform/SystemLog.h"
#include "platform/TrashFolders.h"
#include "scan/ScanDefinitions.h"

#include <QFile>

#include <algorithm>
#include <sys/stat.h>

namespace {

QString joined(const QStringList& components)
{
    return u'/' + components.join(u'/');
}

bool startsWith(const QStringList& path, const QStringList& entry)
{
    return path.size() >= entry.size() && std::equal(entry.cbegin(), entry.cend(), path.cbegin());
}

} // namespace

RemovalConfinement::RemovalConfinement(const Locations& locations)
{
    FolderIdentities homeAndAbove;
    homeAndAbove.insertWithAncestors(locations.home);
    const QStringList homeParts = locations.home.split(u'/', Qt::SkipEmptyParts);
    for (const QString& written : ScanDefinitions::everyEntry(locations)) {
        const QString entry = locations.expandTilde(written);
        const QStringList parts = entry.split(u'/', Qt::SkipEmptyParts);
        // An entry that would open the home or a folder above it to removal is
        // no place of junk, however it came into the definitions.
        if (!entry.startsWith(u'/') || parts.isEmpty() || parts.contains(QStringLiteral("."))
            || parts.contains(QStringLiteral("..")) || startsWith(homeParts, parts)
            || homeAndAbove.containsFolder(entry))
            continue;
        m_entries.append(parts);
        m_kept.insert(entry);
    }
    // The deepest folder first: a path is then resolved from the folder that
    // holds it most closely, never through another walked folder.
    std::stable_sort(m_entries.begin(), m_entries.end(),
        [](const QStringList& a, const QStringList& b) { return a.size() > b.size(); });
    m_kept.insert(homeAndAbove);
    const QVariantMap internet = ScanDefinitions::load(locations, ScanDefinitions::kInternetCachePaths);
    for (const QString& category : BrowserDatabaseCleaner::cleanedCategories()) {
        for (const QString& written : ScanDefinitions::categoryPaths(internet, category)) {
            const QStringList parts = locations.expandTilde(written).split(u'/', Qt::SkipEmptyParts);
            if (m_entries.contains(parts))
                m_databaseEntries[category].append(parts);
        }
    }
    for (const TrashFolders::Folder& trash : TrashFolders::find(locations)) {
        const QString files = trash.path() + u'/' + TrashFolders::kFiles;
        m_trash.append({ trash.base, trash.below, files.split(u'/', Qt::SkipEmptyParts) });
    }
}

bool RemovalConfinement::cleansDatabase(const QString& path, const QString& category) const
{
    if (!BrowserDatabaseCleaner::isDatabaseToClean(path))
        return false;
    const QStringList parts = path.split(u'/', Qt::SkipEmptyParts);
    const QList<QStringList> entries = m_databaseEntries.value(category);
    return std::any_of(entries.cbegin(), entries.cend(), [&parts](const QStringList& entry) {
        return parts.size() > entry.size() && startsWith(parts, entry);
    });
}

bool RemovalConfinement::findInTrash(const QStringList& parts, Place* place) const
{
    for (const Trash& trash : m_trash) {
        if (parts.size() <= trash.files.size() || !startsWith(parts, trash.files))
            continue;
        const QStringList item = parts.mid(trash.files.size());
        // The components below the volume are opened without following a link,
        // as the scan found them: a trash folder swapped for a link is not entered.
        *place = { trash.base, trash.below + QStringList { TrashFolders::kFiles } + item, false, {} };
        if (item.size() == 1)
            place->trashInfo = trash.below + QStringList { TrashFolders::kInfo, TrashFolders::infoFileName(item[0]) };
        return true;
    }
    return false;
}

bool RemovalConfinement::find(const QString& path, Place* place, QString* reason) const
{
    const auto refuse = [reason](const QString& why) {
        if (reason)
            *reason = why;
        return false;
    };
    if (!path.startsWith(u'/') || path.contains(QChar(u'\0')))
        return refuse(QStringLiteral("not an absolute path"));
    const QStringList parts = path.split(u'/', Qt::SkipEmptyParts);
    if (parts.contains(QStringLiteral(".")) || parts.contains(QStringLiteral("..")))
        return refuse(QStringLiteral("a \".\" or \"..\" component"));
    if (findInTrash(parts, place))
        return true;
    const QStringList* sameAsEntry = nullptr;
    for (const QStringList& entry : m_entries) {
        if (!startsWith(parts, entry))
            continue;
        if (parts.size() > entry.size()) {
            *place = { joined(entry), parts.mid(entry.size()), false, {} };
            return true;
        }
        sameAsEntry = &entry;
    }
    if (!sameAsEntry)
        return refuse(QStringLiteral("not inside a folder the scan walks"));
    // An entry itself may go only when it names a file: removeBeneath refuses a folder there.
    *place = { joined(sameAsEntry->mid(0, sameAsEntry->size() - 1)), { sameAsEntry->last() }, true, {} };
    return true;
}

bool RemovalConfinement::admits(const QString& path, QString* reason) const
{
    Place place;
    return find(path, &place, reason);
}

FileSystem::Beneath RemovalConfinement::remove(const QString& path, QString* reason) const
{
    Place place;
    if (!find(path, &place, reason))
        return FileSystem::Beneath::Refused;
    const FileSystem::Beneath outcome
        = FileSystem::current().removeBeneath(place.base, place.inside, m_kept, !place.isEntry, reason);
    if (outcome == FileSystem::Beneath::Removed && !place.trashInfo.isEmpty())
        removeTrashInfo(place);
    return outcome;
}

void RemovalConfinement::removeTrashInfo(const Place& place) const
{
    // Never a folder of that name; a link goes itself, never what it leads to.
    QString reason;
    if (FileSystem::current().removeBeneath(place.base, place.trashInfo, m_kept, false, &reason)
        == FileSystem::Beneath::Removed)
        return;
    const QString info = TrashFolders::Folder { place.base, place.trashInfo }.path();
    struct stat status { };
    if (lstat(QFile::encodeName(info).constData(), &status) == 0)
        SystemLog::write(QStringLiteral("Passing over the trash information %1: %2").arg(info, reason));
}

int RemovalConfinement::openParent(const QString& path, QString* reason) const
{
    Place place;
    if (!find(path, &place, reason))
        return -1;
    FileSystem::Beneath failure = FileSystem::Beneath::Refused;
    return FileSystem::openParentBeneath(place.base, place.inside, m_kept, &failure, reason);
}
