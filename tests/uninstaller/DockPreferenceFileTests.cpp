#include "platform/PropertyList.h"
#include "support/QStringPrinting.h"
#include "support/Sandbox.h"
#include "uninstaller/DockPreferenceFile.h"

#include <gtest/gtest.h>

#include <QFile>

// Dropping tiles is tried through the tools page; here, what must never be written.
TEST(DockPreferenceFileTest, LeavesAMissingOrUnreadableFileAsItWas)
{
    Sandbox sandbox;
    const QString path = sandbox.locations().dockPreferences;
    EXPECT_FALSE(DockPreferenceFile::removeTiles(path, "Foo", "Foo.app"));
    EXPECT_EQ(sandbox.logLines(), QStringList({ "failed saving the XML plist file" }));
    EXPECT_FALSE(QFile::exists(path));

    const QByteArray notADictionary[] = {
        QByteArray("bplist00\xff\xff garbage", 19),
        "<?xml version=\"1.0\"?><plist><dict><key>persistent-apps</key><array><dict>",
        *PropertyList::toXml(QVariantList { QVariantMap { { "file-label", "Foo" } } }),
        *PropertyList::toXml(QVariantMap { { "persistent-apps", "Foo" } }),
    };
    for (const QByteArray& bytes : notADictionary) {
        sandbox.makeFile("home/.config/com.apple.dock.plist", bytes);
        sandbox.clearRecords();
        EXPECT_FALSE(DockPreferenceFile::removeTiles(path, "Foo", "Foo.app"));
        EXPECT_EQ(Sandbox::contents(path), bytes);
        EXPECT_TRUE(sandbox.logged("File exists"));
        EXPECT_EQ(sandbox.logLines().constLast(), "failed saving the XML plist file");
        EXPECT_FALSE(sandbox.logged("Foo.app remove from DOCK"));
    }
}
