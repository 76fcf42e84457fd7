#include "results/ResultsTreeModel.h"
#include "results/ResultsFixture.h"
#include "results/SimpleNodeData.h"
#include "results/SimpleTreeNode.h"

#include <QSignalSpy>

using ResultsTreeModelTest = ResultsFixture;

TEST_F(ResultsTreeModelTest, TheTickedTotalFollowsTicksAndCountsAPathWhileAnyOccurrenceIsTicked)
{
    const QString twice = sandbox.makeFile("twice", QByteArray(100, 'x'));
    const QString once = sandbox.makeFile("once", QByteArray(10, 'x'));
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
