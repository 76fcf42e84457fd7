#include "scan/ScanPageController.h"
#include "platform/DateFormat.h"
#include "platform/Images.h"
#include "platform/Localization.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"
#include "scan/ScanReportPacer.h"
#include "scan/ScanTestSupport.h"
#include "shell/ApplicationController.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QEvent>
#include <QLabel>
#include <QProgressBar>
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
        Localization::setLanguage(QString());
        const QString data = sandbox.path("data");
        const QString varLog = QFileInfo(sandbox.locations().systemLog).path();
        const QString firefoxCache = makeTree(home + "/.cache/mozilla/firefox",
            { "p.default-release/cache2/E1", "p.default-release/cache2/E2" });
        const QString profile
            = makeTree(home + "/.mozilla/firefox",
                  { "profiles.ini", "p.default-release/cookies.sqlite", "p.default-release/places.sqlite",
                      "p.default-release/formhistory.sqlite" })
            + "/p.default-release";
        makeTree(data, { "opera-cache/Cache/f1", "opera/History" });
        makeTree(home, { ".local/share/xorg/Xorg.0.log", ".cache/thumbnails/normal/t.png" });
        makeTree(varLog, { "dpkg.log", "syslog" }); // syslog was just created: too fresh to list
        const QStringList profiles { "~/.mozilla/firefox" };
        useDefinitions(sandbox,
            { { "Internet Cache",
                  QVariantMap { { "Safari", QStringList { "~/missing-safari" } },
                      { "FireFox", QStringList { "~/.cache/mozilla/firefox" } },
                      { "Opera", QStringList { data + "/opera-cache" } } } },
                { "Cookies", QVariantMap { { "FireFox", profiles } } },
                { "History",
                    QVariantMap {
                        { "FireFox", profiles }, { "Opera", QStringList { data + "/opera/History" } } } },
                { "Form Values", QVariantMap { { "FireFox", profiles } } } },
            { "~/.local/share/xorg", varLog }, { "~/.cache/thumbnails" });
        expected = {
            { "Internet Cache",
                under(firefoxCache,
                    { "p.default-release/cache2", "p.default-release/cache2/E1",
                        "p.default-release/cache2/E2" })
                    + under(data, { "opera-cache/Cache/f1" }) },
            { "Cookies", under(profile, { "cookies.sqlite" }) },
            { "History", under(profile, { "places.sqlite" }) + under(data, { "opera/History" }) },
            { "Form Values", under(profile, { "formhistory.sqlite" }) },
            { "UserLibraryLogs", under(home, { ".local/share/xorg/Xorg.0.log" }) },
            { "System Logs", under(varLog, { "dpkg.log" }) },
            { "System Cache", under(home, { ".cache/thumbnails/normal/t.png" }) },
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
    bool hidden(const char* name) const { return widget(name)->isHidden(); }
    QString image(const char* name) const { return widget(name)->property("imageName").toString(); }
    QString resultsFile() const { return sandbox.locations().resultsFile(); }
    UserDefaults& defaults() const { return UserDefaults::standardUserDefaults(); }
    int page() const { return app->pagesTabView()->currentIndex(); }

    // Starts a scan; returns once that many scan threads have ended.
    bool scanToTheEnd(int threads = 1)
    {
        QSignalSpy ended(scan, &ScanPageController::scanThreadFinished);
        scan->startScanning();
        while (ended.count() < threads) {
            if (!ended.wait(30000))
                return false;
        }
        return true;
    }
};

} // namespace

TEST_F(ScanRun, FindsExactlyTheJunkInOrderWithCountsAndTexts)
{
    const QDateTime started = QDateTime::currentDateTime();
    ASSERT_TRUE(scanToTheEnd());
    const QDateTime ended = QDateTime::currentDateTime();

    EXPECT_EQ(readResults(resultsFile()), expected);
    EXPECT_EQ(scan->nCacheCount(), 8);
    EXPECT_EQ(scan->nLogsCount(), 2);
    EXPECT_EQ(scan->nSystemCacheCount(), 1);
    EXPECT_EQ(scan->nTotalErrorsCount(), 11);
    EXPECT_EQ(text("scanPageInternetCacheMatchCount"), "(8 Matches)");
    EXPECT_EQ(text("scanPageLogMatchCount"), "(2 Matches)");
    EXPECT_EQ(text("scanPageSystemCacheMatchCount"), "(1 Matches)");
    EXPECT_EQ(text("scanPageTotalErrorsCount"), "Total Junk Files: 11");
    EXPECT_EQ(text("scanPageScanResultText"), "Scanning Complete. Click Review.");
    EXPECT_EQ(text("scanPageScanDescription"), "");
    for (const char* state :
        { "scanPageInternetCacheStateImage", "scanPageLogsStateImage", "scanPageSystemCacheStateImage" })
        EXPECT_TRUE(image(state) == "RightMark" && !hidden(state)) << state;
    EXPECT_TRUE(
        hidden("scanPageScanCategory") && hidden("scanPageStopScanButton") && hidden("scanPageAnimation"));
    EXPECT_FALSE(hidden("scanPageScanNowButton"));
    EXPECT_EQ(widget<QPushButton>("scanPageScanNowButton")->icon().cacheKey(),
        Images::named(QStringLiteral("ScanNow")).cacheKey());
    EXPECT_TRUE(!hidden("scanPageGoToReviewButton") && widget("scanPageGoToReviewButton")->isEnabled());
    EXPECT_TRUE(app->reviewButton()->isEnabled() && app->fixButton()->isEnabled()
        && app->optionsButton()->isEnabled());
    EXPECT_FALSE(app->showOverviewPage());

    EXPECT_EQ(defaults().integerForKey("ERRORS_FOUND"), 11);
    EXPECT_EQ(defaults().stringForKey("FIXED_COMPLETE_TIME"), "");
    // The overview parses the time back with the same pattern, so exactly that one is written.
    QStringList possible;
    for (QDateTime t = started.addSecs(-1); t <= ended.addSecs(1); t = t.addSecs(1))
        possible.append(DateFormat::stringFromDate(t, DateFormat::kFullPattern));
    EXPECT_TRUE(possible.contains(defaults().stringForKey("SCANNED_COMPLETE_TIME")));
    EXPECT_TRUE(sandbox.logged("Path " + home + "/missing-safarinot found"));
}

TEST_F(ScanRun, StartResetsThePageClearsTheTimesAndIgnoresASecondStart)
{
    ASSERT_TRUE(scanToTheEnd());
    defaults().setObject(QStringLiteral("Mar 5, 2024 1:02:03 PM"), "FIXED_COMPLETE_TIME");
    PropertyList::writeXml(QVariantMap { { "Cookies", QStringList { "/stale" } } }, resultsFile());
    sandbox.clearRecords();

    QSignalSpy ended(scan, &ScanPageController::scanThreadFinished);
    scan->startScanning();
    scan->scanPageScanNowClick();
    // The scan thread waits on its first report until the main thread runs again.
    EXPECT_TRUE(scan->scanning());
    EXPECT_FALSE(QFileInfo::exists(resultsFile()));
    EXPECT_EQ(defaults().stringForKey("SCANNED_COMPLETE_TIME"), "");
    EXPECT_EQ(defaults().stringForKey("FIXED_COMPLETE_TIME"), "");
    EXPECT_FALSE(app->reviewButton()->isEnabled() || app->fixButton()->isEnabled()
        || app->optionsButton()->isEnabled());
    EXPECT_TRUE(!hidden("scanPageStopScanButton") && hidden("scanPageScanNowButton"));
    EXPECT_TRUE(hidden("scanPageGoToReviewButton") && hidden("scanPageLogMatchCount")
        && hidden("scanPageSystemCacheStateImage"));
    EXPECT_EQ(text("scanPageTotalErrorsCount"), "");
    EXPECT_EQ(image("scanPageInternetCacheStateImage"), "");
    EXPECT_EQ(text("scanPageScanResultText"), "Scanning Complete. Click Review.")
        << "kept until the first report";
    app->showScanPage();
    EXPECT_FALSE(hidden("scanPageAnimation")) << "showing the page again keeps the animation while scanning";
    EXPECT_EQ(widget<QProgressBar>("scanPageAnimation")->maximum(), 0);

    ASSERT_TRUE(ended.wait(30000));
    EXPECT_EQ(readResults(resultsFile()), expected);
    EXPECT_EQ(sandbox.logLines().count(home + "/.cache/mozilla/firefox"), 1) << "one scan only";
}

TEST_F(ScanRun, AnAccountWithoutJunkLeavesNoResultsFile)
{
    useDefinitions(sandbox, {}, { "~/no-logs" }, { "~/no-cache" });
    ASSERT_TRUE(scanToTheEnd());

    EXPECT_FALSE(QFileInfo::exists(resultsFile()));
    EXPECT_EQ(text("scanPageScanResultText"), "Scanning Complete. No Junk Items found.");
    EXPECT_EQ(text("scanPageInternetCacheMatchCount"), "(0 Matches)");
    EXPECT_EQ(text("scanPageSystemCacheMatchCount"), "(0 Matches)");
    EXPECT_TRUE(text("scanPageLogMatchCount").isEmpty() && !hidden("scanPageLogMatchCount"));
    EXPECT_EQ(image("scanPageLogsStateImage"), "RightMark");
    EXPECT_TRUE(hidden("scanPageGoToReviewButton"));
    EXPECT_FALSE(app->reviewButton()->isEnabled() || app->fixButton()->isEnabled());
    EXPECT_TRUE(app->optionsButton()->isEnabled());
    EXPECT_EQ(defaults().integerForKey("ERRORS_FOUND"), 0);
}

// Stopped after so many findings; in scan order there are 8 browser items, 2
// logs and 1 system cache item. The page shows either every finding, and the
// click comes while it shows one, or only the first, and the click comes
// between two reports.
struct StopCase {
    int stopAt;
    bool betweenReports;
};

void PrintTo(const StopCase& stop, std::ostream* out)
{
    *out << "stop at " << stop.stopAt << (stop.betweenReports ? " between reports" : " at a report");
}

class ScanStop : public ScanRun, public ::testing::WithParamInterface<StopCase> { };

TEST_P(ScanStop, KeepsWhatWasFoundUntilTheClick)
{
    const auto [stopAt, betweenReports] = GetParam();
    QMap<QString, QStringList> foundFirst;
    int taken = 0;
    for (const char* category : { "Internet Cache", "Cookies", "History", "Form Values", "UserLibraryLogs",
             "System Logs", "System Cache" }) {
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
    EXPECT_EQ(defaults().integerForKey("ERRORS_FOUND"), stopAt);
    // The page ends on the counts at the click, however few findings it showed.
    if (stopAt > 0) {
        EXPECT_EQ(text("scanPageTotalErrorsCount"), QString("Total Junk Files: %1").arg(stopAt));
        const auto [area, count] = stopAt <= 8 ? std::pair("scanPageInternetCacheMatchCount", stopAt)
            : stopAt <= 10                     ? std::pair("scanPageLogMatchCount", stopAt - 8)
                                               : std::pair("scanPageSystemCacheMatchCount", stopAt - 10);
        EXPECT_EQ(text(area), QString("(%1 Matches)").arg(count));
    }
    EXPECT_EQ(text("scanPageScanResultText"), "Scanning cancelled by the User.");
    EXPECT_EQ(text("scanPageScanDescription"), "");
    EXPECT_EQ(hidden("scanPageLogMatchCount"), stopAt <= 8) << "phases not begun stay hidden";
    EXPECT_EQ(hidden("scanPageSystemCacheMatchCount"), stopAt <= 10);
    EXPECT_TRUE(hidden("scanPageGoToReviewButton") && !hidden("scanPageScanNowButton"));
    EXPECT_EQ(app->reviewButton()->isEnabled(), stopAt > 0);
    EXPECT_EQ(app->fixButton()->isEnabled(), stopAt > 0);
    // Once the stopped scan has stored its findings, the window shows them.
    EXPECT_EQ(page(), stopAt > 0 ? ApplicationController::ReviewPage : ApplicationController::ScanPage);
}

INSTANTIATE_TEST_SUITE_P(EveryPhase, ScanStop,
    ::testing::Values(StopCase { 0, false }, StopCase { 3, false }, StopCase { 9, false },
        StopCase { 11, false }, StopCase { 3, true }, StopCase { 9, true }, StopCase { 11, true }));

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
    EXPECT_EQ(defaults().integerForKey("ERRORS_FOUND"), 11);
    EXPECT_EQ(text("scanPageScanResultText"), "Scanning Complete. Click Review.");
    EXPECT_EQ(page(), ApplicationController::ScanPage) << "the stopped scan must not turn to the review page";
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
