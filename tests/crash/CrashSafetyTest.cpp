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
#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QSettings>
#include <QUrl>

#include <csignal>
#include <functional>

namespace {

// Starts the test binary in the role inside the sandbox again and again, kills it with SIGKILL at a
// random moment, and checks what it left, and what a reader meets while it runs. Returns the rounds whose
// checks, during the run or after the kill, found something written: what a child writes may be gone
// again at the moment it is killed. A machine busy with disk writes starts the child slowly: until a
// round has found something written, each round lets the child live twice as long.
int killRepeatedly(const char* role, const QString& root, int rounds, int shortest,
    const std::function<bool(bool killed)>& checkWhatIsLeft)
{
    int written = 0;
    for (int round = 0, lifetime = shortest; round < rounds || (written == 0 && lifetime <= 20000); ++round) {
        SCOPED_TRACE(QStringLiteral("round %1, after %2 ms").arg(round).arg(lifetime).toStdString());
        QProcess child;
        child.setProcessEnvironment(ChildRole::environmentFor(role, root));
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.setStandardOutputFile(QProcess::nullDevice());
        child.start(QCoreApplication::applicationFilePath(), {});
        EXPECT_TRUE(child.waitForStarted(10000));
        QDeadlineTimer end(lifetime + int(QRandomGenerator::global()->bounded(shortest * 2)));
        bool found = false;
        while (!end.hasExpired() && !child.waitForFinished(1))
            found |= checkWhatIsLeft(false);
        ::kill(pid_t(child.processId()), SIGKILL);
        child.waitForFinished(10000);
        found |= checkWhatIsLeft(true);
        written += found;
        lifetime = written == 0 ? lifetime * 2 : shortest + round * shortest / 3;
    }
    return written;
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
    const int rounds = killRepeatedly("login-items-add", sandbox.root(), 12, 150, [&](bool killed) {
        if (!killed)
            return false;
        // Every entry a desktop would read is whole; the listing never fails.
        const QDir autostart(sandbox.locations().autostartFolder);
        const QStringList entries = autostart.entryList({ "*.desktop" }, QDir::Files);
        for (const QString& name : entries) {
            QFile file(autostart.filePath(name));
            if (!file.open(QIODevice::ReadOnly))
                continue; // replaced between the listing and the open
            const QByteArray contents = file.readAll();
            EXPECT_TRUE(contents.startsWith("[Desktop Entry]") && contents.contains("\nExec=")
                && contents.endsWith('\n'))
                << name.toStdString();
        }
        std::optional<QVariantList> items;
        EXPECT_EQ(LIAECopyLoginItems(items), kLIAENoError);
        if (items) {
            EXPECT_EQ(items->size(), entries.size());
        }
        return items.has_value() && !items->isEmpty();
    });
    EXPECT_GT(rounds, 0) << "the checks were made on items really added";
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
    const int rounds = killRepeatedly("scan", sandbox.root(), 8, 300, [&](bool killed) {
        if (killed) {
            QSettings stored(sandbox.locations().userDefaultsFile, QSettings::IniFormat);
            stored.value("ERRORS_FOUND");
            EXPECT_EQ(stored.status(), QSettings::NoError);
            // No temporary file of an interrupted write is ever taken for the results.
            const QStringList leftovers
                = QDir(sandbox.locations().resultsFolder).entryList({ "ScanResults.plist*" }, QDir::Files);
            EXPECT_LE(leftovers.size(), 2) << qPrintable(leftovers.join(u' '));
        }
        // Neither after the kill nor while the scan writes is the results file ever half of one.
        QFile file(results);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        const auto parsed = PropertyList::fromData(file.readAll());
        EXPECT_TRUE(parsed && parsed->typeId() == QMetaType::QVariantMap);
        return true;
    });
    EXPECT_GT(rounds, 0) << "the scans got far enough to write; the children logged:\n"
                         << Sandbox::contents(sandbox.path("child.log")).toStdString();
}

} // namespace
