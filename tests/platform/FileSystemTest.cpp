#include "platform/FileSystem.h"
#include "platform/FolderIdentities.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

bool present(const QString& path)
{
    // QFileInfo::exists follows links; a dangling link still counts here.
    return QFileInfo(path).exists() || QFileInfo(path).isSymLink();
}

class FileSystemTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        target = sandbox.makeFile(QStringLiteral("outside/keep/file"));
        sandbox.makeFile(QStringLiteral("outside/other"));
        sandbox.makeFile(QStringLiteral("junk/a/b/c"));
        sandbox.makeFile(QStringLiteral("junk/top"));
        ASSERT_TRUE(QFile::link(
            sandbox.path(QStringLiteral("outside")), sandbox.path(QStringLiteral("junk/a/link"))));
    }

    Sandbox sandbox;
    QString target;
};

TEST_F(FileSystemTest, RemoveItemTakesTheTreeButNothingBehindItsLinks)
{
    QString error;
    EXPECT_TRUE(FileSystem::current().removeItem(sandbox.path(QStringLiteral("junk")), &error))
        << error.toStdString();
    EXPECT_FALSE(present(sandbox.path(QStringLiteral("junk"))));
    EXPECT_TRUE(QFileInfo::exists(target));
    EXPECT_TRUE(QFileInfo::exists(sandbox.path(QStringLiteral("outside/other"))));
}

TEST_F(FileSystemTest, LinksAreRemovedNotTheirTargetsEvenWithATrailingSlash)
{
    for (const char* spelling : { "dirlink/", "dirlink" }) {
        SCOPED_TRACE(spelling);
        ASSERT_TRUE(
            QFile::link(sandbox.path(QStringLiteral("outside")), sandbox.path(QStringLiteral("dirlink"))));
        EXPECT_TRUE(FileSystem::current().removeItem(sandbox.path(QString::fromLatin1(spelling))));
        EXPECT_FALSE(present(sandbox.path(QStringLiteral("dirlink"))));
        EXPECT_TRUE(QFileInfo::exists(target));

        ASSERT_TRUE(
            QFile::link(sandbox.path(QStringLiteral("outside")), sandbox.path(QStringLiteral("dirlink"))));
        EXPECT_TRUE(FileSystem::current().removeFile(sandbox.path(QString::fromLatin1(spelling))));
        EXPECT_FALSE(present(sandbox.path(QStringLiteral("dirlink"))));
        EXPECT_TRUE(QFileInfo::exists(target));
    }
}

TEST_F(FileSystemTest, RemoveFileTakesFilesAndEmptyFoldersOnly)
{
    EXPECT_TRUE(FileSystem::current().removeFile(sandbox.path(QStringLiteral("junk/top"))));
    QString error;
    EXPECT_FALSE(FileSystem::current().removeFile(sandbox.path(QStringLiteral("junk/a")), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(QFileInfo::exists(sandbox.path(QStringLiteral("junk/a/b/c"))));
    EXPECT_TRUE(FileSystem::current().removeFile(sandbox.makeFolder(QStringLiteral("empty"))));
    error.clear();
    EXPECT_FALSE(FileSystem::current().removeItem(sandbox.path(QStringLiteral("nothing")), &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST_F(FileSystemTest, PathsThatNameSomethingElseAreRefused)
{
    // Never "/" here: tests run as root, and a regression would empty the machine.
    const QString refused[] = {
        QString(),
        sandbox.path(QStringLiteral("junk/a/..")),
        sandbox.path(QStringLiteral("junk/a/.")),
        sandbox.path(QStringLiteral("junk/a/../")),
    };
    for (const QString& path : refused) {
        SCOPED_TRACE(path.toStdString());
        QString error;
        EXPECT_FALSE(FileSystem::current().removeItem(path, &error));
        EXPECT_FALSE(error.isEmpty());
        EXPECT_FALSE(FileSystem::current().removeFile(path));
    }
    EXPECT_TRUE(QFileInfo::exists(sandbox.path(QStringLiteral("junk/top"))));
    EXPECT_TRUE(QFileInfo::exists(sandbox.path(QStringLiteral("junk/a/b/c"))));
}

TEST_F(FileSystemTest, RemoveBeneathNeverLeavesTheFolderNorEntersAKeptOne)
{
    using B = FileSystem::Beneath;
    const QString base = sandbox.path(QStringLiteral("junk"));
    FolderIdentities kept;
    kept.insert(sandbox.path(QStringLiteral("junk/a/b")));
    struct Row {
        QStringList inside;
        bool mayBeFolder;
        B outcome;
        const char* stays; // below the sandbox, besides the file outside
    };
    // In order: each row finds the tree as the rows before it left it.
    const Row rows[] = {
        { { "a", "link", "keep", "file" }, true, B::Refused, "junk/a/link" },
        { { "top", "x" }, true, B::Refused, "junk/top" }, { { "a", ".." }, true, B::Refused, "junk/top" },
        { { "a/b" }, true, B::Refused, "junk/a/b/c" }, { {}, true, B::Refused, "junk/top" },
        { { "a", "b" }, true, B::Refused, "junk/a/b/c" }, { { "a" }, false, B::Refused, "junk/a/link" },
        { { "nothing" }, true, B::Failed, "junk/top" }, { { "top" }, false, B::Removed, "junk/a/b/c" },
        { { "a" }, true, B::Refused, "junk/a/b/c" }, // all but the kept folder goes
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.inside.join(u'|').toStdString());
        QString reason;
        EXPECT_EQ(FileSystem::current().removeBeneath(base, row.inside, kept, row.mayBeFolder, &reason),
            row.outcome);
        EXPECT_EQ(reason.isEmpty(), row.outcome == B::Removed) << reason.toStdString();
        EXPECT_TRUE(present(sandbox.path(QString::fromLatin1(row.stays))));
        EXPECT_TRUE(QFileInfo::exists(target));
    }
    EXPECT_FALSE(present(sandbox.path(QStringLiteral("junk/top"))));
    EXPECT_FALSE(present(sandbox.path(QStringLiteral("junk/a/link"))));
}

} // namespace
