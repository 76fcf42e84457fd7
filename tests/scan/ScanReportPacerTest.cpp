#include "scan/ScanReportPacer.h"
#include "scan/ScanState.h"
#include "scan/ScanTestSupport.h"

#include <gtest/gtest.h>

#include <vector>

TEST(ScanReportPacer, ShowsTheLatestFindingOncePerFrameAndTheLastOfEveryWalk)
{
    // One step of a scan: a finding at a moment of the clock, or another report.
    struct Step {
        enum What { Browser, Log, Cache, WalkEnded, LogsImage } what;
        qint64 at = 0;
        const char* path = "";
    };
    using S = Step;
    struct Row {
        const char* name;
        std::vector<Step> steps;
        QStringList shown;
    };
    const std::vector<Row> rows = {
        { "the first finding at once, the latest of a frame when the walk ends",
            { { S::Browser, 0, "/a" }, { S::Browser, 10, "/b" }, { S::Browser, 39, "/c" }, { S::WalkEnded } },
            { "browser /a", "browser /c" } },
        { "a frame later the newest finding at once",
            { { S::Browser, 0, "/a" }, { S::Browser, 10, "/b" }, { S::Browser, 40, "/c" },
                { S::Browser, 41, "/d" }, { S::Browser, 100, "/e" }, { S::WalkEnded } },
            { "browser /a", "browser /c", "browser /e" } },
        { "a walk that records one path within a frame still shows it",
            { { S::Browser, 0, "/a" }, { S::WalkEnded }, { S::Browser, 5, "/x" }, { S::WalkEnded } },
            { "browser /a", "browser /x" } },
        { "what was held back goes before any other report and another kind of finding",
            { { S::Log, 0, "/l1" }, { S::Log, 5, "/l2" }, { S::LogsImage }, { S::Browser, 6, "/b1" },
                { S::Browser, 7, "/b2" }, { S::Cache, 8, "/c1" }, { S::WalkEnded } },
            { "log /l1", "log /l2", "logsImage RightMark", "browser /b2", "systemCache /c1" } },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ScanState state;
        RecordingReporter page(state);
        qint64 now = 0;
        ScanReportPacer pacer(page, [&] { return now; });
        // One record for every finding, as the scanners reuse theirs.
        ScanInfo info;
        for (const Step& step : row.steps) {
            now = step.at;
            info.setDescription(QString::fromUtf8(step.path));
            switch (step.what) {
            case S::Browser:
                pacer.reportBrowserItem(info);
                break;
            case S::Log:
                pacer.reportLogEntry(info);
                break;
            case S::Cache:
                pacer.reportSystemCacheItem(info);
                break;
            case S::WalkEnded:
                pacer.walkEnded();
                break;
            case S::LogsImage:
                pacer.showLogsStateImage("RightMark");
                break;
            }
        }
        QStringList shown;
        for (const RecordingReporter::Report& report : page.reports)
            shown << report.kind + u' ' + report.description;
        EXPECT_EQ(shown, row.shown);
    }
}
