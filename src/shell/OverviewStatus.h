#pragma once

#include <QColor>
#include <QDateTime>
#include <QString>

// What the overview page says about the system, decided from the stored time
// of the last scan, the stored time of the last removal, the junk count of
// the last scan and the current time. Kept free of widgets so that every
// situation, and the two-day boundary, can be checked without a window.
class OverviewStatus final {
public:
    enum Situation {
        NeverScanned = 1,
        ScanDue = 2,
        JunkFound = 3,
        RecentlyScanned = 4,
        CleanedScanDue = 5,
        RecentlyCleaned = 6,
    };
    // Brown for states that call for action, green for a clean, recent state.
    enum class Tint { Mocha, Clover };

    // A scan is due once it is strictly older than two days. The age is
    // compared in single precision, so differences below a few milliseconds
    // around the boundary do not count.
    static constexpr float kScanDueAfterSeconds = 172800.0f;

    // scannedTime and fixedTime are the stored texts in the full date pattern;
    // empty or null means "none". A text that no longer reads back (written
    // under another language) is treated as a scan of unknown age: due.
    static OverviewStatus decide(
        const QString& scannedTime, const QString& fixedTime, qint64 errorsFound, const QDateTime& now);

    static QColor color(Tint tint);

    Situation situation = NeverScanned;
    QString status;
    QString suggestion;
    // Empty when never scanned: the page then leaves the line hidden.
    QString lastScanLine;
    Tint tint = Tint::Mocha;
};
