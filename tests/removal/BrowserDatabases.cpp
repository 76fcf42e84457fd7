#include "removal/BrowserDatabases.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <csignal>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A connection that runs the statements when given.
struct Connection {
    explicit Connection(const QString& path, const char* sql = nullptr)
    {
        const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
        EXPECT_EQ(sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr), SQLITE_OK);
        char* error = nullptr;
        EXPECT_EQ(sql ? sqlite3_exec(db, sql, nullptr, nullptr, &error) : SQLITE_OK, SQLITE_OK)
            << (error ? error : "");
        sqlite3_free(error);
    }
    ~Connection() { sqlite3_close(db); }
    Q_DISABLE_COPY_MOVE(Connection)
    sqlite3* db = nullptr;
};

} // namespace

BrowserDatabases::OtherProcessConnection::OtherProcessConnection(const QString& path, const char* sql)
{
    const QByteArray name = QFile::encodeName(path);
    int ready[2] = { -1, -1 };
    EXPECT_EQ(pipe(ready), 0);
    pid = fork();
    if (pid == 0) {
        sqlite3* db = nullptr;
        const bool held = sqlite3_open(name.constData(), &db) == SQLITE_OK
            && sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
        const char answer = held ? 'y' : 'n';
        if (write(ready[1], &answer, 1) == 1)
            pause();
        _exit(0);
    }
    close(ready[1]);
    char answer = 0;
    EXPECT_EQ(read(ready[0], &answer, 1), 1);
    EXPECT_EQ(answer, 'y') << sql;
    close(ready[0]);
}

BrowserDatabases::OtherProcessConnection::~OtherProcessConnection()
{
    if (pid > 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
}

QByteArray BrowserDatabases::contents(const QString& path)
{
    // Reading a FIFO would wait for a writer.
    if (struct stat info {}; stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISFIFO(info.st_mode))
        return "<FIFO>";
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<absent>");
}

void BrowserDatabases::execute(const QString& path, const QString& sql)
{
    const Connection connection(path, sql.toUtf8().constData());
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
CREATE TABLE moz_origins (id INTEGER PRIMARY KEY, prefix TEXT NOT NULL, host TEXT NOT NULL, UNIQUE (prefix, host));
CREATE TABLE moz_places (id INTEGER PRIMARY KEY, url LONGVARCHAR, title LONGVARCHAR, visit_count INTEGER DEFAULT 0,
  typed INTEGER DEFAULT 0 NOT NULL, frecency INTEGER DEFAULT -1 NOT NULL, last_visit_date INTEGER,
  origin_id INTEGER REFERENCES moz_origins(id), recalc_frecency INTEGER NOT NULL DEFAULT 0);
CREATE TABLE moz_historyvisits (id INTEGER PRIMARY KEY, place_id INTEGER, visit_date INTEGER);
CREATE TABLE moz_inputhistory (place_id INTEGER NOT NULL, input LONGVARCHAR NOT NULL, PRIMARY KEY (place_id, input));
CREATE TABLE moz_bookmarks (id INTEGER PRIMARY KEY, type INTEGER, fk INTEGER DEFAULT NULL, parent INTEGER,
  title LONGVARCHAR, guid TEXT);
CREATE TABLE moz_keywords (id INTEGER PRIMARY KEY AUTOINCREMENT, keyword TEXT UNIQUE, place_id INTEGER);
CREATE TABLE moz_anno_attributes (id INTEGER PRIMARY KEY, name VARCHAR(32) UNIQUE NOT NULL);
CREATE TABLE moz_annos (id INTEGER PRIMARY KEY, place_id INTEGER NOT NULL, anno_attribute_id INTEGER, content LONGVARCHAR);
CREATE TABLE moz_places_metadata (id INTEGER PRIMARY KEY, place_id INTEGER NOT NULL, total_view_time INTEGER);

INSERT INTO moz_origins VALUES (1, 'https://', 'example.org'), (2, 'https://', 'tracker.test'), (3, 'https://', 'news.test');
INSERT INTO moz_places (id, url, title, visit_count, typed, frecency, last_visit_date, origin_id) VALUES
  (1, 'https://example.org/', 'Example', 2, 1, 200, 1700000000000000, 1),
  (2, 'https://tracker.test/page', 'Seen once', 3, 0, 900, 1700000300000000, 2),
  (3, 'https://news.test/', 'News', 1, 0, 120, 1700000100000000, 3),
  (4, 'https://example.org/search?q=%s', NULL, 0, 0, 0, NULL, 1),
  (5, 'https://news.test/file.zip', 'file.zip', 1, 0, 50, 1700000200000000, 3),
  (6, 'place:sort=8&maxResults=10', 'Most Visited', 0, 0, 0, NULL, NULL),
  (7, 'https://tracker.test/other', NULL, 0, 0, 0, NULL, 2);
INSERT INTO moz_historyvisits VALUES (1, 1, 1699999000000000), (2, 1, 1700000000000000), (3, 2, 1700000100000000),
  (4, 2, 1700000200000000), (5, 2, 1700000300000000), (6, 3, 1700000100000000), (7, 5, 1700000200000000);
INSERT INTO moz_inputhistory VALUES (2, 'tra'), (1, 'ex');
INSERT INTO moz_bookmarks VALUES (1, 2, NULL, 0, '', 'root________'), (2, 2, NULL, 1, 'menu', 'menu________'),
  (3, 2, NULL, 1, 'toolbar', 'toolbar_____'), (4, 2, NULL, 1, 'tags', 'tags________'),
  (5, 1, 1, 2, 'Example', 'bookmark1___'), (6, 2, NULL, 4, 'reading', 'tagfolder1__'),
  (7, 1, 3, 6, NULL, 'tagentry1___'), (8, 1, 3, 3, 'News', 'bookmark2___'),
  (9, 1, 6, 3, 'Most Visited', 'bookmark3___'), (10, 3, NULL, 2, '', 'separator1__');
INSERT INTO moz_keywords VALUES (1, 'ex', 4);
INSERT INTO moz_anno_attributes VALUES (1, 'downloads/destinationFileURI'), (2, 'bookmarkProperties/description');
INSERT INTO moz_annos VALUES (1, 5, 1, 'file:///home/u/file.zip'), (2, 3, 2, 'Daily news');
INSERT INTO moz_places_metadata VALUES (1, 2, 5000);
)"));
}

void BrowserDatabases::makeWebData(const QString& path, WebDataLayout layout)
{
    const bool old = layout == WebDataLayout::Old;
    execute(path,
        QStringLiteral(R"(
CREATE TABLE meta (key LONGVARCHAR NOT NULL UNIQUE PRIMARY KEY, value LONGVARCHAR);
CREATE TABLE keywords (id INTEGER PRIMARY KEY, short_name VARCHAR NOT NULL, url VARCHAR NOT NULL);
CREATE TABLE credit_cards (guid VARCHAR PRIMARY KEY, name_on_card VARCHAR, card_number_encrypted BLOB);
INSERT INTO meta VALUES ('version', '%1');
INSERT INTO keywords VALUES (2, 'DuckDuckGo', 'https://duckduckgo.com/?q={searchTerms}');
INSERT INTO credit_cards VALUES ('card-1', 'A. User', x'00ff');
CREATE TABLE autofill (name VARCHAR, value VARCHAR, count INTEGER DEFAULT 1, PRIMARY KEY (name, value));
INSERT INTO autofill VALUES ('email', 'me@example.org', 4), ('q', 'secret search', 1);
)")
            .arg(old ? 80 : 130));
    execute(path,
        QString::fromLatin1(old ? R"(
CREATE TABLE autofill_dates (pair_id INTEGER DEFAULT 0, date_created INTEGER DEFAULT 0);
CREATE TABLE autofill_profiles (guid VARCHAR PRIMARY KEY, street_address VARCHAR, city VARCHAR);
CREATE TABLE autofill_profile_names (guid VARCHAR, first_name VARCHAR, last_name VARCHAR);
INSERT INTO autofill_dates VALUES (1, 1600000000), (2, 1600000100);
INSERT INTO autofill_profiles VALUES ('addr-1', '1 Main St', 'Springfield');
INSERT INTO autofill_profile_names VALUES ('addr-1', 'Ann', 'User');
)"
                                : R"(
CREATE TABLE addresses (guid VARCHAR PRIMARY KEY, use_count INTEGER NOT NULL DEFAULT 0, record_type INTEGER);
CREATE TABLE address_type_tokens (guid VARCHAR, type INTEGER, value VARCHAR, PRIMARY KEY (guid, type));
INSERT INTO addresses VALUES ('addr-1', 3, 0);
INSERT INTO address_type_tokens VALUES ('addr-1', 77, '1 Main St'), ('addr-1', 33, 'Springfield');
)"));
}

void BrowserDatabases::makeFirefoxIcons(const QString& path)
{
    execute(path, QStringLiteral(R"(
PRAGMA journal_mode = WAL;
CREATE TABLE moz_icons (id INTEGER PRIMARY KEY, icon_url TEXT NOT NULL, fixed_icon_url_hash INTEGER NOT NULL,
  width INTEGER NOT NULL DEFAULT 0, root INTEGER NOT NULL DEFAULT 0, color INTEGER, expire_ms INTEGER NOT NULL DEFAULT 0,
  data BLOB);
CREATE TABLE moz_pages_w_icons (id INTEGER PRIMARY KEY, page_url TEXT NOT NULL, page_url_hash INTEGER NOT NULL);
CREATE TABLE moz_icons_to_pages (page_id INTEGER NOT NULL, icon_id INTEGER NOT NULL, expire_ms INTEGER NOT NULL DEFAULT 0,
  PRIMARY KEY (page_id, icon_id)) WITHOUT ROWID;
INSERT INTO moz_icons VALUES (1, 'https://example.org/icon.png', 1, 16, 0, NULL, 0, x'01'),
  (2, 'https://news.test/favicon.ico', 2, 16, 1, NULL, 0, x'02'), (3, 'https://tracker.test/favicon.ico', 3, 16, 1, NULL, 0, x'03'),
  (4, 'https://tracker.test/t.png', 4, 32, 0, NULL, 0, x'04'), (5, 'https://cdn.test/shared.png', 5, 16, 0, NULL, 0, x'05');
INSERT INTO moz_pages_w_icons VALUES (1, 'https://example.org/', 11), (2, 'https://tracker.test/page', 12),
  (3, 'https://example.org/search?q=%s', 13);
INSERT INTO moz_icons_to_pages VALUES (1, 1, 0), (1, 5, 0), (2, 4, 0), (2, 5, 0), (3, 1, 0);
)"));
}

QByteArray BrowserDatabases::chromiumBookmarks()
{
    return R"({ "version": 1, "roots": {
  "bookmark_bar": { "type": "folder", "name": "Bookmarks bar", "children": [
    { "type": "url", "name": "Example", "url": "https://example.org/" },
    { "type": "folder", "name": "a", "children": [ { "type": "folder", "name": "b", "children": [
      { "type": "url", "name": "Deep", "url": "https://news.test/deep" } ] } ] } ] },
  "other": { "type": "folder", "name": "Other bookmarks", "children": [] },
  "synced": { "type": "folder", "name": "Mobile bookmarks", "children": [] } } })";
}

void BrowserDatabases::makeChromiumIcons(const QString& path)
{
    execute(path, QStringLiteral(R"(
CREATE TABLE meta (key LONGVARCHAR NOT NULL UNIQUE PRIMARY KEY, value LONGVARCHAR);
CREATE TABLE icon_mapping (id INTEGER PRIMARY KEY, page_url LONGVARCHAR NOT NULL, icon_id INTEGER);
CREATE TABLE favicons (id INTEGER PRIMARY KEY, url LONGVARCHAR NOT NULL, icon_type INTEGER DEFAULT 1);
CREATE TABLE favicon_bitmaps (id INTEGER PRIMARY KEY, icon_id INTEGER NOT NULL, last_updated INTEGER DEFAULT 0,
  image_data BLOB, width INTEGER DEFAULT 0, height INTEGER DEFAULT 0);
INSERT INTO meta VALUES ('version', '8');
INSERT INTO favicons VALUES (1, 'https://example.org/favicon.ico', 1), (2, 'https://news.test/favicon.ico', 1),
  (3, 'https://tracker.test/favicon.ico', 1);
INSERT INTO icon_mapping VALUES (1, 'https://example.org/', 1), (2, 'https://news.test/deep', 2),
  (3, 'https://tracker.test/page', 3), (4, 'https://example.org/other', 1);
INSERT INTO favicon_bitmaps VALUES (1, 1, 0, x'01', 16, 16), (2, 1, 0, x'02', 32, 32), (3, 2, 0, x'03', 16, 16),
  (4, 3, 0, x'04', 16, 16);
)"));
    QFile bookmarks(QFileInfo(path).path() + QStringLiteral("/Bookmarks"));
    ASSERT_TRUE(bookmarks.open(QIODevice::WriteOnly));
    bookmarks.write(chromiumBookmarks());
}

void BrowserDatabases::makeHotJournal(const QString& database, const QString& superJournal)
{
    const QByteArray magic("\xd9\xd5\x05\xf9\x20\xa1\x63\xd7", 8);
    const auto be32 = [](quint32 value) {
        QByteArray bytes(4, '\0');
        qToBigEndian(value, bytes.data());
        return bytes;
    };
    const QStringList pages = rows(database, "PRAGMA page_count");
    // The header: no page records, and the database's own size, so that a
    // rollback truncates nothing; then, a sector on, the super-journal record.
    QByteArray journal = magic + be32(0) + be32(0) + be32(pages.value(0).toUInt()) + be32(512) + be32(4096);
    journal.resize(512, '\0');
    const QByteArray name = QFile::encodeName(superJournal);
    quint32 sum = 0;
    for (const char c : name)
        sum += quint32(qint32(c));
    journal += be32(0x40000000 / 4096 + 1) + name + be32(quint32(name.size())) + be32(sum) + magic;
    QFile file(database + "-journal");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(journal);
}
