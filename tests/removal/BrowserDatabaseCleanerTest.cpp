#include "removal/BrowserDatabaseCleaner.h"
#include "removal/BrowserDatabases.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QMap>

#include <memory>

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

} // namespace

TEST(BrowserDatabaseCleaner, HistoryAndDownloadsGoAndEveryBookmarkTagAndKeywordStays)
{
    Sandbox sandbox;
    const QString places = sandbox.path("places.sqlite");
    makePlaces(places);
    const QStringList kept = { "moz_bookmarks", "moz_keywords", "moz_anno_attributes" };
    const auto before = dump(places, kept);

    ASSERT_TRUE(BrowserDatabaseCleaner::clean(places)) << qPrintable(sandbox.logLines().join(u'\n'));

    EXPECT_EQ(dump(places, kept), before);
    EXPECT_EQ(rows(places, "SELECT place_id, content FROM moz_annos"), QStringList { "3|Daily news" })
        << "the bookmark's description stays, the download goes";
    for (const char* table : { "moz_historyvisits", "moz_inputhistory", "moz_places_metadata" })
        EXPECT_TRUE(rows(places, QStringLiteral("SELECT * FROM ") + table).isEmpty()) << table;
    // Bookmarked, tagged and keyword pages stay, their visits forgotten; a
    // query is never suggested, so it is not scored.
    EXPECT_EQ(rows(places,
                  "SELECT id, visit_count, typed, frecency, last_visit_date, recalc_frecency FROM moz_places "
                  "ORDER BY id"),
        (QStringList { "1|0|0|-1|NULL|1", "3|0|0|-1|NULL|1", "4|0|0|-1|NULL|1", "6|0|0|0|NULL|1" }));
    EXPECT_EQ(rows(places, "SELECT host FROM moz_origins ORDER BY id"),
        (QStringList { "example.org", "news.test" }));
    EXPECT_EQ(rows(places, "PRAGMA freelist_count"), QStringList { "0" }) << "compacted";
    for (const char* trace : { "tracker.test", "file.zip" })
        EXPECT_FALSE(contents(places).contains(trace)) << "no trace of the history is left: " << trace;
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
    // The cleaner knows a database by its name: those from Link on are called places.sqlite.
    enum Made { Nothing, Folder, OldWebData, NewWebData, Link, NotSqlite, Damaged, Places };
    struct Row {
        const char* name;
        Made made;
        QString reason;
        const char* sql = nullptr; // run on the database before the clean
        const char* held = nullptr; // run by a second connection that stays open
    };
    const Row rows[] = {
        { "a link to a database", Link, "it is not a regular file" },
        { "a folder", Folder, "it is not a regular file" },
        { "no file: none is created", Nothing, "No such file or directory" },
        { "not SQLite", NotSqlite, "file is not a database" },
        { "damaged", Damaged, "database disk image is malformed" },
        { "a newer schema without origins", Places, "it has no table moz_origins", "DROP TABLE moz_origins" },
        { "form values kept elsewhere", NewWebData, "it has no table autofill", "DROP TABLE autofill" },
        { "locked by a running browser", OldWebData, "database is locked", nullptr,
            "BEGIN EXCLUSIVE; DELETE FROM keywords" },
        { "held in exclusive mode after a write, as Firefox does", Places, "database is locked", nullptr,
            "PRAGMA locking_mode = EXCLUSIVE; UPDATE moz_places SET title = 'now' WHERE id = 1" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Sandbox sandbox;
        const QString path = sandbox.path(row.made >= Link ? "places.sqlite" : "Web Data");
        const QString elsewhere = sandbox.path("elsewhere.sqlite");
        if (row.made == Places || row.made == Damaged)
            makePlaces(path);
        if (row.made == OldWebData || row.made == NewWebData)
            makeWebData(path, row.made == OldWebData ? WebDataLayout::Old : WebDataLayout::New);
        if (row.made == Link) {
            makePlaces(elsewhere);
            QFile::link(elsewhere, path);
        }
        if (row.made == Folder)
            QDir().mkpath(path);
        if (row.made == NotSqlite)
            sandbox.makeFile("places.sqlite", QByteArray(8192, 'x'));
        if (row.made == Damaged) {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::ReadWrite));
            // The header of a page of the tables: no longer a page SQLite knows.
            file.seek(3 * 4096);
            file.write(QByteArray(16, '\xA5'));
        }
        if (row.sql)
            execute(path, QString::fromLatin1(row.sql));
        const auto holder = row.held ? std::make_unique<Connection>(path, row.held) : nullptr;
        const auto before = snapshot(path);
        const auto target = snapshot(elsewhere);
        sandbox.clearRecords();

        EXPECT_FALSE(BrowserDatabaseCleaner::clean(path));

        EXPECT_EQ(snapshot(path), before);
        EXPECT_EQ(snapshot(elsewhere), target);
        EXPECT_EQ(sandbox.logLines(), QStringList { "Cannot clean " + path + ": " + row.reason });
    }
}
