#include "ShellFixture.h"

#include "platform/DateFormat.h"
#include "platform/Localization.h"
#include "platform/UserDefaults.h"
#include "shell/OverviewPageController.h"
#include "shell/OverviewStatus.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>

#include <optional>

namespace {

using ApplicationControllerTest = ShellFixture;

// A fixed "now" far from daylight-saving changes, so ages are exact.
const QDateTime kNow(QDate(2024, 6, 12), QTime(15, 30, 0));

// Empty when there is none: what a scan leaves when it starts, not an unreadable time.
QString ago(std::optional<qint64> seconds, const char* pattern = DateFormat::kFullPattern)
{
    return seconds ? DateFormat::stringFromDate(kNow.addSecs(-*seconds), QString::fromLatin1(pattern))
                   : QStringLiteral("");
}

} // namespace

// Remove Clutter is enabled by the junk the last scan left, and only then opens
// its page. Every return to the overview decides anew, from the stored scan and
// removal times, the count and the clock, what it says and in which tint.
TEST_F(ApplicationControllerTest, ScanButtonShowsTheOverviewAsTheStoredTimesAndTheClockHaveIt)
{
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
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
    app.overviewPageController()->setClock([] { return kNow; });
    const struct {
        const char* name;
        std::optional<qint64> scanned; // seconds ago; nullopt: empty
        std::optional<qint64> fixed;
        qint64 errors;
        const char* status;
        const char* says; // in the description, "%scan" and "%fix" standing for the days
        const char* scannedText = nullptr; // stored as it stands, instead of `scanned`
        const char* fixedText = nullptr;
    } rows[] = {
        { "never scanned", std::nullopt, std::nullopt, 9, "Never Scanned!", "not yet scanned" },
        { "junk found an hour ago", 3600, std::nullopt, 12, "12 Junk Files Found!", "Please click Scan Now" },
        { "nothing found an hour ago", 3600, std::nullopt, 0, "Recently Scanned!", "Please click Scan Now" },
        { "negative count reads as nothing found", 3600, std::nullopt, -4, "Recently Scanned!", "" },
        { "exactly two days is still recent", 172800, std::nullopt, 12, "12 Junk Files Found!", "" },
        { "two days and a second is due", 172801, std::nullopt, 12, "Scan Now!", "last scanned on %scan ," },
        { "clock set back: future scan is recent", -7200, std::nullopt, 0, "Recently Scanned!", "" },
        { "removal ten minutes ago", 3600, 600, 4, "Recently Scanned!", "junk free" },
        { "removal, scan three days old", 3 * 86400, 2 * 86400 + 5 * 3600, 0, "Scan Now!",
            "cleaned on: %fix" },
        // What a German month name looks like to an English reader after a change of language.
        { "unreadable scan time", std::nullopt, std::nullopt, 3, "Scan Now!", "last scanned on %scan ,",
            "M\u00e4r 5, 2024 1:02:03 PM" },
        { "unreadable times", std::nullopt, std::nullopt, 0, "Scan Now!", "cleaned on: garbage",
            "M\u00e4r 5, 2024 1:02:03 PM", "garbage" },
        { "recent scan, unreadable removal time", 60, std::nullopt, 0, "Recently Scanned!", "junk free",
            nullptr, "garbage" },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QString scanned = row.scannedText ? QString::fromUtf8(row.scannedText) : ago(row.scanned);
        const QString fixed = row.fixedText ? QString::fromUtf8(row.fixedText) : ago(row.fixed);
        const QString scanDay = row.scanned ? ago(row.scanned, DateFormat::kDatePattern) : scanned;
        app.showToolsPage();
        defaults.setObject(scanned, "SCANNED_COMPLETE_TIME");
        defaults.setObject(fixed, "FIXED_COMPLETE_TIME");
        defaults.setInteger(row.errors, "ERRORS_FOUND");
        app.scanButton()->click();
        EXPECT_EQ(app.pagesTabView()->currentIndex(), ApplicationController::OverviewPage);
        EXPECT_EQ(widget<QLabel>("overviewPageStatus")->text(), QLatin1String(row.status));
        const QString fixDay = row.fixed ? ago(row.fixed, DateFormat::kDatePattern) : fixed;
        const QString says = widget<QLabel>("overviewPageDescText")->text();
        EXPECT_TRUE(says.contains(QString(row.says).replace("%scan", scanDay).replace("%fix", fixDay)))
            << qPrintable(says);
        const QLabel* lastScan = widget<QLabel>("overviewPageLastScanText");
        EXPECT_EQ(lastScan->isVisibleTo(app.window()), !scanned.isEmpty());
        EXPECT_TRUE(scanned.isEmpty() || lastScan->text() == "Last Scan On: " + scanDay);
        const bool calm = QLatin1String(row.status) == "Recently Scanned!";
        for (const char* name :
            { "overviewPageStatus", "overviewPageDescText", "overviewPageLastScanText" }) {
            const QLabel* shown = widget<QLabel>(name);
            EXPECT_TRUE(!shown->isVisibleTo(app.window())
                || shown->palette().color(QPalette::WindowText)
                    == OverviewStatus::color(
                        calm ? OverviewStatus::Tint::Clover : OverviewStatus::Tint::Mocha))
                << name;
        }
    }
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

// What a second start of the program asks of the first: its window back, wherever it was; and a window
// that fits a 1920x1080 screen at twice the scale (960x540, less a panel) on every page, in German's
// longer words too.
TEST_F(ApplicationControllerTest, ReopenBringsTheWindowBackFromWhereverItIs)
{
    Localization::setLanguage("de");
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
    for (int page = 0; page < app.pagesTabView()->count(); ++page) {
        app.setView(page);
        const QSize least = app.window()->minimumSizeHint();
        EXPECT_TRUE(least.width() <= 960 && least.height() <= 500) << page;
    }
    app.applicationShouldTerminate();
    EXPECT_TRUE(m_sandbox.logged("Velmora Exite Sucessfully"));
}
