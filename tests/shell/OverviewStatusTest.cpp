#include "ShellFixture.h"

#include "platform/DateFormat.h"
#include "shell/OverviewStatus.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

// A fixed "now" far from daylight-saving changes, so ages are exact.
const QDateTime kNow(QDate(2024, 6, 12), QTime(15, 30, 0));

QString stored(const QDateTime& time)
{
    return DateFormat::stringFromDate(time, QString::fromLatin1(DateFormat::kFullPattern));
}

QString dateOf(const QDateTime& time)
{
    return DateFormat::stringFromDate(time, QString::fromLatin1(DateFormat::kDatePattern));
}

class OverviewStatusTest : public ::testing::Test {
    EnglishTexts m_english;
};

struct Row {
    const char* name;
    std::optional<qint64> scannedSecondsAgo; // nullopt: S is empty
    std::optional<qint64> fixedSecondsAgo; // nullopt: F is empty
    qint64 errorsFound;
    OverviewStatus::Situation expected;
};

} // namespace

TEST_F(OverviewStatusTest, DecidesTheSituationFromTheStoredTimesAndTheClock)
{
    const Row rows[] = {
        { "never scanned", std::nullopt, std::nullopt, 0, OverviewStatus::NeverScanned },
        { "never scanned, stale removal time", std::nullopt, 60, 5, OverviewStatus::NeverScanned },
        { "junk found an hour ago", 3600, std::nullopt, 12, OverviewStatus::JunkFound },
        { "nothing found an hour ago", 3600, std::nullopt, 0, OverviewStatus::RecentlyScanned },
        { "negative count reads as nothing found", 3600, std::nullopt, -4, OverviewStatus::RecentlyScanned },
        { "exactly two days is still recent", 172800, std::nullopt, 12, OverviewStatus::JunkFound },
        { "two days and a second is due", 172801, std::nullopt, 12, OverviewStatus::ScanDue },
        { "due whatever the count", 172801, std::nullopt, 0, OverviewStatus::ScanDue },
        { "clock set back: future scan is recent", -7200, std::nullopt, 0, OverviewStatus::RecentlyScanned },
        { "removal ten minutes ago", 3600, 600, 0, OverviewStatus::RecentlyCleaned },
        { "removal, scan exactly two days old", 172800, 600, 7, OverviewStatus::RecentlyCleaned },
        { "removal, scan three days old", 3 * 86400, 2 * 86400, 0, OverviewStatus::CleanedScanDue },
        { "removal, clock set back", -60, -30, 0, OverviewStatus::RecentlyCleaned },
    };
    for (const Row& row : rows) {
        const QString scanned
            = row.scannedSecondsAgo ? stored(kNow.addSecs(-*row.scannedSecondsAgo)) : QString();
        const QString fixed = row.fixedSecondsAgo ? stored(kNow.addSecs(-*row.fixedSecondsAgo)) : QString();
        const OverviewStatus status = OverviewStatus::decide(scanned, fixed, row.errorsFound, kNow);
        EXPECT_EQ(status.situation, row.expected) << row.name;
        const bool calm = row.expected == OverviewStatus::RecentlyScanned
            || row.expected == OverviewStatus::RecentlyCleaned;
        EXPECT_EQ(status.tint, calm ? OverviewStatus::Tint::Clover : OverviewStatus::Tint::Mocha) << row.name;
        EXPECT_EQ(status.lastScanLine.isEmpty(), row.expected == OverviewStatus::NeverScanned) << row.name;
    }
}

TEST_F(OverviewStatusTest, AnEmptyScanTimeIsNeverScanned)
{
    // The scan empties the stored time when it starts: "" must read as "no scan", not as an unreadable time.
    const OverviewStatus empty = OverviewStatus::decide(QStringLiteral(""), QStringLiteral(""), 9, kNow);
    EXPECT_EQ(empty.situation, OverviewStatus::NeverScanned);
    EXPECT_EQ(empty.status, QStringLiteral("Never Scanned!"));
    EXPECT_TRUE(empty.suggestion.contains(QStringLiteral("with Velmora.")));
}

TEST_F(OverviewStatusTest, TextsNameTheCountAndTheRightDates)
{
    const QDateTime scan = kNow.addSecs(-3600);
    const OverviewStatus found = OverviewStatus::decide(stored(scan), QString(), 12, kNow);
    EXPECT_EQ(found.status, QStringLiteral("12 Junk Files Found!"));
    EXPECT_TRUE(found.suggestion.startsWith(QStringLiteral("Please click Scan Now")));
    EXPECT_EQ(found.lastScanLine, QStringLiteral("Last Scan On: ") + dateOf(scan));

    const QDateTime oldScan = kNow.addSecs(-172801);
    const OverviewStatus due = OverviewStatus::decide(stored(oldScan), QString(), 12, kNow);
    EXPECT_EQ(due.status, QStringLiteral("Scan Now!"));
    EXPECT_EQ(due.suggestion,
        QStringLiteral("Your system was last scanned on %1 , it is recommented that you scan "
                       "your system now.")
            .arg(dateOf(oldScan)));

    // After a removal the sentence speaks of the cleaning, so it names the removal's day.
    const QDateTime removal = kNow.addDays(-2).addSecs(-5 * 3600);
    const OverviewStatus cleanedDue
        = OverviewStatus::decide(stored(kNow.addDays(-3)), stored(removal), 0, kNow);
    EXPECT_EQ(cleanedDue.status, QStringLiteral("Scan Now!"));
    EXPECT_EQ(cleanedDue.suggestion,
        QStringLiteral("Your system was last cleaned on: %1 it is recommended that you "
                       "scan and fix your system now.")
            .arg(dateOf(removal)));
    EXPECT_NE(dateOf(removal), dateOf(kNow.addDays(-3)));

    const OverviewStatus clean = OverviewStatus::decide(stored(scan), stored(kNow.addSecs(-600)), 4, kNow);
    EXPECT_EQ(clean.status, QStringLiteral("Recently Scanned!"));
    EXPECT_TRUE(clean.suggestion.startsWith(QStringLiteral("Your system is currently junk free.")));
}

TEST_F(OverviewStatusTest, UnreadableStoredTimesCountAsDueAndShowTheStoredText)
{
    // What a German month name looks like to an English reader after a change of language.
    const QString unreadable = QStringLiteral("Mär 5, 2024 1:02:03 PM");
    const OverviewStatus scanDue = OverviewStatus::decide(unreadable, QString(), 3, kNow);
    EXPECT_EQ(scanDue.situation, OverviewStatus::ScanDue);
    EXPECT_EQ(scanDue.tint, OverviewStatus::Tint::Mocha);
    EXPECT_EQ(scanDue.lastScanLine, QStringLiteral("Last Scan On: ") + unreadable);
    EXPECT_TRUE(scanDue.suggestion.contains(unreadable));

    const OverviewStatus cleanedDue = OverviewStatus::decide(unreadable, QStringLiteral("garbage"), 0, kNow);
    EXPECT_EQ(cleanedDue.situation, OverviewStatus::CleanedScanDue);
    EXPECT_TRUE(cleanedDue.suggestion.contains(QStringLiteral("garbage")));

    // A readable recent scan after an unreadable removal time needs no removal date.
    const OverviewStatus clean
        = OverviewStatus::decide(stored(kNow.addSecs(-60)), QStringLiteral("garbage"), 0, kNow);
    EXPECT_EQ(clean.situation, OverviewStatus::RecentlyCleaned);
}

TEST_F(OverviewStatusTest, ReadsStoredTimesWhenTheSystemZoneIsUnknown)
{
    // Containers and minimal systems may have no zone file; a stored time must still read back.
    const QByteArray previous = qgetenv("TZ");
    const bool hadZone = qEnvironmentVariableIsSet("TZ");
    qputenv("TZ", "Nowhere/Atlantis");
    const QDateTime now = QDateTime::currentDateTime();
    const OverviewStatus status = OverviewStatus::decide(stored(now.addSecs(-3600)), QString(), 2, now);
    if (hadZone)
        qputenv("TZ", previous);
    else
        qunsetenv("TZ");
    EXPECT_EQ(status.situation, OverviewStatus::JunkFound);
}
