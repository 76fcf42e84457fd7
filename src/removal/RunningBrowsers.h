#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

// Which of the known browsers are running. A browser keeps its history and cache
// files open and rewrites them, so the user is told before a removal.
class RunningBrowsers final {
public:
    RunningBrowsers() = delete;

    // The "Browser Bundle Identifier" table of the InternetCachePaths
    // definitions: (display name, program name) pairs in the table's key order.
    static QList<std::pair<QString, QString>> browserTable();

    // The display names of the table's browsers of which at least one process
    // of this user runs, each once, in the table's key order; each name found
    // is also written to the log. procRoot is the process table's folder.
    // A program name matches an executable's base name; one that holds a "/"
    // matches the end of the executable's path instead, and a process that
    // such a name matches is not also taken for a browser by its base name
    // alone (the Chromium snap runs ".../chromium-browser/chrome", which is
    // not Google Chrome's "chrome").
    static QStringList find(const QList<std::pair<QString, QString>>& browserTable,
        const QString& procRoot = QStringLiteral("/proc"));

    // The warning that names the running browsers, in the user's language.
    static QString warningText(const QStringList& browserNames);
};
