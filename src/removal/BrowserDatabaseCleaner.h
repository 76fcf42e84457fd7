#pragma once

#include <QString>

// Browser databases that hold the user's own data beside the junk: Firefox's
// "places.sqlite" keeps the bookmarks with the history, Chromium's "Web Data"
// keeps saved addresses, payment cards and search engines with the form
// entries. Removal cleans such a file of its junk and never deletes it.
// Each clean is one transaction: a locked, damaged or unexpected database is
// left exactly as it was, with the log line "Cannot clean <path>: <reason>".
class BrowserDatabaseCleaner final {
public:
    BrowserDatabaseCleaner() = delete;

    // Whether removal cleans the file at the path rather than deleting it.
    static bool isDatabaseToClean(const QString& path);
    // Cleans the database; false, after the log line, when it was left untouched.
    static bool clean(const QString& path);
};
