#include "platform/FileSystem.h"
#include "platform/FolderIdentities.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>

namespace {

// Each row acts on a fresh tree whose link leads to "outside"; nothing behind the link may go.
TEST(FileSystem, RemovesWhatIsNamedAndNeverWhatALinkLeadsTo)
{
    const struct {
        const char* path;
        bool item; // removeItem, else removeFile
        const char* gone; // nullptr: refused, the tree stays whole
    } rows[] = {
        { "junk", true, "junk" },
        { "junk/link", true, "junk/link" },
        { "junk/link/", true, "junk/link" },
        { "junk/link", false, "junk/link" },
        { "junk/link/", false, "junk/link" },
        { "junk/top", false, "junk/top" },
        { "junk/empty", false, "junk/empty" },
        { "junk/a", false, nullptr },
        { "nothing", true, nullptr },
        // Paths that name something other than their last component.
        { "junk/a/..", true, nullptr },
        { "junk/a/.", true, nullptr },
        { "junk/a/../", true, nullptr },
        { "junk/a/..", false, nullptr },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.path) + (row.item ? " item" : " file"));
        Sandbox sandbox;
        for (const char* file : { "outside/keep/file", "junk/a/b/c", "junk/top" })
            sandbox.makeFile(QString::fromLatin1(file));
        sandbox.makeFolder("junk/empty");
        ASSERT_TRUE(QFile::link(sandbox.path("outside"), sandbox.path("junk/link")));
        FileSystem& fileSystem = FileSystem::current();
        const QString path = sandbox.path(QString::fromLatin1(row.path));
        QString error;
        EXPECT_EQ(row.item ? fileSystem.removeItem(path, &error) : fileSystem.removeFile(path, &error),
            row.gone != nullptr);
        EXPECT_TRUE(
            row.gone ? !Sandbox::exists(sandbox.path(QString::fromLatin1(row.gone))) : !error.isEmpty());
        EXPECT_TRUE(QFileInfo::exists(sandbox.path("outside/keep/file")));
        EXPECT_EQ(QFileInfo::exists(sandbox.path("junk/a/b/c")), QLatin1String(row.gone) != "junk");
    }
}

TEST(FileSystem, RemoveBeneathNeverLeavesTheFolderNorEntersAKeptOne)
{
    Sandbox sandbox;
    const QString target = sandbox.makeFile("outside/keep/file");
    for (const char* file : { "junk/a/b/c", "junk/top" })
        sandbox.makeFile(QString::fromLatin1(file));
    ASSERT_TRUE(QFile::link(sandbox.path("outside"), sandbox.path("junk/a/link")));
    using B = FileSystem::Beneath;
    const QString base = sandbox.path("junk");
    FolderIdentities kept;
    kept.insert(sandbox.path("junk/a/b"));
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
        EXPECT_TRUE(Sandbox::exists(sandbox.path(QString::fromLatin1(row.stays))));
        EXPECT_TRUE(QFileInfo::exists(target));
    }
    EXPECT_FALSE(Sandbox::exists(sandbox.path("junk/top")) || Sandbox::exists(sandbox.path("junk/a/link")));
}

} // namespace
