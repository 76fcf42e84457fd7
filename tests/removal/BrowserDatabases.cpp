#include "removal/BrowserDatabases.h"

#include <gtest/gtest.h>

#include <QFile>

#include <sqlite3.h>

namespace {

struct Connection {
    explicit Connection(const QString& path)
    {
        const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
        EXPECT_EQ(sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr), SQLITE_OK);
    }
    ~Connection() { sqlite3_close(db); }
    sqlite3* db = nullptr;
};

} // namespace

void BrowserDatabases::execute(const QString& path, const QString& sql)
{
    Connection connection(path);
    char* error = nullptr;
    EXPECT_EQ(sqlite3_exec(connection.db, sql.toUtf8().constData(), nullptr, nullptr, &error), SQLITE_OK)
        << (error ? error : "");
    sqlite3_free(error);
}

QStringList BrowserDatabases::rows(const QString& path, const QString& query)
{
    Connection connection(path);
    sqlite3_stmt* statement = nullptr;
    EXPECT_EQ(
        sqlite3_prepare_v2(connection.db, query.toUtf8().constData(), -1, &statement, nullptr), SQLITE_OK)
        << sqlite3_errmsg(connection.db);
    QStringList result;
    while (statement && sqlite3_step(statement) == SQLITE_ROW) {
        QStringList columns;
        for (int i = 0; i < sqlite3_column_count(statement); ++i) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, i));
            columns << (text ? QString::fromUtf8(text) : QStringLiteral("NULL"));
        }
        result << columns.join(u'|');
    }
    sqlite3_finalize(statement);
    return result;
}

void BrowserDatabases::makePlaces(const QString& path)
{
    execute(path, QStringLiteral(R"(
PRAGMA journal_mode = WAL;
CREATE TABLE moz_origins (id INTEGER PRIMARY KEY, prefix TEXT NOT NULL, host TEXT NOT NULL,
  frecency INTEGER NOT NULL, UNIQUE (prefix, host));
CREATE TABLE moz_places (id INTEGER PRIMARY KEY, url LONGVARCHAR, title LONGVARCHAR, rev_host LONGVARCHAR,
  visit_count INTEGER DEFAULT 0, hidden INTEGER DEFAULT 0 NOT NULL, typed INTEGER DEFAULT 0 NOT NULL,
  frecency INTEGER DEFAULT -1 NOT NULL, last_visit_date INTEGER, guid TEXT, foreign_count INTEGER DEFAULT 0 NOT NULL,
  url_hash INTEGER DEFAULT 0 NOT NULL, description TEXT, preview_image_url TEXT, site_name TEXT,
  origin_id INTEGER REFERENCES moz_origins(id), recalc_frecency INTEGER NOT NULL DEFAULT 0,
  alt_frecency INTEGER, recalc_alt_frecency INTEGER NOT NULL DEFAULT 0);
CREATE TABLE moz_historyvisits (id INTEGER PRIMARY KEY, from_visit INTEGER, place_id INTEGER, visit_date INTEGER,
  visit_type INTEGER, session INTEGER, source INTEGER DEFAULT 0 NOT NULL, triggeringPlaceId INTEGER);
CREATE TABLE moz_inputhistory (place_id INTEGER NOT NULL, input LONGVARCHAR NOT NULL, use_count INTEGER,
  PRIMARY KEY (place_id, input));
CREATE TABLE moz_bookmarks (id INTEGER PRIMARY KEY, type INTEGER, fk INTEGER DEFAULT NULL, parent INTEGER,
  position INTEGER, title LONGVARCHAR, keyword_id INTEGER, folder_type TEXT, dateAdded INTEGER,
  lastModified INTEGER, guid TEXT, syncStatus INTEGER NOT NULL DEFAULT 0,
  syncChangeCounter INTEGER NOT NULL DEFAULT 1);
CREATE TABLE moz_keywords (id INTEGER PRIMARY KEY AUTOINCREMENT, keyword TEXT UNIQUE, place_id INTEGER,
  post_data TEXT);
CREATE TABLE moz_anno_attributes (id INTEGER PRIMARY KEY, name VARCHAR(32) UNIQUE NOT NULL);
CREATE TABLE moz_annos (id INTEGER PRIMARY KEY, place_id INTEGER NOT NULL, anno_attribute_id INTEGER,
  content LONGVARCHAR, flags INTEGER DEFAULT 0, expiration INTEGER DEFAULT 0, type INTEGER DEFAULT 0,
  dateAdded INTEGER DEFAULT 0, lastModified INTEGER DEFAULT 0);
CREATE TABLE moz_places_metadata (id INTEGER PRIMARY KEY, place_id INTEGER NOT NULL, referrer_place_id INTEGER,
  created_at INTEGER NOT NULL DEFAULT 0, updated_at INTEGER NOT NULL DEFAULT 0,
  total_view_time INTEGER NOT NULL DEFAULT 0);

INSERT INTO moz_origins VALUES (1, 'https://', 'example.org', 300), (2, 'https://', 'tracker.test', 900),
  (3, 'https://', 'news.test', 120);
INSERT INTO moz_places (id, url, title, visit_count, typed, frecency, last_visit_date, origin_id) VALUES
  (1, 'https://example.org/', 'Example', 2, 1, 200, 1700000000000000, 1),
  (2, 'https://tracker.test/page', 'Seen once', 3, 0, 900, 1700000300000000, 2),
  (3, 'https://news.test/', 'News', 1, 0, 120, 1700000100000000, 3),
  (4, 'https://example.org/search?q=%s', NULL, 0, 0, 0, NULL, 1),
  (5, 'https://news.test/file.zip', 'file.zip', 1, 0, 50, 1700000200000000, 3),
  (6, 'place:sort=8&maxResults=10', 'Most Visited', 0, 0, 0, NULL, NULL),
  (7, 'https://tracker.test/other', NULL, 0, 0, 0, NULL, 2);
INSERT INTO moz_historyvisits (id, from_visit, place_id, visit_date, visit_type) VALUES
  (1, 0, 1, 1699999000000000, 1), (2, 0, 1, 1700000000000000, 2), (3, 0, 2, 1700000100000000, 1),
  (4, 3, 2, 1700000200000000, 1), (5, 4, 2, 1700000300000000, 1), (6, 0, 3, 1700000100000000, 1),
  (7, 0, 5, 1700000200000000, 7);
INSERT INTO moz_inputhistory VALUES (2, 'tra', 1.0), (1, 'ex', 2.0);
INSERT INTO moz_bookmarks (id, type, fk, parent, position, title, guid) VALUES
  (1, 2, NULL, 0, 0, '', 'root________'), (2, 2, NULL, 1, 0, 'menu', 'menu________'),
  (3, 2, NULL, 1, 1, 'toolbar', 'toolbar_____'), (4, 2, NULL, 1, 2, 'tags', 'tags________'),
  (5, 1, 1, 2, 0, 'Example', 'bookmark1___'), (6, 2, NULL, 4, 0, 'reading', 'tagfolder1__'),
  (7, 1, 3, 6, 0, NULL, 'tagentry1___'), (8, 1, 3, 3, 0, 'News', 'bookmark2___'),
  (9, 1, 6, 3, 1, 'Most Visited', 'bookmark3___'), (10, 3, NULL, 2, 1, '', 'separator1__');
INSERT INTO moz_keywords VALUES (1, 'ex', 4, NULL);
INSERT INTO moz_anno_attributes VALUES (1, 'downloads/destinationFileURI');
INSERT INTO moz_annos (id, place_id, anno_attribute_id, content) VALUES (1, 5, 1, 'file:///home/u/file.zip');
INSERT INTO moz_places_metadata (id, place_id, total_view_time) VALUES (1, 2, 5000);
)"));
}

void BrowserDatabases::makeWebData(const QString& path, WebDataLayout layout)
{
    execute(path,
        QStringLiteral(R"(
CREATE TABLE meta (key LONGVARCHAR NOT NULL UNIQUE PRIMARY KEY, value LONGVARCHAR);
CREATE TABLE keywords (id INTEGER PRIMARY KEY, short_name VARCHAR NOT NULL, keyword VARCHAR NOT NULL,
  favicon_url VARCHAR NOT NULL, url VARCHAR NOT NULL, safe_for_autoreplace INTEGER);
CREATE TABLE credit_cards (guid VARCHAR PRIMARY KEY, name_on_card VARCHAR, expiration_month INTEGER,
  expiration_year INTEGER, card_number_encrypted BLOB);
INSERT INTO meta VALUES ('version', '%1');
INSERT INTO keywords VALUES (2, 'DuckDuckGo', 'duckduckgo.com', '', 'https://duckduckgo.com/?q={searchTerms}', 1);
INSERT INTO credit_cards VALUES ('card-1', 'A. User', 4, 2031, x'00ff');
)")
            .arg(layout == WebDataLayout::Old ? 80 : 130));
    if (layout == WebDataLayout::Old) {
        execute(path, QStringLiteral(R"(
CREATE TABLE autofill (name VARCHAR, value VARCHAR, value_lower VARCHAR, pair_id INTEGER PRIMARY KEY,
  count INTEGER DEFAULT 1);
CREATE TABLE autofill_dates (pair_id INTEGER DEFAULT 0, date_created INTEGER DEFAULT 0);
CREATE TABLE autofill_profiles (guid VARCHAR PRIMARY KEY, company_name VARCHAR, street_address VARCHAR,
  city VARCHAR, zipcode VARCHAR, country_code VARCHAR);
CREATE TABLE autofill_profile_names (guid VARCHAR, first_name VARCHAR, last_name VARCHAR);
INSERT INTO autofill VALUES ('email', 'me@example.org', 'me@example.org', 1, 4), ('q', 'secret search', 'secret search', 2, 1);
INSERT INTO autofill_dates VALUES (1, 1600000000), (2, 1600000100);
INSERT INTO autofill_profiles VALUES ('addr-1', 'ACME', '1 Main St', 'Springfield', '12345', 'US');
INSERT INTO autofill_profile_names VALUES ('addr-1', 'Ann', 'User');
)"));
    } else {
        execute(path, QStringLiteral(R"(
CREATE TABLE autofill (name VARCHAR, value VARCHAR, value_lower VARCHAR, date_created INTEGER DEFAULT 0,
  date_last_used INTEGER DEFAULT 0, count INTEGER DEFAULT 1, PRIMARY KEY (name, value));
CREATE TABLE addresses (guid VARCHAR PRIMARY KEY, use_count INTEGER NOT NULL DEFAULT 0,
  use_date INTEGER NOT NULL DEFAULT 0, date_modified INTEGER NOT NULL DEFAULT 0, language_code VARCHAR,
  label VARCHAR, initial_creator_id INTEGER DEFAULT 0, last_modifier_id INTEGER DEFAULT 0, record_type INTEGER);
CREATE TABLE address_type_tokens (guid VARCHAR, type INTEGER, value VARCHAR, verification_status INTEGER DEFAULT 0,
  observations BLOB, PRIMARY KEY (guid, type));
INSERT INTO autofill VALUES ('email', 'me@example.org', 'me@example.org', 1600000000, 1700000000, 4),
  ('q', 'secret search', 'secret search', 1600000100, 1600000100, 1);
INSERT INTO addresses (guid, use_count, record_type) VALUES ('addr-1', 3, 0);
INSERT INTO address_type_tokens (guid, type, value) VALUES ('addr-1', 77, '1 Main St'), ('addr-1', 33, 'Springfield');
)"));
    }
}
