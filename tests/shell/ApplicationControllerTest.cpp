#include "ShellFixture.h"

#include "platform/UserDefaults.h"
#include "scan/ScanPageController.h"
#include "scan/ScanTestSupport.h"

#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>

#include <functional>

namespace {
using ApplicationControllerTest = ShellFixture;
}

// Remove Clutter is enabled by the junk the last scan left, and only then opens its page.
TEST_F(ApplicationControllerTest, StartShowsTheOverviewAndFixFollowsTheLastScansJunk)
{
    for (const qint64 errors : { 0, 3 }) {
        UserDefaults::standardUserDefaults().setInteger(errors, "ERRORS_FOUND");
        ApplicationController& app = start();
        EXPECT_EQ(ApplicationController::applicationController(), &app);
        EXPECT_EQ(app.pagesTabView()->currentIndex(), ApplicationController::OverviewPage);
        EXPECT_EQ(app.fixButton()->isEnabled(), errors > 0);
        app.fixButton()->click();
        EXPECT_EQ(app.pagesTabView()->currentIndex(),
            errors > 0 ? ApplicationController::FixPage : ApplicationController::OverviewPage);
    }
}

TEST_F(ApplicationControllerTest, ScanButtonShowsTheOverviewUntilAScanStarts)
{
    ApplicationController& app = start();
    app.showToolsPage();
    // A scan that ended meanwhile must show when the overview comes back.
    UserDefaults::standardUserDefaults().setObject(
        QStringLiteral("Jun 1, 2000 1:00:00 PM"), QStringLiteral("SCANNED_COMPLETE_TIME"));
    app.scanButton()->click();
    EXPECT_EQ(app.pagesTabView()->currentIndex(), ApplicationController::OverviewPage);
    EXPECT_EQ(widget<QLabel>("overviewPageStatus")->text(), QStringLiteral("Scan Now!"));

    app.setShowOverviewPage(false); // what starting a scan does
    app.scanButton()->click();
    EXPECT_EQ(app.pagesTabView()->currentIndex(), ApplicationController::ScanPage);

    app.setShowOverviewPage(true); // what a successful removal does
    app.scanButton()->click();
    EXPECT_EQ(app.pagesTabView()->currentIndex(), ApplicationController::OverviewPage);
}

TEST_F(ApplicationControllerTest, ReopenBringsTheWindowBackFromWhereverItIs)
{
    ApplicationController& app = start();
    EXPECT_TRUE(app.applicationShouldHandleReopen(true));
    EXPECT_FALSE(app.window()->isVisible()) << "a window said to be visible is left alone";

    const std::pair<const char*, std::function<void(QMainWindow*)>> rows[] = {
        { "hidden", [](QMainWindow* window) { window->hide(); } },
        { "minimised", [](QMainWindow* window) { window->showMinimized(); } },
        { "shown", [](QMainWindow* window) { window->showNormal(); } },
    };
    for (const auto& [name, put] : rows) {
        put(app.window());
        app.reopen();
        EXPECT_TRUE(app.window()->isVisible()) << name;
        EXPECT_FALSE(app.window()->isMinimized()) << name;
    }

    // Started again mid-scan: the scan goes on to its end.
    useDefinitions(m_sandbox, {}, { QStringLiteral("~/no-logs") }, { QStringLiteral("~/no-cache") });
    QSignalSpy ended(app.scanPageController(), &ScanPageController::scanThreadFinished);
    app.scanPageController()->startScanning();
    app.reopen();
    EXPECT_TRUE(app.scanPageController()->scanning());
    ASSERT_TRUE(ended.wait(30000));
    EXPECT_EQ(widget<QLabel>("scanPageScanResultText")->text(),
        QStringLiteral("Scanning Complete. No Junk Items found."));
}
