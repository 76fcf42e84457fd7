#pragma once

#include "cli/CommandLine.h"
#include "cli/ResultsListing.h"

// `velmora --clean`: removes what the last scan listed, in the categories
// named, through the Remove button's own removal run. What cannot be done
// here is said and left alone: a running browser's categories (unless
// forced), and paths that need an administrator when nobody can be asked for
// the password. Without --yes it asks once, and only a terminal can answer.
class CommandLineClean final {
public:
    CommandLineClean(const CommandLine::Options& options, CommandLine::Console& console);
    int run();

private:
    // Drops what may not be removed now from the groups, saying why; false when something was dropped.
    bool dropBusyBrowsers(QList<ResultsListing::Group>& groups);
    bool dropPrivileged(QList<ResultsListing::Group>& groups, bool isRootUser);
    void show(const QList<ResultsListing::Group>& groups);
    bool confirmed(int count);
    // The results file and the stored times as the removal leaves them.
    void record(const ResultsListing& listing, const QList<RemovalRun::TickedPath>& ticked,
        const QStringList& leftPaths);
    void say(const QString& key, const QString& english, const QStringList& arguments = {});

    const CommandLine::Options& m_options;
    CommandLine::Console& m_console;
};
