#include "ShellFixture.h"

#include "platform/DateFormat.h"
#include "platform/UserDefaults.h"
#include "shell/OverviewStatus.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>

namespace {
using ApplicationControllerTest = ShellFixture;
}

TEST_F(ApplicationControllerTest, ScanButtonShowsTheOverviewUntilAScanStarts)
{
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    // Remove Clutter is enabled by the junk the last scan left, and only then opens its page.
    for (const qint64 errors : { 0, 3 }) {
        defaults.setInteger(errors, "ERRORS_FOUND");
        ApplicationController& app = start();
        EXPECT_EQ(app.pagesTabView()->currentIndex(), ApplicationController::OverviewPage);
        EXPECT_EQ(app.fixButton()->isEnabled(), errors > 0);
        app.fixButton()->click();
        EXPECT_EQ(app.pagesTabView()->currentIndex(),
            errors > 0 ? ApplicationController::FixPage : ApplicationController::OverviewPage);
    }
    ApplicationController& app = *m_controller;
    const QString recent = DateFormat::stringFromDate(
        QDateTime::currentDateTime().addSecs(-60), QString::fromLatin1(DateFormat::kFullPattern));
    // Every return to the overview recomputes it from what is stored now, so nothing
    // from an earlier showing survives: the last-scan line is hidden when there was none.
    const struct {
        QString scanned;
        qint64 errors;
        const char* status;
        OverviewStatus::Tint tint;
    } rows[] = {
        { "Jun 1, 2000 1:00:00 PM", 3, "Scan Now!", OverviewStatus::Tint::Mocha },
        { recent, 0, "Recently Scanned!", OverviewStatus::Tint::Clover },
        { recent, 12, "12 Junk Files Found!", OverviewStatus::Tint::Mocha },
        { "", 3, "Never Scanned!", OverviewStatus::Tint::Mocha },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.status);
        app.showToolsPage();
        defaults.setObject(row.scanned, "SCANNED_COMPLETE_TIME");
        defaults.setInteger(row.errors, "ERRORS_FOUND");
        app.scanButton()->click();
        EXPECT_EQ(app.pagesTabView()->currentIndex(), ApplicationController::OverviewPage);
        EXPECT_EQ(widget<QLabel>("overviewPageStatus")->text(), QLatin1String(row.status));
        for (const char* name :
            { "overviewPageStatus", "overviewPageDescText", "overviewPageLastScanText" }) {
            const QLabel* shown = widget<QLabel>(name);
            EXPECT_TRUE(!shown->isVisibleTo(app.window())
                || shown->palette().color(QPalette::WindowText) == OverviewStatus::color(row.tint))
                << name;
        }
        EXPECT_EQ(
            widget<QLabel>("overviewPageLastScanText")->isVisibleTo(app.window()), !row.scanned.isEmpty());
    }

    app.setShowOverviewPage(false); // what starting a scan does
    app.scanButton()->click();
    EXPECT_EQ(app.pagesTabView()->currentIndex(), ApplicationController::ScanPage);

    app.setShowOverviewPage(true); // what a successful removal does
    app.scanButton()->click();
    EXPECT_EQ(app.pagesTabView()->currentIndex(), ApplicationController::OverviewPage);
}

// The first start adds the program to the login items, and only once the fact is
// saved: unsaved, every start would add one more.
TEST_F(ApplicationControllerTest, FirstStartRegistersOnceWhenItCanBeRemembered)
{
    m_sandbox.makeFile("usr/bin/velmora", "#!/bin/sh\n");
    for (const bool savable : { true, false }) {
        SCOPED_TRACE(savable);
        if (!savable) {
            Locations locations = m_sandbox.locations();
            locations.userDefaultsFile = m_sandbox.makeFile("blocker") + "/Velmora.conf";
            locations.autostartFolder = m_sandbox.path("autostart-unsaved");
            m_sandbox.setLocations(locations);
        }
        start();
        UserDefaults::reload();
        start();
        EXPECT_EQ(QDir(Locations::current().autostartFolder).entryList(QDir::Files).size(), savable ? 1 : 0);
        EXPECT_EQ(m_sandbox.logged(
                      "Could not save the first-run settings; Velmora is not added to the login items"),
            !savable);
    }
}

// What a second start of the program asks of the first: its window back, wherever it was.
TEST_F(ApplicationControllerTest, ReopenBringsTheWindowBackFromWhereverItIs)
{
    ApplicationController& app = start();
    const std::pair<const char*, void (QWidget::*)()> rows[] = {
        { "hidden", &QWidget::hide },
        { "minimised", &QWidget::showMinimized },
        { "shown", &QWidget::showNormal },
    };
    for (const auto& row : rows) {
        (app.window()->*row.second)();
        app.reopen();
        EXPECT_TRUE(app.window()->isVisible()) << row.first;
        EXPECT_FALSE(app.window()->isMinimized()) << row.first;
    }
}
