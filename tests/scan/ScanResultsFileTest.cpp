#include "platform/PropertyList.h"
#include "scan/ScanResultsFile.h"
#include "scan/ScanTestSupport.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

namespace {

struct ResultsWorld {
    Sandbox sandbox;
    QString path;
    ResultsWorld()
    {
        QDir().mkpath(sandbox.locations().resultsFolder);
        path = sandbox.locations().resultsFile();
    }
};

} // namespace

TEST(ScanResultsFile, WritesAnAppleXmlDictionaryOfPathArrays)
{
    ResultsWorld world;
    ScanResultsFile file(world.path);
    file.load();
    EXPECT_TRUE(file.isEmpty());
    file.setPaths(QStringLiteral("History"), { QStringLiteral("/h/1"), QStringLiteral("/h/1") });
    file.setPaths(QStringLiteral("Internet Cache"), {});
    ASSERT_TRUE(file.write());

    QFile raw(world.path);
    ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
    const QByteArray xml = raw.readAll();
    EXPECT_TRUE(xml.startsWith("<?xml")) << xml.constData();
    EXPECT_TRUE(xml.contains("<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\""));
    const auto results = readResults(world.path);
    EXPECT_EQ(results.value(QStringLiteral("History")), (QStringList { "/h/1", "/h/1" }));
    ASSERT_TRUE(results.contains(QStringLiteral("Internet Cache")));
    EXPECT_TRUE(results.value(QStringLiteral("Internet Cache")).isEmpty());
}

TEST(ScanResultsFile, ReadsAgainOnlyWhenSomethingElseChangedTheFile)
{
    ResultsWorld world;
    ScanResultsFile file(world.path);
    file.load();
    file.setPaths(QStringLiteral("Cookies"), { QStringLiteral("/c") });
    ASSERT_TRUE(file.write());

    // Nothing new: the file is not written again.
    const qint64 before = ScanResultsFile::totalBytesWritten();
    file.load();
    file.setPaths(QStringLiteral("Cookies"), { QStringLiteral("/c") });
    ASSERT_TRUE(file.write());
    EXPECT_EQ(ScanResultsFile::totalBytesWritten(), before);

    // Another writer's content is what the next load sees.
    ASSERT_TRUE(PropertyList::writeXml(QVariantMap { { QStringLiteral("History"), QStringList { "/h" } } }, world.path));
    file.load();
    EXPECT_FALSE(file.contains(QStringLiteral("Cookies")));
    EXPECT_EQ(file.paths(QStringLiteral("History")), QStringList { "/h" });

    // A file removed meanwhile (by a removal after a cancelled scan) means no findings.
    QFile::remove(world.path);
    file.load();
    EXPECT_TRUE(file.isEmpty());
}

TEST(ScanResultsFile, DamagedEntriesAreDroppedOnLoad)
{
    ResultsWorld world;
    ASSERT_TRUE(PropertyList::writeXml(QVariantMap { { QStringLiteral("Cookies"), QStringLiteral("not a list") },
                                           { QStringLiteral("History"), QVariantList { "/h", 7 } } },
        world.path));
    ScanResultsFile file(world.path);
    file.load();
    EXPECT_FALSE(file.contains(QStringLiteral("Cookies")));
    EXPECT_EQ(file.paths(QStringLiteral("History")), QStringList { "/h" });
    EXPECT_EQ(world.sandbox.logLines().filter(QStringLiteral("\"Cookies\" is not a list of paths")).size(), 1);
}

TEST(ScanResultsFile, APathTheFormatCannotCarryNeverCostsTheOthers)
{
    ResultsWorld world;
    ScanResultsFile file(world.path);
    file.load();
    file.setPaths(QStringLiteral("Cookies"),
        { QStringLiteral("/ok"), QStringLiteral("/folder/bad\x0bname"), QString(QChar(0xD800)) });
    ASSERT_TRUE(file.write());
    EXPECT_EQ(readResults(world.path).value(QStringLiteral("Cookies")), QStringList { "/ok" });
    EXPECT_TRUE(world.sandbox.logged(
        QStringLiteral("Passing over an item in /folder: its name cannot be kept in the scan results")));
}

TEST(ScanResultsFile, AFailedWriteIsReportedAndKeepsWhatWasThere)
{
    ResultsWorld world;
    ScanResultsFile file(world.sandbox.path(QStringLiteral("no/such/folder/ScanResults.plist")));
    file.load();
    file.setPaths(QStringLiteral("Cookies"), { QStringLiteral("/c") });
    EXPECT_FALSE(file.write());
    EXPECT_FALSE(world.sandbox.logLines().filter(QStringLiteral("Cannot write")).isEmpty());
    EXPECT_EQ(file.paths(QStringLiteral("Cookies")), QStringList { "/c" });
}
