#include "uninstaller/SupportFileRemoval.h"

#include "platform/Locations.h"

SupportFileRemoval::SupportFileRemoval(const Locations& l)
{
    m_kept.insertWithAncestors(l.home);
    for (const QString& folder :
        { l.configHome, l.autostartFolder, l.dataHome, l.cacheHome, l.localPreferences, l.localStartupItems,
            l.localApplicationSupport, l.localCaches, l.userDesktopEntries, l.userIcons, l.userPixmaps,
            l.flatpakUserData, l.snapUserData, l.applicationsFolder }) {
        if (!folder.isEmpty())
            m_kept.insert(l.expandTilde(folder));
    }
}

FileSystem::Beneath SupportFileRemoval::remove(const SupportFileSearch::Found& file, QString* reason) const
{
    return FileSystem::current().removeBeneath(file.folder, file.inside, m_kept, file.mayBeFolder, reason);
}
