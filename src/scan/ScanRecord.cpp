#include "scan/ScanRecord.h"

#include "platform/DateFormat.h"
#include "platform/FileSystem.h"
#include "platform/Locations.h"
#include "platform/UserDefaults.h"

#include <QDateTime>

namespace {

QString now()
{
    return DateFormat::stringFromDate(
        QDateTime::currentDateTime(), QString::fromLatin1(DateFormat::kFullPattern));
}

} // namespace

void ScanRecord::scanStarting(const Locations& locations)
{
    // Created with its parents: on a fresh account the data folder may not
    // exist yet, and every finding would be lost with the writes.
    FileSystem::current().createPath(locations.resultsFolder);
    FileSystem::current().removeFile(locations.resultsFile());
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    defaults.setObject(QString(QStringLiteral("")), QStringLiteral("FIXED_COMPLETE_TIME"));
    defaults.setObject(QString(QStringLiteral("")), QStringLiteral("SCANNED_COMPLETE_TIME"));
    defaults.synchronize();
}

void ScanRecord::scanEnded(int itemsFound)
{
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    defaults.setObject(now(), QStringLiteral("SCANNED_COMPLETE_TIME"));
    defaults.setInteger(itemsFound, QStringLiteral("ERRORS_FOUND"));
    defaults.synchronize();
}

void ScanRecord::removalEnded(int itemsLeft)
{
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    defaults.setObject(now(), QStringLiteral("FIXED_COMPLETE_TIME"));
    defaults.setInteger(itemsLeft, QStringLiteral("ERRORS_FOUND"));
    defaults.synchronize();
}
