#pragma once

#include "platform/Locations.h"
#include "scan/ScanResultsFile.h"

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QVariantMap>

#include <functional>

class ScanInfo;
class ScanReporter;
struct ScanState;

// The walks of one scan, on the scan thread: they find the junk below the
// definition paths, keep it in the results file, count it in the scan state
// and report each finding. No widgets here; the page is reached only through
// the reporter.
class JunkScanner final {
public:
    static inline const QString kInternetCache = QStringLiteral("Internet Cache");
    static inline const QString kUserLibraryLogs = QStringLiteral("UserLibraryLogs");
    static inline const QString kSystemLibraryLogs = QStringLiteral("System Library Logs");
    static inline const QString kSystemLogs = QStringLiteral("System Logs");
    static inline const QString kSystemCache = QStringLiteral("System Cache");
    static inline const QString kTrash = QStringLiteral("Trash");

    // A copy of the locations, so the scan thread never reads the shared ones.
    JunkScanner(ScanState& state, ScanReporter& reporter, Locations locations);

    void scanBrowserCache(const QStringList& paths, const QString& category);
    void scanNetscapeFireFoxCahe(const QStringList& paths);
    void scanBrowserOtherCategories(const QStringList& paths, const QString& category);
    void scanNetscapeFireFoxOtherCategories(
        const QStringList& paths, const QString& category, const QString& fileName);
    // The Chromium family: each entry names a browser's user-data folder; in its
    // "Default" and "Profile <number>" folders the category's files are junk.
    void scanChromiumProfileFiles(const QStringList& paths, const QString& category);
    void scanSystemLogs();
    void scanSystemCache();
    void handleSystemCacheItem(const QString& path);
    // Every item of every trash folder is one finding: the entry of files/,
    // never what lies inside a trashed folder.
    void scanTrash();
    // The browser walks of every category, in the order the page shows them;
    // `definitions` is the InternetCachePaths resource.
    void scanBrowsers(const QVariantMap& definitions);

    // A whole scan, each stage only while the scan is still wanted, then the
    // results file written: the one sequence the window and the command line
    // share. `reached` hears of each stage before it runs (and of the end of
    // the browser walks), on the scanning thread.
    enum class Stage { InternetCache, InternetCacheEnded, Logs, SystemCache, Trash };
    void scanEverything(const std::function<void(Stage)>& reached);
    // Writes what the scanners' stores held back; the last step of a scan.
    void writeResults();

    const Locations& locations() const { return m_locations; }
    // The results as written at the end of the scan, without reading the file back.
    QVariantMap results() const { return m_results.dictionary(); }

    // When a file was created, links followed; invalid when unknown. Linux
    // offers no way to give a file a creation date, so tests stand in for it.
    using CreationDateSource = std::function<QDateTime(const QString& path)>;
    void setCreationDateSource(CreationDateSource source) { m_creationDate = std::move(source); }

    // Profile folders: "xxxx.default", and ".default-" followed by letters, digits
    // and hyphens ("xxxx.default-release", "xxxx.default-release-1732624945171").
    static bool isProfileFolderName(QStringView name);
    // What a Chromium profile folder, or the user-data folder itself, holds of
    // the category: files listed themselves, folders with every file in them.
    static const QStringList& chromiumProfileFiles(const QString& category);
    static const QStringList& chromiumUserDataFiles(const QString& category);
    // Whether a log's name marks it rotated or archived, so that nothing writes
    // it any more: "syslog.1", "dpkg.log.2.gz", "kern.log.xz", "Xorg.0.log.old",
    // "messages-20261201", "system@<id>.journal", "user-1000.journal~".
    static bool isArchivedLogName(QStringView name);
    // Whether one of the two fresh system logs is old enough to be listed.
    static bool isOldEnoughToList(const QDateTime& created, const QDateTime& now);

    enum class LogClass { UserLogs, LibraryLogs, SystemLogs };
    // The default creation date source: the file's birth time, never its
    // modification time, which anyone who can write the file can set back.
    static QDateTime creationDateOf(const QString& path);

private:
    // What a browser scanner does with a root: profile walks pass over a
    // missing root silently and store after every root, like the cache walk;
    // the file-or-folder walk logs a missing root and stores only findings.
    enum class RootRule { StoreEveryRoot, ProfilesSkipSilently, StoreOnlyFindings };
    // The frame the four browser scanners share; walkRoot(root, record) walks one existing root.
    template <typename WalkRoot>
    void scanBrowserRoots(
        const QStringList& paths, const QString& category, RootRule rule, WalkRoot walkRoot);
    bool listsSystemLog(const QString& path) const;
    LogClass logClassOf(const QString& entry) const;
    void storeResults();

    ScanState& m_state;
    ScanReporter& m_reporter;
    const Locations m_locations;
    ScanResultsFile m_results;
    CreationDateSource m_creationDate;
    QHash<QString, QStringList> m_chromiumProfiles; // user-data folder -> its profile folders
    QHash<QString, QStringList> m_firefoxProfiles; // profiles folder -> those its profiles.ini names
};
