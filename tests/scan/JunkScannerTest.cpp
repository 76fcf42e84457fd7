#include "scan/JunkScanner.h"
#include "scan/ScanState.h"
#include "scan/ScanTestSupport.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>

namespace {

const QString kInternetCache = QStringLiteral("Internet Cache");
const QString kCookies = QStringLiteral("Cookies");

struct ScannerWorld {
    Sandbox sandbox;
    ScanState state;
    RecordingReporter reporter { state };
    std::unique_ptr<JunkScanner> scanner;
    QString data = sandbox.path(QStringLiteral("data"));

    explicit ScannerWorld(const QStringList& logPaths = {}, const QStringList& systemCachePaths = {})
    {
        useDefinitions(sandbox, {}, logPaths, systemCachePaths);
        QDir().mkpath(sandbox.locations().resultsFolder);
        state.bScanning = true;
        scanner = std::make_unique<JunkScanner>(state, reporter, sandbox.locations());
    }
    QMap<QString, QStringList> results() const { return readResults(sandbox.locations().resultsFile()); }
    bool resultsExist() const { return QFileInfo::exists(sandbox.locations().resultsFile()); }
};

enum class Walk { Cache, ProfileCache, FileOrFolder, ProfileFile };

void run(ScannerWorld& world, Walk walk, const QStringList& entries)
{
    switch (walk) {
    case Walk::Cache:
        world.scanner->scanBrowserCache(entries, kInternetCache);
        break;
    case Walk::ProfileCache:
        world.scanner->scanNetscapeFireFoxCahe(entries);
        break;
    case Walk::FileOrFolder:
        world.scanner->scanBrowserOtherCategories(entries, kCookies);
        break;
    case Walk::ProfileFile:
        world.scanner->scanNetscapeFireFoxOtherCategories(entries, kCookies, QStringLiteral("cookies.sqlite"));
        break;
    }
}

bool storesUnderInternetCache(Walk walk)
{
    return walk == Walk::Cache || walk == Walk::ProfileCache;
}

struct WalkCase {
    const char* name;
    Walk walk;
    QStringList tree; // below <data>/root
    QString entry;    // below <data>
    QStringList expected;
};

} // namespace

TEST(JunkScannerWalks, RecordWhatEachWalkMeansByJunk)
{
    const std::vector<WalkCase> cases = {
        { "cache: files at every depth, never folders", Walk::Cache, { "a", "sub/b", "sub/deeper/c", "empty/" },
            "root", { "root/a", "root/sub/b", "root/sub/deeper/c" } },
        { "cache: a trailing slash adds none to the paths", Walk::Cache, { "a" }, "root/", { "root/a" } },
        { "cache: links are judged by their target and not followed", Walk::Cache,
            { "file", "dir/inner", "to-dir -> dir", "to-file -> file", "dangling -> nowhere" }, "root",
            { "root/dangling", "root/dir/inner", "root/file", "root/to-file" } },
        { "cache: a file as root yields nothing", Walk::Cache, { "file" }, "root/file", {} },
        { "profile cache: everything from the first profile folder on", Walk::ProfileCache,
            { "aaa/ignored", "abc.default/x", "abc.default/sub/y", "zzz.default-release/z" }, "root",
            { "root/abc.default/sub", "root/abc.default/sub/y", "root/abc.default/x", "root/zzz.default-release",
                "root/zzz.default-release/z" } },
        { "profile cache: today's profile names", Walk::ProfileCache, { "q.default-esr/cache2/e" }, "root",
            { "root/q.default-esr/cache2", "root/q.default-esr/cache2/e" } },
        { "profile cache: no profile folder, nothing", Walk::ProfileCache,
            { "a.default-1/x", "b.default-/y", "c.default" }, "root", {} },
        { "file or folder: a file root is junk itself", Walk::FileOrFolder, { "cookies" }, "root/cookies",
            { "root/cookies" } },
        { "file or folder: files of a folder, existing ones only", Walk::FileOrFolder,
            { "a", "sub/b", "dangling -> nowhere", "to-file -> a", "to-dir -> sub" }, "root",
            { "root/a", "root/sub/b", "root/to-file" } },
        { "profile file: the named file in every profile folder", Walk::ProfileFile,
            { "p.default/cookies.sqlite", "q.default-release/cookies.sqlite/", "other/cookies.sqlite",
                "nested/r.default/cookies.sqlite", "s.default/", "t.default/u.default/cookies.sqlite" },
            "root",
            { "root/nested/r.default/cookies.sqlite", "root/p.default/cookies.sqlite",
                "root/t.default/u.default/cookies.sqlite" } },
    };
    for (const WalkCase& row : cases) {
        SCOPED_TRACE(row.name);
        ScannerWorld world;
        makeTree(world.data + QStringLiteral("/root"), row.tree);
        run(world, row.walk, { world.data + u'/' + row.entry });

        const QString key = storesUnderInternetCache(row.walk) ? kInternetCache : kCookies;
        const QStringList expected = under(world.data, row.expected);
        // The file-or-folder walk stores nothing for a root without findings; the others always store.
        if (row.walk == Walk::FileOrFolder && expected.isEmpty()) {
            EXPECT_FALSE(world.results().contains(key));
        } else {
            EXPECT_EQ(world.results().value(key), expected);
        }
        EXPECT_EQ(world.reporter.descriptions(QStringLiteral("browser")), expected);
        EXPECT_EQ(world.state.nCacheCount, expected.size());
        EXPECT_EQ(world.state.nTotalErrorsCount, expected.size());
        for (const auto& report : world.reporter.reports) {
            if (report.kind == QStringLiteral("browser")) {
                EXPECT_EQ(report.category, storesUnderInternetCache(row.walk) ? QStringLiteral("Cache") : kCookies);
            }
        }
    }
}

TEST(JunkScannerWalks, ProfileFolderNames)
{
    const std::vector<std::pair<const char*, bool>> names = {
        { "x.default", true },
        { "x.default-release", true },
        { "x.default-esr", true },
        { "x.default-Nightly", true },
        { ".default", true },
        { "x.default-", false },
        { "x.default-1", false },
        { "x.default-release-1", false },
        { "x.defaults", false },
        { "x.DEFAULT", false },
        { "default", false },
    };
    for (const auto& [name, isProfile] : names)
        EXPECT_EQ(JunkScanner::isProfileFolderName(QString::fromLatin1(name)), isProfile) << name;
}

TEST(JunkScannerWalks, MissingRootsAreLoggedByThePlainWalksAndSkipped)
{
    for (Walk walk : { Walk::Cache, Walk::ProfileCache, Walk::FileOrFolder, Walk::ProfileFile }) {
        ScannerWorld world;
        makeTree(world.data + QStringLiteral("/root"), { "p.default/cookies.sqlite" });
        run(world, walk, { QStringLiteral("~/missing"), world.data + QStringLiteral("/root") });

        const QString missing = world.sandbox.locations().home + QStringLiteral("/missing");
        EXPECT_TRUE(world.sandbox.logged(missing));
        const bool plainWalk = walk == Walk::Cache || walk == Walk::FileOrFolder;
        EXPECT_EQ(world.sandbox.logged(QStringLiteral("Path ") + missing + QStringLiteral("not found")), plainWalk);
        EXPECT_TRUE(world.sandbox.logged(world.data + QStringLiteral("/root")));
        EXPECT_GT(world.state.nCacheCount, 0) << "the root after the missing one is still walked";
    }
}

TEST(JunkScannerWalks, EmptyListOnlyReportsZeroAndWritesNothing)
{
    ScannerWorld world;
    world.scanner->scanBrowserCache({}, kInternetCache);
    world.scanner->scanBrowserOtherCategories({}, QStringLiteral("History"));
    ASSERT_EQ(world.reporter.reports.size(), 2u);
    EXPECT_EQ(world.reporter.reports[0].kind, QStringLiteral("noInternetCache"));
    EXPECT_FALSE(world.resultsExist());

    // Once something is counted the zero report stops.
    makeTree(world.data + QStringLiteral("/root"), { "a" });
    world.scanner->scanBrowserCache({ world.data + QStringLiteral("/root") }, kInternetCache);
    world.scanner->scanBrowserCache({}, kInternetCache);
    EXPECT_EQ(world.reporter.descriptions(QStringLiteral("noInternetCache")).size(), 3);
}

TEST(JunkScannerWalks, SuccessiveScannersAddToOneArrayAndCountEveryRecording)
{
    ScannerWorld world;
    makeTree(world.data + QStringLiteral("/safari"), { "s1", "s2" });
    makeTree(world.data + QStringLiteral("/opera"), { "o1" });
    makeTree(world.data + QStringLiteral("/icons"), { "i1" });
    makeTree(world.data + QStringLiteral("/cookies"), { "c1" });
    world.scanner->scanBrowserCache({ world.data + QStringLiteral("/safari") }, kInternetCache);
    world.scanner->scanBrowserCache({ world.data + QStringLiteral("/opera") }, kInternetCache);
    // Two entries reaching the same file record it twice.
    world.scanner->scanBrowserOtherCategories(
        { world.data + QStringLiteral("/cookies"), world.data + QStringLiteral("/cookies/c1") }, kCookies);
    world.scanner->scanBrowserCache({ world.data + QStringLiteral("/icons") }, QStringLiteral("Page Icons"));

    const auto results = world.results();
    EXPECT_EQ(results.value(kInternetCache), under(world.data, { "safari/s1", "safari/s2", "opera/o1" }));
    EXPECT_EQ(results.value(kCookies), under(world.data, { "cookies/c1", "cookies/c1" }));
    EXPECT_EQ(results.value(QStringLiteral("Page Icons")), under(world.data, { "icons/i1" }));
    EXPECT_EQ(world.reporter.reports.back().category, QStringLiteral("Cache"));
    EXPECT_EQ(world.state.nCacheCount, 6);
    EXPECT_EQ(world.state.nTotalErrorsCount, 6);
}

TEST(JunkScannerWalks, CancelledScanTouchesNothing)
{
    ScannerWorld world;
    makeTree(world.data + QStringLiteral("/root"), { "a" });
    world.state.scanCancelled = true;
    world.state.bScanning = false;
    for (Walk walk : { Walk::Cache, Walk::ProfileCache, Walk::FileOrFolder, Walk::ProfileFile })
        run(world, walk, { world.data + QStringLiteral("/root") });
    world.scanner->scanSystemLogs();
    world.scanner->scanSystemCache();
    EXPECT_TRUE(world.reporter.reports.empty());
    EXPECT_TRUE(world.reporter.images.isEmpty());
    EXPECT_TRUE(world.sandbox.logLines().isEmpty());
    EXPECT_FALSE(world.resultsExist());
}

TEST(JunkScannerWalks, StopEndsTheWalkButTheScannerStoresAndPassesOverTheRest)
{
    ScannerWorld world;
    makeTree(world.data + QStringLiteral("/one"), { "a", "b", "c" });
    makeTree(world.data + QStringLiteral("/two"), { "d", "e" });
    world.reporter.onReport = [&](const RecordingReporter::Report& report) {
        if (report.total == 2)
            world.state.bScanning = false;
    };
    world.scanner->scanBrowserCache({ world.data + QStringLiteral("/one"), world.data + QStringLiteral("/two") },
        kInternetCache);
    EXPECT_EQ(world.results().value(kInternetCache), under(world.data, { "one/a", "one/b" }));
    EXPECT_TRUE(world.sandbox.logged(world.data + QStringLiteral("/two"))) << "later roots are still visited";

    // The file-or-folder walk still records a root that is a file.
    world.scanner->scanBrowserOtherCategories(
        { world.data + QStringLiteral("/two"), world.data + QStringLiteral("/one/c") }, kCookies);
    EXPECT_EQ(world.results().value(kCookies), under(world.data, { "one/c" }));
    EXPECT_EQ(world.state.nTotalErrorsCount, 3);
}

TEST(JunkScannerWalks, NamesTheFileCannotCarryAreLeftOutWithOneLogLine)
{
    ScannerWorld world;
    const QString root = makeTree(world.data + QStringLiteral("/root"),
        { "ok", QStringLiteral("line\nbreak"), QStringLiteral("bad\rname"), QStringLiteral("dir\x01/one"),
            QStringLiteral("dir\x01/two") });
    world.scanner->scanBrowserCache({ root }, kInternetCache);

    // A line feed survives the file; a carriage return or another control character would not.
    EXPECT_EQ(world.results().value(kInternetCache), under(root, { QStringLiteral("line\nbreak"), "ok" }));
    EXPECT_EQ(world.state.nTotalErrorsCount, 2);
    const QStringList lines = world.sandbox.logLines().filter(QStringLiteral("cannot be kept in the scan results"));
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(lines[0], QStringLiteral("Passing over an item in %1: its name cannot be kept in the scan results").arg(root));
}

TEST(JunkScannerLogs, AgeRuleForTheTwoFreshSystemLogs)
{
    const QDateTime now = QDateTime::fromSecsSinceEpoch(1700000000);
    const std::vector<std::pair<qint64, bool>> rows = {
        { -10 * 60 * 1000, false },
        { -2 * 3600 * 1000, true },
        { -1859 * 1000, false },
        { -1860 * 1000, true },
        { -1860 * 1000 + 1, false }, // 1859.999 seconds: whole seconds are cut toward zero
        { 31 * 60 * 1000, true },    // a creation date in the future counts the same
        { (30 * 60 + 59) * 1000, false },
    };
    for (const auto& [offsetMs, listed] : rows)
        EXPECT_EQ(JunkScanner::isOldEnoughToList(now.addMSecs(offsetMs), now), listed) << offsetMs;
    EXPECT_FALSE(JunkScanner::isOldEnoughToList(QDateTime(), now)) << "an unknown creation date counts as now";
}

TEST(JunkScannerLogs, EntryTextsDecideTheLogClass)
{
    using C = JunkScanner::LogClass;
    const std::vector<std::pair<const char*, C>> rows = {
        { "~/.local/share/xorg", C::UserLogs },
        { "/var/crash", C::LibraryLogs },
        { "~/.local/share/xorg/", C::SystemLogs },
        { "/var/crash/", C::SystemLogs },
        { "/var/log", C::SystemLogs },
    };
    for (const auto& [entry, logClass] : rows)
        EXPECT_EQ(JunkScanner::logClassOf(QString::fromLatin1(entry)), logClass) << entry;
}

TEST(JunkScannerLogs, WalksEveryLogFolderReportsEveryEntryAndListsFiles)
{
    ScannerWorld world({ QStringLiteral("~/.local/share/xorg"), QStringLiteral("~/missing") });
    const Locations& l = world.sandbox.locations();
    const QString varLog = QFileInfo(l.systemLog).absolutePath();
    useDefinitions(world.sandbox, {}, { QStringLiteral("~/.local/share/xorg"), varLog, QStringLiteral("~/missing") });
    world.scanner = std::make_unique<JunkScanner>(world.state, world.reporter, world.sandbox.locations());
    const QString xorg = makeTree(l.home + QStringLiteral("/.local/share/xorg"), { "Xorg.0.log", "old/" });
    makeTree(varLog, { "apt/history.log", "auth.log", "dpkg.log", "syslog" });
    const QDateTime now = QDateTime::currentDateTimeUtc();
    world.scanner->setCreationDateSource([&](const QString& path) {
        return path == l.systemLog ? now.addSecs(-7200) : now.addSecs(-600);
    });

    world.scanner->scanSystemLogs();

    const auto results = world.results();
    EXPECT_EQ(results.value(QStringLiteral("UserLibraryLogs")), QStringList { xorg + QStringLiteral("/Xorg.0.log") });
    EXPECT_EQ(results.value(QStringLiteral("System Logs")), under(varLog, { "apt/history.log", "dpkg.log", "syslog" }));
    EXPECT_FALSE(results.contains(QStringLiteral("System Library Logs")));

    // Every visited entry is shown, folders and unlisted files too; the
    // category stays the last one a listed file set.
    const QStringList visited = under(xorg, { "Xorg.0.log", "old" })
        + under(varLog, { "apt", "apt/history.log", "auth.log", "dpkg.log", "syslog" });
    EXPECT_EQ(world.reporter.descriptions(QStringLiteral("log")), visited);
    EXPECT_EQ(world.reporter.reports[1].category, QStringLiteral("UserLibraryLogs"));
    EXPECT_EQ(world.reporter.reports[2].category, QStringLiteral("UserLibraryLogs"));
    EXPECT_EQ(world.reporter.reports[3].category, QStringLiteral("MiscLogs"));
    EXPECT_EQ(world.reporter.reports.back().count, 4);
    EXPECT_EQ(world.state.nLogsCount, 4);
    EXPECT_EQ(world.state.nTotalErrorsCount, 4);
    EXPECT_EQ(world.reporter.images, (QStringList { "logs:Arrow", "logs:RightMark" }));
    EXPECT_FALSE(world.sandbox.logged(l.home + QStringLiteral("/missing")));
}

TEST(JunkScannerLogs, FoldersOnlyAreShownButNothingIsWritten)
{
    ScannerWorld world({ QStringLiteral("~/logs") });
    makeTree(world.sandbox.locations().home + QStringLiteral("/logs"), { "a/", "b/" });
    world.scanner->scanSystemLogs();
    EXPECT_EQ(world.reporter.descriptions(QStringLiteral("log")).size(), 2);
    EXPECT_EQ(world.state.nLogsCount, 0);
    EXPECT_FALSE(world.resultsExist());
}

TEST(JunkScannerSystemCache, FilesAndFoldersAreJunkAndNothingFoundIsReported)
{
    ScannerWorld world({}, { QStringLiteral("~/.cache/thumbnails"), QStringLiteral("~/single.bin"),
                               QStringLiteral("~/missing") });
    const QString home = world.sandbox.locations().home;
    makeTree(home, { ".cache/thumbnails/normal/a.png", ".cache/thumbnails/large/", "single.bin" });
    world.scanner->scanSystemCache();

    const QStringList expected
        = under(home, { ".cache/thumbnails/normal/a.png", "single.bin" });
    EXPECT_EQ(world.results().value(QStringLiteral("System Cache")), expected);
    EXPECT_EQ(world.reporter.descriptions(QStringLiteral("systemCache")), expected);
    EXPECT_EQ(world.reporter.reports[0].category, QStringLiteral("System Cache"));
    EXPECT_EQ(world.state.nSystemCacheCount, 2);
    EXPECT_EQ(world.reporter.images, (QStringList { "systemCache:Arrow", "systemCache:RightMark" }));

    ScannerWorld empty({}, { QStringLiteral("~/missing") });
    empty.scanner->scanSystemCache();
    ASSERT_EQ(empty.reporter.reports.size(), 1u);
    EXPECT_EQ(empty.reporter.reports[0].kind, QStringLiteral("noSystemCache"));
    EXPECT_FALSE(empty.resultsExist());
}
