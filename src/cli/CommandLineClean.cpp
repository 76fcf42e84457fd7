#include "cli/CommandLineClean.h"

#include "platform/FileSystem.h"
#include "platform/Localization.h"
#include "platform/Locations.h"
#include "removal/RunningBrowsers.h"
#include "scan/ScanLock.h"
#include "scan/ScanRecord.h"
#include "scan/ScanResultsFile.h"

#include <QSet>
#include <QTextStream>

#include <algorithm>

#include <unistd.h>

namespace {

const QString kProductName = QStringLiteral("Velmora");

QString shownName(const QString& key)
{
    const std::optional<CommandLine::Category> category = CommandLine::category(key);
    return category ? category->shownName : key;
}

} // namespace

CommandLineClean::CommandLineClean(const CommandLine::Options& options, CommandLine::Console& console)
    : m_options(options)
    , m_console(console)
{
}

void CommandLineClean::say(const QString& key, const QString& english, const QStringList& arguments)
{
    m_console.err << "velmora: " << formatText(Localization::text(key, english), arguments) << Qt::endl;
}

int CommandLineClean::run()
{
    // A scan writing the results file meanwhile would hand us half a list.
    ScanLock lock;
    if (lock.take(Locations::current()) == ScanLock::State::Busy) {
        m_console.err << "velmora: " << ScanLock::busyText() << Qt::endl;
        return CommandLine::Refused;
    }
    const ResultsListing listing = ResultsListing::read();
    if (listing.state() == ResultsListing::State::Missing) {
        say(QStringLiteral("CLI_NO_RESULTS"),
            QStringLiteral(
                "There are no scan results to clean; nothing was removed. Run 'velmora --scan' first."));
        return CommandLine::Refused;
    }
    if (listing.state() == ResultsListing::State::Damaged) {
        say(QStringLiteral("CLI_RESULTS_DAMAGED"),
            QStringLiteral(
                "The scan results file %@ is damaged; nothing was removed. Run 'velmora --scan' again."),
            { Locations::current().resultsFile() });
        return CommandLine::Refused;
    }

    QList<ResultsListing::Group> groups = listing.groups(m_options.categories);
    const bool isRootUser = ::getuid() == 0;
    const bool browsersSkipped = dropBusyBrowsers(groups);
    const bool skipped = dropPrivileged(groups, isRootUser) || browsersSkipped;
    QList<RemovalRun::TickedPath> ticked;
    for (const ResultsListing::Group& group : std::as_const(groups))
        ticked += group.paths;
    if (ticked.isEmpty()) {
        say(QStringLiteral("FIXPAGE_NOERRORSTOFIX"),
            QStringLiteral("There are no junk items to be removed. Please scan your system and try again!"));
        return skipped ? CommandLine::NotAllRemoved : CommandLine::Done;
    }
    if (m_options.dryRun || (!m_options.yes && m_console.inputIsTerminal))
        show(groups);
    if (m_options.dryRun)
        return CommandLine::Done;
    if (!m_options.yes && !m_console.inputIsTerminal) {
        say(QStringLiteral("CLI_NEEDS_YES"),
            QStringLiteral("Nothing was removed: add --yes when no terminal can answer the question."));
        return CommandLine::BadUsage;
    }
    if (!m_options.yes && !confirmed(int(ticked.size())))
        return CommandLine::Done;

    // The Remove button's own run, waited for here: nothing else is on this thread.
    const bool askForAuthorization = std::any_of(
        ticked.cbegin(), ticked.cend(), [](const RemovalRun::TickedPath& path) { return path.privileged; });
    RemovalRun run(ticked, askForAuthorization, askForAuthorization && isRootUser);
    run.start();
    run.wait();
    const RemovalRun::Outcome& outcome = run.outcome();
    for (const QString& path : outcome.leftPaths)
        say(QStringLiteral("CLI_NOT_REMOVED"), QStringLiteral("Could not be removed: %@"),
            { Locations::current().expandTilde(path) });
    record(listing, ticked, outcome.leftPaths);
    m_console.out << (outcome.left == 0
            ? formatText(Localization::text(QStringLiteral("ERRORS_FIXED_SUCCESSFULLY"),
                             QStringLiteral("%@ has removed the junk successfully!")),
                { kProductName })
            : formatText(Localization::text(QStringLiteral("ERRORS_FIXED_PARTIALLY"),
                             QStringLiteral("%@ has removed %d junk items. %d items could not be removed.")),
                { kProductName, QString::number(outcome.gone), QString::number(outcome.left) }))
                  << Qt::endl;
    return outcome.left == 0 && !skipped ? CommandLine::Done : CommandLine::NotAllRemoved;
}

bool CommandLineClean::dropBusyBrowsers(QList<ResultsListing::Group>& groups)
{
    if (m_options.forceRunningBrowsers)
        return false;
    const auto isBrowserGroup = [](const ResultsListing::Group& group) {
        const std::optional<CommandLine::Category> category = CommandLine::category(group.key);
        return category && category->browser;
    };
    if (std::none_of(groups.cbegin(), groups.cend(), isBrowserGroup))
        return false;
    const QStringList running
        = RunningBrowsers::find(RunningBrowsers::browserTable(), m_console.processTableFolder);
    if (running.isEmpty())
        return false;
    m_console.err << RunningBrowsers::warningText(running).trimmed() << Qt::endl;
    for (const ResultsListing::Group& group : std::as_const(groups)) {
        if (isBrowserGroup(group))
            say(QStringLiteral("CLI_BROWSER_SKIPPED"),
                QStringLiteral(
                    "%@ is left as it is while a browser runs; close it, or add --force-running-browsers."),
                { shownName(group.key) });
    }
    groups.removeIf(isBrowserGroup);
    return true;
}

bool CommandLineClean::dropPrivileged(QList<ResultsListing::Group>& groups, bool isRootUser)
{
    // pkexec asks on the terminal, or through the desktop's agent; with
    // neither, as from cron, it could only fail.
    if (isRootUser || m_console.inputIsTerminal || m_console.graphicalSession)
        return false;
    bool dropped = false;
    for (ResultsListing::Group& group : groups) {
        const qsizetype before = group.paths.size();
        group.paths.removeIf([](const RemovalRun::TickedPath& path) { return path.privileged; });
        if (group.paths.size() == before)
            continue;
        dropped = true;
        say(QStringLiteral("CLI_ADMINISTRATOR_SKIPPED"),
            QStringLiteral(
                "%d items of %@ are left as they are: they need an administrator, and nobody can be "
                "asked for the password here."),
            { QString::number(before - group.paths.size()), shownName(group.key) });
    }
    groups.removeIf([](const ResultsListing::Group& group) { return group.paths.isEmpty(); });
    return dropped;
}

void CommandLineClean::show(const QList<ResultsListing::Group>& groups)
{
    const Locations& locations = Locations::current();
    const QList<qint64> bytes = ResultsListing::bytesOf(groups);
    for (qsizetype g = 0; g < groups.size(); ++g) {
        const ResultsListing::Group& group = groups.at(g);
        m_console.out << formatText(
            Localization::text(QStringLiteral("CLI_SCAN_CATEGORY"), QStringLiteral("%@: %d items, %@")),
            { shownName(group.key), QString::number(group.paths.size()), formattedSize(bytes.at(g)) })
                      << '\n';
        for (const RemovalRun::TickedPath& path : group.paths)
            m_console.out << "  " << locations.expandTilde(path.path) << '\n';
    }
    m_console.out.flush();
}

bool CommandLineClean::confirmed(int count)
{
    m_console.out << formatText(
        Localization::text(QStringLiteral("CLI_CONFIRM"), QStringLiteral("Remove these %d items? [y/N] ")),
        { QString::number(count) })
                  << Qt::flush;
    const QString answer = m_console.in.readLine().trimmed().toLower();
    const QStringList yes = Localization::text(QStringLiteral("CLI_YES_ANSWERS"), QStringLiteral("y,yes"))
                                .split(u',', Qt::SkipEmptyParts);
    return !answer.isEmpty() && yes.contains(answer);
}

void CommandLineClean::record(
    const ResultsListing& listing, const QList<RemovalRun::TickedPath>& ticked, const QStringList& leftPaths)
{
    const QSet<QString> left(leftPaths.cbegin(), leftPaths.cend());
    QSet<QString> gone;
    for (const RemovalRun::TickedPath& path : ticked) {
        if (!left.contains(path.path))
            gone.insert(path.path);
    }
    const int remaining = listing.count() - int(gone.size());
    const QString resultsFile = Locations::current().resultsFile();
    if (remaining <= 0) {
        // As the Remove button leaves it: nothing listed, no file.
        FileSystem::current().removeFile(resultsFile);
    } else {
        // The categories not cleaned, and whatever stayed, are still junk the overview counts.
        ScanResultsFile results(resultsFile);
        results.load();
        for (const ResultsListing::Group& group : listing.groups()) {
            QStringList paths = results.paths(group.key);
            paths.removeIf([&](const QString& path) { return gone.contains(path); });
            results.setPaths(group.key, paths);
        }
        results.write();
    }
    ScanRecord::removalEnded(std::max(remaining, 0));
}
