#include "crash/KillAtRandom.h"
#include "platform/Locations.h"
#include "startup/LoginItemsAE.h"
#include "support/ChildRole.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QUrl>

namespace {

// The child adds login items for a program in the sandbox until it is killed.
const bool addingRole = ChildRole::add("login-items-add", [](const QString& root) {
    const QString program = root + "/usr/bin/velmora";
    QDir().mkpath(root + "/usr/bin");
    QFile file(program);
    file.open(QIODevice::WriteOnly);
    file.close();
    for (int i = 0; i < 100000; ++i)
        LIAEAddURLAtEnd(QUrl::fromLocalFile(program), i % 2 == 0);
    return 0;
});

TEST(CrashSafety, KillingAnAddNeverLeavesAHalfWrittenLoginItem)
{
    ASSERT_TRUE(addingRole);
    Sandbox sandbox;
    qsizetype listed = 0;
    for (int round = 0; round < 12; ++round) {
        const int lifetime = 150 + int(QRandomGenerator::global()->bounded(400));
        ASSERT_TRUE(runChildAndKill("login-items-add", sandbox.root(), lifetime));

        // Every entry a desktop would read is whole; the listing never fails.
        const QDir autostart(sandbox.locations().autostartFolder);
        const QStringList entries = autostart.entryList({ "*.desktop" }, QDir::Files);
        for (const QString& name : entries) {
            QFile file(autostart.filePath(name));
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            const QByteArray contents = file.readAll();
            EXPECT_TRUE(contents.startsWith("[Desktop Entry]")) << name.toStdString();
            EXPECT_TRUE(contents.contains("\nExec=")) << name.toStdString();
            EXPECT_TRUE(contents.endsWith('\n')) << name.toStdString();
        }
        std::optional<QVariantList> items;
        EXPECT_EQ(LIAECopyLoginItems(items), kLIAENoError);
        ASSERT_TRUE(items.has_value());
        EXPECT_EQ(items->size(), entries.size()) << "round " << round;
        listed = items->size();
    }
    // The children did add items: the checks above were not made on an empty folder.
    EXPECT_GT(listed, 0);
}

} // namespace
