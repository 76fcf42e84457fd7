#pragma once

#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>

class RemovalConfinement;
struct Locations;

// Browser databases that hold the user's own data beside the junk: Firefox's
// "places.sqlite" keeps the bookmarks with the history, Chromium's "Web Data"
// keeps saved addresses, payment cards and search engines with the form
// entries, and the icon databases ("favicons.sqlite", "Favicons") hold the
// icons of the bookmarks. Removal cleans such a file of its junk and never
// deletes it; an icon clean reads the profile's bookmarks as warily as the
// database, and without them keeps everything.
//
// The file is one others can shape (a sandboxed browser writes its profile),
// so nothing in or beside it is obeyed: it is opened once, below the folder
// the removal rule admits it under, with no link on the way, and must be a
// regular file of the running user with one link that no one holds locked
// and with no journal beside it. The clean runs on a private copy with
// nothing of the file run as code, and the copy replaces the original inside
// the opened folder only if the original is unchanged. Otherwise the file is
// left exactly as it was, with the log line "Cannot clean <path>: <reason>".
// Touches no shared state: it may run on any thread.
class BrowserDatabaseCleaner final {
public:
    BrowserDatabaseCleaner() = delete;

    struct Options {
        // Run as the superuser, no database outside this home is opened.
        QString home;
        // Where the private copy is made.
        QString temporaryFolder;
        // A clean still running after this is ended, the file left as it was.
        std::chrono::milliseconds timeLimit = std::chrono::seconds(30);
        // Called just before the cleaned copy replaces the original.
        std::function<void()> beforeReplacing;

        static Options from(const Locations& locations);
    };

    // The result categories whose databases are cleaned.
    static QStringList cleanedCategories();
    // Whether the file's name is one of a database removal cleans.
    static bool isDatabaseToClean(const QString& path);
    // Cleans the database the confinement admits; false, after the log line,
    // when it was left untouched.
    static bool clean(const QString& path, const RemovalConfinement& confinement, const Options& options);
};
