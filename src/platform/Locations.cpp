#include "platform/Locations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QSet>
#include <QStandardPaths>

#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

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
    l.userTrash = l.dataHome + QStringLiteral("/Trash");
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
    l.mountTable = root + QStringLiteral("/proc/self/mountinfo");
    l.snapRevisions = root + QStringLiteral("/var/lib/snapd/snaps");
    l.crashReports = root + QStringLiteral("/var/crash");
}

// File systems of the kernel and of the system's own runtime folders (GLib's
// list of system file systems, where it keeps no trash either): a trash
// folder there is none of the user's, and looking into some (autofs) would
// mount what was not mounted.
bool isPseudoFileSystem(QByteArrayView type)
{
    static const QSet<QByteArray> pseudo = { "autofs", "binfmt_misc", "bpf", "cgroup", "cgroup2", "configfs",
        "debugfs", "devpts", "devtmpfs", "efivarfs", "fuse.gvfsd-fuse", "fuse.portal", "fusectl", "hugetlbfs", "mqueue", "nsfs", "proc",
        "pstore", "ramfs", "rpc_pipefs", "securityfs", "selinuxfs", "squashfs", "sysfs", "tmpfs", "tracefs" };
    return pseudo.contains(type.toByteArray());
}

// The table writes a space, tab, newline and backslash in a mount point as
// "\040", "\011", "\012" and "\134".
QByteArray unescapedMountPoint(QByteArrayView field)
{
    QByteArray path;
    for (qsizetype i = 0; i < field.size(); ++i) {
        const auto octal = [&](qsizetype at) { return at < field.size() && field[at] >= '0' && field[at] <= '7'; };
        if (field[i] == '\\' && octal(i + 1) && octal(i + 2) && octal(i + 3)) {
            path += char(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) | (field[i + 3] - '0'));
            i += 3;
        } else {
            path += field[i];
        }
    }
    return path;
}

// A runtime folder another user owns (root started from a user's session
// keeps the user's) could have a private folder made in it renamed away.
QString ownTemporaryFolder()
{
    const QString runtime = environmentFolder("XDG_RUNTIME_DIR", QString());
    struct stat info { };
    if (!runtime.isEmpty() && lstat(QFile::encodeName(runtime).constData(), &info) == 0
        && S_ISDIR(info.st_mode) && info.st_uid == geteuid())
        return runtime;
    return QDir::tempPath();
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

QStringList Locations::mountPoints() const
{
    QFile table(mountTable);
    if (!table.open(QIODevice::ReadOnly))
        return {};
    // "36 35 98:0 /mnt1 /mnt/point rw,noatime master:1 - ext4 /dev/sda1 rw": the
    // fifth field is the mount point, the one after "-" the file system's type.
    QStringList points;
    QSet<QString> seen;
    for (const QByteArray& line : table.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        const qsizetype separator = fields.indexOf("-", 6);
        if (fields.size() < 5 || separator < 0 || separator + 1 >= fields.size()
            || isPseudoFileSystem(fields[separator + 1]))
            continue;
        const QByteArray point = unescapedMountPoint(fields[4]);
        const QString decoded = QFile::decodeName(point);
        // A point the table spells in no way a path can be used again is passed over.
        if (point.startsWith('/') && QFile::encodeName(decoded) == point && !seen.contains(decoded)) {
            seen.insert(decoded);
            points.append(decoded);
        }
    }
    return points;
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
    l.temporaryFolder = ownTemporaryFolder();
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
    l.temporaryFolder = root + QStringLiteral("/tmp");
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
