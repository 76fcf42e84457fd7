#include "platform/PropertyList.h"
#include "support/QStringPrinting.h"
#include "support/Sandbox.h"
#include "uninstaller/DockPreferenceFile.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>
#include <QTimeZone>

#include <plist/plist.h>

#include <cstdlib>

namespace {

QVariantMap tile(const QString& label)
{
    return { { "tile-type", "file-tile" },
        { "tile-data", QVariantMap { { "file-label", label }, { "file-type", qint64(41) } } } };
}

QVariantMap dockPreferences(const QVariantList& tiles)
{
    return { { "persistent-apps", tiles }, { "tilesize", 48.5 }, { "autohide", true },
        { "mod-count", qint64(312) }, { "trash-full", QByteArray("\x00\x01\xff", 3) },
        { "last-change", QDateTime(QDate(2009, 10, 1), QTime(8, 30), QTimeZone::utc()) },
        { "persistent-others", QVariantList { tile("Foo") } } };
}

QByteArray binaryPropertyList(const QVariant& root)
{
    const QByteArray xml = *PropertyList::toXml(root);
    plist_t node = nullptr;
    plist_from_xml(xml.constData(), uint32_t(xml.size()), &node);
    char* bytes = nullptr;
    uint32_t length = 0;
    plist_to_bin(node, &bytes, &length);
    QByteArray binary(bytes, qsizetype(length));
    std::free(bytes);
    plist_free(node);
    return binary;
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
    const QVariantList tiles { tile("Foo"), tile("Bar"), unlabelled, tile("Foo"), tile("foo") };
    const QVariantMap original = dockPreferences(tiles);

    for (const bool binary : { false, true }) {
        sandbox.makeFile("home/.config/com.apple.dock.plist",
            binary ? binaryPropertyList(original) : *PropertyList::toXml(original));
        sandbox.clearRecords();

        EXPECT_TRUE(DockPreferenceFile::removeTiles(path, "Foo", "Foo.app"));

        EXPECT_TRUE(contents(path).startsWith("<?xml")) << "written back as XML";
        QVariantMap expected = original;
        expected.insert("persistent-apps", QVariantList { tile("Bar"), unlabelled, tile("foo") });
        EXPECT_EQ(PropertyList::readDictionary(path), expected);
        EXPECT_EQ(sandbox.logLines(),
            QStringList({ "Foo.app remove from DOCK", "Foo", "Bar", "Foo.app remove from DOCK", "Foo", "foo",
                "File exists" }));
    }
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
