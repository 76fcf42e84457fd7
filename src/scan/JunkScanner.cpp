#include "scan/JunkScanner.h"

#include "platform/DirectoryEnumerator.h"
#include "platform/SystemLog.h"
#include "platform/TrashFolders.h"
#include "scan/FirefoxProfiles.h"
#include "scan/ScanDefinitions.h"
#include "scan/ScanInfo.h"
#include "scan/ScanReporter.h"
#include "scan/ScanState.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QStringBuilder>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <optional>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace {

const QString kArrow = QStringLiteral("Arrow");
const QString kRightMark = QStringLiteral("RightMark");
const QString kCacheShown = QStringLiteral("Cache");

// ChromiumUserData walks the user-data folders as ChromiumProfileFiles does,
// but takes them from the definitions' "Chromium User Data".
enum class Walk { Cache, ProfileCache, FileOrFolder, ProfileFile, ChromiumProfileFiles, ChromiumUserData };

struct BrowserCall {
    const char* category;
    const char* browser;
    Walk walk;
    const char* fileName;
};

// The browser scanner calls in the order the page shows them; the definitions
// give each its path list. The Chromium family follows the first eight
// browsers in each category; its downloads live in "History". LibreWolf, a
// Firefox of its own, comes last.
constexpr BrowserCall kBrowserCalls[] = {
    { "Internet Cache", "Safari", Walk::Cache, nullptr },
    { "Internet Cache", "FireFox", Walk::ProfileCache, nullptr },
    { "Internet Cache", "Camino", Walk::Cache, nullptr },
    { "Internet Cache", "Opera", Walk::Cache, nullptr },
    { "Internet Cache", "OmniWeb", Walk::Cache, nullptr },
    { "Internet Cache", "Netscape", Walk::ProfileCache, nullptr },
    { "Internet Cache", "iCab", Walk::Cache, nullptr },
    { "Internet Cache", "Internet Explorer", Walk::Cache, nullptr },
    { "Internet Cache", "Chromium", Walk::Cache, nullptr },
    { "Internet Cache", "Google Chrome", Walk::Cache, nullptr },
    { "Internet Cache", "Brave", Walk::Cache, nullptr },
    { "Internet Cache", "Microsoft Edge", Walk::Cache, nullptr },
    { "Internet Cache", "Vivaldi", Walk::Cache, nullptr },
    { "Internet Cache", "Chromium", Walk::ChromiumUserData, nullptr },
    { "Internet Cache", "Google Chrome", Walk::ChromiumUserData, nullptr },
    { "Internet Cache", "Brave", Walk::ChromiumUserData, nullptr },
    { "Internet Cache", "Microsoft Edge", Walk::ChromiumUserData, nullptr },
    { "Internet Cache", "Vivaldi", Walk::ChromiumUserData, nullptr },
    { "Internet Cache", "LibreWolf", Walk::ProfileCache, nullptr },
    { "Cookies", "Safari", Walk::FileOrFolder, nullptr },
    { "Cookies", "FireFox", Walk::ProfileFile, "cookies.sqlite" },
    { "Cookies", "Camino", Walk::FileOrFolder, nullptr },
    { "Cookies", "Opera", Walk::FileOrFolder, nullptr },
    { "Cookies", "OmniWeb", Walk::FileOrFolder, nullptr },
    { "Cookies", "Netscape", Walk::ProfileFile, "cookies.txt" },
    { "Cookies", "iCab", Walk::FileOrFolder, nullptr },
    { "Cookies", "Internet Explorer", Walk::FileOrFolder, nullptr },
    { "Cookies", "Chromium", Walk::ChromiumProfileFiles, nullptr },
    { "Cookies", "Google Chrome", Walk::ChromiumProfileFiles, nullptr },
    { "Cookies", "Brave", Walk::ChromiumProfileFiles, nullptr },
    { "Cookies", "Microsoft Edge", Walk::ChromiumProfileFiles, nullptr },
    { "Cookies", "Vivaldi", Walk::ChromiumProfileFiles, nullptr },
    { "Cookies", "LibreWolf", Walk::ProfileFile, "cookies.sqlite" },
    { "History", "Safari", Walk::FileOrFolder, nullptr },
    { "History", "FireFox", Walk::ProfileFile, "history.dat" },
    { "History", "FireFox", Walk::ProfileFile, "places.sqlite" },
    { "History", "Camino", Walk::FileOrFolder, nullptr },
    { "History", "Opera", Walk::FileOrFolder, nullptr },
    { "History", "OmniWeb", Walk::FileOrFolder, nullptr },
    { "History", "Netscape", Walk::ProfileFile, "history.dat" },
    { "History", "iCab", Walk::FileOrFolder, nullptr },
    { "History", "Internet Explorer", Walk::FileOrFolder, nullptr },
    { "History", "Chromium", Walk::ChromiumProfileFiles, nullptr },
    { "History", "Google Chrome", Walk::ChromiumProfileFiles, nullptr },
    { "History", "Brave", Walk::ChromiumProfileFiles, nullptr },
    { "History", "Microsoft Edge", Walk::ChromiumProfileFiles, nullptr },
    { "History", "Vivaldi", Walk::ChromiumProfileFiles, nullptr },
    { "History", "LibreWolf", Walk::ProfileFile, "places.sqlite" },
    { "Downloads List", "Safari", Walk::FileOrFolder, nullptr },
    { "Downloads List", "FireFox", Walk::ProfileFile, "downloads.sqlite" },
    { "Downloads List", "Camino", Walk::FileOrFolder, nullptr },
    { "Downloads List", "Opera", Walk::FileOrFolder, nullptr },
    { "Downloads List", "OmniWeb", Walk::FileOrFolder, nullptr },
    { "Downloads List", "Netscape", Walk::ProfileFile, "downloads.rdf" },
    { "Downloads List", "iCab", Walk::FileOrFolder, nullptr },
    { "Downloads List", "Internet Explorer", Walk::FileOrFolder, nullptr },
    { "Form Values", "Safari", Walk::FileOrFolder, nullptr },
    { "Form Values", "FireFox", Walk::ProfileFile, "formhistory.sqlite" },
    { "Form Values", "Netscape", Walk::ProfileFile, "formhistory.dat" },
    { "Form Values", "Chromium", Walk::ChromiumProfileFiles, nullptr },
    { "Form Values", "Google Chrome", Walk::ChromiumProfileFiles, nullptr },
    { "Form Values", "Brave", Walk::ChromiumProfileFiles, nullptr },
    { "Form Values", "Microsoft Edge", Walk::ChromiumProfileFiles, nullptr },
    { "Form Values", "Vivaldi", Walk::ChromiumProfileFiles, nullptr },
    { "Form Values", "LibreWolf", Walk::ProfileFile, "formhistory.sqlite" },
    { "Page Icons", "Safari", Walk::FileOrFolder, nullptr },
    { "Page Icons", "OmniWeb", Walk::FileOrFolder, nullptr },
    { "Page Icons", "Camino", Walk::Cache, nullptr },
    { "Page Icons", "FireFox", Walk::ProfileFile, "favicons.sqlite" },
    { "Page Icons", "Chromium", Walk::ChromiumProfileFiles, nullptr },
    { "Page Icons", "Google Chrome", Walk::ChromiumProfileFiles, nullptr },
    { "Page Icons", "Brave", Walk::ChromiumProfileFiles, nullptr },
    { "Page Icons", "Microsoft Edge", Walk::ChromiumProfileFiles, nullptr },
    { "Page Icons", "Vivaldi", Walk::ChromiumProfileFiles, nullptr },
    { "Page Icons", "LibreWolf", Walk::ProfileFile, "favicons.sqlite" },
};
static_assert(std::size(kBrowserCalls) == 75);

enum class Kind { Missing, Folder, NotFolder };

// The file type with links followed, as the walks judge an item.
Kind kindOf(const QString& path)
{
    struct stat info { };
    if (stat(QFile::encodeName(path).constData(), &info) != 0)
        return Kind::Missing;
    return S_ISDIR(info.st_mode) ? Kind::Folder : Kind::NotFolder;
}

// Everything below root, depth first, until the walk ends or the scan is
// stopped; an entry fetched after the stop is not handled. visit gets the
// full path (root and entry joined by exactly one "/"), the entry's name and
// its kind with links followed. The walk has already looked at each entry,
// so only links and entries it could not examine are asked about again.
template <typename Visit> void walk(const QString& root, const std::atomic<bool>& scanning, Visit visit)
{
    QString prefix = root;
    while (prefix.size() > 1 && prefix.endsWith(u'/'))
        prefix.chop(1);
    if (prefix != QStringLiteral("/"))
        prefix += u'/';
    DirectoryEnumerator entries(root);
    while (const auto entry = entries.nextObject()) {
        if (!scanning)
            return;
        // One allocation of the joined length; '+' would copy the prefix and grow it.
        const QString path = prefix % *entry;
        Kind kind = Kind::NotFolder;
        switch (entries.lastEntryKind()) {
        case DirectoryEnumerator::EntryKind::Folder:
            kind = Kind::Folder;
            break;
        case DirectoryEnumerator::EntryKind::Other:
            break;
        case DirectoryEnumerator::EntryKind::SymbolicLink:
        case DirectoryEnumerator::EntryKind::Unknown:
            kind = kindOf(path);
            break;
        }
        visit(path, QStringView(*entry).mid(entry->lastIndexOf(u'/') + 1), kind);
    }
}

// A folder reached through a link lies outside the folder the definitions
// name, and removal refuses what lies outside; listing it would only promise
// what cannot be kept. "what" names the folder's kind in the log line.
bool isLinkedFolder(const QString& path, const QString& what)
{
    if (!QFileInfo(path).isSymLink())
        return false;
    SystemLog::write(QStringLiteral("Passing over the %1 %2: it is a link").arg(what, path));
    return true;
}

bool isLinkedProfile(const QString& path)
{
    return isLinkedFolder(path, QStringLiteral("profile folder"));
}

// Chromium keeps one user-data folder per browser with a profile folder per
// person in it: "Default" and, for every further person, "Profile <number>".
// Other folders there ("System Profile", "Guest Profile", "Crashpad") are the
// browser's own, not a person's. Answers -1 for "Default", the number for a
// numbered profile, nothing for any other name.
std::optional<qint64> chromiumProfileNumber(const QString& name)
{
    static const QString numbered = QStringLiteral("Profile ");
    if (name == QStringLiteral("Default"))
        return -1;
    const QStringView number = QStringView(name).mid(numbered.size());
    if (!name.startsWith(numbered) || number.isEmpty()
        || !std::all_of(number.begin(), number.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return std::nullopt;
    return number.toLongLong();
}

// The profile folders of a user-data folder: "Default" first, then by number.
QStringList chromiumProfiles(const QString& userData)
{
    std::vector<std::pair<qint64, QString>> profiles;
    const QFileInfoList entries = QDir(userData).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& entry : entries) {
        const auto number = chromiumProfileNumber(entry.fileName());
        if (number && !isLinkedProfile(entry.filePath()))
            profiles.emplace_back(*number, entry.filePath());
        else if (!number && entry.fileName().startsWith(QStringLiteral("Profile ")))
            SystemLog::write(
                QStringLiteral("Passing over %1: it is not a numbered profile folder").arg(entry.filePath()));
    }
    std::sort(profiles.begin(), profiles.end());
    if (profiles.empty() || profiles.front().first != -1)
        SystemLog::write(QStringLiteral("%1 holds no Default profile").arg(userData));
    QStringList paths;
    for (const auto& profile : profiles)
        paths.append(profile.second);
    return paths;
}

} // namespace

JunkScanner::JunkScanner(ScanState& state, ScanReporter& reporter, Locations locations)
    : m_state(state)
    , m_reporter(reporter)
    , m_locations(std::move(locations))
    , m_results(m_locations.resultsFile())
    , m_creationDate(creationDateOf)
{
}

bool JunkScanner::isProfileFolderName(QStringView name)
{
    static const QString marker = QStringLiteral(".default");
    if (name.endsWith(marker))
        return true;
    const qsizetype at = name.lastIndexOf(QString(marker + u'-'));
    if (at < 0)
        return false;
    // A profile that Firefox reset or refreshed carries a time stamp after its channel.
    const QStringView rest = name.mid(at + marker.size() + 1);
    return !rest.isEmpty() && std::all_of(rest.begin(), rest.end(), [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'-';
    });
}

bool JunkScanner::isArchivedLogName(QStringView name)
{
    const auto digitsOnly = [](QStringView text) {
        return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); });
    };
    // journald archives a file it has closed as "<name>@<id>.journal", and
    // one it found unclean as "<name>.journal~"; "<name>.journal" is being written.
    if (name.endsWith(QStringLiteral(".journal~")))
        return name.size() > 9;
    if (name.endsWith(QStringLiteral(".journal")))
        return name.indexOf(u'@') > 0;
    for (const char* suffix : { ".gz", ".xz", ".bz2", ".zst", ".lz4", ".old" }) {
        if (name.endsWith(QLatin1String(suffix)) && name.size() > qsizetype(std::strlen(suffix)))
            return true;
    }
    // logrotate's numbered ("syslog.1") and dated ("messages-20261201") forms.
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot > 0 && digitsOnly(name.mid(dot + 1)))
        return true;
    const qsizetype dash = name.size() - 9;
    return dash > 0 && name.at(dash) == u'-' && digitsOnly(name.mid(dash + 1));
}

bool JunkScanner::isOldEnoughToList(const QDateTime& created, const QDateTime& now)
{
    if (!created.isValid() || !now.isValid())
        return false;
    // Whole seconds, then whole minutes, both cut toward zero: a log is listed
    // once its creation lies 31 whole minutes away, in the past or the future.
    const qint64 seconds = now.msecsTo(created) / 1000;
    const qint64 minutes = seconds / 60;
    return std::abs(minutes) > 30;
}

QDateTime JunkScanner::creationDateOf(const QString& path)
{
    return QFileInfo(path).birthTime();
}

JunkScanner::LogClass JunkScanner::logClassOf(const QString& entry) const
{
    if (entry == ScanDefinitions::kUserLogsEntry)
        return LogClass::UserLogs;
    if (QDir::cleanPath(entry) == QDir::cleanPath(m_locations.crashReports))
        return LogClass::LibraryLogs;
    return LogClass::SystemLogs;
}

template <typename WalkRoot>
void JunkScanner::scanBrowserRoots(
    const QStringList& paths, const QString& category, RootRule rule, WalkRoot walkRoot)
{
    if (m_state.scanCancelled)
        return;
    m_results.load();
    QStringList found = m_results.paths(category);
    if (m_state.nCacheCount == 0)
        m_reporter.reportNoInternetCacheItems();
    ScanInfo info;
    const auto record = [&](const QString& path, const QString& shownCategory) {
        if (!m_results.acceptsPath(path))
            return;
        ++m_state.nCacheCount;
        ++m_state.nTotalErrorsCount;
        found.append(path);
        info.setCategory(shownCategory);
        info.setDescription(path);
        m_reporter.reportBrowserItem(info);
    };
    for (const QString& entry : paths) {
        const QString root = m_locations.expandTilde(entry);
        SystemLog::write(root);
        if (kindOf(root) == Kind::Missing) {
            if (rule != RootRule::ProfilesSkipSilently)
                SystemLog::write(QStringLiteral("Path %1not found").arg(root));
            continue;
        }
        const qsizetype before = found.size();
        walkRoot(root, record);
        m_reporter.walkEnded();
        // The file-or-folder walk stores once per root that found something,
        // not after every path: rewriting the whole file per finding grows
        // with the square of the findings, and the file holds the same when
        // the scanner returns.
        if (rule != RootRule::StoreOnlyFindings || found.size() != before) {
            m_results.setPaths(category, found);
            storeResults();
        }
    }
}

void JunkScanner::scanBrowserCache(const QStringList& paths, const QString& category)
{
    scanBrowserRoots(paths, category, RootRule::StoreEveryRoot, [&](const QString& root, const auto& record) {
        walk(root, m_state.bScanning, [&](const QString& path, QStringView, Kind kind) {
            if (kind != Kind::Folder)
                record(path, kCacheShown);
        });
    });
}

void JunkScanner::scanNetscapeFireFoxCahe(const QStringList& paths)
{
    scanBrowserRoots(
        paths, kInternetCache, RootRule::ProfilesSkipSilently, [&](const QString& root, const auto& record) {
            // The profiles folder of a cache holds nothing but cache: from the
            // first profile folder on, everything the walk meets is junk.
            bool inProfiles = false;
            walk(root, m_state.bScanning, [&](const QString& path, QStringView name, Kind kind) {
                if (inProfiles)
                    record(path, kCacheShown);
                else
                    inProfiles = kind == Kind::Folder && isProfileFolderName(name);
            });
        });
}

void JunkScanner::scanBrowserOtherCategories(const QStringList& paths, const QString& category)
{
    scanBrowserRoots(
        paths, category, RootRule::StoreOnlyFindings, [&](const QString& root, const auto& record) {
            if (kindOf(root) != Kind::Folder) {
                record(root, category);
                return;
            }
            walk(root, m_state.bScanning, [&](const QString& path, QStringView, Kind kind) {
                if (kind == Kind::NotFolder)
                    record(path, category);
            });
        });
}

void JunkScanner::scanNetscapeFireFoxOtherCategories(
    const QStringList& paths, const QString& category, const QString& fileName)
{
    scanBrowserRoots(
        paths, category, RootRule::ProfilesSkipSilently, [&](const QString& root, const auto& record) {
            QStringList visited;
            const auto visit = [&](const QString& profile) {
                visited.append(profile);
                const QString candidate = profile + u'/' + fileName;
                if (kindOf(candidate) == Kind::NotFolder)
                    record(candidate, category);
            };
            walk(root, m_state.bScanning, [&](const QString& path, QStringView name, Kind kind) {
                if (kind == Kind::Folder && isProfileFolderName(name) && !isLinkedProfile(path))
                    visit(path);
            });
            // Profiles the user named ("Work") follow those the name rule found.
            // The categories share the profiles folders: each file is read, and
            // what it names wrongly logged, once a scan.
            auto named = m_firefoxProfiles.constFind(root);
            if (named == m_firefoxProfiles.cend())
                named = m_firefoxProfiles.insert(root, FirefoxProfiles::listedIn(root));
            for (const QString& profile : *named) {
                if (!m_state.bScanning)
                    return;
                if (!visited.contains(profile))
                    visit(profile);
            }
        });
}

const QStringList& JunkScanner::chromiumUserDataFiles(const QString& category)
{
    // Compiled shaders and downloaded component installers, shared by the profiles.
    static const QStringList caches = { QStringLiteral("ShaderCache"), QStringLiteral("GrShaderCache"),
        QStringLiteral("GraphiteDawnCache"), QStringLiteral("component_crx_cache") };
    static const QStringList none;
    return category == kInternetCache ? caches : none;
}

const QStringList& JunkScanner::chromiumProfileFiles(const QString& category)
{
    // The bookmarks ("Bookmarks"), passwords and settings of a profile are never listed.
    // "Web Data" and "Favicons" are listed for their junk alone: removal cleans
    // them, never deletes them. Their journals are not listed: one that is not
    // empty is what SQLite rolls the file back with after a crash.
    static const QMap<QString, QStringList> files = {
        { QStringLiteral("Cookies"),
            { QStringLiteral("Network/Cookies"), QStringLiteral("Network/Cookies-journal"),
                QStringLiteral("Cookies"), QStringLiteral("Cookies-journal") } },
        { QStringLiteral("History"),
            { QStringLiteral("History"), QStringLiteral("History-journal"), QStringLiteral("Visited Links"),
                QStringLiteral("Top Sites"), QStringLiteral("Top Sites-journal"), QStringLiteral("Shortcuts"),
                QStringLiteral("Shortcuts-journal") } },
        { QStringLiteral("Page Icons"), { QStringLiteral("Favicons") } },
        { QStringLiteral("Form Values"), { QStringLiteral("Web Data") } },
        // The HTTP cache lives below ~/.cache; these caches of compiled code
        // and GPU programs stay in the profile.
        { kInternetCache,
            { QStringLiteral("Code Cache"), QStringLiteral("GPUCache"), QStringLiteral("DawnCache"),
                QStringLiteral("DawnGraphiteCache"), QStringLiteral("DawnWebGPUCache") } },
    };
    static const QStringList none;
    const auto found = files.constFind(category);
    return found == files.cend() ? none : *found;
}

void JunkScanner::scanChromiumProfileFiles(const QStringList& paths, const QString& category)
{
    const QString shown = category == kInternetCache ? kCacheShown : category;
    scanBrowserRoots(
        paths, category, RootRule::ProfilesSkipSilently, [&](const QString& root, const auto& record) {
            if (kindOf(root) != Kind::Folder)
                return;
            const auto take = [&](const QString& folder, const QStringList& names) {
                for (const QString& name : names) {
                    if (!m_state.bScanning)
                        return;
                    const QString candidate = folder + u'/' + name;
                    const Kind kind = kindOf(candidate);
                    if (kind == Kind::NotFolder) {
                        record(candidate, shown);
                    } else if (kind == Kind::Folder
                        && !isLinkedFolder(candidate, QStringLiteral("cache folder"))) {
                        walk(candidate, m_state.bScanning, [&](const QString& path, QStringView, Kind inner) {
                            if (inner != Kind::Folder)
                                record(path, shown);
                        });
                    }
                }
            };
            take(root, chromiumUserDataFiles(category));
            // The categories share the user-data folders: each is listed, and its
            // odd entries logged, once a scan.
            auto profiles = m_chromiumProfiles.constFind(root);
            if (profiles == m_chromiumProfiles.cend())
                profiles = m_chromiumProfiles.insert(root, chromiumProfiles(root));
            for (const QString& profile : *profiles)
                take(profile, chromiumProfileFiles(category));
        });
}

bool JunkScanner::listsSystemLog(const QString& path) const
{
    if (path != m_locations.secureLog && path != m_locations.systemLog)
        return true;
    // A log created moments ago by the system is the one it is writing now.
    return isOldEnoughToList(m_creationDate(path), QDateTime::currentDateTimeUtc());
}

void JunkScanner::scanSystemLogs()
{
    if (m_state.scanCancelled)
        return;
    m_reporter.showLogsStateImage(kArrow);
    const QStringList entries
        = ScanDefinitions::logPaths(ScanDefinitions::load(m_locations, ScanDefinitions::kSysLogPaths));
    m_results.load();
    const QString systemLogFolder = QFileInfo(m_locations.systemLog).path();
    QStringList userLogs;
    QStringList libraryLogs;
    QStringList systemLogs;
    ScanInfo info;
    for (const QString& entry : entries) {
        if (!m_state.bScanning)
            break;
        const QString folder = m_locations.expandTilde(entry);
        if (kindOf(folder) == Kind::Missing)
            continue;
        const LogClass logClass = logClassOf(entry);
        // The system's log folder and the user's Xorg logs hold the logs their
        // writers hold open; only what the name marks rotated or archived is
        // no longer written. Crash reports and dumps are junk whole.
        const bool archivedOnly
            = logClass == LogClass::UserLogs || QDir::cleanPath(folder) == systemLogFolder;
        QStringList* logs = &systemLogs;
        QString shown = QStringLiteral("MiscLogs");
        if (logClass == LogClass::UserLogs) {
            logs = &userLogs;
            shown = kUserLibraryLogs;
        } else if (logClass == LogClass::LibraryLogs) {
            logs = &libraryLogs;
            shown = QStringLiteral("LibraryLogs");
        }
        walk(folder, m_state.bScanning, [&](const QString& path, QStringView name, Kind kind) {
            if (kind != Kind::Folder && (!archivedOnly || isArchivedLogName(name))
                && (logClass != LogClass::SystemLogs || listsSystemLog(path))
                && m_results.acceptsPath(path)) {
                info.setCategory(shown);
                logs->append(path);
                ++m_state.nLogsCount;
                ++m_state.nTotalErrorsCount;
            }
            info.setDescription(path);
            m_reporter.reportLogEntry(info);
        });
        m_reporter.walkEnded();
    }
    if (!userLogs.isEmpty())
        m_results.setPaths(kUserLibraryLogs, userLogs);
    if (!libraryLogs.isEmpty())
        m_results.setPaths(kSystemLibraryLogs, libraryLogs);
    if (!systemLogs.isEmpty())
        m_results.setPaths(kSystemLogs, systemLogs);
    if (!m_results.isEmpty())
        storeResults();
    m_reporter.showLogsStateImage(kRightMark);
}

void JunkScanner::scanSystemCache()
{
    if (m_state.scanCancelled)
        return;
    m_reporter.showSystemCacheStateImage(kArrow);
    const QStringList entries = ScanDefinitions::systemCachePaths(
        ScanDefinitions::load(m_locations, ScanDefinitions::kSystemCachePaths));
    m_results.load();
    QStringList found;
    auto record = [&](const QString& path) {
        if (!m_results.acceptsPath(path))
            return;
        found.append(path);
        handleSystemCacheItem(path);
    };
    for (const QString& entry : entries) {
        if (!m_state.bScanning)
            break;
        const QString root = m_locations.expandTilde(entry);
        const Kind kind = kindOf(root);
        if (kind == Kind::NotFolder) {
            record(root);
        } else if (kind == Kind::Folder) {
            walk(root, m_state.bScanning, [&](const QString& path, QStringView, Kind itemKind) {
                if (itemKind != Kind::Folder)
                    record(path);
            });
        }
        m_reporter.walkEnded();
    }
    if (found.isEmpty())
        m_reporter.reportNoSystemCacheItems();
    else
        m_results.setPaths(kSystemCache, found);
    if (!m_results.isEmpty())
        storeResults();
    m_reporter.showSystemCacheStateImage(kRightMark);
}

void JunkScanner::scanTrash()
{
    if (m_state.scanCancelled)
        return;
    m_reporter.showTrashStateImage(kArrow);
    m_results.load();
    QStringList passedOver;
    const QList<TrashFolders::Folder> trashFolders = TrashFolders::find(m_locations, &passedOver);
    for (const QString& line : passedOver)
        SystemLog::write(line);
    QStringList found;
    ScanInfo info;
    info.setCategory(kTrash);
    for (const TrashFolders::Folder& trash : trashFolders) {
        if (!m_state.bScanning)
            break;
        // A files/ that is a link would list what removal refuses to reach.
        const QString files = trash.path() + u'/' + TrashFolders::kFiles;
        struct stat status { };
        if (lstat(QFile::encodeName(files).constData(), &status) != 0 || !S_ISDIR(status.st_mode))
            continue;
        DirectoryEnumerator entries(files);
        const QString prefix = files + u'/';
        while (const auto entry = entries.nextObject()) {
            if (!m_state.bScanning)
                break;
            entries.skipDescendents();
            const QString path = prefix % *entry;
            if (!m_results.acceptsPath(path))
                continue;
            found.append(path);
            ++m_state.nTrashCount;
            ++m_state.nTotalErrorsCount;
            info.setDescription(path);
            m_reporter.reportTrashItem(info);
        }
        m_reporter.walkEnded();
    }
    if (found.isEmpty())
        m_reporter.reportNoTrashItems();
    else
        m_results.setPaths(kTrash, found);
    if (!m_results.isEmpty())
        storeResults();
    m_reporter.showTrashStateImage(kRightMark);
}

// A stopped scan stores at once: the review page may be opened right after
// the click and must find everything recorded until then.
void JunkScanner::storeResults()
{
    if (m_state.bScanning)
        m_results.writeIfGrown();
    else
        m_results.write();
}

void JunkScanner::scanBrowsers(const QVariantMap& definitions)
{
    for (const BrowserCall& call : kBrowserCalls) {
        const QString category = QString::fromLatin1(call.category);
        const QString pathsKey
            = call.walk == Walk::ChromiumUserData ? ScanDefinitions::kChromiumUserData : category;
        const QStringList paths
            = ScanDefinitions::browserPaths(definitions, pathsKey, QString::fromLatin1(call.browser));
        switch (call.walk) {
        case Walk::Cache:
            scanBrowserCache(paths, category);
            break;
        case Walk::ProfileCache:
            scanNetscapeFireFoxCahe(paths);
            break;
        case Walk::FileOrFolder:
            scanBrowserOtherCategories(paths, category);
            break;
        case Walk::ProfileFile:
            scanNetscapeFireFoxOtherCategories(paths, category, QString::fromLatin1(call.fileName));
            break;
        case Walk::ChromiumProfileFiles:
        case Walk::ChromiumUserData:
            scanChromiumProfileFiles(paths, category);
            break;
        }
    }
}

void JunkScanner::scanEverything(const std::function<void(Stage)>& reached)
{
    const QVariantMap definitions = ScanDefinitions::load(m_locations, ScanDefinitions::kInternetCachePaths);
    reached(Stage::InternetCache);
    scanBrowsers(definitions);
    reached(Stage::InternetCacheEnded);
    if (m_state.bScanning) {
        reached(Stage::Logs);
        scanSystemLogs();
    }
    if (m_state.bScanning) {
        reached(Stage::SystemCache);
        scanSystemCache();
    }
    if (m_state.bScanning) {
        reached(Stage::Trash);
        scanTrash();
    }
    writeResults();
}

void JunkScanner::writeResults()
{
    if (!m_results.isEmpty())
        m_results.write();
}

void JunkScanner::handleSystemCacheItem(const QString& path)
{
    ++m_state.nSystemCacheCount;
    ++m_state.nTotalErrorsCount;
    ScanInfo info;
    info.setCategory(kSystemCache);
    info.setDescription(path);
    m_reporter.reportSystemCacheItem(info);
}
