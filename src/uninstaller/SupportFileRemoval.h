#pragma once

#include "platform/FileSystem.h"
#include "platform/FolderIdentities.h"
#include "uninstaller/SupportFileSearch.h"

#include <QString>

struct Locations;

// Removes what an uninstall found the way the Remove button removes: from the
// folder it was found in, with no link followed in any component below it,
// so a folder swapped for a link between the confirmation and the removal
// leads nowhere. The home, the folders above it and every folder support
// files are looked for in are never entered or removed.
class SupportFileRemoval final {
    Q_DISABLE_COPY_MOVE(SupportFileRemoval)

public:
    explicit SupportFileRemoval(const Locations& locations);

    // Through FileSystem::current(); `reason` tells why it failed or was refused.
    FileSystem::Beneath remove(const SupportFileSearch::Found& file, QString* reason = nullptr) const;

private:
    FolderIdentities m_kept;
};
