#include "ShellFixture.h"

#include "platform/Alert.h"
#include "platform/UserDefaults.h"
#include "removal/FixPageController.h"
#include "results/ReviewPageController.h"
#include "scan/ScanPageController.h"
#include "scan/ScanTestSupport.h"
#include "shell/OverviewPageController.h"
#include "startup/OptionsPageController.h"
#include "uninstaller/ToolsPageController.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTimer>

#include <functional>

namespace {
using ApplicationControllerTest = ShellFixture;
}

TEST_F(ApplicationControllerTest, FirstStartShowsTheOverviewWithFixDisabled)
{
    ApplicationController& app = start();
    EXPECT_EQ(ApplicationController::applicationController(), &app);
    EXPECT_EQ(app.window()->windowTitle(), QStringLiteral("Velmora"));
    EXPECT_EQ(app.pagesTabView()->currentIndex(), 0);
    EXPECT_TRUE(app.showOverviewPage());
    EXPECT_FALSE(app.securedJunkItemsFound());
    EXPECT_FALSE(app.fixButton()->isEnabled());
    EXPECT_EQ(widget<QLabel>("overviewPageStatus")->text(), QStringLiteral("Never Scanned!"));

    const std::pair<QPushButton*, const char*> titles[] = {
        { app.scanButton(), "Scan" },
        { app.reviewButton(), "Review" },
        { app.fixButton(), "Remove Clutter" },
        { app.optionsButton(), "Options" },
        { app.toolsButton(), "Tools" },
    };
    for (const auto& [button, title] : titles) {
        EXPECT_EQ(button->text(), QLatin1String(title));
        EXPECT_FALSE(button->toolTip().isEmpty()) << title;
    }
    EXPECT_EQ(app.optionsButton()->toolTip(), QStringLiteral("Click to set Velmora options"));
    EXPECT_EQ(app.editionText()->text(), QStringLiteral("October 2009 Edition"));
}

TEST_F(ApplicationControllerTest, JunkFromTheLastScanEnablesFixWhichOpensTheFixPage)
{
    UserDefaults::standardUserDefaults().setInteger(3, QStringLiteral("ERRORS_FOUND"));
    ApplicationController& app = start();
    ASSERT_TRUE(app.fixButton()->isEnabled());
    ASSERT_FALSE(app.scanPageController()->scanning());
    app.fixButton()->click();
    EXPECT_EQ(app.pagesTabView()->currentIndex(), ApplicationController::FixPage);
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

TEST_F(ApplicationControllerTest, NavigationButtonsSelectAndHighlightTheirPages)
{
    UserDefaults::standardUserDefaults().setInteger(3, QStringLiteral("ERRORS_FOUND"));
    ApplicationController& app = start();
    const QList<QPushButton*> all { app.scanButton(), app.reviewButton(), app.fixButton(),
        app.optionsButton(), app.toolsButton() };
    const auto highlighted = [&] {
        QList<QPushButton*> checked;
        for (QPushButton* button : all) {
            if (button->property("current").toBool())
                checked << button;
        }
        return checked;
    };
    EXPECT_EQ(highlighted(), QList<QPushButton*> { app.scanButton() }) << "the overview is Scan's page";

    const std::pair<QPushButton*, int> pages[]
        = { { app.optionsButton(), ApplicationController::OptionsPage },
              { app.toolsButton(), ApplicationController::ToolsPage },
              { app.fixButton(), ApplicationController::FixPage },
              { app.reviewButton(), ApplicationController::ReviewPage } };
    for (const auto& [button, page] : pages) {
        button->click();
        EXPECT_EQ(app.pagesTabView()->currentIndex(), page) << button->text().toStdString();
        EXPECT_EQ(highlighted(), QList<QPushButton*> { button }) << button->text().toStdString();
    }
    // A page switched to by a page, not a click, moves the highlight too.
    app.setView(ApplicationController::ScanPage);
    EXPECT_EQ(highlighted(), QList<QPushButton*> { app.scanButton() });

    // Only the page table's indices are selectable; anything else leaves the page as it is.
    app.setView(9);
    app.setView(-1);
    EXPECT_EQ(app.pagesTabView()->currentIndex(), ApplicationController::ScanPage);
    EXPECT_EQ(highlighted(), QList<QPushButton*> { app.scanButton() });
}

TEST_F(ApplicationControllerTest, ControllerWithIdFollowsThePageTable)
{
    ApplicationController& app = start();
    EXPECT_EQ(app.controllerWithId(0), app.overviewPageController());
    EXPECT_EQ(app.controllerWithId(1), app.scanPageController());
    EXPECT_EQ(app.controllerWithId(3), app.reviewPageController());
    EXPECT_EQ(app.controllerWithId(4), app.optionsPageController());
    EXPECT_EQ(app.controllerWithId(5), app.toolsPageController());
    EXPECT_EQ(app.controllerWithId(6), app.fixPageController());
    for (const int none : { 2, 7, -1 })
        EXPECT_EQ(app.controllerWithId(none), nullptr) << none;
}

TEST_F(ApplicationControllerTest, AlertsGoThroughTheOneAlertFunction)
{
    ApplicationController& app = start();
    app.showAlert(QStringLiteral("Nothing to remove."));
    EXPECT_EQ(m_sandbox.alerts(), QStringList { QStringLiteral("Nothing to remove.") });
}

TEST_F(ApplicationControllerTest, TheRealAlertHasExactlyOneOkButton)
{
    ApplicationController& app = start();
    Alert::setHandler({});
    QStringList buttons;
    QString text;
    // The alert is modal: inspect and dismiss it from inside its own event loop.
    QTimer::singleShot(0, &app, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        text = box->text();
        for (QAbstractButton* button : box->buttons())
            buttons << button->text();
        box->buttons().constFirst()->click();
    });
    app.showAlert(QStringLiteral("Scan stopped."));
    EXPECT_EQ(text, QStringLiteral("Scan stopped."));
    EXPECT_EQ(buttons, QStringList { QStringLiteral("OK") });
}

TEST_F(ApplicationControllerTest, TerminationLogsTheFarewellLine)
{
    ApplicationController& app = start();
    app.applicationShouldTerminate();
    EXPECT_TRUE(m_sandbox.logged(QStringLiteral("Velmora Exite Sucessfully")));
}

TEST_F(ApplicationControllerTest, ApplicationMenuNamesTheProduct)
{
    ApplicationController& app = start();
    const auto* menu = app.window()->menuBar()->findChild<QMenu*>(QStringLiteral("applicationMenu"));
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->title(), QStringLiteral("Velmora"));
    QStringList titles;
    for (const QAction* action : menu->actions()) {
        if (!action->isSeparator())
            titles << action->text();
    }
    EXPECT_EQ(titles,
        (QStringList { QStringLiteral("About Velmora"), QStringLiteral("Hide Velmora"),
            QStringLiteral("Quit Velmora") }));

    menu->actions().constFirst()->trigger();
    EXPECT_TRUE(app.aboutPanel()->isVisible());
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

TEST_F(ApplicationControllerTest, TheLookupCreatesAnInstanceOnlyWhenNoneExists)
{
    ApplicationController& app = start();
    EXPECT_EQ(ApplicationController::applicationController(), &app);
    m_controller.reset();
    std::unique_ptr<ApplicationController> created(ApplicationController::applicationController());
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(ApplicationController::applicationController(), created.get());
}
