#include "ShellFixture.h"

#include "platform/DateFormat.h"
#include "shell/OverviewStatus.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

// A fixed "now" far from daylight-saving changes, so ages are exact.
const QDateTime kNow(QDate(2024, 6, 12), QTime(15, 30, 0));

QString stored(std::optional<qint64> secondsAgo)
{
    return secondsAgo
        ? DateFormat::stringFromDate(
            kNow.addSecs(-*secondsAgo), QString::fromLatin1(DateFormat::kFullPattern))
        : QStringLiteral(""); // what a scan leaves when it starts: no scan, not an unreadable time
}

QString dayOf(qint64 secondsAgo)
{
    return DateFormat::stringFromDate(
        kNow.addSecs(-secondsAgo), QString::fromLatin1(DateFormat::kDatePattern));
}

// The situation, its tint and its words from the stored scan and removal times and the count.
TEST(OverviewStatus, DecidesTheSituationFromTheStoredTimesAndTheClock)
{
    const EnglishTexts english;
    using S = OverviewStatus;
    const struct {
        const char* name;
        std::optional<qint64> scanned; // seconds ago; nullopt: empty
        std::optional<qint64> fixed;
        qint64 errors;
        S::Situation expected;
        QString status; // empty: not checked
    } rows[] = {
        { "never scanned", std::nullopt, std::nullopt, 9, S::NeverScanned, "Never Scanned!" },
        { "never scanned, stale removal time", std::nullopt, 60, 5, S::NeverScanned, "" },
        { "junk found an hour ago", 3600, std::nullopt, 12, S::JunkFound, "12 Junk Files Found!" },
        { "nothing found an hour ago", 3600, std::nullopt, 0, S::RecentlyScanned, "Recently Scanned!" },
        { "negative count reads as nothing found", 3600, std::nullopt, -4, S::RecentlyScanned, "" },
        { "exactly two days is still recent", 172800, std::nullopt, 12, S::JunkFound, "" },
        { "two days and a second is due", 172801, std::nullopt, 12, S::ScanDue, "Scan Now!" },
        { "due whatever the count", 172801, std::nullopt, 0, S::ScanDue, "" },
        { "clock set back: future scan is recent", -7200, std::nullopt, 0, S::RecentlyScanned, "" },
        { "removal ten minutes ago", 3600, 600, 4, S::RecentlyCleaned, "Recently Scanned!" },
        { "removal, scan exactly two days old", 172800, 600, 7, S::RecentlyCleaned, "" },
        { "removal, scan three days old", 3 * 86400, 2 * 86400 + 5 * 3600, 0, S::CleanedScanDue,
            "Scan Now!" },
        { "removal, clock set back", -60, -30, 0, S::RecentlyCleaned, "" },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const S status = S::decide(stored(row.scanned), stored(row.fixed), row.errors, kNow);
        EXPECT_EQ(status.situation, row.expected);
        const bool calm = row.expected == S::RecentlyScanned || row.expected == S::RecentlyCleaned;
        EXPECT_EQ(status.tint, calm ? S::Tint::Clover : S::Tint::Mocha);
        EXPECT_EQ(status.lastScanLine, row.scanned ? "Last Scan On: " + dayOf(*row.scanned) : QString());
        if (!row.status.isEmpty()) {
            EXPECT_EQ(status.status, row.status);
        }
        // A due scan names the day of the last scan, or of the removal after it.
        if (row.expected == S::ScanDue || row.expected == S::CleanedScanDue) {
            EXPECT_TRUE(
                status.suggestion.contains(dayOf(row.expected == S::ScanDue ? *row.scanned : *row.fixed)));
        }
    }
}

TEST(OverviewStatus, UnreadableStoredTimesCountAsDueAndShowTheStoredText)
{
    const EnglishTexts english;
    // What a German month name looks like to an English reader after a change of language.
    const QString unreadable = QStringLiteral("Mär 5, 2024 1:02:03 PM");
    const OverviewStatus scanDue = OverviewStatus::decide(unreadable, QString(), 3, kNow);
    EXPECT_EQ(scanDue.situation, OverviewStatus::ScanDue);
    EXPECT_EQ(scanDue.lastScanLine, "Last Scan On: " + unreadable);
    EXPECT_TRUE(scanDue.suggestion.contains(unreadable));
    const OverviewStatus cleanedDue = OverviewStatus::decide(unreadable, "garbage", 0, kNow);
    EXPECT_EQ(cleanedDue.situation, OverviewStatus::CleanedScanDue);
    EXPECT_TRUE(cleanedDue.suggestion.contains("garbage"));
    // A readable recent scan after an unreadable removal time needs no removal date.
    EXPECT_EQ(
        OverviewStatus::decide(stored(60), "garbage", 0, kNow).situation, OverviewStatus::RecentlyCleaned);

    // Containers and minimal systems may have no zone file; a stored time must still read back.
    const std::optional<QByteArray> zone
        = qEnvironmentVariableIsSet("TZ") ? std::optional(qgetenv("TZ")) : std::nullopt;
    qputenv("TZ", "Nowhere/Atlantis");
    const QDateTime now = QDateTime::currentDateTime();
    const QString hourAgo
        = DateFormat::stringFromDate(now.addSecs(-3600), QString::fromLatin1(DateFormat::kFullPattern));
    const OverviewStatus::Situation situation = OverviewStatus::decide(hourAgo, QString(), 2, now).situation;
    static_cast<void>(zone ? qputenv("TZ", *zone) : qunsetenv("TZ"));
    EXPECT_EQ(situation, OverviewStatus::JunkFound);
}

} // namespace
