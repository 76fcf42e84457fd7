#include "scan/ScanResultsFile.h"
#include "platform/PropertyList.h"
#include "scan/ScanTestSupport.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// A results file of its own, loaded as a scan starts.
struct ResultsWorld {
    Sandbox sandbox;
    QString path = sandbox.locations().resultsFile();
    ScanResultsFile file;

    explicit ResultsWorld(qint64 maxFileSize = PropertyList::kMaxFileSize)
        : file(path, maxFileSize)
    {
        QDir().mkpath(sandbox.locations().resultsFolder);
        file.load();
    }
};

} // namespace

TEST(ScanResultsFile, ReadsAgainOnlyWhenSomethingElseChangedTheFile)
{
    ResultsWorld world;
    auto& [sandbox, path, file] = world;
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
    ResultsWorld world;
    auto& [sandbox, path, file] = world;
    file.setPaths("Cookies", { "/ok", QStringLiteral("/folder/bad\x0bname"), QString(QChar(0xD800)) });
    ASSERT_TRUE(file.write());
    EXPECT_EQ(readResults(path).value("Cookies"), QStringList { "/ok" });
    EXPECT_TRUE(
        sandbox.logged("Passing over an item in /folder: its name cannot be kept in the scan results"));
}

TEST(ScanResultsFile, StoresRewriteTheFileOnlyOnceItWouldDouble)
{
    ResultsWorld world;
    auto& [sandbox, path, file] = world;
    QStringList stored;
    const auto store = [&](int paths) {
        for (int i = 0; i < paths; ++i) {
            stored.append(QStringLiteral("/home/u/.cache/opera/%1").arg(stored.size(), 8, 10, QChar(u'0')));
            EXPECT_TRUE(file.acceptsPath(stored.constLast()));
        }
        file.setPaths("Internet Cache", stored);
        EXPECT_TRUE(file.writeIfGrown());
        return readResults(path).value("Internet Cache").size();
    };
    EXPECT_EQ(store(100), 100) << "the first store is written";
    EXPECT_EQ(store(50), 100) << "held back: half as much again";
    EXPECT_EQ(store(60), 210) << "more than twice the file";
    EXPECT_EQ(store(0), 210);
    ASSERT_TRUE(file.write());
    EXPECT_EQ(readResults(path).value("Internet Cache"), stored);
}

// The review reads the file only up to a size, so the scan never writes more.
TEST(ScanResultsFile, NeverGrowsPastTheSizeItsReaderAccepts)
{
    // Each path made mostly of one kind of character, so that underrating
    // any kind takes the file past the limit.
    const std::vector<std::pair<const char*, QString>> rows = {
        { "plain", "/home/u/.cache/opera/" + QString(40, u'a') },
        { "ampersands", "/" + QString(40, u'&') },
        { "angle brackets", "/" + QString("<>").repeated(20) },
        { "quotes, left as they are", "/" + QString("'\"").repeated(20) },
        { "two bytes", "/" + QString(40, QChar(0xE4)) },
        { "three bytes", "/" + QString(40, QChar(0x65E5)) },
        { "four bytes", "/" + QStringLiteral("\U0001F600").repeated(20) },
    };
    constexpr qint64 limit = 4096;
    for (const auto& [name, stem] : rows) {
        SCOPED_TRACE(name);
        ResultsWorld world(limit);
        auto& [sandbox, path, file] = world;
        QStringList accepted;
        for (int i = 0; i < 500; ++i) {
            if (file.acceptsPath(stem + QString::number(i)))
                accepted.append(stem + QString::number(i));
        }
        file.setPaths("History", accepted);
        ASSERT_TRUE(file.write());

        EXPECT_LE(QFileInfo(path).size(), limit);
        EXPECT_GT(QFileInfo(path).size(), limit / 2) << "the room is used";
        EXPECT_EQ(readResults(path).value("History"), accepted);
        EXPECT_EQ(sandbox.logLines().filter("the review can read").size(), 1);
    }
}
