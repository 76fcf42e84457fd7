#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <utility>

struct Locations;

// The three definition resources that say which folders and files are junk.
// A missing resource or entry acts as an empty list; an entry of the wrong
// type is passed over with a log line, so a damaged file never stops a scan.
class ScanDefinitions final {
public:
    static inline const QString kInternetCachePaths = QStringLiteral("InternetCachePaths");
    static inline const QString kSysLogPaths = QStringLiteral("SysLogPaths");
    static inline const QString kSystemCachePaths = QStringLiteral("SystemCachePaths");
    static inline const QString kLogPaths = QStringLiteral("LogPaths");
    static inline const QString kSystemCache = QStringLiteral("System Cache");
    static inline const QString kBrowserExecutables = QStringLiteral("Browser Bundle Identifier");
    // The Chromium family's user-data folders, by browser, where the caches
    // kept beside the profiles are looked for; findings count as "Internet Cache".
    static inline const QString kChromiumUserData = QStringLiteral("Chromium User Data");

    // The log folder of the user's own logs, recognised by its exact text in
    // "LogPaths", before the tilde is expanded. The applications' crash
    // reports are recognised by the folder Locations names for them; every
    // other entry holds system logs.
    static inline const QString kUserLogsEntry = QStringLiteral("~/.local/share/xorg");

    // The resource's root dictionary; empty when the file is missing or damaged.
    static QVariantMap load(const Locations& locations, const QString& resourceName);

    static QStringList browserPaths(
        const QVariantMap& internetCachePaths, const QString& category, const QString& browser);
    // The paths of every browser of the category.
    static QStringList categoryPaths(const QVariantMap& internetCachePaths, const QString& category);
    static QStringList logPaths(const QVariantMap& sysLogPaths);
    static QStringList systemCachePaths(const QVariantMap& systemCachePaths);
    // Every path string of the three resources that a walk starts from, as
    // written ("~" not expanded): the places a removal may reach into.
    static QStringList everyEntry(const Locations& locations);
    // Display name and program name of each known browser, by display name; a
    // browser whose value is a list of names gives one pair per name.
    static QList<std::pair<QString, QString>> browserExecutables(const QVariantMap& internetCachePaths);
};
