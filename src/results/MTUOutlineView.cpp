#include "results/MTUOutlineView.h"

#include "platform/Images.h"
#include "platform/Localization.h"
#include "results/ImageAndTextCell.h"
#include "results/ResultsTreeModel.h"
#include "results/SimpleNodeData.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>

#include <algorithm>

namespace {

QIcon tickImage(bool ticked)
{
    return Images::named(ticked ? QStringLiteral("checked") : QStringLiteral("unchecked"));
}

} // namespace

MTUOutlineView::MTUOutlineView(QWidget* parent)
    : QTreeView(parent)
{
}

bool MTUOutlineView::toggleCheckBoxAt(const QPoint& point)
{
    const QModelIndex index = indexAt(point);
    if (!index.isValid())
        return false;
    // The box is drawn in the name column only, whichever column took the click.
    const QModelIndex name = index.siblingAtColumn(ResultsTreeModel::NameColumn);
    const QRectF hitBox = ImageAndTextCell::checkBoxHitBox(QRectF(visualRect(name)), QSizeF(iconSize()));
    return ImageAndTextCell::mouseInRect(QPointF(point), hitBox) && toggle(name);
}

bool MTUOutlineView::toggle(const QModelIndex& index)
{
    auto* results = qobject_cast<ResultsTreeModel*>(model());
    TreeNode* node = results ? results->nodeForIndex(index) : nullptr;
    SimpleNodeData* data = ResultsTreeModel::payloadOf(node);
    if (!data || !data->isLeaf() || data->iconRep().isNull())
        return false;
    const bool ticked = !data->isSelected();
    data->setSelected(ticked);
    data->setIconRep(tickImage(ticked));
    results->reloadItem(node);
    Q_EMIT checkBoxToggled(index);
    return true;
}

bool MTUOutlineView::setSelectedTicks(std::optional<bool> ticked)
{
    auto* results = qobject_cast<ResultsTreeModel*>(model());
    if (!results || !selectionModel())
        return false;
    std::vector<TreeNode*> leaves;
    for (const QModelIndex& row : selectionModel()->selectedRows(ResultsTreeModel::NameColumn)) {
        // A category below a selected one is reached through it already.
        bool inSelectedCategory = false;
        for (QModelIndex above = row.parent(); above.isValid() && !inSelectedCategory; above = above.parent())
            inSelectedCategory = selectionModel()->isRowSelected(above.row(), above.parent());
        if (!inSelectedCategory)
            ResultsTreeModel::collectLeavesBelow(results->nodeForIndex(row), leaves);
    }
    if (leaves.empty())
        return false;
    const bool tick = ticked.value_or(std::any_of(leaves.cbegin(), leaves.cend(),
        [](const TreeNode* leaf) { return !ResultsTreeModel::payloadOf(leaf)->isSelected(); }));
    for (TreeNode* leaf : leaves) {
        SimpleNodeData* data = ResultsTreeModel::payloadOf(leaf);
        data->setSelected(tick);
        // A leaf not shown yet is given its box when it first is.
        if (!data->iconRep().isNull())
            data->setIconRep(tickImage(tick));
    }
    results->reloadLeaves(leaves);
    return true;
}

void MTUOutlineView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        toggleCheckBoxAt(event->position().toPoint());
    QTreeView::mousePressEvent(event);
}

void MTUOutlineView::mouseDoubleClickEvent(QMouseEvent* event)
{
    // Each click of a quick pair on a check box flips it, as two slow clicks would.
    if (event->button() == Qt::LeftButton && toggleCheckBoxAt(event->position().toPoint())) {
        event->accept();
        return;
    }
    QTreeView::mouseDoubleClickEvent(event);
}

void MTUOutlineView::keyPressEvent(QKeyEvent* event)
{
    // Space ticks what is selected, for those who do not use a mouse.
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier && setSelectedTicks()) {
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void MTUOutlineView::contextMenuEvent(QContextMenuEvent* event)
{
    const QModelIndex row = indexAt(event->pos());
    if (!row.isValid())
        return;
    // The menu acts on the selection it is opened on, or on its own row alone.
    if (!selectionModel()->isRowSelected(row.row(), row.parent()))
        selectionModel()->select(row, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    QMenu menu(this);
    menu.addAction(Localization::text(QStringLiteral("OUTLINE_TICK"), QStringLiteral("Tick")), this,
        [this] { setSelectedTicks(true); });
    menu.addAction(Localization::text(QStringLiteral("OUTLINE_UNTICK"), QStringLiteral("Untick")), this,
        [this] { setSelectedTicks(false); });
    menu.exec(event->globalPos());
}
