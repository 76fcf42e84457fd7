#pragma once

#include <QString>
#include <QStringList>

// Every place on disk the program reads or writes. The program uses the one
// built from the environment; tests install one rooted in a sandbox folder.
struct Locations final {
    QString home; // "~"
    QString configHome; // $XDG_CONFIG_HOME: user preferences
    QString dataHome; // $XDG_DATA_HOME: user application support
    QString cacheHome; // $XDG_CACHE_HOME: user caches
    QString autostartFolder; // $XDG_CONFIG_HOME/autostart: user startup items
    QString localPreferences; // /etc/xdg
    QString localStartupItems; // /etc/xdg/autostart
    QString localApplicationSupport; // /usr/local/share
    QString localCaches; // /var/cache
    QString applicationsFolder; // /Applications
    QString secureLog; // the fresh system log of authentication
    QString systemLog; // the fresh general system log
    QString crashReports; // /var/crash: the applications' crash reports, logged apart from the system's
    QString dockPreferences; // the Dock's preference file (absent on Linux)
    QString resultsFolder; // $XDG_DATA_HOME/Velmora
    QString userDefaultsFile; // the settings file behind UserDefaults
    QString resourcesFolder; // definitions/, localization/, images/
    QString ownExecutable; // the installed program, registered as login item
    QString privilegedHelper; // the helper started through the elevation command
    QString elevationCommand; // pkexec, or a stand-in in tests
    QString userApplicationsFolder; // ~/Applications: AppImages, by convention
    QString userBinFolder; // ~/.local/bin
    QString optFolder; // /opt
    QString userDesktopEntries; // $XDG_DATA_HOME/applications
    QString userIcons; // $XDG_DATA_HOME/icons
    QString userPixmaps; // $XDG_DATA_HOME/pixmaps: icons kept outside any theme
    QString systemDesktopEntries; // /usr/share/applications
    QString flatpakUserData; // ~/.var/app: a Flatpak application's own home
    QString flatpakUserInstallation; // $XDG_DATA_HOME/flatpak
    QString flatpakSystemInstallation; // /var/lib/flatpak
    QString flatpakUserExports; // $XDG_DATA_HOME/flatpak/exports/share
    QString flatpakSystemExports; // /var/lib/flatpak/exports/share
    QString snapUserData; // ~/snap
    QString snapMount; // /snap
    QString snapDesktopEntries; // /var/lib/snapd/desktop/applications
    QString userTrash; // $XDG_DATA_HOME/Trash: the home's trash, with files/ and info/
    QString mountTable; // /proc/self/mountinfo: the mounted volumes, whose trash folders count too
    QString snapRevisions; // /var/lib/snapd/snaps: one <name>_<revision>.snap file each
    // Folders, ":"-separated, where flatpak, snap and gsettings are looked for:
    // $PATH; a sandbox's own bin folder, so a test can only run stand-ins.
    QString commandSearchPath;
    // Where private working copies are made: $XDG_RUNTIME_DIR when it is the
    // user's own, else the system's temporary folder.
    QString temporaryFolder;

    QString resultsFile() const; // resultsFolder + "/ScanResults.plist"
    QString definitionFile(const QString& resourceName) const; // resources/definitions/<name>.plist

    // Leading "~" or "~/" becomes the home folder; anything else is returned as it is.
    QString expandTilde(const QString& path) const;
    // Whether the path, "~" expanded, is the home folder or lies below it as
    // written; empty components count for nothing, as they do for the system.
    bool isAtOrBelowHome(const QString& path) const;
    // The mount points the mount table names, in its order, each once, without
    // the kernel's and the system's own file systems (proc, tmpfs, ...), which
    // never hold a user's trash. Read anew at every call: volumes come and go.
    QStringList mountPoints() const;

    static Locations fromEnvironment();
    // Every location below root, as a test sandbox wants; resources still come from the source tree.
    static Locations sandbox(const QString& root);

    static const Locations& current();
    static void setCurrent(const Locations& locations);
};
