#include "results/MTUOutlineView.h"

#include "platform/Images.h"
#include "results/ImageAndTextCell.h"
#include "results/ResultsTreeModel.h"
#include "results/SimpleNodeData.h"

#include <QKeyEvent>
#include <QMouseEvent>

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
    data->setIconRep(Images::named(ticked ? QStringLiteral("checked") : QStringLiteral("unchecked")));
    results->reloadItem(node);
    Q_EMIT checkBoxToggled(index);
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
    // Space ticks the current leaf, for those who do not use a mouse.
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier
        && toggle(currentIndex().siblingAtColumn(ResultsTreeModel::NameColumn))) {
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}
