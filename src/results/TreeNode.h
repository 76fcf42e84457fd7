#pragma once

#include "results/ArrayIdentity.h"
#include "results/NodeData.h"

#include <QString>

#include <memory>

// A node of an ordered tree. A node owns its payload and shares ownership of
// its children with whoever else holds them; the link to the parent does not
// own, so a tree frees itself from the root down. The same node may stand in
// a children array more than once: removal takes out every occurrence.
class TreeNode {
public:
    // The index answered when a child is not found.
    static constexpr int kNotFound = 0x7FFFFFFF;

    // A node of this very class, whatever class the caller works with.
    static std::shared_ptr<TreeNode> treeNodeWithData(std::shared_ptr<NodeData> data);

    // Neither sets the parent of the given children nor adds this node to the given parent.
    TreeNode(std::shared_ptr<NodeData> data, TreeNode* parent, const TreeNodeArray& children);
    virtual ~TreeNode();
    TreeNode(const TreeNode&) = delete;
    TreeNode& operator=(const TreeNode&) = delete;

    NodeData* nodeData() const { return m_nodeData.get(); }
    void setNodeData(std::shared_ptr<NodeData> data);
    TreeNode* nodeParent() const { return m_nodeParent; }
    void setNodeParent(TreeNode* parent) { m_nodeParent = parent; }

    // Both change nothing when the index lies outside 0...numberOfChildren()
    // or a node to insert is one this node descends from: the tree would own
    // itself and never be freed.
    void insertChild(std::shared_ptr<TreeNode> child, int index);
    void insertChildren(const TreeNodeArray& children, int index);
    // Finds the child by equality, then removes every entry identical to what it found.
    void removeChild(const TreeNode* child);
    void removeFromParent();

    int indexOfChild(const TreeNode* child) const;
    int indexOfChildIdenticalTo(const TreeNode* child) const;
    int numberOfChildren() const { return int(m_nodeChildren.size()); }
    // A snapshot: later insertions and removals leave it as it is.
    TreeNodeArray children() const { return m_nodeChildren; }
    TreeNode* firstChild() const;
    TreeNode* lastChild() const;
    // The caller keeps index below numberOfChildren().
    TreeNode* childAtIndex(int index) const { return m_nodeChildren.at(index).get(); }

    // A node counts as its own descendant.
    bool isDescendantOfNode(const TreeNode* node) const;
    bool isDescendantOfNodeInArray(const TreeNodeArray& nodes) const;
    // The fewest nodes whose subtrees together hold every node of the array, in order of discovery.
    static TreeNodeArray minimumNodeCoverFromNodesInArray(const TreeNodeArray& nodes);

    void recursiveSortChildren();
    ComparisonResult compare(const TreeNode& other) const;
    QString description() const;

protected:
    // The class name that description() shows.
    virtual QString className() const { return QStringLiteral("TreeNode"); }

private:
    void _removeChildrenIdenticalTo(const TreeNodeArray& children);
    bool refusesChild(const TreeNode* child) const;

    TreeNode* m_nodeParent;
    std::shared_ptr<NodeData> m_nodeData;
    TreeNodeArray m_nodeChildren;
};
