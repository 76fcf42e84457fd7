#include "ShellFixture.h"
#include "shell/FakePageHost.h"

#include "platform/DateFormat.h"
#include "platform/Images.h"
#include "platform/UserDefaults.h"
#include "shell/MTUButton.h"
#include "shell/OverviewPageController.h"
#include "shell/OverviewStatus.h"

#include <QCoreApplication>
#include <QEnterEvent>
#include <QLabel>

#include <optional>

namespace {

const QDateTime kNow(QDate(2024, 6, 12), QTime(15, 30, 0));

// The overview page alone, in a window of its own that a fake host stands around.
class OverviewPageTest : public ::testing::Test {
protected:
    // Stores the three values the page reads; nullopt removes a time.
    static void storeDefaults(
        std::optional<qint64> scannedSecondsAgo, std::optional<qint64> fixedSecondsAgo, qint64 errors)
    {
        storeTime(scannedSecondsAgo, QStringLiteral("SCANNED_COMPLETE_TIME"));
        storeTime(fixedSecondsAgo, QStringLiteral("FIXED_COMPLETE_TIME"));
        UserDefaults::standardUserDefaults().setInteger(errors, QStringLiteral("ERRORS_FOUND"));
    }

    static void storeTime(std::optional<qint64> secondsAgo, const QString& key)
    {
        UserDefaults& defaults = UserDefaults::standardUserDefaults();
        if (!secondsAgo) {
            defaults.removeObjectForKey(key);
            return;
        }
        defaults.setObject(DateFormat::stringFromDate(
                               kNow.addSecs(-*secondsAgo), QString::fromLatin1(DateFormat::kFullPattern)),
            key);
    }

    void showOverview()
    {
        m_overview.setClock([] { return kNow; });
        m_overview.overviewPageCreateUI();
    }

    template <typename T> T* widget(const char* name) const
    {
        T* found = m_page.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    static QColor textColor(const QLabel* label) { return label->palette().color(QPalette::WindowText); }

    EnglishTexts m_english;
    Sandbox m_sandbox;
    QWidget m_page;
    FakePageHost m_host;
    OverviewPageController m_overview { &m_page, m_host };
};

struct Row {
    const char* name;
    std::optional<qint64> scannedSecondsAgo;
    std::optional<qint64> fixedSecondsAgo;
    qint64 errors;
    const char* status;
    const char* suggestionStart;
    OverviewStatus::Tint tint;
};

} // namespace

TEST_F(OverviewPageTest, ShowsEachSituationInItsWordsAndColour)
{
    const Row rows[] = {
        { "never scanned", std::nullopt, std::nullopt, 0, "Never Scanned!",
            "You have not yet scanned your system with Velmora.", OverviewStatus::Tint::Mocha },
        { "junk found", 3600, std::nullopt, 12, "12 Junk Files Found!", "Please click Scan Now",
            OverviewStatus::Tint::Mocha },
        { "nothing found", 3600, std::nullopt, 0, "Recently Scanned!", "Please click Scan Now",
            OverviewStatus::Tint::Clover },
        { "scan due", 172801, std::nullopt, 12, "Scan Now!", "Your system was last scanned on",
            OverviewStatus::Tint::Mocha },
        { "cleaned, scan due", 3 * 86400, 2 * 86400, 0, "Scan Now!",
            "Your system was last cleaned on:", OverviewStatus::Tint::Mocha },
        { "recently cleaned", 3600, 600, 0, "Recently Scanned!", "Your system is currently junk free.",
            OverviewStatus::Tint::Clover },
        // The line shown for the rows before must not survive into "never scanned".
        { "never scanned again", std::nullopt, 600, 3, "Never Scanned!",
            "You have not yet scanned your system", OverviewStatus::Tint::Mocha },
    };
    // One page through all rows: each set-up must recompute everything from the defaults.
    for (const Row& row : rows) {
        storeDefaults(row.scannedSecondsAgo, row.fixedSecondsAgo, row.errors);
        showOverview();
        const QColor tint = OverviewStatus::color(row.tint);
        const auto* status = widget<QLabel>("overviewPageStatus");
        const auto* suggestion = widget<QLabel>("overviewPageDescText");
        const auto* lastScan = widget<QLabel>("overviewPageLastScanText");
        EXPECT_EQ(status->text(), QLatin1String(row.status)) << row.name;
        EXPECT_TRUE(suggestion->text().startsWith(QLatin1String(row.suggestionStart))) << row.name;
        EXPECT_EQ(textColor(status), tint) << row.name;
        EXPECT_EQ(textColor(suggestion), tint) << row.name;
        const bool scanned = row.scannedSecondsAgo.has_value();
        EXPECT_EQ(lastScan->isVisibleTo(&m_page), scanned) << row.name;
        if (scanned) {
            EXPECT_TRUE(lastScan->text().startsWith(QStringLiteral("Last Scan On: "))) << row.name;
            EXPECT_EQ(textColor(lastScan), tint) << row.name;
        }
    }
}

TEST_F(OverviewPageTest, FixedTextsAndButtonAreSetUp)
{
    m_overview.overviewPageCreateUI();
    EXPECT_EQ(widget<QLabel>("overViewPageTitleText")->text(),
        QStringLiteral("Remove Junk Files with a single mouse click"));
    EXPECT_EQ(widget<QLabel>("overviewPageStatusLabelText")->text(), QStringLiteral("Status:"));
    EXPECT_EQ(widget<QLabel>("overviewPagePanelTitleText")->text(), QStringLiteral("Velmora"));
    EXPECT_TRUE(
        widget<QLabel>("overviewPagePanelDescText")->text().startsWith(QStringLiteral("Velmora makes a")));
    auto* scanNow = widget<MTUButton>("overviewPageScanNowButton");
    EXPECT_EQ(scanNow->text(), QStringLiteral("Scan Now"));
    EXPECT_EQ(scanNow->toolTip(), QStringLiteral("Click to Scan Now!"));
    EXPECT_EQ(scanNow->normalImageName(), QStringLiteral("ScanNow"));
    EXPECT_EQ(scanNow->hoverImageName(), QStringLiteral("ScanNow-hover"));
    EXPECT_FALSE(scanNow->icon().isNull());
}

TEST_F(OverviewPageTest, DrawingThePageUndoesALeftoverHoverPicture)
{
    m_overview.overviewPageCreateUI();
    m_page.show();
    auto* scanNow = widget<MTUButton>("overviewPageScanNowButton");
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QCoreApplication::sendEvent(scanNow, &enter);
    ASSERT_EQ(scanNow->icon().cacheKey(), Images::named(QStringLiteral("ScanNow-hover")).cacheKey());
    m_overview.drawOverviewPage();
    EXPECT_EQ(scanNow->icon().cacheKey(), Images::named(QStringLiteral("ScanNow")).cacheKey());
}

TEST_F(OverviewPageTest, ScanNowShowsTheScanPageBeforeTheScanStarts)
{
    widget<MTUButton>("overviewPageScanNowButton")->click();
    EXPECT_EQ(m_host.calls, QStringList({ "setView 1", "startScanning" }));
}
