#pragma once

#include "results/PathSizeCalculator.h"

#include <QAbstractItemModel>

#include <functional>
#include <memory>
#include <vector>

class SimpleNodeData;
class TreeNode;

// The results tree as the outline views see it: the root stays hidden, its
// children are the top level. The name column carries each node's name (and,
// for a leaf on the fix page, its check box); the size column what removing
// the path frees, measured in the background after the tree is shown.
// The tree's shape must not change while it is shown; names, ticks and
// images may, followed by reloadItem().
class ResultsTreeModel final : public QAbstractItemModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ResultsTreeModel)

public:
    enum Column { NameColumn = 0, SizeColumn = 1, ColumnCount = 2 };

    explicit ResultsTreeModel(QObject* parent = nullptr);
    ~ResultsTreeModel() override;

    // "NameColumn", "SizeColumn".
    static QString columnIdentifier(int column);
    // The payload of a results-tree node; null for any other node.
    static SimpleNodeData* payloadOf(const TreeNode* node);

    // Shows the tree below `root` (null: nothing) and starts measuring its leaves.
    void setRoot(std::shared_ptr<TreeNode> root);
    TreeNode* root() const { return m_root.get(); }
    // The root for an invalid index.
    TreeNode* nodeForIndex(const QModelIndex& index) const;
    QModelIndex indexForNode(const TreeNode* node, int column = NameColumn) const;
    // The node's row is drawn anew and the ticked total follows its tick.
    void reloadItem(const TreeNode* node);
    // The same for many leaves at once: one change per parent and one new
    // ticked total, however many leaves there are.
    void reloadLeaves(const std::vector<TreeNode*>& leaves);
    // Every leaf below the node, or the node itself when it is a leaf.
    static void collectLeavesBelow(TreeNode* node, std::vector<TreeNode*>& leaves);

    // A few words after a leaf's name, saying what removal does to it that is
    // not plain deletion; empty for most leaves.
    using RowNote = std::function<QString(const TreeNode& leaf)>;
    void setRowNote(RowNote note) { m_rowNote = std::move(note); }

    // Called before a node's image is handed out for display: the fix page
    // gives leaves their check box there, the first time each is shown.
    using WillDisplayItem = std::function<void(TreeNode& item)>;
    void setWillDisplayItem(WillDisplayItem hook) { m_willDisplayItem = std::move(hook); }

    // The paths listed, each time it is listed.
    int leafCount() const { return int(m_leaves.size()); }
    bool sizesMeasured() const { return m_sizesMeasured; }
    // What removing the ticked leaves frees: a path listed twice, or lying in
    // a ticked listed folder, adds nothing, nor does a file with several
    // links once one of them is counted; -1 until every size is known.
    qint64 tickedBytes() const { return m_tickedBytes; }

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

Q_SIGNALS:
    void tickedBytesChanged(qint64 bytes);
    void sizesMeasuringFinished();

private:
    void collectLeaves(TreeNode* node);
    void takeSizes(int first, const QList<PathSizeCalculator::Measured>& measured);
    void finishMeasuring();
    void recountTickedBytes();

    std::shared_ptr<TreeNode> m_root;
    // Every leaf in tree order, with its row, as handed to the measurement.
    std::vector<TreeNode*> m_leaves;
    std::vector<int> m_leafRows;
    std::vector<PathSizeCalculator::Measured> m_measured;
    PathSizeCalculator* m_sizeCalculator;
    WillDisplayItem m_willDisplayItem;
    RowNote m_rowNote;
    qint64 m_tickedBytes = -1;
    bool m_sizesMeasured = false;
};
