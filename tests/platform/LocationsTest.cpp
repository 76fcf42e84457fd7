#include "platform/Locations.h"
#include "support/QStringPrinting.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <iterator>
#include <optional>
#include <utility>
#include <vector>

namespace {

TEST(Locations, ExpandTildeOnlyForTheUsersOwnHome)
{
    const struct {
        const char* home;
        const char* path;
        const char* expected;
    } rows[] = {
        { "/home/u", "~", "/home/u" },
        { "/home/u", "~/", "/home/u/" },
        { "/home/u", "~/Library/Logs", "/home/u/Library/Logs" },
        { "/home/u/", "~/x", "/home/u/x" },
        { "/", "~/x", "/x" },
        { "/home/u", "~user", "~user" },
        { "/home/u", "~user/x", "~user/x" },
        { "/home/u", "x~", "x~" },
        { "/home/u", "/a/~/b", "/a/~/b" },
        { "/home/u", " ~/x", " ~/x" },
        { "/home/u", "", "" },
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
    const std::pair<const char*, QString Locations::*> inside[] = {
        { "home", &Locations::home },
        { "configHome", &Locations::configHome },
        { "dataHome", &Locations::dataHome },
        { "cacheHome", &Locations::cacheHome },
        { "autostartFolder", &Locations::autostartFolder },
        { "localPreferences", &Locations::localPreferences },
        { "localStartupItems", &Locations::localStartupItems },
        { "localApplicationSupport", &Locations::localApplicationSupport },
        { "localCaches", &Locations::localCaches },
        { "applicationsFolder", &Locations::applicationsFolder },
        { "secureLog", &Locations::secureLog },
        { "systemLog", &Locations::systemLog },
        { "dockPreferences", &Locations::dockPreferences },
        { "resultsFolder", &Locations::resultsFolder },
        { "userDefaultsFile", &Locations::userDefaultsFile },
        { "ownExecutable", &Locations::ownExecutable },
        { "elevationCommand", &Locations::elevationCommand },
        { "privilegedHelper", &Locations::privilegedHelper },
        { "userApplicationsFolder", &Locations::userApplicationsFolder },
        { "userBinFolder", &Locations::userBinFolder },
        { "optFolder", &Locations::optFolder },
        { "userDesktopEntries", &Locations::userDesktopEntries },
        { "userIcons", &Locations::userIcons },
        { "systemDesktopEntries", &Locations::systemDesktopEntries },
        { "flatpakUserData", &Locations::flatpakUserData },
        { "flatpakUserExports", &Locations::flatpakUserExports },
        { "flatpakSystemExports", &Locations::flatpakSystemExports },
        { "snapUserData", &Locations::snapUserData },
        { "snapMount", &Locations::snapMount },
        { "snapDesktopEntries", &Locations::snapDesktopEntries },
        { "commandSearchPath", &Locations::commandSearchPath },
    };
    // A new field must be added to the list above (or to the one exception).
    static_assert(sizeof(Locations) == (std::size(inside) + 1) * sizeof(QString));

    const QString root = QStringLiteral("/tmp/velmora-sandbox-XXXX");
    const Locations locations = Locations::sandbox(root);
    for (const auto& [name, field] : inside) {
        const QString path = locations.*field;
        EXPECT_TRUE(path.startsWith(root + u'/')) << name << ": " << path.toStdString();
        EXPECT_FALSE(path.contains(QStringLiteral("/.."))) << name << ": " << path.toStdString();
    }
    EXPECT_TRUE(locations.resultsFile().startsWith(root + u'/'));
    EXPECT_TRUE(locations.expandTilde(QStringLiteral("~/Library")).startsWith(root + u'/'));
}

// The XDG base directory rules: an unset, empty or relative value means the default.
TEST(Locations, EnvironmentHonoursOnlyAbsoluteXdgFolders)
{
    Sandbox sandbox;
    const QByteArray names[] = { "HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME" };
    std::vector<std::pair<QByteArray, std::optional<QByteArray>>> saved;
    for (const QByteArray& name : names)
        saved.emplace_back(
            name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt);

    const QString home = sandbox.path(QStringLiteral("home"));
    qputenv("HOME", home.toUtf8());
    const struct {
        const char* value;
        bool used;
    } rows[] = { { nullptr, false }, { "", false }, { "relative/config", false }, { "/abs/config", true } };
    for (const auto& row : rows) {
        for (const char* name : { "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME" }) {
            if (row.value)
                qputenv(name, row.value);
            else
                qunsetenv(name);
        }
        const Locations l = Locations::fromEnvironment();
        const QString value = QString::fromLatin1(row.value ? row.value : "");
        SCOPED_TRACE(row.value ? row.value : "(unset)");
        EXPECT_EQ(l.home, home);
        EXPECT_EQ(l.configHome, row.used ? value : home + QStringLiteral("/.config"));
        EXPECT_EQ(l.dataHome, row.used ? value : home + QStringLiteral("/.local/share"));
        EXPECT_EQ(l.cacheHome, row.used ? value : home + QStringLiteral("/.cache"));
        EXPECT_EQ(l.resultsFolder, l.dataHome + QStringLiteral("/Velmora"));
        EXPECT_EQ(l.autostartFolder, l.configHome + QStringLiteral("/autostart"));
        EXPECT_TRUE(l.userDefaultsFile.startsWith(l.configHome + u'/'));
        // pkexec runs this path as root: never one beside the program or in a build folder.
        EXPECT_EQ(l.privilegedHelper, QStringLiteral(VELMORA_INSTALLED_HELPER));
    }

    for (const auto& [name, value] : saved) {
        if (value)
            qputenv(name, *value);
        else
            qunsetenv(name);
    }
}

} // namespace
