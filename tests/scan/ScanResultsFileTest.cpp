#include "scan/ScanResultsFile.h"
#include "platform/PropertyList.h"
#include "scan/ScanTestSupport.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

TEST(ScanResultsFile, ReadsAgainOnlyWhenSomethingElseChangedTheFile)
{
    Sandbox sandbox;
    QDir().mkpath(sandbox.locations().resultsFolder);
    const QString path = sandbox.locations().resultsFile();
    ScanResultsFile file(path);
    file.load();
    file.setPaths("History", { "/h/1", "/h/1" });
    file.setPaths("Internet Cache", {});
    ASSERT_TRUE(file.write());
    EXPECT_EQ(readResults(path),
        (QMap<QString, QStringList> { { "History", { "/h/1", "/h/1" } }, { "Internet Cache", {} } }));

    // Nothing new: the file is not written again.
    const qint64 written = ScanResultsFile::totalBytesWritten();
    file.load();
    file.setPaths("History", { "/h/1", "/h/1" });
    ASSERT_TRUE(file.write());
    EXPECT_EQ(ScanResultsFile::totalBytesWritten(), written);

    // Another writer's content, damaged entries dropped, is what the next load sees.
    ASSERT_TRUE(PropertyList::writeXml(
        QVariantMap { { "Cookies", "not a list" }, { "History", QVariantList { "/other", 7 } } }, path));
    file.load();
    EXPECT_FALSE(file.contains("Cookies"));
    EXPECT_EQ(file.paths("History"), QStringList { "/other" });

    // A file removed meanwhile (a removal after a stopped scan) holds nothing.
    QFile::remove(path);
    file.load();
    EXPECT_TRUE(file.isEmpty());
}

TEST(ScanResultsFile, APathTheFormatCannotCarryNeverCostsTheOthers)
{
    Sandbox sandbox;
    QDir().mkpath(sandbox.locations().resultsFolder);
    ScanResultsFile file(sandbox.locations().resultsFile());
    file.load();
    file.setPaths("Cookies", { "/ok", QStringLiteral("/folder/bad\x0bname"), QString(QChar(0xD800)) });
    ASSERT_TRUE(file.write());
    EXPECT_EQ(readResults(sandbox.locations().resultsFile()).value("Cookies"), QStringList { "/ok" });
    EXPECT_TRUE(
        sandbox.logged("Passing over an item in /folder: its name cannot be kept in the scan results"));
}
