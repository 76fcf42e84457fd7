#include "results/TreeNode.h"

#include <algorithm>

std::shared_ptr<TreeNode> TreeNode::treeNodeWithData(std::shared_ptr<NodeData> data)
{
    return std::make_shared<TreeNode>(std::move(data), nullptr, TreeNodeArray());
}

TreeNode::TreeNode(std::shared_ptr<NodeData> data, TreeNode* parent, const TreeNodeArray& children)
    : m_nodeParent(parent)
    , m_nodeData(std::move(data))
    , m_nodeChildren(children)
{
}

TreeNode::~TreeNode()
{
    // A child that somebody else still holds must not point at freed memory.
    for (const auto& child : std::as_const(m_nodeChildren)) {
        if (child && child->m_nodeParent == this)
            child->m_nodeParent = nullptr;
    }
}

void TreeNode::setNodeData(std::shared_ptr<NodeData> data)
{
    if (data.get() != m_nodeData.get())
        m_nodeData = std::move(data);
}

bool TreeNode::refusesChild(const TreeNode* child) const
{
    return !child || isDescendantOfNode(child);
}

void TreeNode::insertChild(std::shared_ptr<TreeNode> child, int index)
{
    if (index < 0 || index > m_nodeChildren.size() || refusesChild(child.get()))
        return;
    TreeNode* inserted = child.get();
    m_nodeChildren.insert(index, std::move(child));
    inserted->m_nodeParent = this;
}

void TreeNode::insertChildren(const TreeNodeArray& children, int index)
{
    if (index < 0 || index > m_nodeChildren.size())
        return;
    for (const auto& child : children) {
        if (refusesChild(child.get()))
            return;
    }
    ArrayIdentity::insertObjectsFromArray(m_nodeChildren, children, index);
    for (const auto& child : children)
        child->m_nodeParent = this;
}

void TreeNode::removeChild(const TreeNode* child)
{
    const int index = indexOfChild(child);
    if (index == kNotFound)
        return;
    // Held here so that the node outlives its own removal even when this was its last owner.
    const TreeNodeArray found { m_nodeChildren.at(index) };
    _removeChildrenIdenticalTo(found);
}

void TreeNode::_removeChildrenIdenticalTo(const TreeNodeArray& children)
{
    for (const auto& child : children)
        child->m_nodeParent = nullptr;
    for (const auto& child : children)
        m_nodeChildren.removeIf(
            [&](const std::shared_ptr<TreeNode>& entry) { return entry.get() == child.get(); });
}

void TreeNode::removeFromParent()
{
    // May free this node: nothing of it is touched afterwards.
    if (m_nodeParent)
        m_nodeParent->removeChild(this);
}

int TreeNode::indexOfChild(const TreeNode* child) const
{
    for (int i = 0; i < m_nodeChildren.size(); ++i) {
        // Nodes have no equality of their own, so equal means identical here;
        // the helper keeps it right should a payload-aware one be added.
        if (ArrayIdentity::isEqualObject<const TreeNode*>(m_nodeChildren.at(i).get(), child))
            return i;
    }
    return kNotFound;
}

int TreeNode::indexOfChildIdenticalTo(const TreeNode* child) const
{
    for (int i = 0; i < m_nodeChildren.size(); ++i) {
        if (m_nodeChildren.at(i).get() == child)
            return i;
    }
    return kNotFound;
}

TreeNode* TreeNode::firstChild() const
{
    return m_nodeChildren.isEmpty() ? nullptr : m_nodeChildren.first().get();
}

TreeNode* TreeNode::lastChild() const
{
    return m_nodeChildren.isEmpty() ? nullptr : m_nodeChildren.last().get();
}

bool TreeNode::isDescendantOfNode(const TreeNode* node) const
{
    for (const TreeNode* current = this; current; current = current->m_nodeParent) {
        if (current == node)
            return true;
    }
    return false;
}

bool TreeNode::isDescendantOfNodeInArray(const TreeNodeArray& nodes) const
{
    return std::any_of(nodes.cbegin(), nodes.cend(),
        [this](const std::shared_ptr<TreeNode>& node) { return isDescendantOfNode(node.get()); });
}

TreeNodeArray TreeNode::minimumNodeCoverFromNodesInArray(const TreeNodeArray& nodes)
{
    TreeNodeArray cover;
    TreeNodeArray pending = nodes;
    const auto removeAll = [&pending](const TreeNode* node) {
        pending.removeIf([node](const std::shared_ptr<TreeNode>& entry) { return entry.get() == node; });
    };
    while (!pending.isEmpty()) {
        std::shared_ptr<TreeNode> current = pending.takeFirst();
        while (current->m_nodeParent
            && ArrayIdentity::containsObjectIdenticalTo(pending, current->m_nodeParent)) {
            removeAll(current.get());
            const TreeNode* parent = current->m_nodeParent;
            const auto held = std::find_if(pending.cbegin(), pending.cend(),
                [parent](const std::shared_ptr<TreeNode>& entry) { return entry.get() == parent; });
            current = *held;
        }
        if (!current->isDescendantOfNodeInArray(cover))
            cover.append(current);
        removeAll(current.get());
    }
    return cover;
}

void TreeNode::recursiveSortChildren()
{
    std::stable_sort(m_nodeChildren.begin(), m_nodeChildren.end(),
        [](const std::shared_ptr<TreeNode>& a, const std::shared_ptr<TreeNode>& b) {
            return a->compare(*b) == ComparisonResult::Ascending;
        });
    for (const auto& child : std::as_const(m_nodeChildren))
        child->recursiveSortChildren();
}

ComparisonResult TreeNode::compare(const TreeNode& other) const
{
    // A node without payload has nothing to order by.
    return m_nodeData ? m_nodeData->compare(other.m_nodeData.get()) : ComparisonResult::Same;
}

QString TreeNode::description() const
{
    const QString self = QStringLiteral("<%1: 0x%2>").arg(className()).arg(quintptr(this), 0, 16);
    const QString data = m_nodeData ? m_nodeData->description() : QStringLiteral("(null)");
    return self + QStringLiteral(" - nodeData: ") + data;
}
