#include "shell/OverviewStatus.h"

#include "platform/DateFormat.h"
#include "platform/Localization.h"

namespace {

const QString kProduct = QStringLiteral("Velmora");

// The date part of a stored time. The stored text is read with the full
// pattern (the date-only pattern does not accept the trailing time); a text
// that does not read back is shown as it was stored, which still tells the
// user when it happened.
QString dateText(const QString& stored, const QDateTime& parsed)
{
    if (!parsed.isValid())
        return stored;
    return DateFormat::stringFromDate(parsed, QString::fromLatin1(DateFormat::kDatePattern));
}

QDateTime parseStored(const QString& stored)
{
    return DateFormat::dateFromString(stored, QString::fromLatin1(DateFormat::kFullPattern));
}

QString scanNowText()
{
    return Localization::text(QStringLiteral("OVERVIEW_STATUS_SCANNOW"), QStringLiteral("Scan Now!"));
}

QString recentlyScannedText()
{
    return Localization::text(
        QStringLiteral("OVERVIEW_STATUS_RECENTLY_SCANNED"), QStringLiteral("Recently Scanned!"));
}

QString rescanSuggestion()
{
    return Localization::text(QStringLiteral("OVERVIEW_SUGGESTION_TEXT1"),
        QStringLiteral("Please click Scan Now to rescan your system for any new junk files. "
                       "Then remove all junk to improve its performance and stability."));
}

} // namespace

OverviewStatus OverviewStatus::decide(
    const QString& scannedTime, const QString& fixedTime, qint64 errorsFound, const QDateTime& now)
{
    OverviewStatus result;
    if (scannedTime.isEmpty()) {
        result.situation = NeverScanned;
        result.status = Localization::text(
            QStringLiteral("OVERVIEW_STATUS_NEVER_SCANNED"), QStringLiteral("Never Scanned!"));
        result.suggestion = formatText(Localization::text(QStringLiteral("OVERVIEW_SUGGESTION_TEXT2"),
                                           QStringLiteral("You have not yet scanned your system with "
                                                          "%@. It is recommended that you scan your "
                                                          "system now.")),
            { kProduct });
        result.tint = Tint::Mocha;
        return result;
    }

    const QDateTime scanned = parseStored(scannedTime);
    const QString scanDate = dateText(scannedTime, scanned);
    result.lastScanLine = formatText(
        Localization::text(QStringLiteral("OVERVIEW_LASTSCAN_TEXT"), QStringLiteral("Last Scan On: %@")),
        { scanDate });
    const bool scanIsOld
        = !scanned.isValid() || static_cast<float>(scanned.msecsTo(now) / 1000.0) > kScanDueAfterSeconds;

    if (fixedTime.isEmpty()) {
        if (scanIsOld) {
            result.situation = ScanDue;
            result.status = scanNowText();
            result.suggestion = formatText(Localization::text(QStringLiteral("OVERVIEW_SUGGESTION_TEXT3"),
                                               QStringLiteral("Your system was last scanned on %@ , it is "
                                                              "recommented that you scan your system now.")),
                { scanDate });
            result.tint = Tint::Mocha;
        } else if (errorsFound > 0) {
            result.situation = JunkFound;
            result.status = formatText(QStringLiteral("%d %@"),
                { QString::number(errorsFound),
                    Localization::text(QStringLiteral("OVERVIEW_STATUS_ERRORS_FOUND"),
                        QStringLiteral("Junk Files Found!")) });
            result.suggestion = rescanSuggestion();
            result.tint = Tint::Mocha;
        } else {
            result.situation = RecentlyScanned;
            result.status = recentlyScannedText();
            result.suggestion = rescanSuggestion();
            result.tint = Tint::Clover;
        }
        return result;
    }

    if (scanIsOld) {
        result.situation = CleanedScanDue;
        result.status = scanNowText();
        // The sentence speaks of the last cleaning, so it names the removal's date.
        result.suggestion = formatText(Localization::text(QStringLiteral("OVERVIEW_SUGGESTION_TEXT5"),
                                           QStringLiteral("Your system was last cleaned on: %@ it is "
                                                          "recommended that you scan and fix your "
                                                          "system now.")),
            { dateText(fixedTime, parseStored(fixedTime)) });
        result.tint = Tint::Mocha;
    } else {
        result.situation = RecentlyCleaned;
        result.status = recentlyScannedText();
        result.suggestion = Localization::text(QStringLiteral("OVERVIEW_SUGGESTION_TEXT4"),
            QStringLiteral("Your system is currently junk free. You should scan "
                           "and fix your computer often to keep your system "
                           "working properly."));
        result.tint = Tint::Clover;
    }
    return result;
}

QColor OverviewStatus::color(Tint tint)
{
    switch (tint) {
    case Tint::Mocha:
        return QColor(0x7f, 0x4f, 0x24);
    case Tint::Clover:
        return QColor(0x2f, 0x8f, 0x3a);
    }
    return QColor();
}
