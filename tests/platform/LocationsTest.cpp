#include "platform/Locations.h"
#include "support/QStringPrinting.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <iterator>
#include <optional>

namespace {

TEST(Locations, ExpandTildeOnlyForTheUsersOwnHome)
{
    const struct {
        const char* home;
        const char* path;
        const char* expected;
    } rows[] = {
        { "/home/u", "~", "/home/u" },
        { "/home/u/", "~/x", "/home/u/x" },
        { "/", "~/x", "/x" },
        { "/home/u", "~user/x", "~user/x" },
    };
    for (const auto& row : rows) {
        Locations locations;
        locations.home = QString::fromLatin1(row.home);
        EXPECT_EQ(locations.expandTilde(QString::fromLatin1(row.path)), QString::fromLatin1(row.expected))
            << row.home << " + " << row.path;
    }
}

// A location left out of the sandbox would point a test at the real machine,
// where removal code runs as root. Only the read-only resources may lie outside.
TEST(Locations, SandboxKeepsEveryWritableLocationInsideItsRoot)
{
    using L = Locations;
    const QString L::*inside[] = { &L::home, &L::configHome, &L::dataHome, &L::cacheHome, &L::autostartFolder,
        &L::localPreferences, &L::localStartupItems, &L::localApplicationSupport, &L::localCaches,
        &L::applicationsFolder, &L::secureLog, &L::systemLog, &L::dockPreferences, &L::resultsFolder,
        &L::userDefaultsFile, &L::ownExecutable, &L::elevationCommand, &L::privilegedHelper,
        &L::userApplicationsFolder, &L::userBinFolder, &L::optFolder, &L::userDesktopEntries, &L::userIcons,
        &L::userPixmaps, &L::systemDesktopEntries, &L::flatpakUserData, &L::flatpakUserExports,
        &L::flatpakSystemExports, &L::snapUserData, &L::snapMount, &L::snapDesktopEntries, &L::commandSearchPath,
        &L::temporaryFolder, &L::userTrash, &L::mountTable,
        &L::flatpakUserInstallation, &L::flatpakSystemInstallation, &L::snapRevisions, &L::crashReports };
    // A new field must be added to the list above (or be the one exception).
    static_assert(sizeof(Locations) == (std::size(inside) + 1) * sizeof(QString));

    const QString root = QStringLiteral("/tmp/velmora-sandbox-XXXX");
    const Locations locations = Locations::sandbox(root);
    for (const auto field : inside) {
        const QString path = locations.*field;
        EXPECT_TRUE(path.startsWith(root + u'/') && !path.contains("/..")) << path.toStdString();
    }
    EXPECT_TRUE(locations.resultsFile().startsWith(root + u'/'));
}

// Volumes whose trash counts, as the kernel's table names them.
TEST(Locations, MountPointsAreTheTablesRealVolumesDecodedAndEachOnce)
{
    Sandbox sandbox;
    sandbox.makeFile("proc/self/mountinfo",
        "22 1 0:21 / /proc rw,nosuid - proc proc rw\n"
        "26 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
        "27 26 0:24 / /run rw - tmpfs tmpfs rw\n"
        "40 26 8:17 / /media/u/My\\040Disk\\012x rw shared:5 master:2 - vfat /dev/sdb1 rw\n"
        "41 26 8:17 /sub /mnt/twice rw - ext4 /dev/sdb2 rw\n"
        "42 26 8:17 /sub /mnt/twice rw - ext4 /dev/sdb2 rw\n"
        "43 26 8:18 / relative rw - ext4 /dev/sdb3 rw\n"
        "44 26 8:19 / /no/separator rw ext4 /dev/sdb4 rw\n"
        "garbage\n");
    EXPECT_EQ(sandbox.locations().mountPoints(),
        QStringList({ "/", "/media/u/My Disk\nx", "/mnt/twice" }));
    Locations missing = sandbox.locations();
    missing.mountTable = sandbox.path("nowhere");
    EXPECT_TRUE(missing.mountPoints().isEmpty());
}

// The XDG base directory rules: an unset, empty or relative value means the default.
TEST(Locations, EnvironmentHonoursOnlyAbsoluteXdgFolders)
{
    Sandbox sandbox;
    const char* const names[] = { "HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME" };
    std::optional<QByteArray> saved[std::size(names)];
    for (size_t i = 0; i < std::size(names); ++i)
        saved[i] = qEnvironmentVariableIsSet(names[i]) ? std::optional(qgetenv(names[i])) : std::nullopt;

    const QString home = sandbox.path("home");
    qputenv("HOME", home.toUtf8());
    for (const char* value : { static_cast<const char*>(nullptr), "", "relative/config", "/abs/config" }) {
        SCOPED_TRACE(value ? value : "(unset)");
        for (size_t i = 1; i < std::size(names); ++i)
            static_cast<void>(value ? qputenv(names[i], value) : qunsetenv(names[i]));
        const Locations l = Locations::fromEnvironment();
        const QString used = value && value[0] == '/' ? QString::fromLatin1(value) : QString();
        EXPECT_EQ(l.home, home);
        EXPECT_EQ(l.configHome, used.isEmpty() ? home + "/.config" : used);
        EXPECT_EQ(l.dataHome, used.isEmpty() ? home + "/.local/share" : used);
        EXPECT_EQ(l.cacheHome, used.isEmpty() ? home + "/.cache" : used);
        // pkexec runs this path as root: never one beside the program or in a build folder.
        EXPECT_EQ(l.privilegedHelper, QStringLiteral(VELMORA_INSTALLED_HELPER));
    }
    for (size_t i = 0; i < std::size(names); ++i)
        static_cast<void>(saved[i] ? qputenv(names[i], *saved[i]) : qunsetenv(names[i]));
}

} // namespace
