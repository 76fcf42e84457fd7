#include "results/ResultsTreeModel.h"
#include "results/ResultsFixture.h"
#include "results/SimpleNodeData.h"
#include "results/SimpleTreeNode.h"

#include <QAbstractItemModelTester>
#include <QFile>
#include <QSignalSpy>

namespace {

class ResultsTreeModelTest : public ResultsFixture {
protected:
    QString bytes(const QString& name, int size) { return sandbox.makeFile(name, QByteArray(size, 'x')); }
};

} // namespace

TEST_F(ResultsTreeModelTest, PassesTheModelTesterThroughResetsAndArrivingSizes)
{
    ResultsTreeModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);

    model.setRoot(SimpleTreeNode::treeFromDictionary(results({
        { "Cookies", { bytes("c/1", 10), bytes("c/2", 20), "/gone" } },
        { "Internet Cache", { sandbox.makeFolder("cache") } },
        { "History", {} },
    })));
    waitForSizes(model);
    model.setRoot(SimpleTreeNode::treeFromDictionary(results({ { "Downloads List", {} } })));
    waitForSizes(model);
    EXPECT_TRUE(model.hasChildren(model.index(0, 0))) << "a group stays expandable without rows";
    EXPECT_FALSE(model.flags(model.index(0, 0)) & Qt::ItemIsEditable) << "paths are what removal acts on";
    model.setRoot(nullptr);
    waitForSizes(model);
}

TEST_F(ResultsTreeModelTest, MeasuresPathsFoldersAndGroupsCountingEachPathOnce)
{
    const QString small = bytes("c/small", 300);
    const QString folder = sandbox.makeFolder("c/folder");
    bytes("c/folder/a", 1000);
    bytes("c/folder/deeper/b", 2000);
    const QString link = sandbox.path("c/link");
    ASSERT_TRUE(QFile::link(folder, link));
    ResultsTreeModel model;
    const auto root = SimpleTreeNode::treeFromDictionary(results({
        { "Cookies", { small, folder, "/gone", small } },
        { "Internet Cache", { link, small } },
    }));
    model.setRoot(root);
    waitForSizes(model);

    struct Case {
        const char* what;
        const TreeNode* node;
        qint64 bytes;
    };
    const TreeNode* cookies = findNode(*root, "Cookies");
    const TreeNode* cache = findNode(*root, "Internet Cache");
    const qint64 linkSize = QFileInfo(link).symLinkTarget().toUtf8().size();
    const Case cases[] = {
        { "a file", cookies->childAtIndex(0), 300 },
        { "a folder with everything below it", cookies->childAtIndex(1), 3000 },
        { "a path that is gone", cookies->childAtIndex(2), SimpleNodeData::kUnknownSize },
        { "the same path again", cookies->childAtIndex(3), 300 },
        { "a link, not what it points to", cache->childAtIndex(0), linkSize },
        // Internet Cache is shown first, so the file listed in both counts there.
        { "a group: each path once", cache, linkSize + 300 },
        { "a group: paths counted above are not counted again", cookies, 3000 },
        { "all junk", root->firstChild(), 3300 + linkSize },
    };
    for (const Case& c : cases)
        EXPECT_EQ(ResultsTreeModel::payloadOf(c.node)->byteSize(), c.bytes) << c.what;
    EXPECT_EQ(model.tickedBytes(), 3300 + linkSize);
}

TEST_F(ResultsTreeModelTest, TheTickedTotalFollowsTicksAndCountsAPathWhileAnyOccurrenceIsTicked)
{
    const QString twice = bytes("twice", 100);
    const QString once = bytes("once", 10);
    ResultsTreeModel model;
    const auto root = SimpleTreeNode::treeFromDictionary(results({ { "Cookies", { twice, once, twice } } }));
    model.setRoot(root);
    waitForSizes(model);
    ASSERT_EQ(model.tickedBytes(), 110);

    QSignalSpy changes(&model, &ResultsTreeModel::tickedBytesChanged);
    const TreeNode* cookies = findNode(*root, "Cookies");
    const auto untick = [&](int row) {
        ResultsTreeModel::payloadOf(cookies->childAtIndex(row))->setSelected(false);
        model.reloadItem(cookies->childAtIndex(row));
    };
    untick(0);
    EXPECT_EQ(model.tickedBytes(), 110) << "the second occurrence is still ticked";
    untick(2);
    EXPECT_EQ(model.tickedBytes(), 10);
    untick(1);
    EXPECT_EQ(model.tickedBytes(), 0);
    EXPECT_EQ(changes.count(), 2);
}

TEST_F(ResultsTreeModelTest, ANewTreeOrTheModelsEndAbandonsAMeasurement)
{
    QStringList many;
    for (int i = 0; i < 2000; ++i)
        many << sandbox.path(QStringLiteral("gone/%1").arg(i));
    const QString kept = bytes("kept", 42);
    {
        ResultsTreeModel model;
        model.setRoot(SimpleTreeNode::treeFromDictionary(results({ { "Cookies", many } })));
        const auto second = SimpleTreeNode::treeFromDictionary(results({ { "Cookies", { kept } } }));
        model.setRoot(second);
        waitForSizes(model);
        EXPECT_EQ(model.tickedBytes(), 42);
        EXPECT_EQ(ResultsTreeModel::payloadOf(findNode(*second, kept))->byteSize(), 42);

        model.setRoot(SimpleTreeNode::treeFromDictionary(results({ { "Cookies", many } })));
    } // gone while measuring: the worker stops before the tree goes
}
