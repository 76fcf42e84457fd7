#pragma once

#include <QString>

// The Dock's preference file: a dictionary whose "persistent-apps" array
// holds the tiles, each labelled under "tile-data" / "file-label".
class DockPreferenceFile final {
public:
    DockPreferenceFile() = delete;

    // Drops every tile labelled exactly `label` and writes the file back as
    // XML with every other key as it was. The lines it logs name `appName`.
    // False, with "failed saving the XML plist file" logged, when the file is
    // missing, unreadable or could not be written; it is then left as it was.
    static bool removeTiles(const QString& path, const QString& label, const QString& appName);
};
