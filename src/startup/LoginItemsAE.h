#pragma once

#include "startup/FileReference.h"

#include <QUrl>
#include <QVariantList>

#include <optional>

// The user's login items, kept as XDG autostart desktop entries in
// Locations::current().autostartFolder, so the desktop's own startup
// settings show and start them.
//
// A login item is a record {"URL": file URL of the entry's program,
// "Hidden": whether it is to be opened hidden}. The list holds every entry of
// the folder that a desktop would start, our own and other programs', in a
// stable order: other programs' entries by file name, then ours in the order
// they were added, so an added item is the last of the next listing.
// Entries with the XDG "Hidden" key set are deleted entries, not login items.
// Entries that cannot be read unambiguously are left out with a log line and
// are never changed. Other programs' entries are only ever removed by an
// explicit removal of their index.

using LIAEStatus = qint32;

inline constexpr LIAEStatus kLIAENoError = 0;
// The autostart folder or an entry could not be read or written.
inline constexpr LIAEStatus kLIAEIOError = -36;
// The program's path holds a character that a desktop entry cannot carry.
inline constexpr LIAEStatus kLIAEBadName = -37;
// The item names no existing file, or a folder, which cannot be started.
inline constexpr LIAEStatus kLIAEFileNotFound = -43;
// No login item has that index.
inline constexpr LIAEStatus kLIAENoSuchItem = -1728;
// A record of the list could not be made.
inline constexpr LIAEStatus kLIAECannotCreate = -4960;

// The keys of our own that an added entry carries. The XDG "Hidden" key is
// never written: it means "deleted", not "opened hidden".
inline constexpr const char* kLIAEHiddenKey = "X-Velmora-Hidden";
inline constexpr const char* kLIAESequenceKey = "X-Velmora-Sequence";

// On success the slot receives the list; on failure it is left empty.
LIAEStatus LIAECopyLoginItems(std::optional<QVariantList>& itemsOut);
// Appends an entry for the file; kLIAEFileNotFound when the URL names no existing file.
LIAEStatus LIAEAddURLAtEnd(const QUrl& item, bool hideIt);
LIAEStatus LIAEAddRefAtEnd(const FileReference& item, bool hideIt);
// Deletes the entry at the 0-based index of the list LIAECopyLoginItems gives.
LIAEStatus LIAERemove(qint32 itemIndex);
