#include "crash/KillAtRandom.h"
#include "e2e/SandboxDefinitions.h"
#include "platform/Locations.h"
#include "platform/PropertyList.h"
#include "scan/ScanPageController.h"
#include "shell/ApplicationController.h"
#include "support/ChildRole.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSettings>

namespace {

// The child scans the sandbox home again and again, as Scan Now does, until
// it is killed: a single scan of this tree ends before the first kill.
const bool scanningRole = ChildRole::add("scan", [](const QString& root) {
    Locations locations = Locations::current();
    locations.resourcesFolder = root + "/resources";
    Locations::setCurrent(locations);
    ApplicationController app;
    app.awakeFromNib();
    QObject::connect(app.scanPageController(), &ScanPageController::scanThreadFinished,
        app.scanPageController(), &ScanPageController::startScanning, Qt::QueuedConnection);
    app.scanPageController()->startScanning();
    return QCoreApplication::exec();
});

TEST(CrashSafety, KillingAScanLeavesNoHalfWrittenResultsOrSettings)
{
    ASSERT_TRUE(scanningRole);
    Sandbox sandbox;
    makeSandboxDefinitions(sandbox.root());
    for (int i = 0; i < 1500; ++i)
        sandbox.makeFile(QStringLiteral("home/.cache/opera/Cache/Cache_Data/%1/f_%2").arg(i % 30).arg(i));
    for (int i = 0; i < 300; ++i)
        sandbox.makeFile(QStringLiteral("home/.cache/thumbnails/normal/%1.png").arg(i));

    const QString results = sandbox.locations().resultsFile();
    const QString settings = sandbox.locations().userDefaultsFile;
    int roundsWithResults = 0;
    // A busy machine starts the child slowly: rounds go on, each a little longer,
    // until one has found the file written.
    for (int round = 0; round < 8 || (roundsWithResults == 0 && round < 20); ++round) {
        const int lifetime = 300 + 100 * round + int(QRandomGenerator::global()->bounded(700));
        ASSERT_TRUE(runChildAndKill("scan", sandbox.root(), lifetime));

        if (QFileInfo::exists(results)) {
            ++roundsWithResults;
            const auto parsed = PropertyList::read(results);
            ASSERT_TRUE(parsed.has_value()) << "round " << round << " after " << lifetime << " ms";
            EXPECT_EQ(parsed->typeId(), QMetaType::QVariantMap);
        }
        QSettings stored(settings, QSettings::IniFormat);
        stored.value("ERRORS_FOUND");
        EXPECT_EQ(stored.status(), QSettings::NoError) << "round " << round;
        // No temporary file of an interrupted write is ever taken for the results.
        const QStringList leftovers
            = QDir(sandbox.locations().resultsFolder).entryList({ "ScanResults.plist*" }, QDir::Files);
        EXPECT_LE(leftovers.size(), 2) << qPrintable(leftovers.join(u' '));
    }
    // The scans got far enough to write: the checks above were not made on nothing.
    EXPECT_GT(roundsWithResults, 0);
}

} // namespace
