#include "scan/ScanReportPacer.h"
#include "scan/ScanTestSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// What reaches the page, in order.
class PageLog final : public ScanReporter {
public:
    QStringList shown;

private:
    void reportBrowserItem(const ScanInfo& info) override { shown << "browser " + info.getDescription(); }
    void reportLogEntry(const ScanInfo& info) override { shown << "log " + info.getDescription(); }
    void reportSystemCacheItem(const ScanInfo& info) override { shown << "cache " + info.getDescription(); }
    void reportNoInternetCacheItems() override { shown << "no internet cache"; }
    void reportNoSystemCacheItems() override { shown << "no system cache"; }
    void showLogsStateImage(const QString& name) override { shown << "logs image " + name; }
    void showSystemCacheStateImage(const QString& name) override { shown << "cache image " + name; }
};

// One step of a scan: a finding at a moment of the clock, or another report.
struct Step {
    enum What { Browser, Log, Cache, WalkEnded, LogsImage } what;
    qint64 at = 0;
    const char* path = "";
};

} // namespace

TEST(ScanReportPacer, ShowsTheLatestFindingOncePerFrameAndTheLastOfEveryWalk)
{
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
            { "log /l1", "log /l2", "logs image RightMark", "browser /b2", "cache /c1" } },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        PageLog page;
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
        EXPECT_EQ(page.shown, row.shown);
    }
}
