#include "scan/ScanPageController.h"
#include "cli/CommandLineRun.h"
#include "e2e/SandboxDefinitions.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"
#include "scan/ScanReportPacer.h"
#include "scan/ScanTestSupport.h"
#include "shell/ApplicationController.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QEvent>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>

#include <functional>
#include <optional>

namespace {

// Acts once, on the main thread, when a call from the scan thread arrives and
// at least this many findings are counted. The scan thread waits on each
// report, so the count cannot move meanwhile.
class AtFinding final : public QObject {
public:
    AtFinding(ScanPageController* scan, int total, std::function<void()> action)
        : m_scan(scan)
        , m_total(total)
        , m_action(std::move(action))
    {
        scan->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::MetaCall && m_action && m_scan->nTotalErrorsCount() >= m_total)
            std::exchange(m_action, nullptr)();
        return false;
    }

private:
    ScanPageController* m_scan;
    int m_total;
    std::function<void()> m_action;
};

class ScanRun : public ::testing::Test {
protected:
    Sandbox sandbox;
    QString home = sandbox.locations().home;
    std::unique_ptr<ApplicationController> app;
    ScanPageController* scan = nullptr;
    QMap<QString, QStringList> expected;

    void SetUp() override
    {
        useSandboxDefinitions(sandbox);
        const QString varLog = QFileInfo(sandbox.locations().systemLog).path();
        const QString firefoxCache = makeTree(home + "/.cache/mozilla/firefox",
            { "p.default-release/cache2/E1", "p.default-release/cache2/E2" });
        const QString profile
            = makeTree(home + "/.mozilla/firefox",
                  { "profiles.ini", "p.default-release/cookies.sqlite", "p.default-release/places.sqlite",
                      "p.default-release/formhistory.sqlite", "p.default-release/favicons.sqlite" })
            + "/p.default-release";
        makeTree(home,
            { ".cache/opera/Cache/f1", ".config/opera/History", ".local/share/xorg/Xorg.0.log",
                ".local/share/xorg/Xorg.0.log.old", ".cache/thumbnails/normal/t.png",
                ".local/share/Trash/files/old/a", ".local/share/Trash/info/old.trashinfo" });
        makeTree(varLog, { "dpkg.log", "dpkg.log.1", "syslog" }); // the current logs are not listed
        expected = {
            { "Internet Cache",
                under(firefoxCache,
                    { "p.default-release/cache2", "p.default-release/cache2/E1",
                        "p.default-release/cache2/E2" })
                    + under(home, { ".cache/opera/Cache/f1" }) },
            { "Cookies", under(profile, { "cookies.sqlite" }) },
            { "History", under(profile, { "places.sqlite" }) + under(home, { ".config/opera/History" }) },
            { "Downloads List", {} },
            { "Form Values", under(profile, { "formhistory.sqlite" }) },
            { "Page Icons", under(profile, { "favicons.sqlite" }) },
            { "UserLibraryLogs", under(home, { ".local/share/xorg/Xorg.0.log.old" }) },
            { "System Logs", under(varLog, { "dpkg.log.1" }) },
            { "System Cache", under(home, { ".cache/thumbnails/normal/t.png" }) },
            { "Trash", under(home, { ".local/share/Trash/files/old" }) },
        };

        app = std::make_unique<ApplicationController>();
        app->awakeFromNib();
        app->setView(ApplicationController::ScanPage);
        scan = app->scanPageController();
    }

    template <typename T = QWidget> T* widget(const char* name) const
    {
        T* found = app->pagesTabView()->widget(ApplicationController::ScanPage)->findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QString text(const char* name) const { return widget<QLabel>(name)->text(); }
    QString resultsFile() const { return sandbox.locations().resultsFile(); }

    bool scanToTheEnd()
    {
        QSignalSpy ended(scan, &ScanPageController::scanThreadFinished);
        scan->startScanning();
        return ended.wait(30000);
    }
};

} // namespace

// Stopped after so many findings; in scan order there are 9 browser items, 2
// logs, 1 system cache item and 1 trashed item. The page shows either every finding, and the
// click comes while it shows one, or only the first, and the click comes
// between two reports.
struct StopCase {
    int stopAt;
    bool betweenReports;
};

// Names the cases in test listings, which would otherwise show the padding bytes.
void PrintTo(const StopCase& stop, std::ostream* out)
{
    *out << "stop at " << stop.stopAt << (stop.betweenReports ? " between reports" : " at a report");
}

class ScanStop : public ScanRun, public ::testing::WithParamInterface<StopCase> { };

TEST_P(ScanStop, KeepsWhatWasFoundUntilTheClick)
{
    const int stopAt = GetParam().stopAt;
    const bool betweenReports = GetParam().betweenReports;
    QMap<QString, QStringList> foundFirst;
    int taken = 0;
    for (const char* category : { "Internet Cache", "Cookies", "History", "Downloads List", "Form Values",
             "Page Icons", "UserLibraryLogs", "System Logs", "System Cache", "Trash" }) {
        // A walk begun before the click stores its category, whatever it found.
        if (taken < stopAt)
            foundFirst[category];
        for (const QString& path : expected[category]) {
            if (taken++ < stopAt)
                foundFirst[category].append(path);
        }
    }
    std::optional<AtFinding> atReport;
    if (betweenReports) {
        // The clock is read on the scan thread right after a finding is counted.
        scan->setReportClock([this, stopAt, clicked = false]() mutable -> qint64 {
            if (!clicked && scan->nTotalErrorsCount() >= stopAt) {
                clicked = true;
                QMetaObject::invokeMethod(
                    scan, &ScanPageController::scanPageStopScanClick, Qt::BlockingQueuedConnection);
            }
            return 0;
        });
    } else {
        qint64 now = 0;
        scan->setReportClock([now]() mutable { return now += ScanReportPacer::kFrameMs; });
        atReport.emplace(scan, stopAt, [this] { scan->scanPageStopScanClick(); });
    }
    ASSERT_TRUE(scanToTheEnd());

    EXPECT_EQ(readResults(resultsFile()), foundFirst);
    EXPECT_EQ(UserDefaults::standardUserDefaults().integerForKey("ERRORS_FOUND"), stopAt);
    // The page ends on the counts at the click, however few findings it showed.
    if (stopAt > 0) {
        EXPECT_EQ(text("scanPageTotalErrorsCount"), QString("Total Junk Files: %1").arg(stopAt));
        const auto [area, count] = stopAt <= 9 ? std::pair("scanPageInternetCacheMatchCount", stopAt)
            : stopAt <= 11                     ? std::pair("scanPageLogMatchCount", stopAt - 9)
            : stopAt <= 12                     ? std::pair("scanPageSystemCacheMatchCount", stopAt - 11)
                                               : std::pair("scanPageTrashMatchCount", stopAt - 12);
        EXPECT_EQ(text(area), QString("(%1 Matches)").arg(count));
    }
    EXPECT_EQ(text("scanPageScanResultText"), "Scanning cancelled by the User.");
    EXPECT_EQ(text("scanPageScanDescription"), "");
    EXPECT_TRUE(widget("scanPagePanelTitleText")->isHidden()) << "nothing is being scanned";
    EXPECT_EQ(widget("scanPageLogMatchCount")->isHidden(), stopAt <= 9) << "phases not begun stay hidden";
    EXPECT_EQ(widget("scanPageSystemCacheMatchCount")->isHidden(), stopAt <= 11);
    EXPECT_EQ(widget("scanPageTrashMatchCount")->isHidden(), stopAt <= 12);
    EXPECT_EQ(app->fixButton()->isEnabled(), stopAt > 0);
    // Once the stopped scan has stored its findings, the window shows them.
    EXPECT_EQ(app->pagesTabView()->currentIndex(),
        stopAt > 0 ? ApplicationController::ReviewPage : ApplicationController::ScanPage);
}

INSTANTIATE_TEST_SUITE_P(EveryPhase, ScanStop,
    ::testing::Values(
        StopCase { 0, false }, StopCase { 10, false }, StopCase { 3, true }, StopCase { 12, true },
        StopCase { 13, false }));

TEST_F(ScanRun, ANewScanRightAfterAStopWaitsForTheOldThreadEvenWhenTheApplicationQuits)
{
    QSignalSpy ended(scan, &ScanPageController::scanThreadFinished);
    AtFinding stopAndRestart(scan, 3, [this] {
        scan->scanPageStopScanClick();
        QMetaObject::invokeMethod(scan, &ScanPageController::startScanning, Qt::QueuedConnection);
        QMetaObject::invokeMethod(
            qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
    });
    scan->startScanning();
    QCoreApplication::exec();
    while (ended.count() < 2)
        ASSERT_TRUE(ended.wait(30000));

    // The old thread neither wrote into the new scan's file nor counted into it.
    EXPECT_EQ(readResults(resultsFile()), expected);
    EXPECT_EQ(UserDefaults::standardUserDefaults().integerForKey("ERRORS_FOUND"), 13);
    EXPECT_EQ(text("scanPageScanResultText"), "Scanning Complete. Click Review.");
    EXPECT_EQ(app->pagesTabView()->currentIndex(), ApplicationController::ScanPage)
        << "the stopped scan must not turn to the review page";
}

TEST_F(ScanRun, ClosingTheWindowMidScanEndsTheScanThreadFirst)
{
    QEventLoop loop;
    AtFinding close(scan, 2, [&] {
        QMetaObject::invokeMethod(
            &loop,
            [&] {
                app.reset();
                loop.quit();
            },
            Qt::QueuedConnection);
    });
    scan->startScanning();
    loop.exec();

    EXPECT_EQ(app, nullptr);
    EXPECT_TRUE(!QFileInfo::exists(resultsFile()) || PropertyList::read(resultsFile()).has_value());
}

// `velmora --scan --json` over the same home lists what the window's scan
// lists, category by category and path by path, and leaves the same file.
TEST_F(ScanRun, TheCommandLineListsWhatTheWindowLists)
{
    ASSERT_TRUE(scanToTheEnd());
    const QMap<QString, QStringList> window = readResults(resultsFile());
    QMap<QString, QStringList> listed;
    for (auto it = window.cbegin(); it != window.cend(); ++it) {
        if (!it.value().isEmpty())
            listed.insert(it.key(), it.value());
    }

    const CommandLineRun run = CommandLineRun::of({ "--scan", "--json" });
    ASSERT_EQ(run.exitCode, 0) << qPrintable(run.err);
    EXPECT_EQ(readResults(resultsFile()), window);
    const QJsonObject root = QJsonDocument::fromJson(run.out.toUtf8()).object();
    QMap<QString, QStringList> json;
    for (const QJsonValue& category : root["categories"].toArray()) {
        const QJsonObject object = category.toObject();
        QStringList paths;
        for (const QJsonValue& path : object["paths"].toArray())
            paths << path.toString();
        EXPECT_EQ(object["items"].toInt(), paths.size());
        json.insert(object["key"].toString(), paths);
    }
    EXPECT_EQ(json, listed);
    EXPECT_GT(root["total_bytes"].toInteger(), 0);
    EXPECT_EQ(UserDefaults::standardUserDefaults().integerForKey("ERRORS_FOUND"), scan->nTotalErrorsCount());
}
