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
    OverviewPageTest()
    {
        m_overview.setClock([] { return kNow; });
    }
    QLabel* label(const char* name) const { return m_page.findChild<QLabel*>(QString::fromLatin1(name)); }

    EnglishTexts m_english;
    Sandbox m_sandbox;
    QWidget m_page;
    FakePageHost m_host;
    OverviewPageController m_overview { &m_page, m_host };
};

} // namespace

// One page through all rows: each drawing must recompute everything from the stored values.
TEST_F(OverviewPageTest, ShowsEachSituationInItsWordsAndColour)
{
    const struct {
        std::optional<qint64> scannedSecondsAgo;
        qint64 errors;
        const char* status;
        OverviewStatus::Tint tint;
    } rows[] = {
        { std::nullopt, 0, "Never Scanned!", OverviewStatus::Tint::Mocha },
        { 3600, 12, "12 Junk Files Found!", OverviewStatus::Tint::Mocha },
        { 3600, 0, "Recently Scanned!", OverviewStatus::Tint::Clover },
        // The line shown for the rows before must not survive into "never scanned".
        { std::nullopt, 3, "Never Scanned!", OverviewStatus::Tint::Mocha },
    };
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.status);
        defaults.removeObjectForKey("SCANNED_COMPLETE_TIME");
        if (row.scannedSecondsAgo) {
            defaults.setObject(DateFormat::stringFromDate(kNow.addSecs(-*row.scannedSecondsAgo),
                                   QString::fromLatin1(DateFormat::kFullPattern)),
                "SCANNED_COMPLETE_TIME");
        }
        defaults.setInteger(row.errors, "ERRORS_FOUND");
        m_overview.overviewPageCreateUI();
        const QColor tint = OverviewStatus::color(row.tint);
        EXPECT_EQ(label("overviewPageStatus")->text(), QLatin1String(row.status));
        // The last-scan line is hidden when there was none, whatever its colour.
        for (const char* name :
            { "overviewPageStatus", "overviewPageDescText", "overviewPageLastScanText" }) {
            const QLabel* shown = label(name);
            EXPECT_TRUE(!shown->isVisibleTo(&m_page) || shown->palette().color(QPalette::WindowText) == tint)
                << name;
        }
        EXPECT_EQ(label("overviewPageLastScanText")->isVisibleTo(&m_page), row.scannedSecondsAgo.has_value());
    }
}

TEST_F(OverviewPageTest, ScanNowShowsTheScanPageFirstAndDrawingUndoesALeftoverHoverPicture)
{
    m_overview.overviewPageCreateUI();
    m_page.show();
    auto* scanNow = m_page.findChild<MTUButton*>("overviewPageScanNowButton");
    scanNow->click();
    EXPECT_EQ(m_host.calls, QStringList({ "setView 1", "startScanning" }));
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QCoreApplication::sendEvent(scanNow, &enter);
    ASSERT_EQ(scanNow->icon().cacheKey(), Images::named("ScanNow-hover").cacheKey());
    m_overview.drawOverviewPage();
    EXPECT_EQ(scanNow->icon().cacheKey(), Images::named("ScanNow").cacheKey());
}
