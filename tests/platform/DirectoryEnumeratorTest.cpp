#include "platform/DirectoryEnumerator.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QStringList walk(const QString& root, const QString& skipping = {})
{
    QStringList entries;
    DirectoryEnumerator enumerator(root);
    while (const auto entry = enumerator.nextObject()) {
        entries.append(*entry);
        if (*entry == skipping)
            enumerator.skipDescendents();
    }
    return entries;
}

void link(const QString& target, const QString& at)
{
    ASSERT_TRUE(QFile::link(target, at)) << at.toStdString();
}

class DirectoryEnumeratorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = sandbox.makeFolder(QStringLiteral("tree"));
        for (const char* file : { "tree/c", "tree/b/z", "tree/b/a/1", "tree/a", "tree/B" })
            sandbox.makeFile(QString::fromLatin1(file));
        sandbox.makeFolder(QStringLiteral("tree/b/empty"));
    }

    Sandbox sandbox;
    QString root;
};

TEST_F(DirectoryEnumeratorTest, FolderBeforeItsContentsSortedAndRelative)
{
    const QStringList expected { "B", "a", "b", "b/a", "b/a/1", "b/empty", "b/z", "c" };
    EXPECT_EQ(walk(root), expected);
    EXPECT_EQ(walk(root + QStringLiteral("//")), expected);
}

TEST_F(DirectoryEnumeratorTest, SkipDescendentsLeavesTheFolderOut)
{
    EXPECT_EQ(walk(root, QStringLiteral("b")), (QStringList { "B", "a", "b", "c" }));
    EXPECT_EQ(
        walk(root, QStringLiteral("b/a")), (QStringList { "B", "a", "b", "b/a", "b/empty", "b/z", "c" }));
    // Skipping after a file changes nothing.
    EXPECT_EQ(walk(root, QStringLiteral("a")).size(), 8);
}

TEST_F(DirectoryEnumeratorTest, LinksAreListedButNeverFollowed)
{
    sandbox.makeFile(QStringLiteral("outside/secret"));
    link(sandbox.path(QStringLiteral("outside")), root + QStringLiteral("/b/outside"));
    link(QStringLiteral("."), root + QStringLiteral("/b/self"));
    link(root + QStringLiteral("/loop2"), root + QStringLiteral("/loop1"));
    link(root + QStringLiteral("/loop1"), root + QStringLiteral("/loop2"));
    link(QStringLiteral("missing"), root + QStringLiteral("/dangling"));

    const QStringList entries = walk(root);
    for (const char* expected : { "b/outside", "b/self", "loop1", "loop2", "dangling" })
        EXPECT_TRUE(entries.contains(QString::fromLatin1(expected))) << expected;
    for (const QString& entry : entries)
        EXPECT_FALSE(entry.contains(QStringLiteral("secret")) || entry.startsWith(QStringLiteral("b/self/")));
    EXPECT_EQ(entries.size(), 13);
}

TEST_F(DirectoryEnumeratorTest, RootGivenThroughALinkIsWalked)
{
    link(root, sandbox.path(QStringLiteral("alias")));
    EXPECT_EQ(walk(sandbox.path(QStringLiteral("alias"))), walk(root));
}

TEST_F(DirectoryEnumeratorTest, FoldersThatVanishOrTurnIntoLinksAreNotEntered)
{
    sandbox.makeFile(QStringLiteral("outside/secret"));
    DirectoryEnumerator enumerator(root);
    QStringList entries;
    while (const auto entry = enumerator.nextObject()) {
        entries.append(*entry);
        if (*entry == QStringLiteral("b/a")) {
            ASSERT_TRUE(QDir(root + QStringLiteral("/b/a")).removeRecursively());
        } else if (*entry == QStringLiteral("b/empty")) {
            ASSERT_TRUE(QDir().rmdir(root + QStringLiteral("/b/empty")));
            link(sandbox.path(QStringLiteral("outside")), root + QStringLiteral("/b/empty"));
        }
    }
    EXPECT_EQ(entries, (QStringList { "B", "a", "b", "b/a", "b/empty", "b/z", "c" }));
}

TEST_F(DirectoryEnumeratorTest, MissingRootOrFileRootGivesNothing)
{
    EXPECT_TRUE(walk(sandbox.path(QStringLiteral("nowhere"))).isEmpty());
    EXPECT_TRUE(walk(root + QStringLiteral("/a")).isEmpty());
    EXPECT_TRUE(walk(QString()).isEmpty());
}

TEST_F(DirectoryEnumeratorTest, NamesThatAreNotUtf8AreLoggedAndPassedOverWithTheirContents)
{
    const QByteArray bad = QFile::encodeName(root) + "/bad\xff";
    ASSERT_EQ(mkdir(bad.constData(), 0755), 0);
    const int fd = open((bad + "/inner").constData(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    close(fd);

    EXPECT_EQ(walk(root), (QStringList { "B", "a", "b", "b/a", "b/a/1", "b/empty", "b/z", "c" }));
    ASSERT_EQ(sandbox.logLines().size(), 1);
    EXPECT_TRUE(sandbox.logLines().first().contains(QStringLiteral("is not UTF-8")));
}

TEST_F(DirectoryEnumeratorTest, AFolderTheUserMayNotReadIsLoggedAndNotEntered)
{
    if (geteuid() == 0)
        GTEST_SKIP()
            << "the superuser reads every folder; ./build.sh test runs this as an unprivileged account";
    const QString shut = root + QStringLiteral("/b/a");
    ASSERT_EQ(chmod(QFile::encodeName(shut).constData(), 0), 0);

    const QStringList entries = walk(root);
    chmod(QFile::encodeName(shut).constData(), 0755);

    EXPECT_EQ(entries, (QStringList { "B", "a", "b", "b/a", "b/empty", "b/z", "c" }));
    EXPECT_EQ(sandbox.logLines(),
        QStringList({ QStringLiteral("Cannot read %1: %2")
                          .arg(shut, QString::fromLocal8Bit(std::strerror(EACCES))) }));
}

} // namespace
