#include "platform/FileSystem.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>

namespace {

bool present(const QString& path)
{
    return QFileInfo(path).exists() || QFileInfo(path).isSymLink();
}

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
        EXPECT_TRUE(row.gone ? !present(sandbox.path(QString::fromLatin1(row.gone))) : !error.isEmpty());
        EXPECT_TRUE(QFileInfo::exists(sandbox.path("outside/keep/file")));
        EXPECT_EQ(QFileInfo::exists(sandbox.path("junk/a/b/c")), QLatin1String(row.gone) != "junk");
    }
}

} // namespace
