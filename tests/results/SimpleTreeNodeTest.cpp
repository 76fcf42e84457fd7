#include "results/SimpleTreeNode.h"
#include "results/ResultsFixture.h"

#include <QFile>

using TreeNodeBuilding = ResultsFixture;

// One category per row: what the tree lists of it, each leaf with the privilege its removal takes
// ("root": the helper's) and whether it is a folder, and whether a password will be asked.
TEST_F(TreeNodeBuilding, ListsUsablePathsWithThePrivilegeTheirCategoryAndPlaceGive)
{
    const QString file = sandbox.makeFile("data/file");
    const QString folder = sandbox.makeFolder("data/folder");
    const QString link = sandbox.path("data/link-to-folder");
    ASSERT_TRUE(QFile::link(folder, link));
    const QString home = sandbox.locations().home;
    const QString secureLog = sandbox.makeFile("var/log/auth.log");
    const QString otherLog = sandbox.makeFile("var/log/other.log");
    struct Row {
        QString key;
        QVariant paths;
        QStringList listed;
        int passedOver = 0;
    };
    const Row rows[] = {
        { "System Cache", QStringList { folder, file }, { folder + " root folder", file + " root" } },
        { "System Library Logs", QStringList { "/gone/log" }, { "/gone/log root" } },
        // A link is removed itself, so it is no folder. The fresh log, and the one without a creation
        // date, are left out.
        { "System Logs", QStringList { link, secureLog, otherLog, sandbox.locations().systemLog },
            { link + " root", otherLog + " root" } },
        { "UserLibraryLogs", QStringList { folder }, { folder + " folder" } },
        { "Internet Cache", QStringList { link }, { link } },
        { "Cookies", QStringList { "/gone/cookie", secureLog }, { "/gone/cookie", secureLog } },
        // The user's own, however spelled: never handed to root, no password asked.
        { "System Cache",
            QStringList { "~/.cache/thumbnails/a.png", "/" + home + "//.local/share/xorg/Xorg.0.log", home,
                home + "-other/a.png" },
            { "~/.cache/thumbnails/a.png", "/" + home + "//.local/share/xorg/Xorg.0.log", home + " folder",
                home + "-other/a.png root" } },
        { "Cookies",
            QVariantList { "/kept/a", 42, QVariantList { "/nested" }, "relative/path", "",
                QString::fromUtf8("/nul\0/x", 7), "~/kept/b" },
            { "/kept/a", "~/kept/b" }, 5 },
        { "History", "/not/an/array", {}, 1 },
        { "System Cache", QVariantList { 7 }, {}, 1 },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(qPrintable(row.key + ": " + row.listed.join(u' ')));
        sandbox.clearRecords();
        bool secured = false;
        const auto root = SimpleTreeNode::treeFromDictionary(
            QVariantMap {
                { row.key, row.paths.typeId() == QMetaType::QStringList ? row.paths.toList() : row.paths } },
            &secured);
        EXPECT_EQ(outline(*root),
            QStringList { "Junk Items:" }
                + (row.listed.isEmpty() ? row.listed : QStringList { row.key + ':' } + row.listed));
        EXPECT_EQ(secured, !row.listed.filter(" root").isEmpty());
        EXPECT_EQ(sandbox.logLines(),
            row.passedOver == 0
                ? QStringList()
                : QStringList { QStringLiteral("Scan results: passed over %1 unusable entries "
                                               "under \"%2\"")
                                    .arg(row.passedOver)
                                    .arg(row.key) });
    }
}
