#pragma once

#include <QString>
#include <QStringList>

// Browser databases as the browsers write them, built at run time.
struct sqlite3;

namespace BrowserDatabases {

// A connection that runs the statements when given; kept open, it holds the
// database the way a running browser does.
struct Connection {
    explicit Connection(const QString& path, const char* sql = nullptr);
    ~Connection();
    Q_DISABLE_COPY_MOVE(Connection)
    sqlite3* db = nullptr;
};

// Runs the statements on the database at path, creating it when missing.
void execute(const QString& path, const QString& sql);
// Every row the query returns, its columns joined by "|" (NULL as "NULL").
QStringList rows(const QString& path, const QString& query);

// A Firefox places.sqlite in WAL mode: bookmarks (in the menu and toolbar,
// one tagged), a keyword, a bookmarked page's description, a download (a page
// annotated "downloads/..." and visited), and visits of bookmarked and of
// unbookmarked pages. "tracker.test" is a site only the history knows.
void makePlaces(const QString& path);
// A Chromium "Web Data": form entries, a saved address and a search engine,
// in the layout of older browsers ("autofill_profiles", "autofill_dates")
// or of today's ("addresses").
enum class WebDataLayout { Old, New };
void makeWebData(const QString& path, WebDataLayout layout);

} // namespace BrowserDatabases
