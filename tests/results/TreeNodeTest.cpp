#include "results/TreeNode.h"
#include "results/SimpleNodeData.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace {

std::shared_ptr<TreeNode> group(const QString& name)
{
    return TreeNode::treeNodeWithData(SimpleNodeData::groupDataWithName(name));
}

std::shared_ptr<TreeNode> leaf(const QString& name)
{
    return TreeNode::treeNodeWithData(SimpleNodeData::leafDataWithName(name, 0, false));
}

QString nameOf(const TreeNode* node)
{
    return node ? static_cast<SimpleNodeData*>(node->nodeData())->name() : QStringLiteral("(none)");
}

QStringList childNames(const TreeNode& node)
{
    QStringList names;
    for (const auto& child : node.children())
        names << nameOf(child.get());
    return names;
}

// Root > G (g1, g2), H (h1)
struct SmallTree {
    std::shared_ptr<TreeNode> root = group("Root");
    std::shared_ptr<TreeNode> g = group("G");
    std::shared_ptr<TreeNode> g1 = leaf("g1");
    std::shared_ptr<TreeNode> g2 = leaf("g2");
    std::shared_ptr<TreeNode> h = group("H");
    std::shared_ptr<TreeNode> h1 = leaf("h1");
    SmallTree()
    {
        root->insertChild(g, 0);
        root->insertChild(h, 1);
        g->insertChild(g1, 0);
        g->insertChild(g2, 1);
        h->insertChild(h1, 0);
    }
};

} // namespace

TEST(TreeNode, InsertionsKeepOrderAndRefuseCyclesAndIndexesOutsideTheChildren)
{
    SmallTree tree;
    auto b = leaf("b"), c = leaf("c");
    tree.g->insertChildren({ b, c }, 1);
    EXPECT_EQ(childNames(*tree.g), QStringList({ "g1", "b", "c", "g2" }));
    for (const auto& child : tree.g->children())
        EXPECT_EQ(child->nodeParent(), tree.g.get());

    tree.g1->insertChild(tree.root, 0);
    tree.g->insertChild(tree.g, 0);
    tree.h->insertChildren({ leaf("fine"), tree.root }, 0);
    tree.h->insertChild(leaf("far"), 5);
    tree.h->insertChild(leaf("negative"), -1);
    EXPECT_EQ(tree.g1->numberOfChildren(), 0);
    EXPECT_EQ(tree.g->numberOfChildren(), 4);
    EXPECT_EQ(childNames(*tree.h), QStringList({ "h1" }));
    EXPECT_EQ(tree.root->nodeParent(), nullptr);
}

TEST(TreeNode, DescendantsAndMinimumCover)
{
    SmallTree t;
    const std::pair<std::shared_ptr<TreeNode>, bool> ancestors[]
        = { { t.g1, true }, { t.g, true }, { t.root, true }, { t.g2, false }, { t.h, false } };
    for (const auto& [candidate, expected] : ancestors)
        EXPECT_EQ(t.g1->isDescendantOfNode(candidate.get()), expected) << qPrintable(nameOf(candidate.get()));
    EXPECT_FALSE(t.g->isDescendantOfNode(t.g1.get())) << "a child";
    EXPECT_TRUE(t.g1->isDescendantOfNodeInArray({ t.h, t.g }));

    const std::pair<TreeNodeArray, TreeNodeArray> covers[] = {
        { { t.g, t.g1, t.h1 }, { t.g, t.h1 } },
        { { t.g1, t.g }, { t.g } },
        { { t.g1, t.g2 }, { t.g1, t.g2 } },
        { { t.h1, t.h1 }, { t.h1 } },
        { {}, {} },
    };
    for (const auto& [nodes, cover] : covers)
        EXPECT_EQ(TreeNode::minimumNodeCoverFromNodesInArray(nodes), cover) << nodes.size();
}
