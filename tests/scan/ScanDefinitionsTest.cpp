#include "scan/ScanDefinitions.h"
#include "platform/Locations.h"
#include "platform/PropertyList.h"
#include "support/QStringPrinting.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QSet>

namespace {

const QStringList kChromiumFamily = { "Chromium", "Google Chrome", "Brave", "Microsoft Edge", "Vivaldi" };
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

TEST(ShippedDefinitions, BrowserEntriesNameSafeFoldersAndARunningProgram)
{
    const QVariantMap root = shipped("InternetCachePaths");
    QSet<QString> withPaths;
    for (auto category = root.cbegin(); category != root.cend(); ++category) {
        if (category.key() == "Browser Bundle Identifier")
            continue;
        ASSERT_EQ(category.value().typeId(), QMetaType::QVariantMap) << qPrintable(category.key());
        const QVariantMap browsers = category.value().toMap();
        for (auto browser = browsers.cbegin(); browser != browsers.cend(); ++browser) {
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

    // A browser with data but no program name could not be told running.
    const QVariantMap names = root.value("Browser Bundle Identifier").toMap();
    for (const QString& browser : withPaths)
        EXPECT_TRUE(std::any_of(names.keyBegin(), names.keyEnd(), [&](const QString& name) {
            return name == browser || name.startsWith(browser + u' ');
        })) << qPrintable(browser);
}

TEST(ShippedDefinitions, LogAndCacheEntriesAreRecognisedAndSafe)
{
    const QVariantMap logs = shipped("SysLogPaths");
    const QStringList logPaths = expectPaths(logs.value("LogPaths"), "LogPaths");
    EXPECT_TRUE(logPaths.contains(ScanDefinitions::kUserLogsEntry));
    EXPECT_TRUE(logPaths.contains(ScanDefinitions::kLibraryLogsEntry));
    // The age rule needs the folder of the two fresh logs written so that it joins to their exact paths.
    const Locations system = Locations::fromEnvironment();
    EXPECT_TRUE(logPaths.contains(QFileInfo(system.secureLog).path()));
    EXPECT_TRUE(logPaths.contains(QFileInfo(system.systemLog).path()));

    const QVariantMap caches = shipped("SystemCachePaths");
    const QStringList cachePaths = expectPaths(caches.value("System Cache"), "System Cache");
    EXPECT_FALSE(cachePaths.isEmpty());
    for (const QString& path : logPaths + cachePaths)
        expectSafeToEmpty(path);
}
