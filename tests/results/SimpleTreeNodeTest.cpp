#include "results/SimpleTreeNode.h"
#include "results/ResultsFixture.h"
#include "results/ResultsTreeModel.h"
#include "results/SimpleNodeData.h"

#include <QFile>

#include <tuple>

using TreeNodeBuilding = ResultsFixture;

TEST_F(TreeNodeBuilding, PrivilegesAndFolderFlagsFollowTheCategoryAndTheDisk)
{
    const QString file = sandbox.makeFile("data/file");
    const QString folder = sandbox.makeFolder("data/folder");
    const QString link = sandbox.path("data/link-to-folder");
    ASSERT_TRUE(QFile::link(folder, link));
    // Category, path, the privilege its removal takes, and whether it is a folder.
    const std::tuple<QString, QString, qint32, bool> cases[] = {
        { "System Cache", folder, 2, true },
        { "System Cache", file, 2, false },
        { "System Library Logs", "/gone/log", 2, false },
        { "System Logs", link, 2, false }, // a link is removed itself, so it is no folder
        { "UserLibraryLogs", folder, 0, true },
        { "Internet Cache", link, 0, false },
        { "Cookies", "/gone/cookie", 0, false },
        // The user's own, however spelled: never handed to root, no password asked.
        { "System Cache", "~/.cache/thumbnails/a.png", 0, false },
        { "System Logs", "/" + sandbox.locations().home + "//.local/share/xorg/Xorg.0.log", 0, false },
        { "System Cache", sandbox.locations().home, 0, true },
        { "System Cache", sandbox.locations().home + "-other/a.png", 2, false },
    };
    for (const auto& [key, path, privilege, directory] : cases) {
        SCOPED_TRACE(qPrintable(key + " " + path));
        bool secured = false;
        const auto root = SimpleTreeNode::treeFromDictionary(results({ { key, { path } } }), &secured);
        const TreeNode* leaf = findNode(*root, path);
        ASSERT_NE(leaf, nullptr);
        EXPECT_EQ(ResultsTreeModel::payloadOf(leaf)->privilegeToDelete(), privilege);
        EXPECT_EQ(ResultsTreeModel::payloadOf(leaf)->isDirectory(), directory);
        EXPECT_EQ(secured, privilege != 0);
    }
}

TEST_F(TreeNodeBuilding, TheAgeRuleAppliesToTheTwoSystemLogsUnderPrivilegedKeysOnly)
{
    const QString secureLog = sandbox.makeFile("var/log/auth.log");
    const QString otherLog = sandbox.makeFile("var/log/other.log");
    const QString missingLog = sandbox.locations().systemLog;
    bool secured = false;
    const auto root = SimpleTreeNode::treeFromDictionary(
        results({ { "System Logs", { secureLog, otherLog, missingLog } }, { "Cookies", { secureLog } } }),
        &secured);
    // Fresh or without a creation date: left out; any other log stays, as does the same file as a cookie.
    EXPECT_EQ(
        outline(*root), QStringList({ "Junk Items:", "System Logs:", otherLog, "Cookies:", secureLog }));
    EXPECT_EQ(ResultsTreeModel::payloadOf(findNode(*root, secureLog))->privilegeToDelete(), 0);
}

TEST_F(TreeNodeBuilding, UnusableEntriesArePassedOverWithALogLine)
{
    QVariantMap dictionary;
    dictionary.insert("Cookies",
        QVariantList { "/kept/a", 42, QVariantList { "/nested" }, "relative/path", "",
            QString::fromUtf8("/nul\0/x", 7), "~/kept/b" });
    dictionary.insert("History", "/not/an/array");
    dictionary.insert("System Cache", QVariantList { 7 });
    bool secured = false;
    const auto root = SimpleTreeNode::treeFromDictionary(dictionary, &secured);
    EXPECT_EQ(outline(*root), QStringList({ "Junk Items:", "Cookies:", "/kept/a", "~/kept/b" }));
    EXPECT_FALSE(secured) << "nothing usable was listed under a privileged key";
    EXPECT_TRUE(sandbox.logged("Scan results: passed over 5 unusable entries under \"Cookies\""));
    EXPECT_TRUE(sandbox.logged("Scan results: passed over 1 unusable entries under \"History\""));
}
