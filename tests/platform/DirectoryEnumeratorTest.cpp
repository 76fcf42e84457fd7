#include "platform/DirectoryEnumerator.h"
#include "support/QStringPrinting.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <algorithm>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QStringList kAll { ".hidden", "B", "a", "b", "b/a", "b/a/1", "b/empty", "b/z", "c" };
const QStringList kWithoutBA { ".hidden", "B", "a", "b", "b/a", "b/empty", "b/z", "c" };

class DirectoryEnumeratorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* file :
            { "tree/c", "tree/b/z", "tree/b/a/1", "tree/a", "tree/B", "tree/.hidden", "outside/secret" })
            sandbox.makeFile(QString::fromLatin1(file));
        sandbox.makeFolder("tree/b/empty");
    }
    // The entries of a walk; `during` may skip a folder or change the tree as each entry comes.
    static QStringList walk(
        const QString& root, const std::function<void(const QString&, DirectoryEnumerator&)>& during = {})
    {
        QStringList entries;
        DirectoryEnumerator enumerator(root);
        while (const auto entry = enumerator.nextObject()) {
            entries.append(*entry);
            if (during)
                during(*entry, enumerator);
        }
        return entries;
    }
    static auto skipping(const char* folder)
    {
        return [folder](const QString& entry, DirectoryEnumerator& e) {
            if (entry == QLatin1String(folder))
                e.skipDescendents();
        };
    }

    Sandbox sandbox;
    QString root = sandbox.path("tree");
};

TEST_F(DirectoryEnumeratorTest, FolderBeforeItsContentsSortedRelativeAndSkippable)
{
    // Links are listed but never followed, wherever they lead.
    const std::pair<QString, const char*> links[]
        = { { root, "alias" }, { sandbox.path("outside"), "links/outside" }, { ".", "links/self" },
              { "loop2", "links/loop1" }, { "loop1", "links/loop2" }, { "missing", "links/dangling" } };
    sandbox.makeFolder("links");
    for (const auto& [target, at] : links)
        ASSERT_TRUE(QFile::link(target, sandbox.path(QString::fromLatin1(at))));
    // A FIFO is listed, never opened: opening it would wait for a writer.
    ASSERT_EQ(mkfifo(QFile::encodeName(sandbox.path("links/pipe")).constData(), 0600), 0);
    // Too many names to be sorted by comparing alone: some share their first
    // eight bytes, some are shorter, some hold bytes above 127.
    QStringList many;
    sandbox.makeFolder("many");
    for (int i = 0; i < 100; ++i)
        many << QString::number(i * 7) << QStringLiteral("shared-prefix-%1").arg(i)
             << QStringLiteral("é%1").arg(i);
    for (const QString& name : many)
        sandbox.makeFile("many/" + name, "");
    std::sort(
        many.begin(), many.end(), [](const QString& a, const QString& b) { return a.toUtf8() < b.toUtf8(); });
    const struct {
        QString root;
        std::function<void(const QString&, DirectoryEnumerator&)> during;
        QStringList expected;
    } rows[] = {
        { root, {}, kAll },
        { root + "//", {}, kAll },
        { sandbox.path("alias"), {}, kAll },
        { sandbox.path("links"), {}, { "dangling", "loop1", "loop2", "outside", "pipe", "self" } },
        { sandbox.path("links/pipe"), {}, {} },
        { root, skipping("b"), { ".hidden", "B", "a", "b", "c" } },
        { root, skipping("b/a"), kWithoutBA },
        { root, skipping("a"), kAll },
        { sandbox.path("many"), {}, many },
        { sandbox.path("nowhere"), {}, {} },
        { root + "/a", {}, {} },
        // Folders that vanish or turn into links are not entered.
        { root,
            [this](const QString& entry, DirectoryEnumerator&) {
                if (entry == "b/a")
                    QDir(root + "/b/a").removeRecursively();
                if (entry == "b/empty" && QDir().rmdir(root + "/b/empty"))
                    QFile::link(sandbox.path("outside"), root + "/b/empty");
            },
            kWithoutBA },
    };
    for (const auto& row : rows)
        EXPECT_EQ(walk(row.root, row.during), row.expected) << row.root.toStdString();
}

// A name that is not UTF-8 and a folder the user may not read are logged and not entered.
TEST_F(DirectoryEnumeratorTest, UnreadableFoldersAreLoggedAndPassedOver)
{
    const QByteArray bad = QFile::encodeName(root) + "/bad\xff";
    ASSERT_EQ(mkdir(bad.constData(), 0755), 0);
    ASSERT_EQ(mkdir((bad + "/inner").constData(), 0755), 0);
    EXPECT_EQ(walk(root), kAll);
    EXPECT_TRUE(sandbox.logLines().size() == 1 && sandbox.logLines().first().contains("is not UTF-8"));
    // The sandbox removes by name and cannot name these.
    ::rmdir((bad + "/inner").constData());
    ::rmdir(bad.constData());

    if (geteuid() == 0)
        GTEST_SKIP()
            << "the superuser reads every folder; the suite's script runs this as an unprivileged account";
    const QByteArray shut = QFile::encodeName(root + "/b/a");
    ASSERT_EQ(chmod(shut.constData(), 0), 0);
    sandbox.clearRecords();
    const QStringList entries = walk(root);
    chmod(shut.constData(), 0755);
    EXPECT_EQ(entries, kWithoutBA);
    EXPECT_EQ(sandbox.logLines().size(), 1);
    EXPECT_TRUE(sandbox.logLines().first().startsWith("Cannot read " + root + "/b/a: "));
}

} // namespace
