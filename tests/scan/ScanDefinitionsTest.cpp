#include "platform/Locations.h"
#include "platform/PropertyList.h"
#include "scan/ScanDefinitions.h"
#include "scan/ScanTestSupport.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace {

const QStringList kBrowsers = { "Safari", "FireFox", "Camino", "Opera", "OmniWeb", "Netscape", "iCab",
    "Internet Explorer" };

// Browsers whose entry each category reads, and those read by the profile-file walk,
// which deletes one named file in each profile instead of a whole folder's content.
const QMap<QString, QStringList> kReadBrowsers = {
    { "Internet Cache", kBrowsers },
    { "Cookies", kBrowsers },
    { "History", kBrowsers },
    { "Downloads List", kBrowsers },
    { "Form Values", { "Safari", "FireFox", "Netscape" } },
    { "Page Icons", { "Safari", "OmniWeb", "Camino" } },
};
bool walksProfileFiles(const QString& category, const QString& browser)
{
    return category != QStringLiteral("Internet Cache") && category != QStringLiteral("Page Icons")
        && (browser == QStringLiteral("FireFox") || browser == QStringLiteral("Netscape"));
}

// Folders whose loss breaks the system or loses the user's own data: no
// definition whose whole content is junk may be one of them or hold one.
const QStringList kProtected = { "/", "/etc", "/usr", "/var/cache/debconf", "/var/lib/dpkg", "/var/lib/apt",
    "~/.mozilla/firefox", "~/.netscape/navigator", "~/.config/opera/Bookmarks", "~/.local/share/keyrings",
    "~/.ssh", "~/.gnupg", "~/Documents" };
const QStringList kTooBroad = { "~", "~/.cache", "~/.config", "~/.local", "~/.local/share", "/var", "/var/cache",
    "/var/lib", "/tmp" };

QString normalised(QString path)
{
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    return path;
}

void expectSafeToEmpty(const QString& entry)
{
    const QString root = normalised(entry);
    EXPECT_FALSE(kTooBroad.contains(root)) << qPrintable(entry);
    for (const QString& kept : kProtected)
        EXPECT_FALSE(kept == root || kept.startsWith(root + u'/') || root == QStringLiteral("/"))
            << qPrintable(entry) << " would take " << qPrintable(kept);
}

QStringList expectPathArray(const QVariant& value, const QString& where)
{
    EXPECT_EQ(value.typeId(), QMetaType::QVariantList) << qPrintable(where);
    QStringList paths;
    for (const QVariant& item : value.toList()) {
        EXPECT_EQ(item.typeId(), QMetaType::QString) << qPrintable(where);
        const QString path = item.toString();
        EXPECT_TRUE(path.startsWith(QStringLiteral("~/")) || path.startsWith(u'/')) << qPrintable(path);
        EXPECT_FALSE(path.split(u'/').contains(QStringLiteral(".."))) << qPrintable(path);
        paths.append(path);
    }
    return paths;
}

QVariantMap shipped(const QString& name)
{
    const auto root = PropertyList::read(QStringLiteral(VELMORA_SOURCE_RESOURCES "/definitions/") + name + ".plist");
    EXPECT_TRUE(root.has_value()) << qPrintable(name);
    EXPECT_EQ(root.value_or(QVariant()).typeId(), QMetaType::QVariantMap) << qPrintable(name);
    return root.value_or(QVariant()).toMap();
}

} // namespace

TEST(ShippedDefinitions, InternetCachePathsHasTheDesignedShapeAndSafeFolders)
{
    const QVariantMap root = shipped(QStringLiteral("InternetCachePaths"));
    QSet<QString> browsersWithPaths;
    for (auto category = root.cbegin(); category != root.cend(); ++category) {
        if (category.key() == QStringLiteral("Browser Bundle Identifier"))
            continue;
        ASSERT_TRUE(kReadBrowsers.contains(category.key())) << qPrintable(category.key());
        ASSERT_EQ(category.value().typeId(), QMetaType::QVariantMap) << qPrintable(category.key());
        const QVariantMap browsers = category.value().toMap();
        for (auto browser = browsers.cbegin(); browser != browsers.cend(); ++browser) {
            EXPECT_TRUE(kReadBrowsers.value(category.key()).contains(browser.key()))
                << qPrintable(category.key()) << " never reads " << qPrintable(browser.key());
            const QStringList paths = expectPathArray(browser.value(), category.key() + u' ' + browser.key());
            if (!paths.isEmpty())
                browsersWithPaths.insert(browser.key());
            if (!walksProfileFiles(category.key(), browser.key())) {
                for (const QString& path : paths)
                    expectSafeToEmpty(path);
            }
        }
    }

    const QVariant table = root.value(QStringLiteral("Browser Bundle Identifier"));
    ASSERT_EQ(table.typeId(), QMetaType::QVariantMap);
    QSet<QString> executables;
    QSet<QString> named;
    const QVariantMap names = table.toMap();
    for (auto it = names.cbegin(); it != names.cend(); ++it) {
        const auto browser = std::find_if(kBrowsers.cbegin(), kBrowsers.cend(), [&](const QString& b) {
            return it.key() == b || it.key().startsWith(b + u' ');
        });
        EXPECT_NE(browser, kBrowsers.cend()) << qPrintable(it.key());
        if (browser != kBrowsers.cend())
            named.insert(*browser);
        ASSERT_EQ(it.value().typeId(), QMetaType::QString) << qPrintable(it.key());
        const QString executable = it.value().toString();
        EXPECT_FALSE(executable.isEmpty() || executable.contains(u'/') || executable.contains(u' '))
            << qPrintable(executable);
        EXPECT_FALSE(executables.contains(executable)) << "one display name per program: " << qPrintable(executable);
        executables.insert(executable);
    }
    for (const QString& browser : browsersWithPaths)
        EXPECT_TRUE(named.contains(browser)) << qPrintable(browser) << " has data but no program name";
    EXPECT_TRUE(executables.contains(QStringLiteral("firefox")));
    EXPECT_TRUE(executables.contains(QStringLiteral("firefox-esr")));
}

TEST(ShippedDefinitions, LogAndSystemCacheListsAreSafeAndRecognised)
{
    const QVariantMap logs = shipped(QStringLiteral("SysLogPaths"));
    EXPECT_EQ(logs.keys(), QStringList { "LogPaths" });
    const QStringList logPaths = expectPathArray(logs.value(QStringLiteral("LogPaths")), QStringLiteral("LogPaths"));
    EXPECT_TRUE(logPaths.contains(ScanDefinitions::kUserLogsEntry));
    EXPECT_TRUE(logPaths.contains(ScanDefinitions::kLibraryLogsEntry));
    // The age rule needs the folder that holds the two fresh logs, written so
    // that folder and name join to exactly their paths.
    const Locations system = Locations::fromEnvironment();
    EXPECT_TRUE(logPaths.contains(QFileInfo(system.secureLog).absolutePath()));
    EXPECT_TRUE(logPaths.contains(QFileInfo(system.systemLog).absolutePath()));

    const QVariantMap caches = shipped(QStringLiteral("SystemCachePaths"));
    EXPECT_EQ(caches.keys(), QStringList { "System Cache" });
    const QStringList cachePaths
        = expectPathArray(caches.value(QStringLiteral("System Cache")), QStringLiteral("System Cache"));
    EXPECT_FALSE(cachePaths.isEmpty());
    for (const QString& path : logPaths + cachePaths)
        expectSafeToEmpty(path);
}

TEST(ScanDefinitions, DamagedEntriesActAsEmptyListsWithALogLine)
{
    Sandbox sandbox;
    const QVariantMap internet = {
        { "Cookies", QStringLiteral("not a dictionary") },
        { "History", QVariantMap { { "Opera", QVariantList { "/a", 5, "/b" } }, { "Safari", "/single" } } },
        { "Browser Bundle Identifier", QVariantMap { { "Opera", "opera" }, { "FireFox", 3 } } },
    };
    useDefinitions(sandbox, internet, {}, {});
    const QVariantMap loaded = ScanDefinitions::load(sandbox.locations(), ScanDefinitions::kInternetCachePaths);
    sandbox.clearRecords();

    EXPECT_TRUE(ScanDefinitions::browserPaths(loaded, "Cookies", "Opera").isEmpty());
    EXPECT_TRUE(sandbox.logged("InternetCachePaths \"Cookies\" is not a dictionary; it is passed over"));
    EXPECT_EQ(ScanDefinitions::browserPaths(loaded, "History", "Opera"), (QStringList { "/a", "/b" }));
    EXPECT_TRUE(ScanDefinitions::browserPaths(loaded, "History", "Safari").isEmpty());
    EXPECT_TRUE(ScanDefinitions::browserPaths(loaded, "Form Values", "Safari").isEmpty());
    const auto browsers = ScanDefinitions::browserExecutables(loaded);
    ASSERT_EQ(browsers.size(), 1);
    EXPECT_EQ(browsers[0], std::make_pair(QStringLiteral("Opera"), QStringLiteral("opera")));
    EXPECT_EQ(sandbox.logLines().size(), 4) << qPrintable(sandbox.logLines().join(u'\n'));

    // A missing resource is an empty one, without a word.
    QFile::remove(sandbox.locations().definitionFile(ScanDefinitions::kSysLogPaths));
    sandbox.clearRecords();
    EXPECT_TRUE(ScanDefinitions::logPaths(ScanDefinitions::load(sandbox.locations(), ScanDefinitions::kSysLogPaths))
                    .isEmpty());
    EXPECT_TRUE(sandbox.logLines().isEmpty());
}
