#include "platform/Locations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QStandardPaths>

#include <algorithm>

namespace {

QString environmentFolder(const char* name, const QString& fallback)
{
    // The XDG base directory rules ignore a relative value.
    const QString value = qEnvironmentVariable(name);
    return value.startsWith(u'/') ? value : fallback;
}

// Installed, <prefix>/bin/velmora finds <prefix>/share/velmora under whatever
// prefix it was installed to; run from a build folder it uses the source
// tree. The folder itself is the mark: not every resource kind need exist.
QString findResources()
{
    const QString programFolder = QCoreApplication::applicationDirPath();
    const QString beside = programFolder + QStringLiteral("/../share/velmora");
    if (!programFolder.isEmpty() && QFileInfo(beside).isDir())
        return QDir::cleanPath(beside);
    if (QFileInfo(QStringLiteral(VELMORA_INSTALLED_RESOURCES)).isDir()
        && !QFileInfo(QStringLiteral(VELMORA_SOURCE_RESOURCES)).isDir())
        return QStringLiteral(VELMORA_INSTALLED_RESOURCES);
    return QStringLiteral(VELMORA_SOURCE_RESOURCES);
}

void fillDerived(Locations& l)
{
    l.autostartFolder = l.configHome + QStringLiteral("/autostart");
    l.resultsFolder = l.dataHome + QStringLiteral("/Velmora");
    l.userDefaultsFile = l.configHome + QStringLiteral("/Velmora/Velmora.conf");
    l.dockPreferences = l.configHome + QStringLiteral("/com.apple.dock.plist");
    l.userApplicationsFolder = l.home + QStringLiteral("/Applications");
    l.userBinFolder = l.home + QStringLiteral("/.local/bin");
    l.userDesktopEntries = l.dataHome + QStringLiteral("/applications");
    l.userIcons = l.dataHome + QStringLiteral("/icons");
    l.userPixmaps = l.dataHome + QStringLiteral("/pixmaps");
    l.flatpakUserData = l.home + QStringLiteral("/.var/app");
    l.flatpakUserInstallation = l.dataHome + QStringLiteral("/flatpak");
    l.flatpakUserExports = l.flatpakUserInstallation + QStringLiteral("/exports/share");
    l.snapUserData = l.home + QStringLiteral("/snap");
}

// The places that belong to the machine rather than to the user.
void fillSystem(Locations& l, const QString& root)
{
    l.optFolder = root + QStringLiteral("/opt");
    l.systemDesktopEntries = root + QStringLiteral("/usr/share/applications");
    l.flatpakSystemInstallation = root + QStringLiteral("/var/lib/flatpak");
    l.flatpakSystemExports = l.flatpakSystemInstallation + QStringLiteral("/exports/share");
    l.snapMount = root + QStringLiteral("/snap");
    l.snapDesktopEntries = root + QStringLiteral("/var/lib/snapd/desktop/applications");
    l.snapRevisions = root + QStringLiteral("/var/lib/snapd/snaps");
}

QMutex& currentLock()
{
    static QMutex lock;
    return lock;
}

Locations& currentStorage()
{
    static Locations locations = Locations::fromEnvironment();
    return locations;
}

} // namespace

QString Locations::resultsFile() const
{
    return resultsFolder + QStringLiteral("/ScanResults.plist");
}

QString Locations::definitionFile(const QString& resourceName) const
{
    return resourcesFolder + QStringLiteral("/definitions/") + resourceName + QStringLiteral(".plist");
}

QString Locations::expandTilde(const QString& path) const
{
    if (path == QStringLiteral("~"))
        return home;
    if (path.startsWith(QStringLiteral("~/")))
        return (home.endsWith(u'/') ? home.chopped(1) : home) + path.mid(1);
    return path;
}

bool Locations::isAtOrBelowHome(const QString& path) const
{
    const QStringList homeParts = home.split(u'/', Qt::SkipEmptyParts);
    const QStringList parts = expandTilde(path).split(u'/', Qt::SkipEmptyParts);
    return !home.isEmpty() && parts.size() >= homeParts.size()
        && std::equal(homeParts.cbegin(), homeParts.cend(), parts.cbegin());
}

Locations Locations::fromEnvironment()
{
    Locations l;
    l.home = QDir::homePath();
    l.configHome = environmentFolder("XDG_CONFIG_HOME", l.home + QStringLiteral("/.config"));
    l.dataHome = environmentFolder("XDG_DATA_HOME", l.home + QStringLiteral("/.local/share"));
    l.cacheHome = environmentFolder("XDG_CACHE_HOME", l.home + QStringLiteral("/.cache"));
    l.localPreferences = QStringLiteral("/etc/xdg");
    l.localStartupItems = QStringLiteral("/etc/xdg/autostart");
    l.localApplicationSupport = QStringLiteral("/usr/local/share");
    l.localCaches = QStringLiteral("/var/cache");
    l.applicationsFolder = QStringLiteral("/Applications");
    l.secureLog = QStringLiteral("/var/log/auth.log");
    l.systemLog = QStringLiteral("/var/log/syslog");
    l.resourcesFolder = findResources();
    l.ownExecutable = QStringLiteral(VELMORA_INSTALLED_EXECUTABLE);
    // Only where installing put it: pkexec would run whatever path it is given
    // as root, and a path beside the program or in a build folder may be one
    // the user can write.
    l.privilegedHelper = QStringLiteral(VELMORA_INSTALLED_HELPER);
    l.elevationCommand = QStringLiteral("/usr/bin/pkexec");
    l.commandSearchPath = qEnvironmentVariable("PATH", QStringLiteral("/usr/local/bin:/usr/bin:/bin"));
    fillDerived(l);
    fillSystem(l, QString());
    return l;
}

Locations Locations::sandbox(const QString& root)
{
    Locations l;
    l.home = root + QStringLiteral("/home");
    l.configHome = l.home + QStringLiteral("/.config");
    l.dataHome = l.home + QStringLiteral("/.local/share");
    l.cacheHome = l.home + QStringLiteral("/.cache");
    l.localPreferences = root + QStringLiteral("/etc/xdg");
    l.localStartupItems = root + QStringLiteral("/etc/xdg/autostart");
    l.localApplicationSupport = root + QStringLiteral("/usr/local/share");
    l.localCaches = root + QStringLiteral("/var/cache");
    l.applicationsFolder = root + QStringLiteral("/Applications");
    l.secureLog = root + QStringLiteral("/var/log/auth.log");
    l.systemLog = root + QStringLiteral("/var/log/syslog");
    l.resourcesFolder = QStringLiteral(VELMORA_SOURCE_RESOURCES);
    l.ownExecutable = root + QStringLiteral("/usr/bin/velmora");
    l.privilegedHelper = root + QStringLiteral("/usr/libexec/velmora/velmora-remove-helper");
    l.elevationCommand = root + QStringLiteral("/usr/bin/pkexec");
    l.commandSearchPath = root + QStringLiteral("/bin");
    fillDerived(l);
    fillSystem(l, root);
    return l;
}

const Locations& Locations::current()
{
    QMutexLocker locker(&currentLock());
    return currentStorage();
}

void Locations::setCurrent(const Locations& locations)
{
    QMutexLocker locker(&currentLock());
    currentStorage() = locations;
}
