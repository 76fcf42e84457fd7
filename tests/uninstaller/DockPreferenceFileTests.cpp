#include "platform/PropertyList.h"
#include "support/QStringPrinting.h"
#include "support/Sandbox.h"
#include "uninstaller/DockPreferenceFile.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>
#include <QTimeZone>

namespace {

QVariantMap tile(const QString& label)
{
    return { { "tile-type", "file-tile" },
        { "tile-data", QVariantMap { { "file-label", label }, { "file-type", qint64(41) } } } };
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class DockPreferenceFileTest : public ::testing::Test {
protected:
    Sandbox sandbox;
    QString path = sandbox.locations().dockPreferences;
};

} // namespace

TEST_F(DockPreferenceFileTest, DropsEveryTileOfTheLabelAndKeepsEverythingElse)
{
    const QVariantMap unlabelled { { "tile-type", "spacer-tile" } };
    QVariantMap preferences { { "persistent-apps",
                                  QVariantList {
                                      tile("Foo"), tile("Bar"), unlabelled, tile("Foo"), tile("foo") } },
        { "tilesize", 48.5 }, { "autohide", true }, { "mod-count", qint64(312) },
        { "trash-full", QByteArray("\x00\x01\xff", 3) },
        { "last-change", QDateTime(QDate(2009, 10, 1), QTime(8, 30), QTimeZone::utc()) },
        { "persistent-others", QVariantList { tile("Foo") } } };
    sandbox.makeFile("home/.config/com.apple.dock.plist", *PropertyList::toXml(preferences));

    EXPECT_TRUE(DockPreferenceFile::removeTiles(path, "Foo", "Foo.app"));

    preferences.insert("persistent-apps", QVariantList { tile("Bar"), unlabelled, tile("foo") });
    EXPECT_EQ(PropertyList::readDictionary(path), preferences);
    EXPECT_EQ(sandbox.logLines(),
        QStringList({ "Foo.app remove from DOCK", "Foo", "Bar", "Foo.app remove from DOCK", "Foo", "foo",
            "File exists" }));
}

TEST_F(DockPreferenceFileTest, LeavesAMissingOrUnreadableFileAsItWas)
{
    EXPECT_FALSE(DockPreferenceFile::removeTiles(path, "Foo", "Foo.app"));
    EXPECT_EQ(sandbox.logLines(), QStringList({ "failed saving the XML plist file" }));
    EXPECT_FALSE(QFile::exists(path));

    const QByteArray notADictionary[] = {
        QByteArray("bplist00\xff\xff garbage", 19),
        "<?xml version=\"1.0\"?><plist><dict><key>persistent-apps</key><array><dict>",
        *PropertyList::toXml(QVariantList { tile("Foo") }),
        *PropertyList::toXml(QVariantMap { { "persistent-apps", "Foo" } }),
    };
    for (const QByteArray& bytes : notADictionary) {
        sandbox.makeFile("home/.config/com.apple.dock.plist", bytes);
        sandbox.clearRecords();
        EXPECT_FALSE(DockPreferenceFile::removeTiles(path, "Foo", "Foo.app"));
        EXPECT_EQ(contents(path), bytes);
        EXPECT_TRUE(sandbox.logged("File exists"));
        EXPECT_EQ(sandbox.logLines().constLast(), "failed saving the XML plist file");
        EXPECT_FALSE(sandbox.logged("Foo.app remove from DOCK"));
    }
}
