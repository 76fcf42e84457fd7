#pragma once

#include <QString>
#include <QStringList>

#include <sys/types.h>

// Browser databases as the browsers write them, built at run time.
namespace BrowserDatabases {

// A connection in a process of its own that runs the statements and stays
// until this goes, holding the database the way a running browser does. (A
// lock of this process would go with the first descriptor of the file it
// closes, as POSIX wants.)
struct OtherProcessConnection {
    OtherProcessConnection(const QString& path, const char* sql);
    ~OtherProcessConnection();
    Q_DISABLE_COPY_MOVE(OtherProcessConnection)
    pid_t pid = -1;
};

// The file's bytes, "<absent>" when it cannot be read, "<FIFO>" for a FIFO, which is never opened.
QByteArray contents(const QString& path);
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
// The icons of the pages of makePlaces(), as Firefox keeps them in
// "favicons.sqlite": of the bookmarked "example.org/" (one shared with a
// "tracker.test" page), of the keyword page, and the own "/favicon.ico" of
// the bookmarked "news.test" and of "tracker.test", mapped to no page.
void makeFirefoxIcons(const QString& path);
// A Chromium "Favicons" and the "Bookmarks" beside it: "example.org/" and,
// two folders deep, "news.test/deep" are bookmarked; "example.org/other" and
// "tracker.test/page" have icons too.
void makeChromiumIcons(const QString& path);
QByteArray chromiumBookmarks();
// A hot rollback journal beside the database, as a crash in the middle of a
// transaction over two databases leaves it: SQLite rolling it back deletes
// the file its super-journal record names.
void makeHotJournal(const QString& database, const QString& superJournal);

} // namespace BrowserDatabases
