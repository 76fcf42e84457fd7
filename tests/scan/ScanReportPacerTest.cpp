#include "scan/ScanReportPacer.h"
#include "scan/ScanState.h"
#include "scan/ScanTestSupport.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

TEST(ScanReportPacer, ShowsTheLatestFindingOncePerFrameAndTheLastOfEveryWalk)
{
    // Each step "kind@clock description", or "walkEnded"; what reaches the page as "kind description".
    const std::vector<std::tuple<const char*, QStringList, QStringList>> rows = {
        { "the first finding at once, the latest of a frame when the walk ends",
            { "browser@0 /a", "browser@10 /b", "browser@39 /c", "walkEnded" },
            { "browser /a", "browser /c" } },
        { "a frame later the newest finding at once",
            { "browser@0 /a", "browser@10 /b", "browser@40 /c", "browser@41 /d", "browser@100 /e",
                "walkEnded" },
            { "browser /a", "browser /c", "browser /e" } },
        { "a walk that records one path within a frame still shows it",
            { "browser@0 /a", "walkEnded", "browser@5 /x", "walkEnded" }, { "browser /a", "browser /x" } },
        { "what was held back goes before any other report and another kind of finding",
            { "log@0 /l1", "log@5 /l2", "logsImage RightMark", "browser@6 /b1", "browser@7 /b2",
                "systemCache@8 /c1", "walkEnded" },
            { "log /l1", "log /l2", "logsImage RightMark", "browser /b2", "systemCache /c1" } },
    };
    for (const auto& [name, steps, expected] : rows) {
        SCOPED_TRACE(name);
        ScanState state;
        RecordingReporter page(state);
        qint64 now = 0;
        ScanReportPacer pacer(page, [&] { return now; });
        // One record for every finding, as the scanners reuse theirs.
        ScanInfo info;
        for (const QString& step : steps) {
            const QString kind = step.section(u' ', 0, 0).section(u'@', 0, 0);
            now = step.section(u' ', 0, 0).section(u'@', 1).toLongLong();
            info.setDescription(step.section(u' ', 1));
            if (kind == "browser")
                pacer.reportBrowserItem(info);
            else if (kind == "log")
                pacer.reportLogEntry(info);
            else if (kind == "systemCache")
                pacer.reportSystemCacheItem(info);
            else if (kind == "logsImage")
                pacer.showLogsStateImage(info.getDescription());
            else
                pacer.walkEnded();
        }
        QStringList shown;
        for (const RecordingReporter::Report& report : page.reports)
            shown << report.kind + u' ' + report.description;
        EXPECT_EQ(shown, expected);
    }
}
