#include "scan/JunkScanner.h"
#include "scan/FirefoxProfiles.h"
#include "scan/ScanState.h"
#include "scan/ScanTestSupport.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QDir>

#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

namespace {

struct ScannerWorld {
    Sandbox sandbox;
    ScanState state;
    RecordingReporter reporter { state };
    std::unique_ptr<JunkScanner> scanner;
    QString data = sandbox.path("data");

    ScannerWorld()
    {
        useDefinitions(sandbox, {});
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
};

// A walk as the table runs it: over the given roots, under the category the walk is for.
using Walk = void (*)(JunkScanner&, const QStringList&);
const Walk kCache
    = [](JunkScanner& s, const QStringList& roots) { s.scanBrowserCache(roots, "Internet Cache"); };
const Walk kProfileCache = [](JunkScanner& s, const QStringList& roots) { s.scanNetscapeFireFoxCahe(roots); };
const Walk kFileOrFolder
    = [](JunkScanner& s, const QStringList& roots) { s.scanBrowserOtherCategories(roots, "Cookies"); };
const Walk kProfileFile = [](JunkScanner& s, const QStringList& roots) {
    s.scanNetscapeFireFoxOtherCategories(roots, "Cookies", "cookies.sqlite");
};
const Walk kChromiumCache
    = [](JunkScanner& s, const QStringList& roots) { s.scanChromiumProfileFiles(roots, "Internet Cache"); };

} // namespace

TEST(JunkScannerWalks, RecordWhatEachWalkMeansByJunk)
{
    // What the walk is given: <data>/root, holding the tree ("<root>" in it
    // stands for that folder), and the entry's ending; what it finds below <data>/root.
    const QString profile
        = "[General]\nStartWithLastProfile=1\n\n[Profile%1]\nName=x\nIsRelative=%2\nPath=%3\n";
    const auto ini = [&](std::initializer_list<std::pair<int, const char*>> profiles) {
        QString text = "profiles.ini = ";
        int number = 0;
        for (const auto& [relative, path] : profiles)
            text += profile.arg(number++).arg(relative).arg(path);
        return text;
    };
    const std::vector<std::tuple<const char*, Walk, QStringList, QString, QStringList>> rows = {
        { "cache: files at every depth, never folders", kCache, { "a", "sub/b", "sub/deeper/c", "empty/" },
            "", { "a", "sub/b", "sub/deeper/c" } },
        { "cache: a trailing slash adds none to the paths", kCache, { "a" }, "/", { "a" } },
        { "cache: links judged by their target, not followed", kCache,
            { "file", "dir/inner", "to-dir -> dir", "to-file -> file", "dangling -> nowhere" }, "",
            { "dangling", "dir/inner", "file", "to-file" } },
        { "cache: a file as root yields nothing", kCache, { "file" }, "/file", {} },
        { "cache: a missing root is logged", kCache, {}, "/missing", {} },
        { "file or folder: a missing root is logged", kFileOrFolder, {}, "/missing", {} },
        { "profile file: a missing root passes silently", kProfileFile, {}, "/missing", {} },
        { "profile cache: everything from the first profile folder on", kProfileCache,
            { "aaa/ignored", "abc.default/x", "abc.default/sub/y", "zzz.default-release/z" }, "",
            { "abc.default/sub", "abc.default/sub/y", "abc.default/x", "zzz.default-release",
                "zzz.default-release/z" } },
        { "profile cache: no profile folder, nothing", kProfileCache,
            { "a.default_1/x", "b.default-/y", "c.default", "d.defaults/z", "e.default-x.y/z" }, "", {} },
        { "file or folder: a file root is junk itself", kFileOrFolder, { "cookies" }, "/cookies",
            { "cookies" } },
        { "file or folder: existing files of a folder", kFileOrFolder,
            { "a", "sub/b", "dangling -> nowhere", "to-file -> a", "to-dir -> sub" }, "",
            { "a", "sub/b", "to-file" } },
        { "profile file: the named file in every profile folder", kProfileFile,
            { "p.default/cookies.sqlite", "q.default-release/cookies.sqlite/", "other/cookies.sqlite",
                "nested/r.default-esr/cookies.sqlite", "s.default/", "t.default/u.default/cookies.sqlite",
                "v.default-release-1732624945171/cookies.sqlite", "w.default-nightly-2/cookies.sqlite",
                "x.default-release.bak/cookies.sqlite", "y.default-release-/cookies.sqlite",
                "linked.default -> p.default" },
            "",
            { "nested/r.default-esr/cookies.sqlite", "p.default/cookies.sqlite",
                "t.default/u.default/cookies.sqlite", "v.default-release-1732624945171/cookies.sqlite",
                "w.default-nightly-2/cookies.sqlite", "y.default-release-/cookies.sqlite" } },
        { "profile file: and in every profile profiles.ini names, each once", kProfileFile,
            { ini({ { 1, "Work" }, { 1, " Profiles/p.default " }, { 0, "<root>/Home Profile" }, { 1, "Gone" },
                  { 0, "<root>/Work/" } }),
                "Work/cookies.sqlite", "Profiles/p.default/cookies.sqlite", "Home Profile/cookies.sqlite",
                "Unnamed/cookies.sqlite" },
            "",
            { "Profiles/p.default/cookies.sqlite", "Work/cookies.sqlite", "Home Profile/cookies.sqlite" } },
        // profiles.ini is the browser's and any program's of the user to write.
        { "profiles.ini attack: a Path= that climbs out, or is absolute outside, or shares the root's prefix",
            kProfileFile,
            { ini({ { 1, "../../root-outside" }, { 1, "../root-outside" }, { 1, "inner/../../root-outside" },
                  { 0, "/" }, { 0, "<root>-outside" }, { 0, "<root>" } }),
                "../root-outside/cookies.sqlite", "inner/" },
            "", {} },
        { "profiles.ini attack: a Path= through a link, or to one", kProfileFile,
            { ini({ { 1, "via/inner" }, { 1, "linked" } }), "via -> ../root-outside",
                "linked -> ../root-outside/inner", "../root-outside/inner/cookies.sqlite" },
            "", {} },
        { "profiles.ini attack: the file itself a link", kProfileFile,
            { "profiles.ini -> ../root-outside/profiles.ini", "Work/cookies.sqlite",
                "../root-outside/profiles.ini = [Profile0]\nIsRelative=1\nPath=Work\n" },
            "", {} },
        { "profiles.ini attack: a huge file is not read", kProfileFile,
            { ini({ { 1, "Work" } }) + QString(int(FirefoxProfiles::kMaxIniSize), u';'),
                "Work/cookies.sqlite" },
            "", {} },
        { "chromium caches: the cache folders of the user-data folder and of each profile not a link",
            kChromiumCache,
            { "component_crx_cache/a.crx", "ShaderCache/GPUCache/data_0", "Local State", "Default/History",
                "Default/GPUCache/data_0", "Default/Code Cache/js/index", "Default/Code Cache/wasm/",
                "Profile 1/DawnCache/data_1", "Profile 1/DawnWebGPUCache/data_2",
                "Guest Profile/GPUCache/data_0", "Profile 2/GPUCache -> ../Default/GPUCache",
                "Profile 2/Code Cache -> ../../outside", "Profile 3 -> ../elsewhere",
                "../elsewhere/GPUCache/x" },
            "",
            { "ShaderCache/GPUCache/data_0", "component_crx_cache/a.crx", "Default/Code Cache/js/index",
                "Default/GPUCache/data_0", "Profile 1/DawnCache/data_1",
                "Profile 1/DawnWebGPUCache/data_2" } },
    };
    for (const auto& [name, walk, tree, entry, found] : rows) {
        SCOPED_TRACE(name);
        ScannerWorld world;
        const QString root = makeTree(
            world.data + "/root", QStringList(tree).replaceInStrings("<root>", world.data + "/root"));
        walk(*world.scanner, { root + entry });

        const bool cacheWalk = walk == kCache || walk == kProfileCache || walk == kChromiumCache;
        const QString category = cacheWalk ? "Internet Cache" : "Cookies";
        const QStringList expected = under(root, found);
        const QMap<QString, QStringList> results = world.results();
        // Only the file-or-folder walk stores nothing for a root without findings.
        const bool missing = entry == "/missing";
        EXPECT_EQ(results.contains(category), !missing && (walk != kFileOrFolder || !expected.isEmpty()));
        EXPECT_EQ(world.sandbox.logged("Path " + root + entry + "not found"),
            missing && (walk == kCache || walk == kFileOrFolder));
        EXPECT_EQ(results.value(category), expected);
        EXPECT_EQ(world.reporter.descriptions("browser"), expected);
        EXPECT_EQ(world.state.nCacheCount, expected.size());
        EXPECT_EQ(world.state.nTotalErrorsCount, expected.size());
        if (!expected.isEmpty()) {
            EXPECT_EQ(world.reporter.reports.back().category, cacheWalk ? "Cache" : "Cookies");
        }
    }
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
}

// Every item below <data>; "Trash" is the home's trash, the mount table names
// the folders of `mounts` ("folder:type" for another type than ext4), and
// "{U}" is the user's id.
TEST(JunkScannerTrash, OneRowPerItemOfEveryTrashFolderTheRulesAdmit)
{
    struct Row {
        const char* name;
        QStringList tree;
        QStringList found;
        QStringList mounts = {};
        QStringList sticky = {};
        const char* logged = nullptr;
    };
    const Row rows[] = {
        { "the home's trash: a folder, a link, odd names, each as a whole",
            { "Trash/files/a", "Trash/files/dir/inner/x", "Trash/files/link -> /nowhere", "Trash/files/-rf",
                "Trash/files/line\nbreak", "Trash/info/a.trashinfo" },
            { "Trash/files/-rf", "Trash/files/a", "Trash/files/dir", "Trash/files/line\nbreak",
                "Trash/files/link" } },
        { "a volume's .Trash-uid and its sticky .Trash/uid",
            { "usb/.Trash-{U}/files/b", "usb/.Trash/{U}/files/c", "usb/.Trash-65534/files/other-user" },
            { "usb/.Trash/{U}/files/c", "usb/.Trash-{U}/files/b" }, { "usb" }, { "usb/.Trash" } },
        { "a .Trash that is not sticky", { "usb/.Trash/{U}/files/c" }, {}, { "usb" }, {},
            "Passing over the trash folder {D}/usb/.Trash: it is not sticky" },
        { "a .Trash that is a link to a sticky one",
            { "real/.Trash/{U}/files/c", "usb/.Trash -> ../real/.Trash" }, {}, { "usb" }, { "real/.Trash" },
            "Passing over the trash folder {D}/usb/.Trash: it is a link or not a folder" },
        { "a .Trash-uid that is a link", { "elsewhere/files/e", "usb/.Trash-{U} -> ../elsewhere" }, {},
            { "usb" }, {}, "Passing over the trash folder {D}/usb/.Trash-{U}: it is a link or not a folder" },
        { "an info/ without files/, and a files/ that is a link",
            { "usb/.Trash-{U}/info/x.trashinfo", "elsewhere/y", "usb2/.Trash-{U}/files -> ../../elsewhere" },
            {}, { "usb", "usb2" } },
        { "a volume mounted twice counts once; a pseudo file system not at all",
            { "usb/.Trash-{U}/files/b", "alias -> usb", "run/.Trash-{U}/files/r" },
            { "usb/.Trash-{U}/files/b" }, { "usb", "alias", "run:tmpfs" } },
    };
    const QString uid = QString::number(getuid());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ScannerWorld world;
        const auto filled = [&](QStringList items) {
            return items.replaceInStrings("{U}", uid).replaceInStrings("{D}", world.data);
        };
        makeTree(world.data, filled(row.tree));
        for (const QString& folder : filled(row.sticky))
            ASSERT_EQ(chmod(QFile::encodeName(world.data + u'/' + folder).constData(), 01777), 0);
        QByteArray table;
        for (const QString& mount : row.mounts) {
            table += "30 1 8:1 / " + QFile::encodeName(world.data + u'/' + mount.section(u':', 0, 0))
                + " rw - " + (mount.contains(u':') ? mount.section(u':', 1).toUtf8() : "ext4")
                + " /dev/sdb1 rw\n";
        }
        Locations locations = world.sandbox.locations();
        locations.userTrash = world.data + "/Trash";
        locations.mountTable = world.sandbox.makeFile("mountinfo", table);
        world.scanner = std::make_unique<JunkScanner>(world.state, world.reporter, locations);
        world.scanner->scanTrash();

        const QStringList expected = under(world.data, filled(row.found));
        EXPECT_EQ(world.results().value("Trash"), expected);
        EXPECT_EQ(world.reporter.descriptions("trash"), expected);
        EXPECT_EQ(world.state.nTrashCount, expected.size());
        if (row.logged) {
            EXPECT_TRUE(world.sandbox.logged(filled({ row.logged }).first())) << row.logged;
        }
    }
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
    // Anyone who may write a log may set its modification time back; its creation stays.
    Sandbox sandbox;
    QFile log(sandbox.makeFile("syslog"));
    ASSERT_TRUE(log.open(QIODevice::ReadWrite));
    ASSERT_TRUE(log.setFileTime(now.addDays(-1), QFileDevice::FileModificationTime));
    EXPECT_FALSE(JunkScanner::isOldEnoughToList(
        JunkScanner::creationDateOf(log.fileName()), QDateTime::currentDateTime()));
}

// Below the system's log folder and among the user's Xorg logs only what the
// name marks rotated or archived is listed; crash reports and dumps whole; each
// under the class its folder gives. Every file is still shown as the walk
// passes it. A system cache entry that names a file is that file.
TEST(JunkScannerLogs, OnlyRotatedAndArchivedLogsAreListedWhereLogsAreWrittenEachUnderItsClass)
{
    // Each class with what it lists; "" for what is not listed.
    const std::pair<const char*, QStringList> rows[] = {
        // however old auth.log and syslog are: the age rule never gets to decide
        { "",
            { "var/log/syslog", "var/log/auth.log", "var/log/dpkg.log", "var/log/apt/history.log",
                "var/log/wtmp", "var/log/btmp", "var/log/lastlog", "var/log/journal/m1/system.journal",
                "var/log/journal/m1/user-1000.journal", "var/log/php8.1-fpm.log", "var/log/app.log-2026",
                "var/log/.gz", "home/.local/share/xorg/Xorg.0.log" } },
        // In the order of the walk, which the results keep.
        { "System Logs",
            { "var/log/apt/history.log.12.xz", "var/log/boot.log.lz4", "var/log/dmesg.old",
                "var/log/journal/m1/system@0005f2a1b2c3d4e5-00000000000012ab-0005f2a1b2c3d4e5.journal",
                "var/log/journal/m1/user-1000.journal~", "var/log/kern.log.bz2", "var/log/mail.log.3.zst",
                "var/log/messages-20261201", "var/log/secure-20261201.gz", "var/log/syslog.1",
                "var/log/syslog.2.gz", "var/log/wtmp.1", "var/lib/systemd/coredump/core.bash.1000.5d2b" } },
        { "UserLibraryLogs", { "home/.local/share/xorg/Xorg.0.log.old" } },
        { "System Library Logs", { "var/crash/_usr_bin_foo.1000.crash" } },
        { "System Cache", { "home/cache-file", "home/.cache/thumbnails/normal/t.png" } },
    };
    const QMap<QString, QString> shownAs
        = { { "UserLibraryLogs", "UserLibraryLogs" }, { "System Library Logs", "LibraryLogs" },
              { "System Logs", "MiscLogs" }, { "System Cache", "System Cache" } };
    ScannerWorld world;
    const QString root = world.sandbox.root();
    useDefinitions(world.sandbox, {},
        { "~/.local/share/xorg", root + "/var/crash", root + "/var/log", root + "/var/lib/systemd/coredump" },
        { "~/cache-file", "~/.cache/thumbnails", "~/missing" });
    world.scanner = std::make_unique<JunkScanner>(world.state, world.reporter, world.sandbox.locations());
    world.scanner->setCreationDateSource([](const QString&) { return QDateTime::fromSecsSinceEpoch(0); });
    QMap<QString, QStringList> listed;
    for (const auto& [key, paths] : rows) {
        for (const QString& path : paths) {
            const QString full = world.sandbox.makeFile(path);
            if (*key)
                listed[key].append(full);
        }
    }

    world.scanner->scanSystemLogs();
    world.scanner->scanSystemCache();

    EXPECT_EQ(world.results(), listed);
    QMap<QString, QString> shown;
    for (const RecordingReporter::Report& report : world.reporter.reports)
        shown.insert(report.description, report.category);
    for (const auto& [key, paths] : rows) {
        for (const QString& path : paths) {
            EXPECT_TRUE(shown.contains(root + u'/' + path)) << qPrintable(path);
            EXPECT_TRUE(!*key || shown.value(root + u'/' + path) == shownAs.value(key)) << qPrintable(path);
        }
    }
    for (const char* phase : { "logsImage", "cacheImage" })
        EXPECT_EQ(world.reporter.descriptions(phase), QStringList({ "Arrow", "RightMark" })) << phase;
}
