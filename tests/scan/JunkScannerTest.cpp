#include "scan/JunkScanner.h"
#include "scan/ScanState.h"
#include "scan/ScanTestSupport.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QDir>

namespace {

struct ScannerWorld {
    Sandbox sandbox;
    ScanState state;
    RecordingReporter reporter { state };
    std::unique_ptr<JunkScanner> scanner;
    QString data = sandbox.path("data");

    explicit ScannerWorld(const QStringList& logPaths = {}, const QStringList& systemCachePaths = {})
    {
        useDefinitions(sandbox, {}, logPaths, systemCachePaths);
        QDir().mkpath(sandbox.locations().resultsFolder);
        state.bScanning = true;
        scanner = std::make_unique<JunkScanner>(state, reporter, sandbox.locations());
    }
    // As at the end of a scan, with whatever the stores held back written.
    QMap<QString, QStringList> results() const
    {
        scanner->writeResults();
        return readResults(sandbox.locations().resultsFile());
    }
    bool resultsExist() const { return QFileInfo::exists(sandbox.locations().resultsFile()); }
};

enum class Walk { Cache, ProfileCache, FileOrFolder, ProfileFile };

void run(ScannerWorld& world, Walk walk, const QStringList& entries)
{
    switch (walk) {
    case Walk::Cache:
        return world.scanner->scanBrowserCache(entries, "Internet Cache");
    case Walk::ProfileCache:
        return world.scanner->scanNetscapeFireFoxCahe(entries);
    case Walk::FileOrFolder:
        return world.scanner->scanBrowserOtherCategories(entries, "Cookies");
    case Walk::ProfileFile:
        return world.scanner->scanNetscapeFireFoxOtherCategories(entries, "Cookies", "cookies.sqlite");
    }
}

} // namespace

TEST(JunkScannerWalks, RecordWhatEachWalkMeansByJunk)
{
    struct Row {
        const char* name;
        Walk walk;
        QStringList tree; // below <data>/root
        QString entry; // below <data>
        QStringList expected;
    };
    const std::vector<Row> rows = {
        { "cache: files at every depth, never folders", Walk::Cache,
            { "a", "sub/b", "sub/deeper/c", "empty/" }, "root",
            { "root/a", "root/sub/b", "root/sub/deeper/c" } },
        { "cache: a trailing slash adds none to the paths", Walk::Cache, { "a" }, "root/", { "root/a" } },
        { "cache: links judged by their target, not followed", Walk::Cache,
            { "file", "dir/inner", "to-dir -> dir", "to-file -> file", "dangling -> nowhere" }, "root",
            { "root/dangling", "root/dir/inner", "root/file", "root/to-file" } },
        { "cache: a file as root yields nothing", Walk::Cache, { "file" }, "root/file", {} },
        { "profile cache: everything from the first profile folder on", Walk::ProfileCache,
            { "aaa/ignored", "abc.default/x", "abc.default/sub/y", "zzz.default-release/z" }, "root",
            { "root/abc.default/sub", "root/abc.default/sub/y", "root/abc.default/x",
                "root/zzz.default-release", "root/zzz.default-release/z" } },
        { "profile cache: no profile folder, nothing", Walk::ProfileCache,
            { "a.default_1/x", "b.default-/y", "c.default", "d.defaults/z", "e.default-x.y/z" }, "root", {} },
        { "file or folder: a file root is junk itself", Walk::FileOrFolder, { "cookies" }, "root/cookies",
            { "root/cookies" } },
        { "file or folder: existing files of a folder", Walk::FileOrFolder,
            { "a", "sub/b", "dangling -> nowhere", "to-file -> a", "to-dir -> sub" }, "root",
            { "root/a", "root/sub/b", "root/to-file" } },
        { "profile file: the named file in every profile folder", Walk::ProfileFile,
            { "p.default/cookies.sqlite", "q.default-release/cookies.sqlite/", "other/cookies.sqlite",
                "nested/r.default-esr/cookies.sqlite", "s.default/", "t.default/u.default/cookies.sqlite",
                "v.default-release-1732624945171/cookies.sqlite", "w.default-nightly-2/cookies.sqlite",
                "x.default-release.bak/cookies.sqlite", "y.default-release-/cookies.sqlite",
                "linked.default -> p.default" },
            "root",
            { "root/nested/r.default-esr/cookies.sqlite", "root/p.default/cookies.sqlite",
                "root/t.default/u.default/cookies.sqlite",
                "root/v.default-release-1732624945171/cookies.sqlite",
                "root/w.default-nightly-2/cookies.sqlite", "root/y.default-release-/cookies.sqlite" } },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ScannerWorld world;
        makeTree(world.data + "/root", row.tree);
        run(world, row.walk, { world.data + u'/' + row.entry });

        const bool cacheWalk = row.walk == Walk::Cache || row.walk == Walk::ProfileCache;
        const QStringList expected = under(world.data, row.expected);
        // Only the file-or-folder walk stores nothing for a root without findings.
        EXPECT_EQ(world.results().contains(cacheWalk ? "Internet Cache" : "Cookies"),
            row.walk != Walk::FileOrFolder || !expected.isEmpty());
        EXPECT_EQ(world.results().value(cacheWalk ? "Internet Cache" : "Cookies"), expected);
        EXPECT_EQ(world.reporter.descriptions("browser"), expected);
        EXPECT_EQ(world.state.nCacheCount, expected.size());
        EXPECT_EQ(world.state.nTotalErrorsCount, expected.size());
        if (!expected.isEmpty()) {
            EXPECT_EQ(world.reporter.reports.back().category, cacheWalk ? "Cache" : "Cookies");
        }
    }
}

TEST(JunkScannerWalks, ChromiumProfilesGiveTheirCategorysFilesOnly)
{
    struct Row {
        const char* name;
        QStringList tree; // below <data>/chromium
        const char* category;
        QStringList expected; // below <data>/chromium
        QStringList logged; // below <data>/chromium
    };
    const QStringList profile = { "Bookmarks", "Preferences", "Login Data", "History", "History-journal",
        "Visited Links", "Top Sites", "Shortcuts", "Favicons", "Web Data", "Web Data-journal",
        "Network/Cookies", "Network/Cookies-journal", "Cache/Cache_Data/f_000001" };
    const auto in = [&](const QString& folder) {
        QStringList paths;
        for (const QString& file : profile)
            paths << folder + u'/' + file;
        return paths;
    };
    const std::vector<Row> rows = {
        { "history of Default, then the numbered profiles by number",
            in("Default") + in("Profile 10") + in("Profile 2"), "History",
            { "Default/History", "Default/History-journal", "Default/Visited Links", "Default/Top Sites",
                "Default/Shortcuts", "Profile 2/History", "Profile 2/History-journal",
                "Profile 2/Visited Links", "Profile 2/Top Sites", "Profile 2/Shortcuts", "Profile 10/History",
                "Profile 10/History-journal", "Profile 10/Visited Links", "Profile 10/Top Sites",
                "Profile 10/Shortcuts" },
            {} },
        { "cookies where they lie today and where they lay before",
            in("Default") + QStringList { "Profile 1/Cookies" }, "Cookies",
            { "Default/Network/Cookies", "Default/Network/Cookies-journal", "Profile 1/Cookies" }, {} },
        { "the form database alone, never its journal", in("Default"), "Form Values", { "Default/Web Data" },
            {} },
        { "page icons", in("Default"), "Page Icons", { "Default/Favicons" }, {} },
        { "a named file that is a folder", { "Default/History/", "Default/Favicons" }, "History", {}, {} },
        { "not a person's profile: passed over, named ones logged",
            in("Guest Profile") + in("System Profile") + in("Profile x") + in("Profile ") + in("Profile 3"),
            "Page Icons", { "Profile 3/Favicons" },
            { "Passing over <root>/Profile : it is not a numbered profile folder",
                "Passing over <root>/Profile x: it is not a numbered profile folder",
                "<root> holds no Default profile" } },
        { "a profile that is a link", QStringList { "Default -> ../elsewhere" } + in("Profile 1"), "History",
            { "Profile 1/History", "Profile 1/History-journal", "Profile 1/Visited Links",
                "Profile 1/Top Sites", "Profile 1/Shortcuts" },
            { "Passing over the profile folder <root>/Default: it is a link",
                "<root> holds no Default profile" } },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ScannerWorld world;
        const QString root = makeTree(world.data + "/chromium", row.tree);
        makeTree(world.data + "/elsewhere", { "History" });
        world.scanner->scanChromiumProfileFiles({ root, world.data + "/missing" }, row.category);

        EXPECT_EQ(world.results().value(row.category), under(root, row.expected));
        EXPECT_EQ(world.state.nCacheCount, row.expected.size());
        QStringList logged = row.logged;
        logged.replaceInStrings("<root>", root);
        EXPECT_EQ(world.sandbox.logLines(),
            QStringList { root } + logged + QStringList { world.data + "/missing" });
    }
}

TEST(JunkScannerWalks, MissingRootsAreSkippedAndLoggedByThePlainWalks)
{
    for (Walk walk : { Walk::Cache, Walk::ProfileCache, Walk::FileOrFolder, Walk::ProfileFile }) {
        ScannerWorld world;
        makeTree(world.data + "/root", { "p.default/cookies.sqlite" });
        run(world, walk, { "~/missing", world.data + "/root" });

        const QString missing = world.sandbox.locations().home + "/missing";
        EXPECT_TRUE(world.sandbox.logged(missing));
        EXPECT_EQ(world.sandbox.logged("Path " + missing + "not found"),
            walk == Walk::Cache || walk == Walk::FileOrFolder);
        EXPECT_TRUE(world.sandbox.logged(world.data + "/root"));
        EXPECT_GT(world.state.nCacheCount, 0) << "the next root is still walked";
    }
}

TEST(JunkScannerWalks, ScannersShareOneArrayPerCategoryAndCountEveryRecording)
{
    ScannerWorld world;
    makeTree(world.data, { "safari/s1", "safari/s2", "opera/o1", "icons/i1", "cookies/c1" });
    world.scanner->scanBrowserCache({}, "Internet Cache");
    EXPECT_FALSE(world.resultsExist()) << "an empty list writes nothing";
    world.scanner->scanBrowserCache({ world.data + "/safari" }, "Internet Cache");
    world.scanner->scanBrowserCache({ world.data + "/opera" }, "Internet Cache");
    // Two entries that reach the same file record it twice.
    world.scanner->scanBrowserOtherCategories(
        { world.data + "/cookies", world.data + "/cookies/c1" }, "Cookies");
    world.scanner->scanBrowserCache({ world.data + "/icons" }, "Page Icons");

    const auto results = world.results();
    EXPECT_EQ(results.value("Internet Cache"), under(world.data, { "safari/s1", "safari/s2", "opera/o1" }));
    EXPECT_EQ(results.value("Cookies"), under(world.data, { "cookies/c1", "cookies/c1" }));
    EXPECT_EQ(results.value("Page Icons"), under(world.data, { "icons/i1" }));
    EXPECT_EQ(world.reporter.reports.back().category, "Cache");
    EXPECT_EQ(world.state.nCacheCount, 6);
    EXPECT_EQ(world.state.nTotalErrorsCount, 6);
    // The zero count is shown on entry while nothing is counted yet.
    EXPECT_EQ(world.reporter.descriptions("noInternetCache").size(), 2);
}

TEST(JunkScannerWalks, StopEndsTheWalkButTheScannerStoresAndPassesOverTheRest)
{
    ScannerWorld world;
    makeTree(world.data, { "one/a", "one/b", "one/c", "two/d", "two/e" });
    world.reporter.onReport = [&](const RecordingReporter::Report& report) {
        if (report.total == 2)
            world.state.bScanning = false;
    };
    world.scanner->scanBrowserCache({ world.data + "/one", world.data + "/two" }, "Internet Cache");
    EXPECT_EQ(world.results().value("Internet Cache"), under(world.data, { "one/a", "one/b" }));
    EXPECT_TRUE(world.sandbox.logged(world.data + "/two")) << "later roots are still visited";

    // The file-or-folder walk still records a root that is a file.
    world.scanner->scanBrowserOtherCategories({ world.data + "/two", world.data + "/one/c" }, "Cookies");
    EXPECT_EQ(world.results().value("Cookies"), under(world.data, { "one/c" }));

    // Once cancelled, a scanner touches nothing.
    world.state.scanCancelled = true;
    world.sandbox.clearRecords();
    const size_t reports = world.reporter.reports.size();
    for (Walk walk : { Walk::Cache, Walk::ProfileCache, Walk::FileOrFolder, Walk::ProfileFile })
        run(world, walk, { world.data + "/one/c" });
    world.scanner->scanSystemLogs();
    world.scanner->scanSystemCache();
    EXPECT_EQ(world.reporter.reports.size(), reports);
    EXPECT_TRUE(world.reporter.images.isEmpty());
    EXPECT_TRUE(world.sandbox.logLines().isEmpty());
    EXPECT_EQ(world.state.nTotalErrorsCount, 3);
}

TEST(JunkScannerWalks, NamesTheFileCannotCarryAreLeftOutWithOneLogLine)
{
    ScannerWorld world;
    const QString root = makeTree(world.data + "/root",
        { "ok", QStringLiteral("line\nbreak"), QStringLiteral("bad\rname"), QStringLiteral("dir\x01/one"),
            QStringLiteral("dir\x01/two") });
    world.scanner->scanBrowserCache({ root }, "Internet Cache");

    // A line feed survives the file; a carriage return or another control character would not.
    EXPECT_EQ(world.results().value("Internet Cache"), under(root, { QStringLiteral("line\nbreak"), "ok" }));
    EXPECT_EQ(world.state.nTotalErrorsCount, 2);
    EXPECT_EQ(world.sandbox.logLines().filter("cannot be kept"),
        QStringList { "Passing over an item in " + root + ": its name cannot be kept in the scan results" });
}

TEST(JunkScannerLogs, AgeRuleForTheTwoFreshSystemLogs)
{
    const QDateTime now = QDateTime::fromSecsSinceEpoch(1700000000);
    const std::vector<std::pair<qint64, bool>> rows = {
        { -10 * 60'000, false },
        { -2 * 3600'000, true },
        { -1859'000, false },
        { -1860'000, true },
        { -1860'000 + 1, false }, // 1859.999 seconds: whole seconds are cut toward zero
        { 31 * 60'000, true }, // a creation date in the future counts the same
        { (30 * 60 + 59) * 1000, false },
    };
    for (const auto& [offsetMs, listed] : rows)
        EXPECT_EQ(JunkScanner::isOldEnoughToList(now.addMSecs(offsetMs), now), listed) << offsetMs;
    EXPECT_FALSE(JunkScanner::isOldEnoughToList(QDateTime(), now))
        << "an unknown creation date counts as now";

    using C = JunkScanner::LogClass;
    for (const auto& [entry, logClass] : std::vector<std::pair<const char*, C>> {
             { "~/.local/share/xorg", C::UserLogs }, { "/var/crash", C::LibraryLogs },
             { "~/.local/share/xorg/", C::SystemLogs }, { "/var/log", C::SystemLogs } })
        EXPECT_EQ(JunkScanner::logClassOf(QString::fromLatin1(entry)), logClass) << entry;
}

TEST(JunkScannerLogs, ListsLogFilesAndShowsEveryVisitedEntry)
{
    ScannerWorld world;
    const Locations& l = world.sandbox.locations();
    const QString varLog = QFileInfo(l.systemLog).absolutePath();
    useDefinitions(world.sandbox, {}, { "~/.local/share/xorg", varLog, "~/missing", "~/only-folders" });
    world.scanner = std::make_unique<JunkScanner>(world.state, world.reporter, world.sandbox.locations());
    const QString xorg = makeTree(l.home + "/.local/share/xorg", { "Xorg.0.log", "old/" });
    makeTree(varLog, { "apt/history.log", "auth.log", "dpkg.log", "syslog" });
    makeTree(l.home + "/only-folders", { "a/" });
    const QDateTime now = QDateTime::currentDateTimeUtc();
    world.scanner->setCreationDateSource(
        [&](const QString& path) { return path == l.systemLog ? now.addSecs(-7200) : now.addSecs(-600); });

    world.scanner->scanSystemLogs();

    const auto results = world.results();
    EXPECT_EQ(results.value("UserLibraryLogs"), QStringList { xorg + "/Xorg.0.log" });
    EXPECT_EQ(results.value("System Logs"), under(varLog, { "apt/history.log", "dpkg.log", "syslog" }));
    EXPECT_FALSE(results.contains("System Library Logs"));
    // Folders and unlisted files are shown too; the category stays the last one set.
    EXPECT_EQ(world.reporter.descriptions("log"),
        under(xorg, { "Xorg.0.log", "old" })
            + under(varLog, { "apt", "apt/history.log", "auth.log", "dpkg.log", "syslog" })
            + QStringList { l.home + "/only-folders/a" });
    EXPECT_EQ(world.reporter.reports[1].category, "UserLibraryLogs");
    EXPECT_EQ(world.reporter.reports[3].category, "MiscLogs");
    EXPECT_EQ(world.state.nLogsCount, 4);
    EXPECT_EQ(world.reporter.images, (QStringList { "logs:Arrow", "logs:RightMark" }));
    EXPECT_FALSE(world.sandbox.logged(l.home + "/missing"));

    ScannerWorld empty({ "~/only-folders" });
    makeTree(empty.sandbox.locations().home + "/only-folders", { "a/", "b/" });
    empty.scanner->scanSystemLogs();
    EXPECT_EQ(empty.reporter.descriptions("log").size(), 2);
    EXPECT_FALSE(empty.resultsExist()) << "nothing listed, nothing written";
}

TEST(JunkScannerSystemCache, FilesAndFoldersAreJunkAndNothingFoundIsReported)
{
    ScannerWorld world({}, { "~/.cache/thumbnails", "~/single.bin", "~/missing" });
    const QString home = world.sandbox.locations().home;
    makeTree(home, { ".cache/thumbnails/normal/a.png", ".cache/thumbnails/large/", "single.bin" });
    world.scanner->scanSystemCache();

    const QStringList expected = under(home, { ".cache/thumbnails/normal/a.png", "single.bin" });
    EXPECT_EQ(world.results().value("System Cache"), expected);
    EXPECT_EQ(world.reporter.descriptions("systemCache"), expected);
    EXPECT_EQ(world.reporter.reports[0].category, "System Cache");
    EXPECT_EQ(world.state.nSystemCacheCount, 2);
    EXPECT_EQ(world.reporter.images, (QStringList { "cache:Arrow", "cache:RightMark" }));

    ScannerWorld empty({}, { "~/missing" });
    empty.scanner->scanSystemCache();
    ASSERT_EQ(empty.reporter.reports.size(), 1u);
    EXPECT_EQ(empty.reporter.reports[0].kind, "noSystemCache");
    EXPECT_FALSE(empty.resultsExist());
}
