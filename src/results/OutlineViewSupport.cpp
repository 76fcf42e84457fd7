#include "results/OutlineViewSupport.h"

#include "platform/Localization.h"
#include "results/ImageAndTextCell.h"
#include "results/ResultsTreeModel.h"
#include "results/SimpleNodeData.h"
#include "results/TreeNode.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QTreeView>

#include <algorithm>
#include <functional>

namespace {

ResultsTreeModel* resultsModel(const QTreeView& view)
{
    return qobject_cast<ResultsTreeModel*>(view.model());
}

// Visits every group below `parent`, parents before children; leaves are passed over.
void forEachGroup(const ResultsTreeModel& model, const QModelIndex& parent,
    const std::function<void(const QModelIndex&)>& visit)
{
    const TreeNode* node = model.nodeForIndex(parent);
    if (!node)
        return;
    for (int row = 0; row < node->numberOfChildren(); ++row) {
        const SimpleNodeData* data = ResultsTreeModel::payloadOf(node->childAtIndex(row));
        if (!data || !data->isGroup())
            continue;
        const QModelIndex group = model.index(row, ResultsTreeModel::NameColumn, parent);
        visit(group);
        forEachGroup(model, group, visit);
    }
}

} // namespace

void OutlineViewSupport::setUp(QTreeView& view, ResultsTreeModel& model, ImageAndTextCell& cell)
{
    view.setModel(&model);
    view.setItemDelegateForColumn(ResultsTreeModel::NameColumn, &cell);
    view.setUniformRowHeights(true);
    view.setEditTriggers(QAbstractItemView::NoEditTriggers);
    view.setSelectionMode(QAbstractItemView::ExtendedSelection);
    view.setSelectionBehavior(QAbstractItemView::SelectRows);
    // The ends of a path say where it is and what it is; the middle is what can go.
    view.setTextElideMode(Qt::ElideMiddle);
    view.setIconSize(QSize(16, 16));
    view.setHeaderHidden(true);
    view.header()->setStretchLastSection(false);
    view.header()->setSectionResizeMode(ResultsTreeModel::NameColumn, QHeaderView::Stretch);
    view.header()->setSectionResizeMode(ResultsTreeModel::SizeColumn, QHeaderView::Fixed);
    // Wide enough for the longest size texts in the user's language; the margin is the style's padding.
    const QFontMetrics metrics = view.fontMetrics();
    const int widest = std::max(metrics.horizontalAdvance(formattedSize(999)),
        metrics.horizontalAdvance(formattedSize(999'900'000'000)));
    view.header()->resizeSection(ResultsTreeModel::SizeColumn, widest + 16);
}

void OutlineViewSupport::expandAll(QTreeView& view)
{
    const ResultsTreeModel* model = resultsModel(view);
    const QModelIndex first = model ? model->index(0, 0) : QModelIndex();
    if (!first.isValid())
        return;
    // Only groups expand: asking each of a hundred thousand leaves would cost more than the rest of the page.
    view.expand(first);
    forEachGroup(*model, first, [&view](const QModelIndex& group) { view.expand(group); });
}

void OutlineViewSupport::collapseAll(QTreeView& view)
{
    const ResultsTreeModel* model = resultsModel(view);
    const QModelIndex first = model ? model->index(0, 0) : QModelIndex();
    if (!first.isValid())
        return;
    forEachGroup(*model, first, [&view](const QModelIndex& group) { view.collapse(group); });
    view.collapse(first);
}

void OutlineViewSupport::spanGroupRows(QTreeView& view)
{
    const ResultsTreeModel* model = resultsModel(view);
    if (!model)
        return;
    forEachGroup(*model, QModelIndex(),
        [&view](const QModelIndex& group) { view.setFirstColumnSpanned(group.row(), group.parent(), true); });
}
