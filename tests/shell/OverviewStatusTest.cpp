#include "shell/OverviewStatus.h"
#include "platform/DateFormat.h"
#include "platform/Localization.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

// A fixed "now" far from daylight-saving changes, so ages are exact.
const QDateTime kNow(QDate(2024, 6, 12), QTime(15, 30, 0));

// Empty when there is none: what a scan leaves when it starts, not an unreadable time.
QString ago(std::optional<qint64> seconds, const char* pattern = DateFormat::kFullPattern)
{
    return seconds ? DateFormat::stringFromDate(kNow.addSecs(-*seconds), QString::fromLatin1(pattern))
                   : QStringLiteral("");
}

// The situation, its tint and its lines from the stored scan and removal times and the count.
TEST(OverviewStatus, DecidesTheSituationFromTheStoredTimesAndTheClock)
{
    const QString language = Localization::language();
    Localization::setLanguage(QString());
    using S = OverviewStatus;
    const struct {
        const char* name;
        std::optional<qint64> scanned; // seconds ago; nullopt: empty
        std::optional<qint64> fixed;
        qint64 errors;
        S::Situation expected;
        const char* scannedText = nullptr; // stored as it stands, instead of `scanned`
        const char* fixedText = nullptr;
    } rows[] = {
        { "never scanned", std::nullopt, std::nullopt, 9, S::NeverScanned },
        { "junk found an hour ago", 3600, std::nullopt, 12, S::JunkFound },
        { "nothing found an hour ago", 3600, std::nullopt, 0, S::RecentlyScanned },
        { "negative count reads as nothing found", 3600, std::nullopt, -4, S::RecentlyScanned },
        { "exactly two days is still recent", 172800, std::nullopt, 12, S::JunkFound },
        { "two days and a second is due", 172801, std::nullopt, 12, S::ScanDue },
        { "clock set back: future scan is recent", -7200, std::nullopt, 0, S::RecentlyScanned },
        { "removal ten minutes ago", 3600, 600, 4, S::RecentlyCleaned },
        { "removal, scan three days old", 3 * 86400, 2 * 86400 + 5 * 3600, 0, S::CleanedScanDue },
        // What a German month name looks like to an English reader after a change of language.
        { "unreadable scan time", std::nullopt, std::nullopt, 3, S::ScanDue, "M\u00e4r 5, 2024 1:02:03 PM" },
        { "unreadable times", std::nullopt, std::nullopt, 0, S::CleanedScanDue, "M\u00e4r 5, 2024 1:02:03 PM",
            "garbage" },
        { "recent scan, unreadable removal time", 60, std::nullopt, 0, S::RecentlyCleaned, nullptr,
            "garbage" },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QString scanned = row.scannedText ? QString::fromUtf8(row.scannedText) : ago(row.scanned);
        const QString fixed = row.fixedText ? QString::fromUtf8(row.fixedText) : ago(row.fixed);
        const S status = S::decide(scanned, fixed, row.errors, kNow);
        EXPECT_EQ(status.situation, row.expected);
        const bool calm = row.expected == S::RecentlyScanned || row.expected == S::RecentlyCleaned;
        EXPECT_EQ(status.tint, calm ? S::Tint::Clover : S::Tint::Mocha);
        const QString scanDay = row.scanned ? ago(row.scanned, DateFormat::kDatePattern) : scanned;
        EXPECT_EQ(status.lastScanLine, scanDay.isEmpty() ? QString() : "Last Scan On: " + scanDay);
        // A due scan names the day of the last scan, or of the removal after it.
        if (row.expected == S::ScanDue || row.expected == S::CleanedScanDue) {
            const QString fixDay = row.fixed ? ago(row.fixed, DateFormat::kDatePattern) : fixed;
            EXPECT_TRUE(status.suggestion.contains(row.expected == S::ScanDue ? scanDay : fixDay));
        }
    }
    Localization::setLanguage(language);
}

} // namespace
