#include "scan/ScanResultsFile.h"
#include "scan/ScanTestSupport.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

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
        Sandbox sandbox;
        const QString path = sandbox.locations().resultsFile();
        QDir().mkpath(sandbox.locations().resultsFolder);
        ScanResultsFile file(path, limit);
        file.load();
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
