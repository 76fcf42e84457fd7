#include "cli/CommandLineScan.h"

#include "cli/ResultsListing.h"
#include "platform/Localization.h"
#include "platform/Locations.h"
#include "results/FootprintWorker.h"
#include "scan/JunkScanner.h"
#include "scan/ScanInfo.h"
#include "scan/ScanLock.h"
#include "scan/ScanRecord.h"
#include "scan/ScanReportPacer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

namespace {

// Hands every finding to the footprint worker on its way to the pacer, which
// shows only some of them: the sizes of what is found are taken while the
// scan goes on, on the machine's other core.
class FootprintFeed final : public ScanReporter {
public:
    FootprintFeed(ScanReporter& next, FootprintWorker& worker)
        : m_next(next)
        , m_worker(worker)
    {
    }
    void reportBrowserItem(const ScanInfo& info) override { m_next.reportBrowserItem(fed(info)); }
    void reportLogEntry(const ScanInfo& info) override { m_next.reportLogEntry(fed(info)); }
    void reportSystemCacheItem(const ScanInfo& info) override { m_next.reportSystemCacheItem(fed(info)); }
    void reportTrashItem(const ScanInfo& info) override { m_next.reportTrashItem(fed(info)); }
    void reportNoInternetCacheItems() override { m_next.reportNoInternetCacheItems(); }
    void reportNoSystemCacheItems() override { m_next.reportNoSystemCacheItems(); }
    void reportNoTrashItems() override { m_next.reportNoTrashItems(); }
    void showLogsStateImage(const QString& image) override { m_next.showLogsStateImage(image); }
    void showSystemCacheStateImage(const QString& image) override { m_next.showSystemCacheStateImage(image); }
    void showTrashStateImage(const QString& image) override { m_next.showTrashStateImage(image); }
    void walkEnded() override { m_next.walkEnded(); }

private:
    const ScanInfo& fed(const ScanInfo& info)
    {
        m_worker.add(info.getDescription());
        return info;
    }

    ScanReporter& m_next;
    FootprintWorker& m_worker;
};

} // namespace

CommandLineScan::CommandLineScan(const CommandLine::Options& options, CommandLine::Console& console)
    : m_options(options)
    , m_console(console)
{
}

int CommandLineScan::run()
{
    const Locations locations = Locations::current();
    ScanLock lock;
    if (lock.take(locations) == ScanLock::State::Busy) {
        m_console.err << "velmora: " << ScanLock::busyText() << Qt::endl;
        return CommandLine::Refused;
    }
    ScanRecord::scanStarting(locations);
    m_state.resetCounters();
    m_state.bScanning = true;
    QVariantMap results;
    FootprintWorker footprints;
    {
        // Paced as the page is: a terminal is no faster a reader.
        ScanReportPacer pacer(*this);
        FootprintFeed feed(pacer, footprints);
        JunkScanner scanner(m_state, feed, locations);
        scanner.scanEverything([](JunkScanner::Stage) {});
        // As written: reading 17 MB back would cost more than the scan.
        results = scanner.results();
    }
    m_state.bScanning = false;
    if (m_console.errorIsTerminal)
        m_console.err << "\r\x1b[K" << Qt::flush;
    ScanRecord::scanEnded(m_state.nTotalErrorsCount);
    report(ResultsListing::of(results), footprints);
    return CommandLine::Done;
}

void CommandLineScan::progress(const ScanInfo& info)
{
    if (!m_console.errorIsTerminal)
        return;
    const std::optional<CommandLine::Category> category = CommandLine::category(info.getCategory());
    m_console.err << "\r\x1b[K"
                  << formatText(Localization::text(QStringLiteral("CLI_SCAN_PROGRESS"),
                                    QStringLiteral("Scanning %@: %d found")),
                         { category ? category->shownName : info.getCategory(),
                             QString::number(m_state.nTotalErrorsCount) })
                  << Qt::flush;
}

void CommandLineScan::report(const ResultsListing& listing, FootprintWorker& footprints)
{
    QJsonArray categories;
    int totalItems = 0;
    qint64 totalBytes = 0;
    const QList<ResultsListing::Group> groups = listing.groups(m_options.categories);
    // Everything found is wanted when no category narrows the report; else
    // what the worker has not reached yet is left to the few paths wanted.
    const QList<qint64> groupBytes
        = ResultsListing::bytesOf(groups, footprints.finish(m_options.categories.isEmpty()));
    for (qsizetype g = 0; g < groups.size(); ++g) {
        const ResultsListing::Group& group = groups.at(g);
        const qint64 bytes = groupBytes.at(g);
        totalBytes += bytes;
        totalItems += int(group.paths.size());
        if (m_options.json) {
            QJsonArray paths;
            for (const RemovalRun::TickedPath& path : group.paths)
                paths.append(path.path);
            categories.append(QJsonObject { { QStringLiteral("key"), group.key },
                { QStringLiteral("items"), qint64(group.paths.size()) }, { QStringLiteral("bytes"), bytes },
                { QStringLiteral("paths"), paths } });
        } else {
            const std::optional<CommandLine::Category> category = CommandLine::category(group.key);
            m_console.out << formatText(
                Localization::text(QStringLiteral("CLI_SCAN_CATEGORY"), QStringLiteral("%@: %d items, %@")),
                { category ? category->shownName : group.key, QString::number(group.paths.size()),
                    formattedSize(bytes) })
                          << '\n';
        }
    }
    if (m_options.json) {
        const QJsonObject root { { QStringLiteral("categories"), categories },
            { QStringLiteral("total_bytes"), totalBytes } };
        m_console.out << QString::fromUtf8(QJsonDocument(root).toJson(QJsonDocument::Compact)) << '\n';
    } else {
        m_console.out << formatText(
            Localization::text(QStringLiteral("CLI_SCAN_TOTAL"), QStringLiteral("Total: %d items, %@")),
            { QString::number(totalItems), formattedSize(totalBytes) })
                      << '\n';
    }
    m_console.out.flush();
}
