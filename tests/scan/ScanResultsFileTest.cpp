#include "scan/ScanResultsFile.h"
#include "scan/ScanTestSupport.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <functional>
#include <sys/stat.h>
#include <unistd.h>

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

// Whatever stands at the results path is replaced, never written through: a
// link to a file of the user's, a file with a second link elsewhere, a FIFO.
TEST(ScanResultsFile, ReplacesWhatStandsAtItsPathAndWritesIntoNoneOfIt)
{
    Sandbox sandbox;
    const QString path = sandbox.locations().resultsFile();
    const QString canary = sandbox.makeFile("home/.bashrc", "canary\n");
    const QString elsewhere = sandbox.path("elsewhere");
    const std::function<bool()> plant[] = {
        [&] { return QFile::link(canary, path); },
        [&] { return QFile::copy(canary, path) && ::link(QFile::encodeName(path), QFile::encodeName(elsewhere)) == 0; },
        [&] { return ::mkfifo(QFile::encodeName(path), 0600) == 0; },
    };
    for (const auto& planted : plant) {
        QFile::remove(path);
        ASSERT_TRUE(QDir().mkpath(sandbox.locations().resultsFolder) && planted());
        ScanResultsFile file(path);
        file.setPaths("Cookies", { "/a" });
        ASSERT_TRUE(file.write());
        EXPECT_EQ(readResults(path).value("Cookies"), QStringList { "/a" });
        EXPECT_FALSE(QFileInfo(path).isSymLink());
        EXPECT_EQ(Sandbox::contents(canary), "canary\n");
        EXPECT_TRUE(!QFileInfo::exists(elsewhere) || Sandbox::contents(elsewhere) == "canary\n");
    }
    EXPECT_EQ(QDir(sandbox.locations().resultsFolder).entryList(QDir::Files | QDir::System).size(), 1)
        << "no staged file is left";
}

// The review reads the file only up to a size and a number of values, so the scan never writes more.
TEST(ScanResultsFile, NeverGrowsPastWhatItsReaderAccepts)
{
    constexpr qint64 limit = 4096;
    // Each path made mostly of one kind of character, so that underrating
    // any kind takes the file past the limit.
    const struct {
        const char* name;
        QString stem;
        qint64 maxPaths = ScanResultsFile::kMaxPaths;
    } rows[] = {
        { "plain", "/home/u/.cache/opera/" + QString(40, u'a') },
        { "ampersands", "/" + QString(40, u'&') },
        { "angle brackets", "/" + QString("<>").repeated(20) },
        { "quotes, left as they are", "/" + QString("'\"").repeated(20) },
        { "two bytes", "/" + QString(40, QChar(0xE4)) },
        { "three bytes", "/" + QString(40, QChar(0x65E5)) },
        { "four bytes", "/" + QStringLiteral("\U0001F600").repeated(20) },
        { "more paths than values the reader takes", "/p", 100 },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Sandbox sandbox;
        const QString path = sandbox.locations().resultsFile();
        QDir().mkpath(sandbox.locations().resultsFolder);
        ScanResultsFile file(path, limit, row.maxPaths);
        file.load();
        QStringList accepted;
        for (int i = 0; i < 500; ++i) {
            if (file.acceptsPath(row.stem + QString::number(i)))
                accepted.append(row.stem + QString::number(i));
        }
        file.setPaths("History", accepted);
        ASSERT_TRUE(file.write());

        EXPECT_LE(QFileInfo(path).size(), limit);
        EXPECT_LE(accepted.size(), row.maxPaths);
        EXPECT_TRUE(QFileInfo(path).size() > limit / 2 || accepted.size() == row.maxPaths) << "the room is used";
        EXPECT_EQ(readResults(path).value("History"), accepted);
        EXPECT_EQ(sandbox.logLines().filter("the review can read").size(), 1);
    }
}
