#include "scan/ScanDefinitions.h"
#include "platform/Locations.h"
#include "platform/PropertyList.h"

#include <gtest/gtest.h>

#include <QFileInfo>

namespace {

const QStringList kChromiumFamily = { "Chromium", "Google Chrome", "Brave", "Microsoft Edge", "Vivaldi" };
// Whose loss breaks the system or costs the user's own data: no entry whose
// whole content is junk may be one of these or hold one.
const QStringList kProtected = { "/etc", "/usr", "/var/cache/debconf", "/var/lib/dpkg", "/var/lib/apt",
    "~/.mozilla/firefox", "~/.netscape/navigator", "~/.config/opera/Bookmarks", "~/.config/chromium",
    "~/.config/google-chrome", "~/.config/BraveSoftware", "~/.config/microsoft-edge", "~/.config/vivaldi",
    "~/snap/chromium/common/chromium", "~/.var/app/org.chromium.Chromium/config", "~/.config/mozilla/firefox",
    "~/.librewolf", "~/snap/brave/current/.config/BraveSoftware", "~/snap/vivaldi/current/.config/vivaldi",
    "~/snap/opera/current/.config/opera/Bookmarks", "~/.local/share/keyrings", "~/.ssh", "~/.gnupg",
    "~/Documents" };
// The developer tools keep programs and settings beside their caches (~/.cargo/bin, ~/.npmrc).
const QStringList kTooBroad = { "/", "~", "~/.cache", "~/.config", "~/.local", "~/.local/share", "/var",
    "/var/cache", "/var/lib", "/tmp", "~/.npm", "~/.cargo", "~/.cargo/registry", "~/.gradle" };

QVariantMap shipped(const QString& name)
{
    const auto root = PropertyList::read(VELMORA_SOURCE_RESOURCES "/definitions/" + name + ".plist");
    EXPECT_TRUE(root && root->typeId() == QMetaType::QVariantMap) << qPrintable(name);
    return root.value_or(QVariant()).toMap();
}

// Every entry a path from "~" or "/" without "..", and, where the walk takes a
// folder's whole content, neither too broad nor holding a protected folder.
void expectSafe(const QVariant& entries, bool wholeContent)
{
    EXPECT_EQ(entries.typeId(), QMetaType::QVariantList);
    for (const QVariant& item : entries.toList()) {
        QString path = item.toString();
        EXPECT_TRUE(item.typeId() == QMetaType::QString && (path.startsWith("~/") || path.startsWith(u'/'))
            && !path.split(u'/').contains(".."))
            << qPrintable(path);
        while (wholeContent && path.size() > 1 && path.endsWith(u'/'))
            path.chop(1);
        EXPECT_FALSE(wholeContent && kTooBroad.contains(path)) << qPrintable(path);
        for (const QString& kept : kProtected)
            EXPECT_FALSE(wholeContent && (kept == path || kept.startsWith(path + u'/')))
                << qPrintable(path) << " takes " << qPrintable(kept);
    }
}

} // namespace

TEST(ShippedDefinitions, EveryEntryNamesASafePathAndEveryBrowserARunningProgram)
{
    const QVariantMap root = shipped("InternetCachePaths");
    const QVariantMap names = root.value("Browser Bundle Identifier").toMap();
    for (auto category = root.cbegin(); category != root.cend(); ++category) {
        if (category.key() == "Browser Bundle Identifier")
            continue;
        ASSERT_EQ(category.value().typeId(), QMetaType::QVariantMap) << qPrintable(category.key());
        const QVariantMap browsers = category.value().toMap();
        for (auto browser = browsers.cbegin(); browser != browsers.cend(); ++browser) {
            SCOPED_TRACE(qPrintable(category.key() + u' ' + browser.key()));
            // The profile walks take named files per profile, not a folder's content.
            const bool firefox = QStringList { "FireFox", "Netscape", "LibreWolf" }.contains(browser.key());
            expectSafe(browser.value(),
                category.key() == "Internet Cache" || (!kChromiumFamily.contains(browser.key()) && !firefox));
            // A browser with data but no program name could not be told running.
            EXPECT_TRUE(browser.value().toList().isEmpty()
                || std::any_of(names.keyBegin(), names.keyEnd(), [&](const QString& name) {
                       return name == browser.key() || name.startsWith(browser.key() + u' ');
                   }));
        }
    }

    const QVariant logs = shipped("SysLogPaths").value("LogPaths");
    expectSafe(logs, true);
    // The age rule needs the folder of the two fresh logs written so that it joins to their exact paths.
    const Locations system = Locations::fromEnvironment();
    for (const QString& entry : { ScanDefinitions::kUserLogsEntry, system.crashReports,
             QFileInfo(system.secureLog).path(), QFileInfo(system.systemLog).path() })
        EXPECT_TRUE(logs.toStringList().contains(entry)) << qPrintable(entry);
    const QVariant caches = shipped("SystemCachePaths").value("System Cache");
    EXPECT_FALSE(caches.toList().isEmpty());
    expectSafe(caches, true);
}
