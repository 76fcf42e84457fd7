#include "scan/ScanDefinitions.h"
#include "platform/Locations.h"
#include "platform/PropertyList.h"
#include "scan/ScanTestSupport.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QSet>

namespace {

const QStringList kChromiumFamily = { "Chromium", "Google Chrome", "Brave", "Microsoft Edge", "Vivaldi" };
const QStringList kBrowsers = QStringList {
    "Safari", "FireFox", "Camino", "Opera", "OmniWeb", "Netscape", "iCab", "Internet Explorer"
} + kChromiumFamily;
// The browsers each category reads; the Chromium family keeps its downloads in its history.
const QMap<QString, QStringList> kReadBrowsers = { { "Internet Cache", kBrowsers }, { "Cookies", kBrowsers },
    { "History", kBrowsers }, { "Downloads List", kBrowsers.mid(0, 8) },
    { "Form Values", QStringList { "Safari", "FireFox", "Netscape" } + kChromiumFamily },
    { "Page Icons", QStringList { "Safari", "OmniWeb", "Camino" } + kChromiumFamily } };

// Whose loss breaks the system or costs the user's own data: no entry whose
// whole content is junk may be one of these or hold one.
const QStringList kProtected = { "/etc", "/usr", "/var/cache/debconf", "/var/lib/dpkg", "/var/lib/apt",
    "~/.mozilla/firefox", "~/.netscape/navigator", "~/.config/opera/Bookmarks", "~/.config/chromium",
    "~/.config/google-chrome", "~/.config/BraveSoftware", "~/.config/microsoft-edge", "~/.config/vivaldi",
    "~/snap/chromium/common/chromium", "~/.var/app/org.chromium.Chromium/config", "~/.local/share/keyrings",
    "~/.ssh", "~/.gnupg", "~/Documents" };
const QStringList kTooBroad = { "/", "~", "~/.cache", "~/.config", "~/.local", "~/.local/share", "/var",
    "/var/cache", "/var/lib", "/tmp" };

void expectSafeToEmpty(QString root)
{
    while (root.size() > 1 && root.endsWith(u'/'))
        root.chop(1);
    EXPECT_FALSE(kTooBroad.contains(root)) << qPrintable(root);
    for (const QString& kept : kProtected)
        EXPECT_FALSE(kept == root || kept.startsWith(root + u'/'))
            << qPrintable(root) << " takes " << qPrintable(kept);
}

QStringList expectPaths(const QVariant& value, const QString& where)
{
    EXPECT_EQ(value.typeId(), QMetaType::QVariantList) << qPrintable(where);
    for (const QVariant& item : value.toList()) {
        EXPECT_EQ(item.typeId(), QMetaType::QString) << qPrintable(where);
        const QString path = item.toString();
        EXPECT_TRUE((path.startsWith("~/") || path.startsWith(u'/')) && !path.split(u'/').contains(".."))
            << qPrintable(path);
    }
    return value.toStringList();
}

QVariantMap shipped(const QString& name)
{
    const auto root = PropertyList::read(VELMORA_SOURCE_RESOURCES "/definitions/" + name + ".plist");
    EXPECT_TRUE(root && root->typeId() == QMetaType::QVariantMap) << qPrintable(name);
    return root.value_or(QVariant()).toMap();
}

} // namespace

TEST(ShippedDefinitions, BrowserEntriesHaveTheDesignedShapeAndSafeFolders)
{
    const QVariantMap root = shipped("InternetCachePaths");
    QSet<QString> withPaths;
    for (auto category = root.cbegin(); category != root.cend(); ++category) {
        if (category.key() == "Browser Bundle Identifier")
            continue;
        ASSERT_TRUE(kReadBrowsers.contains(category.key())) << qPrintable(category.key());
        ASSERT_EQ(category.value().typeId(), QMetaType::QVariantMap) << qPrintable(category.key());
        const QVariantMap browsers = category.value().toMap();
        for (auto browser = browsers.cbegin(); browser != browsers.cend(); ++browser) {
            EXPECT_TRUE(kReadBrowsers[category.key()].contains(browser.key())) << qPrintable(browser.key());
            const QStringList paths = expectPaths(browser.value(), category.key() + u' ' + browser.key());
            if (!paths.isEmpty())
                withPaths.insert(browser.key());
            // The profile walks take named files per profile, not a folder's content.
            const bool profileFiles = (browser.key() == "FireFox" || browser.key() == "Netscape"
                                          || kChromiumFamily.contains(browser.key()))
                && category.key() != "Internet Cache" && category.key() != "Page Icons";
            const bool chromiumProfiles
                = kChromiumFamily.contains(browser.key()) && category.key() != "Internet Cache";
            for (const QString& path : profileFiles || chromiumProfiles ? QStringList() : paths)
                expectSafeToEmpty(path);
        }
    }

    const QVariant table = root.value("Browser Bundle Identifier");
    ASSERT_EQ(table.typeId(), QMetaType::QVariantMap);
    QSet<QString> named;
    QStringList executables;
    const QVariantMap names = table.toMap();
    for (auto it = names.cbegin(); it != names.cend(); ++it) {
        const auto browser = std::find_if(kBrowsers.cbegin(), kBrowsers.cend(),
            [&](const QString& b) { return it.key() == b || it.key().startsWith(b + u' '); });
        ASSERT_NE(browser, kBrowsers.cend()) << qPrintable(it.key()) << " names no known browser";
        named.insert(*browser);
        const bool isList = it.value().typeId() == QMetaType::QVariantList;
        ASSERT_TRUE(isList || it.value().typeId() == QMetaType::QString) << qPrintable(it.key());
        for (const QVariant& item : isList ? it.value().toList() : QVariantList { it.value() })
            ASSERT_EQ(item.typeId(), QMetaType::QString) << qPrintable(it.key());
        const QStringList programs = it.value().toStringList();
        for (const QString& program : programs) {
            // A path end is matched below a folder: it neither starts nor ends with "/".
            EXPECT_FALSE(program.isEmpty() || program.startsWith(u'/') || program.endsWith(u'/')
                || program.contains(QStringLiteral("//")))
                << qPrintable(it.key());
        }
        executables.append(programs);
    }
    EXPECT_EQ(QSet<QString>(executables.cbegin(), executables.cend()).size(), executables.size());
    for (const QString& browser : withPaths)
        EXPECT_TRUE(named.contains(browser)) << qPrintable(browser) << " has data but no program name";
    for (const char* program :
        { "firefox", "firefox-esr", "chromium", "chrome", "brave", "msedge", "vivaldi-bin" })
        EXPECT_TRUE(executables.contains(QLatin1String(program))) << program;
}

TEST(ShippedDefinitions, LogAndCacheEntriesAreRecognisedAndSafe)
{
    const QVariantMap logs = shipped("SysLogPaths");
    EXPECT_EQ(logs.keys(), QStringList { "LogPaths" });
    const QStringList logPaths = expectPaths(logs.value("LogPaths"), "LogPaths");
    EXPECT_TRUE(logPaths.contains(ScanDefinitions::kUserLogsEntry));
    EXPECT_TRUE(logPaths.contains(ScanDefinitions::kLibraryLogsEntry));
    // The age rule needs the folder of the two fresh logs written so that it joins to their exact paths.
    const Locations system = Locations::fromEnvironment();
    EXPECT_TRUE(logPaths.contains(QFileInfo(system.secureLog).path()));
    EXPECT_TRUE(logPaths.contains(QFileInfo(system.systemLog).path()));

    const QVariantMap caches = shipped("SystemCachePaths");
    EXPECT_EQ(caches.keys(), QStringList { "System Cache" });
    const QStringList cachePaths = expectPaths(caches.value("System Cache"), "System Cache");
    EXPECT_FALSE(cachePaths.isEmpty());
    for (const QString& path : logPaths + cachePaths)
        expectSafeToEmpty(path);
}

TEST(ScanDefinitions, DamagedEntriesActAsEmptyListsWithALogLine)
{
    Sandbox sandbox;
    useDefinitions(sandbox,
        { { "Cookies", "not a dictionary" },
            { "History",
                QVariantMap { { "Opera", QVariantList { "/a", 5, "/b" } }, { "Safari", "/single" } } },
            { "Browser Bundle Identifier", QVariantMap { { "Opera", "opera" }, { "FireFox", 3 } } } });
    const QVariantMap loaded
        = ScanDefinitions::load(sandbox.locations(), ScanDefinitions::kInternetCachePaths);
    sandbox.clearRecords();

    EXPECT_TRUE(ScanDefinitions::browserPaths(loaded, "Cookies", "Opera").isEmpty());
    EXPECT_TRUE(sandbox.logged("InternetCachePaths \"Cookies\" is not a dictionary; it is passed over"));
    EXPECT_EQ(ScanDefinitions::browserPaths(loaded, "History", "Opera"), (QStringList { "/a", "/b" }));
    EXPECT_TRUE(ScanDefinitions::browserPaths(loaded, "History", "Safari").isEmpty());
    EXPECT_TRUE(ScanDefinitions::browserPaths(loaded, "Form Values", "Safari").isEmpty());
    const auto browsers = ScanDefinitions::browserExecutables(loaded);
    EXPECT_EQ(browsers, (QList<std::pair<QString, QString>> { { "Opera", "opera" } }));
    EXPECT_EQ(sandbox.logLines().size(), 4) << qPrintable(sandbox.logLines().join(u'\n'));

    // A missing resource is an empty one, without a word.
    QFile::remove(sandbox.locations().definitionFile(ScanDefinitions::kSysLogPaths));
    sandbox.clearRecords();
    EXPECT_TRUE(
        ScanDefinitions::logPaths(ScanDefinitions::load(sandbox.locations(), ScanDefinitions::kSysLogPaths))
            .isEmpty());
    EXPECT_TRUE(sandbox.logLines().isEmpty());
}
