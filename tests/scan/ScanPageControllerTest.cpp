#include "scan/ScanPageController.h"
#include "e2e/SandboxDefinitions.h"
#include "platform/Images.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"
#include "scan/ScanReportPacer.h"
#include "scan/ScanTestSupport.h"
#include "shell/ShellFixture.h"

#include <gtest/gtest.h>

#include <QEnterEvent>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTreeView>

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

const char* const kCategories[] = { "Internet Cache", "Cookies", "History", "Downloads List", "Form Values",
    "Page Icons", "UserLibraryLogs", "System Logs", "System Cache", "Trash" };

class ScanRun : public ShellFixture {
protected:
    QString home = m_sandbox.locations().home;
    ApplicationController* app = nullptr;
    ScanPageController* scan = nullptr;
    QMap<QString, QStringList> expected;

    void SetUp() override
    {
        useSandboxDefinitions(m_sandbox);
        app = &start();
        app->setView(ApplicationController::ScanPage);
        app->window()->show(); // a button learns of the mouse only in a shown window
        scan = app->scanPageController();
    }

    // In scan order: 9 browser items, 2 logs, 1 system cache item and 1 trashed item.
    void plantJunk()
    {
        const QString varLog = QFileInfo(m_sandbox.locations().systemLog).path();
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
    }

    QString text(const char* name) const { return widget<QLabel>(name)->text(); }
    QString resultsFile() const { return m_sandbox.locations().resultsFile(); }

    bool scanToTheEnd()
    {
        QSignalSpy ended(scan, &ScanPageController::scanThreadFinished);
        scan->startScanning();
        return ended.wait(30000);
    }
};

// stopAt: the findings counted when Stop is clicked, -1 for a scan left to
// end. The page shows either every finding, and the click comes while it
// shows one, or only the first, and the click comes between two reports.
struct RunCase {
    int stopAt;
    bool betweenReports = false;
    bool junk = true;
};

// Names the cases in test listings, which would otherwise show the padding bytes.
void PrintTo(const RunCase& run, std::ostream* out)
{
    *out << (run.junk ? "" : "no junk, ");
    if (run.stopAt < 0)
        *out << "to the end";
    else
        *out << "stop at " << run.stopAt << (run.betweenReports ? " between reports" : " at a report");
}

class ScanPage : public ScanRun, public ::testing::WithParamInterface<RunCase> { };

} // namespace

TEST_P(ScanPage, ShowsEachPhaseAndKeepsWhatWasFoundUntilTheEndOrTheClick)
{
    // Plain copies, not a structured binding: clang 14 cannot capture one in a lambda.
    const int stopAt = GetParam().stopAt;
    const bool betweenReports = GetParam().betweenReports, junk = GetParam().junk;
    if (junk)
        plantJunk();
    const bool stopped = stopAt >= 0;
    const int found = stopped ? stopAt : junk ? 13 : 0;
    QMap<QString, QStringList> foundFirst;
    int taken = 0;
    for (const char* category : kCategories) {
        // A walk begun before the click stores its category, whatever it found.
        if (taken < found)
            foundFirst[category];
        for (const QString& path : expected[category]) {
            if (taken++ < found)
                foundFirst[category].append(path);
        }
    }
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    defaults.setObject(QStringLiteral("Jun 1, 2000 1:00:00 PM"), "FIXED_COMPLETE_TIME");
    std::optional<int> pageAfterFix;
    std::optional<AtFinding> atReport;
    if (!stopped) {
        atReport.emplace(scan, 0, [&] {
            app->showFixPage();
            pageAfterFix = app->pagesTabView()->currentIndex();
        });
    } else if (betweenReports) {
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
    EXPECT_EQ(defaults.integerForKey("ERRORS_FOUND"), found);
    EXPECT_EQ(defaults.stringForKey("FIXED_COMPLETE_TIME"), "") << "a scan forgets the removal before it";
    // The page ends on the counts at the end or the click, however few findings it showed.
    if (found > 0) {
        EXPECT_EQ(text("scanPageTotalErrorsCount"), QString("Total Junk Files: %1").arg(found));
        const auto [area, count] = found <= 9 ? std::pair("scanPageInternetCacheMatchCount", found)
            : found <= 11                     ? std::pair("scanPageLogMatchCount", found - 9)
            : found <= 12                     ? std::pair("scanPageSystemCacheMatchCount", found - 11)
                                              : std::pair("scanPageTrashMatchCount", found - 12);
        EXPECT_EQ(text(area), QString("(%1 Matches)").arg(count));
    }
    EXPECT_EQ(text("scanPageScanResultText"),
        stopped         ? "Scanning cancelled by the User."
            : found > 0 ? "Scanning Complete. Click Review."
                        : "Scanning Complete. No Junk Items found.");
    EXPECT_EQ(text("scanPageScanDescription"), "");
    EXPECT_TRUE(widget("scanPagePanelTitleText")->isHidden()) << "nothing is being scanned";
    EXPECT_TRUE(widget("scanPageAnimation")->isHidden());
    EXPECT_EQ(widget("scanPageGoToReviewButton")->isHidden(), stopped || found == 0);
    EXPECT_EQ(widget("scanPageLogMatchCount")->isHidden(), stopped && found <= 9)
        << "phases not begun stay hidden";
    EXPECT_EQ(widget("scanPageSystemCacheMatchCount")->isHidden(), stopped && found <= 11);
    EXPECT_EQ(widget("scanPageTrashMatchCount")->isHidden(), stopped && found <= 12);
    EXPECT_EQ(app->fixButton()->isEnabled(), found > 0);
    EXPECT_TRUE(app->optionsButton()->isEnabled());
    // Once a stopped scan has stored its findings, the window shows them.
    EXPECT_EQ(app->pagesTabView()->currentIndex(),
        stopped && found > 0 ? ApplicationController::ReviewPage : ApplicationController::ScanPage);
    if (!stopped) {
        EXPECT_EQ(pageAfterFix, ApplicationController::ScanPage) << "Remove Clutter waits for the scan";
        for (const char* image : { "scanPageInternetCacheStateImage", "scanPageLogsStateImage",
                 "scanPageSystemCacheStateImage", "scanPageTrashStateImage" })
            EXPECT_EQ(widget(image)->property("imageName").toString(), "RightMark") << image;
        for (const char* area :
            { "scanPageInternetCacheMatchCount", "scanPageSystemCacheMatchCount", "scanPageTrashMatchCount" })
            EXPECT_TRUE(found > 0 || text(area) == "(0 Matches)") << area;
    }
    if (!stopped && found > 0) {
        // The page's buttons change their image under the mouse.
        auto* scanNow = widget<QPushButton>("scanPageScanNowButton");
        QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
        QCoreApplication::sendEvent(scanNow, &enter);
        EXPECT_EQ(scanNow->icon().cacheKey(), Images::named("ScanNow-hover").cacheKey());
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(scanNow, &leave);
        EXPECT_EQ(scanNow->icon().cacheKey(), Images::named("ScanNow").cacheKey());
        // The review shows what was found fully expanded, without check boxes.
        app->reviewButton()->click();
        EXPECT_EQ(text("reviewPageTitleText"), "Velmora has found 13 Junk Items on your system");
        const auto* review = widget<QTreeView>("reviewOutlineView");
        const QModelIndex group = review->model()->index(0, 0, review->model()->index(0, 0));
        EXPECT_TRUE(review->isExpanded(group.parent()) && review->isExpanded(group));
        EXPECT_FALSE(review->model()->index(0, 0, group).data(Qt::DecorationRole).isValid());
    }
    app->scanButton()->click();
    EXPECT_EQ(app->pagesTabView()->currentIndex(), ApplicationController::ScanPage)
        << "after a scan, Scan leads back to the scan page";
}

INSTANTIATE_TEST_SUITE_P(EveryPhase, ScanPage,
    ::testing::Values(RunCase { -1 }, RunCase { -1, false, false }, RunCase { 0 }, RunCase { 10 },
        RunCase { 3, true }, RunCase { 12, true }, RunCase { 13 }));

TEST_F(ScanRun, ANewScanRightAfterAStopWaitsForTheOldThreadEvenWhenTheApplicationQuits)
{
    plantJunk();
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
    plantJunk();
    QEventLoop loop;
    AtFinding close(scan, 2, [&] {
        QMetaObject::invokeMethod(
            &loop,
            [&] {
                m_controller.reset();
                loop.quit();
            },
            Qt::QueuedConnection);
    });
    scan->startScanning();
    loop.exec();

    EXPECT_EQ(m_controller, nullptr);
    EXPECT_TRUE(!QFileInfo::exists(resultsFile()) || PropertyList::read(resultsFile()).has_value());
}
