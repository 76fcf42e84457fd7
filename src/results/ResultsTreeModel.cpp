#include "results/ResultsTreeModel.h"

#include "platform/Localization.h"
#include "platform/Locations.h"
#include "results/SimpleNodeData.h"
#include "results/TreeNode.h"

#include <QIcon>

#include <algorithm>
#include <map>
#include <unordered_set>
#include <set>

ResultsTreeModel::ResultsTreeModel(QObject* parent)
    : QAbstractItemModel(parent)
    , m_sizeCalculator(new PathSizeCalculator(this))
{
    connect(m_sizeCalculator, &PathSizeCalculator::sizesMeasured, this, &ResultsTreeModel::takeSizes);
    connect(m_sizeCalculator, &PathSizeCalculator::finished, this, &ResultsTreeModel::finishMeasuring);
}

ResultsTreeModel::~ResultsTreeModel()
{
    // The worker reads the paths of this tree: stop it before the tree can go.
    m_sizeCalculator->cancel();
}

QString ResultsTreeModel::columnIdentifier(int column)
{
    switch (column) {
    case NameColumn:
        return QStringLiteral("NameColumn");
    case SizeColumn:
        return QStringLiteral("SizeColumn");
    default:
        return QString();
    }
}

SimpleNodeData* ResultsTreeModel::payloadOf(const TreeNode* node)
{
    return node ? dynamic_cast<SimpleNodeData*>(node->nodeData()) : nullptr;
}

void ResultsTreeModel::setRoot(std::shared_ptr<TreeNode> root)
{
    m_sizeCalculator->cancel();
    beginResetModel();
    m_root = std::move(root);
    m_leaves.clear();
    m_leafRows.clear();
    m_measured.clear();
    m_tickedBytes = -1;
    m_sizesMeasured = false;
    if (m_root)
        collectLeaves(m_root.get());
    m_measured.assign(m_leaves.size(), {});
    endResetModel();

    QStringList paths;
    paths.reserve(qsizetype(m_leaves.size()));
    for (TreeNode* leaf : m_leaves)
        paths.append(Locations::current().expandTilde(payloadOf(leaf)->name()));
    m_sizeCalculator->start(paths);
}

void ResultsTreeModel::collectLeaves(TreeNode* node)
{
    for (int row = 0; row < node->numberOfChildren(); ++row) {
        TreeNode* child = node->childAtIndex(row);
        const SimpleNodeData* data = payloadOf(child);
        if (!data)
            continue;
        if (data->isLeaf()) {
            m_leaves.push_back(child);
            m_leafRows.push_back(row);
        } else {
            collectLeaves(child);
        }
    }
}

void ResultsTreeModel::takeSizes(int first, const QList<PathSizeCalculator::Measured>& measured)
{
    // Rows of the same parent arrive together, so one range per parent covers a batch.
    std::vector<std::pair<TreeNode*, std::pair<int, int>>> leafRanges;
    std::set<TreeNode*> groups;
    for (qsizetype i = 0; i < measured.size(); ++i) {
        const size_t ordinal = size_t(first + i);
        if (ordinal >= m_leaves.size())
            break;
        const PathSizeCalculator::Measured& path = measured.at(i);
        TreeNode* leaf = m_leaves[ordinal];
        payloadOf(leaf)->setByteSize(path.size);
        m_measured[ordinal] = path;
        TreeNode* parent = leaf->nodeParent();
        const int row = m_leafRows[ordinal];
        if (!leafRanges.empty() && leafRanges.back().first == parent)
            leafRanges.back().second.second = row;
        else
            leafRanges.push_back({ parent, { row, row } });
        // A path adds to the totals once, where it first appears, and not at
        // all inside a listed folder, whose size holds it already; its groups'
        // totals are known all the same.
        if (path.size < 0)
            continue;
        const bool adds = path.firstOccurrence == int(ordinal) && path.container < 0;
        for (TreeNode* group = parent; group && group != m_root.get(); group = group->nodeParent()) {
            SimpleNodeData* data = payloadOf(group);
            data->setByteSize(
                std::max<qint64>(data->byteSize(), 0) + (adds ? std::max<qint64>(path.added, 0) : 0));
            groups.insert(group);
        }
    }
    for (const auto& [parent, rows] : leafRanges) {
        const QModelIndex parentIndex = indexForNode(parent);
        Q_EMIT dataChanged(
            index(rows.first, SizeColumn, parentIndex), index(rows.second, SizeColumn, parentIndex));
    }
    for (TreeNode* group : groups) {
        const QModelIndex changed = indexForNode(group, SizeColumn);
        Q_EMIT dataChanged(changed, changed);
    }
}

void ResultsTreeModel::finishMeasuring()
{
    m_sizesMeasured = true;
    recountTickedBytes();
    Q_EMIT sizesMeasuringFinished();
}

void ResultsTreeModel::recountTickedBytes()
{
    if (!m_sizesMeasured)
        return;
    // A path is ticked when any row listing it is.
    std::vector<char> ticked(m_leaves.size(), 0);
    for (size_t i = 0; i < m_leaves.size(); ++i) {
        if (payloadOf(m_leaves[i])->isSelected())
            ticked[m_measured[i].firstOccurrence < 0 ? i : size_t(m_measured[i].firstOccurrence)] = 1;
    }
    qint64 total = 0;
    for (size_t i = 0; i < m_leaves.size(); ++i) {
        const PathSizeCalculator::Measured& path = m_measured[i];
        if (!ticked[i] || path.firstOccurrence != int(i))
            continue;
        // The removal of a ticked folder frees what lies in it; an unticked folder frees nothing.
        int folder = path.container;
        while (folder >= 0 && !ticked[size_t(folder)])
            folder = m_measured[size_t(folder)].container;
        if (folder < 0)
            total += std::max<qint64>(path.added, 0);
    }
    if (total != m_tickedBytes) {
        m_tickedBytes = total;
        Q_EMIT tickedBytesChanged(total);
    }
}

TreeNode* ResultsTreeModel::nodeForIndex(const QModelIndex& index) const
{
    return index.isValid() ? static_cast<TreeNode*>(index.internalPointer()) : m_root.get();
}

QModelIndex ResultsTreeModel::indexForNode(const TreeNode* node, int column) const
{
    if (!node || node == m_root.get())
        return QModelIndex();
    const TreeNode* parent = node->nodeParent();
    if (!parent)
        return QModelIndex();
    const int row = parent->indexOfChildIdenticalTo(node);
    if (row == TreeNode::kNotFound)
        return QModelIndex();
    return createIndex(row, column, const_cast<TreeNode*>(node));
}

void ResultsTreeModel::reloadItem(const TreeNode* node)
{
    const QModelIndex first = indexForNode(node, NameColumn);
    if (!first.isValid())
        return;
    Q_EMIT dataChanged(first, first.siblingAtColumn(ColumnCount - 1));
    const SimpleNodeData* data = payloadOf(node);
    if (data && data->isLeaf())
        recountTickedBytes();
}

void ResultsTreeModel::reloadLeaves(const std::vector<TreeNode*>& leaves)
{
    // A view redraws a range as cheaply as a row: one range per parent spares
    // it a signal per leaf when a category of tens of thousands is ticked.
    // Rows are found by one pass over each parent's children, never one search per leaf.
    const std::unordered_set<const TreeNode*> changed(leaves.cbegin(), leaves.cend());
    std::map<TreeNode*, std::pair<int, int>> ranges;
    for (const TreeNode* leaf : leaves) {
        TreeNode* parent = leaf->nodeParent();
        if (!parent || !ranges.try_emplace(parent, -1, -1).second)
            continue;
        auto& range = ranges[parent];
        for (int row = 0; row < parent->numberOfChildren(); ++row) {
            if (!changed.contains(parent->childAtIndex(row)))
                continue;
            range.first = range.first < 0 ? row : range.first;
            range.second = row;
        }
    }
    for (const auto& [parent, rows] : ranges) {
        if (rows.first < 0)
            continue;
        const QModelIndex parentIndex = indexForNode(parent);
        Q_EMIT dataChanged(
            index(rows.first, NameColumn, parentIndex), index(rows.second, ColumnCount - 1, parentIndex));
    }
    recountTickedBytes();
}

void ResultsTreeModel::collectLeavesBelow(TreeNode* node, std::vector<TreeNode*>& leaves)
{
    const SimpleNodeData* data = payloadOf(node);
    if (!data)
        return;
    if (data->isLeaf()) {
        leaves.push_back(node);
        return;
    }
    for (int row = 0; row < node->numberOfChildren(); ++row)
        collectLeavesBelow(node->childAtIndex(row), leaves);
}

QModelIndex ResultsTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    if (!hasIndex(row, column, parent))
        return QModelIndex();
    return createIndex(row, column, nodeForIndex(parent)->childAtIndex(row));
}

QModelIndex ResultsTreeModel::parent(const QModelIndex& child) const
{
    if (!child.isValid())
        return QModelIndex();
    return indexForNode(nodeForIndex(child)->nodeParent());
}

int ResultsTreeModel::rowCount(const QModelIndex& parent) const
{
    if (parent.column() > 0)
        return 0;
    const TreeNode* node = nodeForIndex(parent);
    return node ? node->numberOfChildren() : 0;
}

int ResultsTreeModel::columnCount(const QModelIndex&) const
{
    return ColumnCount;
}

bool ResultsTreeModel::hasChildren(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return rowCount(parent) > 0;
    if (parent.column() > 0)
        return false;
    // Every group may be expanded, also one whose paths were all left out.
    const SimpleNodeData* data = payloadOf(nodeForIndex(parent));
    return data ? data->isGroup() : rowCount(parent) > 0;
}

QVariant ResultsTreeModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return QVariant();
    TreeNode* node = nodeForIndex(index);
    const SimpleNodeData* payload = payloadOf(node);
    if (!payload)
        return QVariant();
    switch (role) {
    case Qt::DisplayRole: {
        if (index.column() != NameColumn)
            return formattedSize(payload->byteSize());
        if (payload->isGroup())
            return Localization::categoryName(payload->name());
        const QString note = m_rowNote && payload->isLeaf() ? m_rowNote(*node) : QString();
        return note.isEmpty() ? payload->name() : payload->name() + QStringLiteral(" (") + note + u')';
    }
    case Qt::EditRole:
        return index.column() == NameColumn ? QVariant(payload->name()) : QVariant();
    case Qt::ToolTipRole:
        if (index.column() != NameColumn)
            return QVariant();
        return payload->isGroup() ? Localization::categoryName(payload->name()) : payload->name();
    case Qt::DecorationRole:
        if (index.column() != NameColumn)
            return QVariant();
        if (m_willDisplayItem)
            m_willDisplayItem(*node);
        return payload->iconRep().isNull() ? QVariant() : QVariant(payload->iconRep());
    case Qt::TextAlignmentRole:
        return index.column() == SizeColumn ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    default:
        return QVariant();
    }
}

bool ResultsTreeModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    SimpleNodeData* payload = payloadOf(nodeForIndex(index));
    if (!index.isValid() || !payload || index.column() != NameColumn || role != Qt::EditRole
        || value.typeId() != QMetaType::QString)
        return false;
    payload->setName(value.toString());
    Q_EMIT dataChanged(index, index);
    return true;
}

Qt::ItemFlags ResultsTreeModel::flags(const QModelIndex& index) const
{
    // Names are paths that removal acts on: they are never edited in place.
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}
