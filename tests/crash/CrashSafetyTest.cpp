#include "e2e/SandboxDefinitions.h"
#include "platform/Locations.h"
#include "platform/PropertyList.h"
#include "scan/ScanPageController.h"
#include "shell/ApplicationController.h"
#include "startup/LoginItemsAE.h"
#include "support/ChildRole.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QSettings>
#include <QUrl>

#include <csignal>

namespace {

// Starts the test binary as a child in the role inside the sandbox and kills
// it with SIGKILL after so many milliseconds, unless it has ended by then.
bool runChildAndKill(const char* role, const QString& sandboxRoot, int milliseconds)
{
    QProcess child;
    child.setEnvironment(ChildRole::environmentFor(role, sandboxRoot));
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.setStandardOutputFile(QProcess::nullDevice());
    child.start(QCoreApplication::applicationFilePath(), {});
    if (!child.waitForStarted(10000))
        return false;
    if (!child.waitForFinished(milliseconds)) {
        ::kill(pid_t(child.processId()), SIGKILL);
        child.waitForFinished(10000);
    }
    return true;
}

// The child adds login items for a program in the sandbox until it is killed.
const bool addingRole = ChildRole::add("login-items-add", [](const QString& root) {
    const QString program = root + "/usr/bin/velmora";
    QDir().mkpath(root + "/usr/bin");
    QFile(program).open(QIODevice::WriteOnly);
    for (int i = 0; i < 100000; ++i)
        LIAEAddURLAtEnd(QUrl::fromLocalFile(program), i % 2 == 0);
    return 0;
});

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

TEST(CrashSafety, KillingAnAddNeverLeavesAHalfWrittenLoginItem)
{
    ASSERT_TRUE(addingRole);
    Sandbox sandbox;
    qsizetype listed = 0;
    // A machine busy with disk writes starts the child slowly: while nothing is
    // listed, each round lets the child live twice as long.
    int shortest = 150;
    for (int round = 0; round < 12 || (listed == 0 && shortest <= 20000); ++round) {
        ASSERT_TRUE(runChildAndKill(
            "login-items-add", sandbox.root(), shortest + int(QRandomGenerator::global()->bounded(400))));

        // Every entry a desktop would read is whole; the listing never fails.
        const QDir autostart(sandbox.locations().autostartFolder);
        const QStringList entries = autostart.entryList({ "*.desktop" }, QDir::Files);
        for (const QString& name : entries) {
            QFile file(autostart.filePath(name));
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            const QByteArray contents = file.readAll();
            EXPECT_TRUE(contents.startsWith("[Desktop Entry]") && contents.contains("\nExec=")
                && contents.endsWith('\n'))
                << name.toStdString();
        }
        std::optional<QVariantList> items;
        EXPECT_EQ(LIAECopyLoginItems(items), kLIAENoError);
        ASSERT_TRUE(items.has_value());
        EXPECT_EQ(items->size(), entries.size()) << "round " << round;
        listed = items->size();
        shortest = listed == 0 ? shortest * 2 : 150;
    }
    // The children did add items: the checks above were not made on an empty folder.
    EXPECT_GT(listed, 0);
}

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
    int roundsWithResults = 0;
    // A machine busy with disk writes starts the child and syncs its file slowly:
    // until a round has found the file written, each round lets the child live
    // twice as long.
    int shortest = 300;
    for (int round = 0; round < 8 || (roundsWithResults == 0 && shortest <= 20000); ++round) {
        const int lifetime = shortest + int(QRandomGenerator::global()->bounded(700));
        ASSERT_TRUE(runChildAndKill("scan", sandbox.root(), lifetime));

        if (QFileInfo::exists(results)) {
            ++roundsWithResults;
            const auto parsed = PropertyList::read(results);
            ASSERT_TRUE(parsed.has_value()) << "round " << round << " after " << lifetime << " ms";
            EXPECT_EQ(parsed->typeId(), QMetaType::QVariantMap);
        }
        QSettings stored(sandbox.locations().userDefaultsFile, QSettings::IniFormat);
        stored.value("ERRORS_FOUND");
        EXPECT_EQ(stored.status(), QSettings::NoError) << "round " << round;
        // No temporary file of an interrupted write is ever taken for the results.
        const QStringList leftovers
            = QDir(sandbox.locations().resultsFolder).entryList({ "ScanResults.plist*" }, QDir::Files);
        EXPECT_LE(leftovers.size(), 2) << qPrintable(leftovers.join(u' '));
        shortest = roundsWithResults == 0 ? shortest * 2 : 300 + 100 * round;
    }
    // The scans got far enough to write: the checks above were not made on nothing.
    EXPECT_GT(roundsWithResults, 0);
}

} // namespace
