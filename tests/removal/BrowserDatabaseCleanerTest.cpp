#include "removal/BrowserDatabaseCleaner.h"
#include "e2e/SandboxDefinitions.h"
#include "removal/BrowserDatabases.h"
#include "removal/RemovalConfinement.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QMap>

#include <cstdio>
#include <functional>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using namespace BrowserDatabases;

namespace {

// The database and the files SQLite keeps beside it, byte for byte.
QMap<QString, QByteArray> snapshot(const QString& path)
{
    QMap<QString, QByteArray> files;
    for (const char* suffix : { "", "-wal", "-journal" })
        files.insert(path + QLatin1String(suffix), contents(path + QLatin1String(suffix)));
    return files;
}

// Tables that must come out of a clean exactly as they went in.
QMap<QString, QStringList> dump(const QString& path, const QStringList& tables)
{
    QMap<QString, QStringList> result;
    for (const QString& table : tables)
        result.insert(table, rows(path, "SELECT * FROM " + table + " ORDER BY 1"));
    return result;
}

// Profile folders below the entries of the shipped definitions.
const QString kFirefoxProfile = QStringLiteral("home/.mozilla/firefox/p.default");
const QString kChromiumProfile = QStringLiteral("home/.config/chromium/Default");

// Cleans as removal does, under the rule of the sandbox's definitions.
bool clean(Sandbox& sandbox, const QString& path, BrowserDatabaseCleaner::Options options = {})
{
    useSandboxDefinitions(sandbox);
    const BrowserDatabaseCleaner::Options defaults
        = BrowserDatabaseCleaner::Options::from(sandbox.locations());
    options.home = defaults.home;
    options.temporaryFolder = defaults.temporaryFolder;
    return BrowserDatabaseCleaner::clean(path, RemovalConfinement(sandbox.locations()), options);
}

} // namespace

// What the user keeps comes out of a clean exactly as it went in; no trace of the rest is left.
TEST(BrowserDatabaseCleaner, HistoryFormsAndOtherPagesIconsGoAndWhatTheUserKeepsStays)
{
    struct Row {
        QString path; // below the sandbox
        std::function<void(const QString& path)> make;
        QStringList kept; // tables
        QMap<QString, QStringList> left; // by query
        QStringList traces; // in no byte of the file
        QString beside = {}; // a file the clean reads, left byte for byte
    };
    const auto webData = [](WebDataLayout layout) {
        return [layout](const QString& path) {
            makeWebData(path, layout);
            // What a browser in TRUNCATE journal mode leaves after every transaction.
            QFile(path + "-journal").open(QIODevice::WriteOnly);
        };
    };
    const QStringList webDataKept { "keywords", "credit_cards", "meta" };
    const Row rows[] = {
        { kFirefoxProfile + "/places.sqlite", makePlaces,
            { "moz_bookmarks", "moz_keywords", "moz_anno_attributes" },
            { { "SELECT place_id, content FROM moz_annos", { "3|Daily news" } }, // the download goes
                { "SELECT * FROM moz_historyvisits", {} }, { "SELECT * FROM moz_inputhistory", {} },
                { "SELECT * FROM moz_places_metadata", {} },
                // Bookmarked, tagged and keyword pages stay, their visits forgotten; a
                // query is never suggested, so it is not scored.
                { "SELECT id, visit_count, typed, frecency, last_visit_date, recalc_frecency FROM moz_places "
                  "ORDER BY 1",
                    { "1|0|0|-1|NULL|1", "3|0|0|-1|NULL|1", "4|0|0|-1|NULL|1", "6|0|0|0|NULL|1" } },
                { "SELECT host FROM moz_origins ORDER BY id", { "example.org", "news.test" } },
                { "PRAGMA freelist_count", { "0" } }, { "PRAGMA journal_mode", { "wal" } } },
            { "tracker.test", "file.zip" } },
        { kFirefoxProfile + "/favicons.sqlite",
            [](const QString& path) {
                makePlaces(QFileInfo(path).path() + "/places.sqlite");
                makeFirefoxIcons(path);
            },
            {},
            { { "SELECT page_url FROM moz_pages_w_icons", { "https://example.org/" } },
                { "SELECT page_id, icon_id FROM moz_icons_to_pages ORDER BY 1, 2", { "1|1", "1|5" } },
                // The bookmarked site's own icon, which Firefox finds by the site.
                { "SELECT id FROM moz_icons ORDER BY 1", { "1", "2", "5" } } },
            { "tracker.test" }, kFirefoxProfile + "/places.sqlite" },
        { kChromiumProfile + "/Favicons", makeChromiumIcons, {},
            { { "SELECT page_url FROM icon_mapping ORDER BY 1",
                  { "https://example.org/", "https://news.test/deep" } },
                { "SELECT id FROM favicons ORDER BY 1", { "1", "2" } },
                { "SELECT id FROM favicon_bitmaps ORDER BY 1", { "1", "2", "3" } } },
            { "tracker.test" }, kChromiumProfile + "/Bookmarks" },
        { kChromiumProfile + "/Web Data", webData(WebDataLayout::Old),
            webDataKept + QStringList { "autofill_profiles", "autofill_profile_names" },
            { { "SELECT * FROM autofill", {} }, { "SELECT * FROM autofill_dates", {} } },
            { "secret search" } },
        { kChromiumProfile + "/Web Data", webData(WebDataLayout::New),
            webDataKept + QStringList { "addresses", "address_type_tokens" },
            { { "SELECT * FROM autofill", {} } }, { "secret search" } },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.kept.join(u' ').toStdString() + ' ' + row.path.toStdString());
        Sandbox sandbox;
        const QString path
            = sandbox.makeFolder(QFileInfo(row.path).path()) + u'/' + QFileInfo(row.path).fileName();
        row.make(path);
        const auto before = dump(path, row.kept);
        const auto beside = [&] {
            return row.beside.isEmpty() ? decltype(snapshot({})) {} : snapshot(sandbox.path(row.beside));
        };
        const auto besideBefore = beside();

        ASSERT_TRUE(clean(sandbox, path)) << qPrintable(sandbox.logLines().join(u'\n'));

        EXPECT_EQ(dump(path, row.kept), before);
        for (auto query = row.left.cbegin(); query != row.left.cend(); ++query)
            EXPECT_EQ(BrowserDatabases::rows(path, query.key()), query.value()) << qPrintable(query.key());
        for (const QString& trace : row.traces)
            EXPECT_FALSE(contents(path).contains(trace.toUtf8())) << qPrintable(trace);
        EXPECT_EQ(beside(), besideBefore);
        EXPECT_TRUE(sandbox.logLines().isEmpty()) << qPrintable(sandbox.logLines().join(u'\n'));
    }
}

// Whatever stands in the way, the file is left byte for byte as it was and
// never deleted; only the log says why. Nothing the file or its folder says
// reaches beyond it: the canaries stay, and what the file's schema would run
// never runs.
TEST(BrowserDatabaseCleaner, LeavesADatabaseItCannotCleanAsItWas)
{
    // The cleaner knows a database by its name: those from Link on are Firefox's places.sqlite
    // (favicons.sqlite for FirefoxIcons), those before Chromium's "Web Data" ("Favicons").
    enum Made {
        Nothing,
        Folder,
        OldWebData,
        NewWebData,
        ChromiumIcons,
        Link,
        NotSqlite,
        Damaged,
        Places,
        FirefoxIcons
    };
    enum Attack {
        None,
        HotJournal,
        Wal,
        FifoJournal,
        HardLink,
        LinkOnTheWay,
        Swapped,
        TimeLimit,
        BookmarksLink,
        BookmarksFifo,
        BookmarksHuge,
        BookmarksMissing,
        PlacesHotJournal
    };
    struct Row {
        const char* name;
        Made made;
        QString reason; // empty: cleaned all the same
        Attack attack = None;
        const char* sql = nullptr; // run on the database before the clean
        const char* held = nullptr; // run by a second connection that stays open
    };
    const char* canaryTable = "CREATE TABLE canary (x); INSERT INTO canary VALUES ('kept');";
    // A billion rows for each visit deleted.
    const QByteArray endless = QByteArray(canaryTable)
        + "CREATE TABLE big (x); WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
          "WHERE i < 1000) INSERT INTO big SELECT i FROM n; CREATE TRIGGER endless AFTER DELETE ON "
          "moz_historyvisits BEGIN INSERT INTO canary SELECT 1 FROM big a, big b, big c; END";
    const QByteArray growing = QByteArray(canaryTable)
        + "CREATE TRIGGER growing AFTER DELETE ON moz_historyvisits BEGIN "
          "INSERT INTO canary VALUES (zeroblob(50000000)); END";
    const QByteArray view = QByteArray(canaryTable)
        + "DROP TABLE moz_annos; CREATE VIEW moz_annos AS WITH RECURSIVE n(i) AS "
          "(SELECT 1 UNION ALL SELECT i + 1 FROM n) SELECT i AS place_id FROM n";
    const Row rows[] = {
        { "a link to a database", Link, "it is not a regular file" },
        { "a folder", Folder, "it is not a regular file" },
        { "no file: none is created", Nothing, "No such file or directory" },
        { "not SQLite", NotSqlite, "file is not a database" },
        { "damaged", Damaged, "database disk image is malformed" },
        { "a newer schema without origins", Places, "it has no table moz_origins", None,
            "DROP TABLE moz_origins" },
        { "form values kept elsewhere", NewWebData, "it has no table autofill", None, "DROP TABLE autofill" },
        { "locked by a running browser", OldWebData, "database is locked", None, nullptr,
            "BEGIN EXCLUSIVE; DELETE FROM keywords" },
        { "held in exclusive mode after a write, as Firefox does", Places, "database is locked", None,
            nullptr, "PRAGMA locking_mode = EXCLUSIVE; UPDATE moz_places SET title = 'now' WHERE id = 1" },
        { "a hot journal naming a canary as its super-journal", Places,
            "places.sqlite-journal lies beside it: the browser runs or did not close it", HotJournal },
        { "a WAL beside it", Places, "places.sqlite-wal lies beside it: the browser runs or did not close it",
            Wal },
        { "a FIFO as its journal", Places,
            "places.sqlite-journal lies beside it: the browser runs or did not close it", FifoJournal },
        { "a second hard link elsewhere", Places, "it has more than one link", HardLink },
        { "a link on the way to it", Places, "a link or a file on the way", LinkOnTheWay },
        { "swapped for a copy between the check and the rename", Places, "it changed while it was cleaned",
            Swapped },
        { "a clean past its time limit", Places, "the clean took longer than its time limit", TimeLimit },
        { "a page bigger with every row the clean changes", Places, "database or disk is full", None,
            "CREATE INDEX growing ON moz_places (CASE WHEN frecency = -1 THEN zeroblob(1000000) END)" },
        { "an endless trigger", Places, {}, None, endless.constData() },
        { "a trigger that grows the file", Places, {}, None, growing.constData() },
        { "an endless view in place of a table", Places, "cannot modify moz_annos because it is a view", None,
            view.constData() },
        { "icons whose bookmarks file is a link", ChromiumIcons,
            "its bookmarks in Bookmarks cannot be read: it is not a regular file", BookmarksLink },
        { "icons whose bookmarks file is a FIFO", ChromiumIcons,
            "its bookmarks in Bookmarks cannot be read: it is not a regular file", BookmarksFifo },
        { "icons whose bookmarks file is huge", ChromiumIcons,
            "its bookmarks in Bookmarks cannot be read: it is larger than 64 MiB", BookmarksHuge },
        { "icons without a bookmarks file", ChromiumIcons,
            "its bookmarks in Bookmarks cannot be read: No such file or directory", BookmarksMissing },
        { "icons whose places.sqlite has a hot journal naming a canary", FirefoxIcons,
            "its bookmarks in places.sqlite cannot be read: places.sqlite-journal lies beside it: "
            "the browser runs or did not close it",
            PlacesHotJournal },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Sandbox sandbox;
        const QString profile = sandbox.path(row.made >= Link ? kFirefoxProfile : kChromiumProfile);
        const QString elsewhere = sandbox.makeFolder("elsewhere") + "/places.sqlite";
        const QString canary = sandbox.makeFile("home/Documents/canary", "canary\n");
        const QString path = profile
            + (row.made == FirefoxIcons         ? "/favicons.sqlite"
                    : row.made == ChromiumIcons ? "/Favicons"
                    : row.made >= Link          ? "/places.sqlite"
                                                : "/Web Data");
        if (row.attack == LinkOnTheWay) {
            QDir().mkpath(QFileInfo(profile).path());
            ASSERT_TRUE(QFile::link(QFileInfo(elsewhere).path(), profile));
        }
        QDir().mkpath(profile);
        if (row.made == Places || row.made == Damaged)
            makePlaces(path);
        if (row.made == FirefoxIcons) {
            makePlaces(profile + "/places.sqlite");
            makeFirefoxIcons(path);
        }
        const QString bookmarks = profile + "/Bookmarks";
        if (row.made == ChromiumIcons)
            makeChromiumIcons(path);
        if (row.attack == BookmarksLink || row.attack == BookmarksFifo || row.attack == BookmarksMissing) {
            ASSERT_TRUE(QFile::remove(bookmarks));
        }
        if (row.attack == BookmarksLink) {
            ASSERT_TRUE(QFile::link(sandbox.makeFile("elsewhere/Bookmarks", chromiumBookmarks()), bookmarks));
        }
        if (row.attack == BookmarksFifo) {
            ASSERT_EQ(mkfifo(QFile::encodeName(bookmarks).constData(), 0600), 0);
        }
        if (row.attack == BookmarksHuge) {
            // Sparse: 65 MiB that take no room.
            ASSERT_EQ(truncate(QFile::encodeName(bookmarks).constData(), off_t(65) << 20), 0);
        }
        if (row.attack == PlacesHotJournal)
            makeHotJournal(profile + "/places.sqlite", canary);
        if (row.made == OldWebData || row.made == NewWebData)
            makeWebData(path, row.made == OldWebData ? WebDataLayout::Old : WebDataLayout::New);
        if (row.made == Link) {
            makePlaces(elsewhere);
            QFile::link(elsewhere, path);
        }
        if (row.made == Folder)
            QDir().mkpath(path);
        if (row.made == NotSqlite)
            sandbox.makeFile(kFirefoxProfile + "/places.sqlite", QByteArray(8192, 'x'));
        if (row.made == Damaged) {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::ReadWrite));
            // The header of a page of the tables: no longer a page SQLite knows.
            file.seek(3 * 4096);
            file.write(QByteArray(16, '\xA5'));
        }
        if (row.sql)
            execute(path, QString::fromLatin1(row.sql));
        if (row.attack == HotJournal)
            makeHotJournal(path, canary);
        if (row.attack == Wal)
            sandbox.makeFile(kFirefoxProfile + "/places.sqlite-wal", QByteArray(4096, '\0'));
        if (row.attack == FifoJournal) {
            ASSERT_EQ(mkfifo(QFile::encodeName(path + "-journal").constData(), 0600), 0);
        }
        if (row.attack == HardLink) {
            ASSERT_EQ(link(QFile::encodeName(path).constData(), QFile::encodeName(elsewhere).constData()), 0);
        }
        BrowserDatabaseCleaner::Options options;
        if (row.attack == TimeLimit)
            options.timeLimit = std::chrono::milliseconds(0);
        if (row.attack == Swapped) {
            // As a browser writing a new file and renaming it over would.
            options.beforeReplacing = [path] {
                ASSERT_TRUE(QFile::copy(path, path + ".new"));
                ASSERT_EQ(std::rename(QFile::encodeName(path + ".new").constData(),
                              QFile::encodeName(path).constData()),
                    0);
            };
        }
        const auto holder = row.held ? std::make_unique<OtherProcessConnection>(path, row.held) : nullptr;
        const auto before = snapshot(path);
        const auto target = snapshot(elsewhere);
        const QStringList besideBefore
            = QDir(profile).entryList(QDir::AllEntries | QDir::Hidden | QDir::System);
        sandbox.clearRecords();

        EXPECT_EQ(clean(sandbox, path, options), row.reason.isEmpty());

        if (row.reason.isEmpty()) {
            EXPECT_TRUE(sandbox.logLines().isEmpty()) << qPrintable(sandbox.logLines().join(u'\n'));
            EXPECT_TRUE(BrowserDatabases::rows(path, "SELECT * FROM moz_historyvisits").isEmpty());
            EXPECT_EQ(BrowserDatabases::rows(path, "SELECT * FROM canary"), QStringList { "kept" });
            EXPECT_LE(QFileInfo(path).size(), before.value(path).size());
        } else {
            EXPECT_EQ(snapshot(path), before);
            EXPECT_EQ(sandbox.logLines(), QStringList { "Cannot clean " + path + ": " + row.reason });
        }
        EXPECT_EQ(snapshot(elsewhere), target);
        EXPECT_EQ(contents(canary), "canary\n");
        EXPECT_EQ(QDir(profile).entryList(QDir::AllEntries | QDir::Hidden | QDir::System), besideBefore)
            << "nothing is left beside it";
        EXPECT_TRUE(QDir(sandbox.locations().temporaryFolder).isEmpty()) << "the private copy is gone";
    }
}
