#pragma once

#include <QString>
#include <QStringList>
#include <QVariantMap>

// Which of the known browsers are running. A browser keeps its history and cache
// files open and rewrites them, so the user is told before a removal.
class RunningBrowsers final {
public:
    RunningBrowsers() = delete;

    // The "Browser Bundle Identifier" table of the InternetCachePaths
    // definitions: display name -> executable name. Empty when the file or the
    // entry is missing or malformed; entries that are not text are passed over.
    static QVariantMap browserTable();

    // The display names of the table's browsers of which at least one process
    // of this user runs, each once, in the table's key order; each name found
    // is also written to the log. procRoot is the process table's folder.
    static QStringList find(
        const QVariantMap& browserTable, const QString& procRoot = QStringLiteral("/proc"));

    // The executable base names of this user's running processes.
    static QStringList runningExecutables(const QString& procRoot = QStringLiteral("/proc"));

    // The warning that names the running browsers, in the user's language.
    static QString warningText(const QStringList& browserNames);
};
