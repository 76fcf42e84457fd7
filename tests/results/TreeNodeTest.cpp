#include "results/TreeNode.h"
#include "platform/Images.h"
#include "results/ArrayIdentity.h"
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

// A payload of another type, to show that a results payload sorts before it.
class OtherData final : public NodeData {
public:
    ComparisonResult compare(const NodeData*) const override { return ComparisonResult::Same; }
    QString description() const override { return QStringLiteral("other"); }
};

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

TEST(TreeNode, InsertionsKeepOrderAndSetEveryParent)
{
    auto root = group("Root");
    auto a = leaf("a"), b = leaf("b"), c = leaf("c"), d = leaf("d");
    root->insertChild(a, 0);
    root->insertChild(d, 1);
    root->insertChildren({ b, c }, 1);
    EXPECT_EQ(childNames(*root), QStringList({ "a", "b", "c", "d" }));
    for (const auto& child : root->children())
        EXPECT_EQ(child->nodeParent(), root.get());

    // A node made with ready children neither adopts them nor joins its parent.
    TreeNode adoptive(SimpleNodeData::groupDataWithName("X"), root.get(), { a });
    EXPECT_EQ(adoptive.nodeParent(), root.get());
    EXPECT_EQ(a->nodeParent(), root.get());
    EXPECT_EQ(root->numberOfChildren(), 4);
}

TEST(TreeNode, RemovingFindsByEqualityAndTakesEveryIdenticalEntry)
{
    auto root = group("Root");
    auto twice = leaf("twice");
    auto other = leaf("other");
    root->insertChild(twice, 0);
    root->insertChild(other, 1);
    root->insertChild(twice, 2);

    root->removeChild(leaf("twice").get()); // same name, another object: not a child
    EXPECT_EQ(root->numberOfChildren(), 3);

    root->removeChild(twice.get());
    EXPECT_EQ(childNames(*root), QStringList({ "other" }));
    EXPECT_EQ(twice->nodeParent(), nullptr);

    other->removeFromParent();
    EXPECT_EQ(root->numberOfChildren(), 0);
    EXPECT_EQ(other->nodeParent(), nullptr);
    root->removeFromParent(); // a root has nowhere to go
    EXPECT_EQ(root->nodeParent(), nullptr);
}

TEST(TreeNode, ParentsOwnChildrenAndNothingLeaks)
{
    std::weak_ptr<TreeNode> watchedLeaf;
    std::shared_ptr<TreeNode> survivor = leaf("held elsewhere");
    {
        SmallTree tree;
        watchedLeaf = tree.g1;
        tree.h->insertChild(survivor, 1);
        tree.g1.reset();
        EXPECT_FALSE(watchedLeaf.expired()) << "the parent's array holds it";

        // Removing the last holder frees the node, also from inside its own removeFromParent.
        watchedLeaf.lock()->removeFromParent();
        EXPECT_TRUE(watchedLeaf.expired());
    }
    // The tree is gone; the node somebody else holds must not point into it.
    EXPECT_EQ(survivor->nodeParent(), nullptr);

    auto payload = SimpleNodeData::groupDataWithName("payload");
    std::weak_ptr<SimpleNodeData> watchedPayload = payload;
    auto node = TreeNode::treeNodeWithData(payload);
    node->setNodeData(payload); // the same object: kept as it is
    payload.reset();
    EXPECT_FALSE(watchedPayload.expired());
    node->setNodeData(SimpleNodeData::groupDataWithName("replacement"));
    EXPECT_TRUE(watchedPayload.expired());
    EXPECT_EQ(nameOf(node.get()), "replacement");
}

TEST(TreeNode, RefusesCyclesAndIndexesOutsideTheChildren)
{
    SmallTree tree;
    tree.g1->insertChild(tree.root, 0);
    tree.g->insertChild(tree.g, 0);
    tree.h->insertChildren({ leaf("fine"), tree.root }, 0);
    EXPECT_EQ(tree.g1->numberOfChildren(), 0);
    EXPECT_EQ(tree.g->numberOfChildren(), 2);
    EXPECT_EQ(tree.h->numberOfChildren(), 1);
    EXPECT_EQ(tree.root->nodeParent(), nullptr);

    tree.h->insertChild(leaf("far"), 5);
    tree.h->insertChild(leaf("negative"), -1);
    EXPECT_EQ(childNames(*tree.h), QStringList({ "h1" }));
}

TEST(TreeNode, ChildrenIsASnapshotAndLookupsAnswerNotFound)
{
    SmallTree tree;
    const TreeNodeArray before = tree.g->children();
    tree.g->insertChild(leaf("g3"), 2);
    tree.g->removeChild(tree.g1.get());
    ASSERT_EQ(before.size(), 2);
    EXPECT_EQ(before.at(0), tree.g1);
    EXPECT_EQ(before.at(1), tree.g2);

    EXPECT_EQ(tree.g->indexOfChild(tree.h1.get()), TreeNode::kNotFound);
    EXPECT_EQ(tree.g->indexOfChildIdenticalTo(tree.g1.get()), 2147483647);
    EXPECT_EQ(tree.h1->firstChild(), nullptr);
    EXPECT_EQ(tree.h1->lastChild(), nullptr);
    EXPECT_EQ(nameOf(tree.g->lastChild()), "g3");
}

TEST(TreeNode, DescendantsCountThemselvesAndTheirAncestorsOnly)
{
    SmallTree tree;
    struct Case {
        const char* what;
        std::shared_ptr<TreeNode> candidate;
        bool expected;
    };
    const Case cases[] = {
        { "itself", tree.g1, true },
        { "its parent", tree.g, true },
        { "its grandparent", tree.root, true },
        { "a sibling", tree.g2, false },
        { "its parent's sibling", tree.h, false },
    };
    for (const Case& c : cases)
        EXPECT_EQ(tree.g1->isDescendantOfNode(c.candidate.get()), c.expected) << c.what;
    EXPECT_FALSE(tree.g->isDescendantOfNode(tree.g1.get())) << "a child";
    EXPECT_FALSE(tree.g1->isDescendantOfNodeInArray({}));
    EXPECT_TRUE(tree.g1->isDescendantOfNodeInArray({ tree.h, tree.g }));
}

TEST(TreeNode, MinimumCoverKeepsTheTopmostNodesInOrderOfDiscovery)
{
    SmallTree tree;
    struct Case {
        const char* what;
        TreeNodeArray nodes;
        TreeNodeArray cover;
    };
    const Case cases[] = {
        { "group, its leaf, another leaf", { tree.g, tree.g1, tree.h1 }, { tree.g, tree.h1 } },
        { "leaf before its group", { tree.g1, tree.g }, { tree.g } },
        { "two leaves without their group", { tree.g1, tree.g2 }, { tree.g1, tree.g2 } },
        { "the same leaf twice", { tree.h1, tree.h1 }, { tree.h1 } },
        { "nothing", {}, {} },
    };
    for (const Case& c : cases)
        EXPECT_EQ(TreeNode::minimumNodeCoverFromNodesInArray(c.nodes), c.cover) << c.what;
}

TEST(TreeNode, SortsEveryLevelByNameWithCase)
{
    auto root = group("Root");
    auto lower = group("a");
    root->insertChildren({ lower, leaf("B"), leaf("C") }, 0);
    lower->insertChildren({ leaf("z"), leaf("Y") }, 0);
    root->recursiveSortChildren();
    EXPECT_EQ(childNames(*root), QStringList({ "B", "C", "a" }));
    EXPECT_EQ(childNames(*lower), QStringList({ "Y", "z" }));

}

TEST(TreeNodeArrays, IdentityAndEqualityAreKeptApart)
{
    const auto text = std::make_shared<QString>("same text");
    const auto equalText = std::make_shared<QString>("same text");
    const auto otherText = std::make_shared<QString>("other");
    const QList<std::shared_ptr<QString>> array { otherText, text, text };

    EXPECT_TRUE(ArrayIdentity::containsObjectIdenticalTo(array, text.get()));
    EXPECT_FALSE(ArrayIdentity::containsObjectIdenticalTo(array, equalText.get()));
    EXPECT_TRUE(ArrayIdentity::containsAnyObjectsIdenticalTo(array, { equalText, otherText }));
    EXPECT_FALSE(ArrayIdentity::containsAnyObjectsIdenticalTo(array, { equalText }));
    EXPECT_FALSE(ArrayIdentity::containsAnyObjectsIdenticalTo(array, {}));

    // Equality finds the first equal element, whichever object was asked for.
    EXPECT_EQ(ArrayIdentity::indexesOfObjects(array, { equalText, std::make_shared<QString>("absent") }),
        std::set<qsizetype>({ 1 }));
    EXPECT_EQ(ArrayIdentity::indexesOfObjects(array, { otherText, text }), std::set<qsizetype>({ 0, 1 }));

    // Nodes have no equality of their own: an equal-looking node is another node.
    const auto node = leaf("x");
    EXPECT_TRUE(ArrayIdentity::indexesOfObjects(TreeNodeArray { node }, TreeNodeArray { leaf("x") }).empty());

    QList<std::shared_ptr<QString>> grown { otherText };
    ArrayIdentity::insertObjectsFromArray(grown, grown, 0);
    ArrayIdentity::insertObjectsFromArray(grown, { text, equalText }, 1);
    ASSERT_EQ(grown.size(), 4);
    EXPECT_EQ(grown.at(0), otherText);
    EXPECT_EQ(grown.at(1), text);
    EXPECT_EQ(grown.at(2), equalText);
    EXPECT_EQ(grown.at(3), otherText);
}

TEST(TreeNodePayload, StartsTickedAndSettersCompareByEquality)
{
    const auto payload = SimpleNodeData::groupDataWithName("Cookies");
    EXPECT_TRUE(payload->isSelected());
    EXPECT_TRUE(payload->iconRep().isNull());
    EXPECT_FALSE(payload->isDirectory());
    EXPECT_EQ(payload->privilegeToDelete(), 0);

    const QChar* kept = payload->name().constData();
    payload->setName(QString::fromUtf8("Cook") + QStringLiteral("ies"));
    EXPECT_EQ(payload->name().constData(), kept) << "an equal text keeps the current string";
    payload->setName("History");
    EXPECT_EQ(payload->name(), "History");

    const QIcon checked = Images::named("checked");
    ASSERT_FALSE(checked.isNull());
    payload->setIconRep(checked);
    payload->setIconRep(Images::named("checked"));
    EXPECT_EQ(payload->iconRep().cacheKey(), checked.cacheKey());
    payload->setIconRep(Images::named("unchecked"));
    EXPECT_NE(payload->iconRep().cacheKey(), checked.cacheKey());
    payload->setIconRep(QIcon());
    EXPECT_TRUE(payload->iconRep().isNull());
}

TEST(TreeNodePayload, ComparesNamesByCharacterValuesAndSortsBeforeOtherPayloads)
{
    const auto a = SimpleNodeData::groupDataWithName("a");
    const auto b = SimpleNodeData::groupDataWithName("B");
    const OtherData other;
    EXPECT_EQ(a->compare(b.get()), ComparisonResult::Descending);
    EXPECT_EQ(b->compare(a.get()), ComparisonResult::Ascending);
    EXPECT_EQ(a->compare(SimpleNodeData::groupDataWithName("a").get()), ComparisonResult::Same);
    EXPECT_EQ(a->compare(&other), ComparisonResult::Ascending);
    EXPECT_EQ(a->compare(nullptr), ComparisonResult::Ascending);
}
