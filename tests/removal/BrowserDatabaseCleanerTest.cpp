#include "removal/BrowserDatabaseCleaner.h"
#include "removal/BrowserDatabases.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QMap>

#include <functional>
#include <memory>

#include <sqlite3.h>

using namespace BrowserDatabases;

namespace {

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<absent>");
}

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

// A second connection that holds the database the way a running browser does.
struct Holder {
    explicit Holder(const QString& path, const char* sql)
    {
        EXPECT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    }
    ~Holder() { sqlite3_close(db); }
    sqlite3* db = nullptr;
};

} // namespace

TEST(BrowserDatabaseCleaner, HistoryGoesAndEveryBookmarkTagAndKeywordStays)
{
    Sandbox sandbox;
    const QString places = sandbox.path("profile/places.sqlite");
    QDir().mkpath(sandbox.path("profile"));
    makePlaces(places);
    const QStringList kept = { "moz_bookmarks", "moz_keywords", "moz_annos", "moz_anno_attributes" };
    const auto before = dump(places, kept);
    const QString bookmarkedUrls
        = "SELECT b.guid, p.url FROM moz_bookmarks b JOIN moz_places p ON p.id = b.fk ORDER BY b.id";
    const QStringList urlsBefore = rows(places, bookmarkedUrls);

    ASSERT_TRUE(BrowserDatabaseCleaner::clean(places)) << qPrintable(sandbox.logLines().join(u'\n'));

    EXPECT_EQ(dump(places, kept), before);
    EXPECT_EQ(rows(places, bookmarkedUrls), urlsBefore);
    EXPECT_EQ(urlsBefore.size(), 4) << "three bookmarks and a tag";
    for (const char* table : { "moz_historyvisits", "moz_inputhistory", "moz_places_metadata" })
        EXPECT_TRUE(rows(places, QStringLiteral("SELECT * FROM ") + table).isEmpty()) << table;
    // Bookmarked, tagged, keyword and annotated pages stay, their visits forgotten;
    // a query is never suggested, so it is not scored.
    EXPECT_EQ(rows(places,
                  "SELECT id, visit_count, typed, frecency, last_visit_date, recalc_frecency FROM moz_places "
                  "ORDER BY id"),
        (QStringList {
            "1|0|0|-1|NULL|1", "3|0|0|-1|NULL|1", "4|0|0|-1|NULL|1", "5|0|0|-1|NULL|1", "6|0|0|0|NULL|1" }));
    EXPECT_EQ(rows(places, "SELECT host FROM moz_origins ORDER BY id"),
        (QStringList { "example.org", "news.test" }));
    EXPECT_EQ(rows(places, "PRAGMA freelist_count"), QStringList { "0" }) << "compacted";
    EXPECT_FALSE(contents(places).contains("tracker.test")) << "no trace of the history is left in the file";
    EXPECT_TRUE(sandbox.logLines().isEmpty()) << qPrintable(sandbox.logLines().join(u'\n'));
}

TEST(BrowserDatabaseCleaner, FormEntriesGoAndAddressesCardsAndSearchEnginesStay)
{
    const std::vector<std::pair<WebDataLayout, QStringList>> layouts = {
        { WebDataLayout::Old, { "autofill_profiles", "autofill_profile_names" } },
        { WebDataLayout::New, { "addresses", "address_type_tokens" } },
    };
    for (const auto& [layout, addressTables] : layouts) {
        SCOPED_TRACE(addressTables.first().toStdString());
        Sandbox sandbox;
        const QString webData = sandbox.path("Web Data");
        makeWebData(webData, layout);
        const QStringList kept = addressTables + QStringList { "keywords", "credit_cards", "meta" };
        const auto before = dump(webData, kept);
        for (const QString& table : kept)
            ASSERT_FALSE(before[table].isEmpty()) << qPrintable(table);

        ASSERT_TRUE(BrowserDatabaseCleaner::clean(webData)) << qPrintable(sandbox.logLines().join(u'\n'));

        EXPECT_EQ(dump(webData, kept), before);
        EXPECT_TRUE(rows(webData, "SELECT * FROM autofill").isEmpty());
        if (layout == WebDataLayout::Old) {
            EXPECT_TRUE(rows(webData, "SELECT * FROM autofill_dates").isEmpty());
        }
        EXPECT_FALSE(contents(webData).contains("secret search"));
    }
}

// Whatever stands in the way, the file is left byte for byte as it was and
// never deleted; only the log says why.
TEST(BrowserDatabaseCleaner, LeavesADatabaseItCannotCleanAsItWas)
{
    struct Row {
        const char* name;
        const char* file;
        // Builds what lies at the path; may answer a connection that holds the database.
        std::function<std::shared_ptr<Holder>(Sandbox&, const QString&)> make;
        QString reason;
    };
    const std::vector<Row> rows = {
        { "a link to a database", "places.sqlite",
            [](Sandbox& sandbox, const QString& path) {
                makePlaces(sandbox.path("elsewhere.sqlite"));
                QFile::link(sandbox.path("elsewhere.sqlite"), path);
                return nullptr;
            },
            "it is not a regular file" },
        { "a folder", "Web Data",
            [](Sandbox&, const QString& path) {
                QDir().mkpath(path);
                return nullptr;
            },
            "it is not a regular file" },
        { "no file: none is created", "Web Data", [](Sandbox&, const QString&) { return nullptr; },
            "No such file or directory" },
        { "not SQLite", "places.sqlite",
            [](Sandbox& sandbox, const QString& path) {
                sandbox.makeFile(QDir(sandbox.root()).relativeFilePath(path), QByteArray(8192, 'x'));
                return nullptr;
            },
            "file is not a database" },
        { "damaged", "places.sqlite",
            [](Sandbox&, const QString& path) {
                makePlaces(path);
                QFile file(path);
                EXPECT_TRUE(file.open(QIODevice::ReadWrite));
                // The header of a page of the tables: no longer a page SQLite knows.
                file.seek(3 * 4096);
                file.write(QByteArray(16, '\xA5'));
                return nullptr;
            },
            "database disk image is malformed" },
        { "a newer schema without origins", "places.sqlite",
            [](Sandbox&, const QString& path) {
                makePlaces(path);
                execute(path, "DROP TABLE moz_origins");
                return nullptr;
            },
            "it has no table moz_origins" },
        { "form values kept elsewhere", "Web Data",
            [](Sandbox&, const QString& path) {
                makeWebData(path, WebDataLayout::New);
                execute(path, "DROP TABLE autofill");
                return nullptr;
            },
            "it has no table autofill" },
        { "locked by a running browser", "Web Data",
            [](Sandbox&, const QString& path) {
                makeWebData(path, WebDataLayout::Old);
                return std::make_shared<Holder>(path, "BEGIN EXCLUSIVE; DELETE FROM keywords");
            },
            "database is locked" },
        { "held in exclusive mode after a write, as Firefox does", "places.sqlite",
            [](Sandbox&, const QString& path) {
                makePlaces(path);
                return std::make_shared<Holder>(path,
                    "PRAGMA locking_mode = EXCLUSIVE; UPDATE moz_places SET title = 'now' WHERE id = 1");
            },
            "database is locked" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Sandbox sandbox;
        const QString path = sandbox.path(QLatin1String(row.file));
        const auto holder = row.make(sandbox, path);
        const auto before = snapshot(path);
        const auto target = snapshot(sandbox.path("elsewhere.sqlite"));
        sandbox.clearRecords();

        EXPECT_FALSE(BrowserDatabaseCleaner::clean(path));

        EXPECT_EQ(snapshot(path), before);
        EXPECT_EQ(snapshot(sandbox.path("elsewhere.sqlite")), target);
        EXPECT_EQ(sandbox.logLines(), QStringList { "Cannot clean " + path + ": " + row.reason })
            << qPrintable(sandbox.logLines().join(u'\n'));
    }
}
