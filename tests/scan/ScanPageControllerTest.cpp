#include "platform/DateFormat.h"
#include "platform/Localization.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"
#include "scan/ScanPageController.h"
#include "scan/ScanTestSupport.h"
#include "shell/ApplicationController.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>

#include <functional>

namespace {

// Acts once, on the main thread, when a call from the scan thread arrives
// and the scan has counted at least the given number of findings. The scan
// thread waits on each report, so the count cannot move meanwhile.
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
        if (event->type() == QEvent::MetaCall && !m_done && m_scan->nTotalErrorsCount() >= m_total) {
            m_done = true;
            m_action();
        }
        return false;
    }

private:
    ScanPageController* m_scan;
    int m_total;
    std::function<void()> m_action;
    bool m_done = false;
};

class ScanRun : public ::testing::Test {
protected:
    Sandbox sandbox;
    QString home;
    QString data;
    std::unique_ptr<ApplicationController> app;
    ScanPageController* scan = nullptr;
    QWidget* page = nullptr;
    QMap<QString, QStringList> expected;

    void SetUp() override
    {
        Localization::setLanguage(QString());
        home = sandbox.locations().home;
        data = sandbox.path(QStringLiteral("data"));
        const QString firefoxCache = makeTree(home + QStringLiteral("/.cache/mozilla/firefox"),
            { "abc.default-release/cache2/entries/E1", "abc.default-release/cache2/entries/E2" });
        const QString firefox = makeTree(home + QStringLiteral("/.mozilla/firefox"),
            { "profiles.ini", "abc.default-release/cookies.sqlite", "abc.default-release/places.sqlite",
                "abc.default-release/formhistory.sqlite" });
        makeTree(data, { "opera-cache/Cache/f1", "opera/History" });
        const QString xorg = makeTree(home + QStringLiteral("/.local/share/xorg"), { "Xorg.0.log" });
        const QString varLog = QFileInfo(sandbox.locations().systemLog).absolutePath();
        makeTree(varLog, { "dpkg.log", "syslog" }); // syslog was just created: too fresh to list
        makeTree(home + QStringLiteral("/.cache/thumbnails"), { "normal/t.png" });

        const QVariantMap internet = {
            { "Internet Cache",
                QVariantMap { { "Safari", QStringList { "~/missing-safari" } },
                    { "FireFox", QStringList { "~/.cache/mozilla/firefox" } },
                    { "Opera", QStringList { data + "/opera-cache" } } } },
            { "Cookies", QVariantMap { { "FireFox", QStringList { "~/.mozilla/firefox" } } } },
            { "History",
                QVariantMap { { "FireFox", QStringList { "~/.mozilla/firefox" } },
                    { "Opera", QStringList { data + "/opera/History" } } } },
            { "Form Values", QVariantMap { { "FireFox", QStringList { "~/.mozilla/firefox/" } } } },
        };
        useDefinitions(sandbox, internet, { "~/.local/share/xorg", varLog }, { "~/.cache/thumbnails" });

        const QString profile = firefox + QStringLiteral("/abc.default-release");
        expected = {
            { "Internet Cache",
                under(firefoxCache, { "abc.default-release/cache2", "abc.default-release/cache2/entries",
                                        "abc.default-release/cache2/entries/E1", "abc.default-release/cache2/entries/E2" })
                    + under(data, { "opera-cache/Cache/f1" }) },
            { "Cookies", under(profile, { "cookies.sqlite" }) },
            { "History", under(profile, { "places.sqlite" }) + under(data, { "opera/History" }) },
            { "Form Values", under(profile, { "formhistory.sqlite" }) },
            { "UserLibraryLogs", under(xorg, { "Xorg.0.log" }) },
            { "System Logs", under(varLog, { "dpkg.log" }) },
            { "System Cache", under(home, { ".cache/thumbnails/normal/t.png" }) },
        };

        app = std::make_unique<ApplicationController>();
        app->awakeFromNib();
        scan = app->scanPageController();
        page = app->pagesTabView()->widget(ApplicationController::ScanPage);
        app->setView(ApplicationController::ScanPage);
    }

    template <typename T>
    T* widget(const char* name) const
    {
        T* found = page->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QString text(const char* name) const { return widget<QLabel>(name)->text(); }
    bool hidden(const char* name) const { return widget<QWidget>(name)->isHidden(); }
    QString image(const char* name) const { return widget<QWidget>(name)->property("imageName").toString(); }

    // Starts a scan and returns when the given number of scan threads have ended.
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
    QMap<QString, QStringList> results() const { return readResults(sandbox.locations().resultsFile()); }
    UserDefaults& defaults() const { return UserDefaults::standardUserDefaults(); }
    int totalOf(const QMap<QString, QStringList>& map) const
    {
        int total = 0;
        for (const QStringList& paths : map)
            total += int(paths.size());
        return total;
    }
};

} // namespace

TEST_F(ScanRun, FindsExactlyTheJunkInOrderWithCountsAndTexts)
{
    const QDateTime started = QDateTime::currentDateTime();
    ASSERT_TRUE(scanToTheEnd());
    const QDateTime ended = QDateTime::currentDateTime();

    EXPECT_EQ(results(), expected);
    EXPECT_EQ(scan->nCacheCount(), 9);
    EXPECT_EQ(scan->nLogsCount(), 2);
    EXPECT_EQ(scan->nSystemCacheCount(), 1);
    EXPECT_EQ(scan->nTotalErrorsCount(), totalOf(expected));

    EXPECT_EQ(text("scanPageInternetCacheMatchCount"), QStringLiteral("(9 Matches)"));
    EXPECT_EQ(text("scanPageLogMatchCount"), QStringLiteral("(2 Matches)"));
    EXPECT_EQ(text("scanPageSystemCacheMatchCount"), QStringLiteral("(1 Matches)"));
    EXPECT_EQ(text("scanPageTotalErrorsCount"), QStringLiteral("Total Junk Files: 12"));
    EXPECT_EQ(text("scanPageScanResultText"), QStringLiteral("Scanning Complete. Click Review."));
    EXPECT_EQ(text("scanPageScanDescription"), QString());
    for (const char* stateImage :
        { "scanPageInternetCacheStateImage", "scanPageLogsStateImage", "scanPageSystemCacheStateImage" }) {
        EXPECT_EQ(image(stateImage), QStringLiteral("RightMark")) << stateImage;
        EXPECT_FALSE(hidden(stateImage)) << stateImage;
    }
    EXPECT_TRUE(hidden("scanPageScanCategory"));
    EXPECT_TRUE(hidden("scanPageStopScanButton"));
    EXPECT_TRUE(hidden("scanPageAnimation"));
    EXPECT_FALSE(hidden("scanPageScanNowButton"));
    EXPECT_EQ(image("scanPageScanNowButton"), QStringLiteral("ScanNow"));
    EXPECT_FALSE(hidden("scanPageGoToReviewButton"));
    EXPECT_TRUE(widget<QPushButton>("scanPageGoToReviewButton")->isEnabled());

    EXPECT_TRUE(app->reviewButton()->isEnabled());
    EXPECT_TRUE(app->fixButton()->isEnabled());
    EXPECT_TRUE(app->optionsButton()->isEnabled());
    EXPECT_FALSE(app->showOverviewPage());

    EXPECT_EQ(defaults().integerForKey(QStringLiteral("ERRORS_FOUND")), 12);
    // The overview reads the time back with the same pattern, so it must be written with exactly that one.
    QStringList possible;
    for (QDateTime t = started.addSecs(-1); t <= ended.addSecs(1); t = t.addSecs(1))
        possible.append(DateFormat::stringFromDate(t, QString::fromLatin1(DateFormat::kFullPattern)));
    EXPECT_TRUE(possible.contains(defaults().stringForKey(QStringLiteral("SCANNED_COMPLETE_TIME"))))
        << defaults().stringForKey(QStringLiteral("SCANNED_COMPLETE_TIME")).toStdString();
    EXPECT_EQ(defaults().stringForKey(QStringLiteral("FIXED_COMPLETE_TIME")), QString());

    EXPECT_TRUE(sandbox.logged(QStringLiteral("Path %1/missing-safarinot found").arg(home)));
}

TEST_F(ScanRun, StartResetsThePageAndClearsTheStoredTimes)
{
    ASSERT_TRUE(scanToTheEnd());
    defaults().setObject(QStringLiteral("Mar 5, 2024 1:02:03 PM"), QStringLiteral("FIXED_COMPLETE_TIME"));
    PropertyList::writeXml(QVariantMap { { "Cookies", QStringList { "/stale" } } }, sandbox.locations().resultsFile());

    QSignalSpy ended(scan, &ScanPageController::scanThreadFinished);
    scan->startScanning();
    // The scan thread waits on its first report until the main thread runs again.
    EXPECT_TRUE(scan->scanning());
    EXPECT_FALSE(QFileInfo::exists(sandbox.locations().resultsFile()));
    EXPECT_EQ(defaults().stringForKey(QStringLiteral("SCANNED_COMPLETE_TIME")), QString());
    EXPECT_EQ(defaults().stringForKey(QStringLiteral("FIXED_COMPLETE_TIME")), QString());
    EXPECT_FALSE(app->reviewButton()->isEnabled());
    EXPECT_FALSE(app->fixButton()->isEnabled());
    EXPECT_FALSE(app->optionsButton()->isEnabled());
    EXPECT_FALSE(hidden("scanPageStopScanButton"));
    EXPECT_TRUE(hidden("scanPageScanNowButton"));
    EXPECT_TRUE(hidden("scanPageGoToReviewButton"));
    EXPECT_TRUE(hidden("scanPageLogMatchCount"));
    EXPECT_TRUE(hidden("scanPageSystemCacheStateImage"));
    EXPECT_EQ(text("scanPageTotalErrorsCount"), QString());
    EXPECT_EQ(image("scanPageInternetCacheStateImage"), QString());
    // The last scan's result stays until the first report.
    EXPECT_EQ(text("scanPageScanResultText"), QStringLiteral("Scanning Complete. Click Review."));
    // Showing the page again while scanning keeps the animation going.
    app->showScanPage();
    EXPECT_FALSE(hidden("scanPageAnimation"));
    EXPECT_EQ(widget<QProgressBar>("scanPageAnimation")->maximum(), 0);

    ASSERT_TRUE(ended.wait(30000));
    EXPECT_EQ(results(), expected);
}

TEST_F(ScanRun, AnAccountWithoutJunkLeavesNoResultsFile)
{
    useDefinitions(sandbox, {}, { "~/no-logs" }, { "~/no-cache" });
    ASSERT_TRUE(scanToTheEnd());

    EXPECT_FALSE(QFileInfo::exists(sandbox.locations().resultsFile()));
    EXPECT_EQ(text("scanPageScanResultText"), QStringLiteral("Scanning Complete. No Junk Items found."));
    EXPECT_EQ(text("scanPageInternetCacheMatchCount"), QStringLiteral("(0 Matches)"));
    EXPECT_EQ(text("scanPageSystemCacheMatchCount"), QStringLiteral("(0 Matches)"));
    EXPECT_EQ(text("scanPageLogMatchCount"), QString());
    EXPECT_FALSE(hidden("scanPageLogMatchCount"));
    EXPECT_EQ(image("scanPageLogsStateImage"), QStringLiteral("RightMark"));
    EXPECT_TRUE(hidden("scanPageGoToReviewButton"));
    EXPECT_FALSE(app->reviewButton()->isEnabled());
    EXPECT_FALSE(app->fixButton()->isEnabled());
    EXPECT_TRUE(app->optionsButton()->isEnabled());
    EXPECT_EQ(defaults().integerForKey(QStringLiteral("ERRORS_FOUND")), 0);
    EXPECT_FALSE(defaults().stringForKey(QStringLiteral("SCANNED_COMPLETE_TIME")).isEmpty());
}

TEST_F(ScanRun, StopAfterFindingsKeepsThemAndShowsTheReviewPage)
{
    AtFinding stop(scan, 3, [this] { scan->scanPageStopScanClick(); });
    ASSERT_TRUE(scanToTheEnd());

    EXPECT_EQ(results(), (QMap<QString, QStringList> { { "Internet Cache", expected["Internet Cache"].mid(0, 3) } }));
    EXPECT_EQ(scan->nTotalErrorsCount(), 3);
    EXPECT_EQ(defaults().integerForKey(QStringLiteral("ERRORS_FOUND")), 3);
    EXPECT_EQ(text("scanPageScanResultText"), QStringLiteral("Scanning cancelled by the User."));
    EXPECT_EQ(text("scanPageScanDescription"), QString());
    EXPECT_TRUE(hidden("scanPageLogMatchCount"));
    EXPECT_TRUE(hidden("scanPageSystemCacheMatchCount"));
    EXPECT_TRUE(hidden("scanPageGoToReviewButton"));
    EXPECT_FALSE(hidden("scanPageScanNowButton"));
    EXPECT_TRUE(app->reviewButton()->isEnabled());
    EXPECT_TRUE(app->fixButton()->isEnabled());
    EXPECT_EQ(app->pagesTabView()->currentIndex(), int(ApplicationController::ReviewPage));
}

TEST_F(ScanRun, StopBeforeAnyFindingEndsWithoutJunk)
{
    AtFinding stop(scan, 0, [this] { scan->scanPageStopScanClick(); });
    ASSERT_TRUE(scanToTheEnd());

    EXPECT_EQ(scan->nTotalErrorsCount(), 0);
    EXPECT_FALSE(QFileInfo::exists(sandbox.locations().resultsFile()));
    EXPECT_EQ(defaults().integerForKey(QStringLiteral("ERRORS_FOUND")), 0);
    EXPECT_FALSE(defaults().stringForKey(QStringLiteral("SCANNED_COMPLETE_TIME")).isEmpty());
    EXPECT_FALSE(app->reviewButton()->isEnabled());
    EXPECT_FALSE(app->fixButton()->isEnabled());
    EXPECT_TRUE(app->optionsButton()->isEnabled());
    EXPECT_EQ(app->pagesTabView()->currentIndex(), int(ApplicationController::ScanPage));
}

TEST_F(ScanRun, ANewScanRightAfterAStopWaitsForTheOldThread)
{
    AtFinding stopAndRestart(scan, 3, [this] {
        scan->scanPageStopScanClick();
        QMetaObject::invokeMethod(scan, &ScanPageController::startScanning, Qt::QueuedConnection);
    });
    ASSERT_TRUE(scanToTheEnd(2));

    // The old thread neither wrote into the new scan's file nor counted into it.
    EXPECT_EQ(results(), expected);
    EXPECT_EQ(scan->nTotalErrorsCount(), totalOf(expected));
    EXPECT_EQ(defaults().integerForKey(QStringLiteral("ERRORS_FOUND")), totalOf(expected));
    EXPECT_EQ(text("scanPageScanResultText"), QStringLiteral("Scanning Complete. Click Review."));
    EXPECT_EQ(app->pagesTabView()->currentIndex(), int(ApplicationController::ScanPage))
        << "the stopped scan must not switch to the review page under the new one";
}

TEST_F(ScanRun, ScanNowWhileScanningIsIgnored)
{
    QSignalSpy ended(scan, &ScanPageController::scanThreadFinished);
    scan->startScanning();
    scan->scanPageScanNowClick();
    ASSERT_TRUE(ended.wait(30000));
    EXPECT_EQ(sandbox.logLines().count(home + QStringLiteral("/.cache/mozilla/firefox")), 1);
    EXPECT_EQ(results(), expected);
}

TEST_F(ScanRun, ClosingTheWindowMidScanEndsTheScanThreadFirst)
{
    QEventLoop loop;
    AtFinding close(scan, 2, [&] {
        // From the event loop, as a window close would come.
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
    // Whatever the thread stored before it ended is a whole file.
    const QString file = sandbox.locations().resultsFile();
    EXPECT_TRUE(!QFileInfo::exists(file) || PropertyList::read(file).has_value());
}
