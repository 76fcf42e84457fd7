#include "results/ImageAndTextCell.h"

#include "results/ResultsTreeModel.h"

#include <QApplication>
#include <QIcon>
#include <QPainter>
#include <QTreeView>

#include <cmath>

namespace {

// The image strip and what is left of the frame, split at the left edge.
std::pair<QRectF, QRectF> divideAtLeft(const QRectF& frame, qreal stripWidth)
{
    const qreal width = std::clamp(stripWidth, 0.0, std::max(frame.width(), 0.0));
    return { QRectF(frame.x(), frame.y(), width, frame.height()),
        QRectF(frame.x() + width, frame.y(), frame.width() - width, frame.height()) };
}

qreal centringOffset(qreal frameHeight, qreal imageHeight)
{
    return std::ceil((frameHeight - imageHeight) * 0.5);
}

} // namespace

ImageAndTextCell::ImageAndTextCell(QObject* parent)
    : QStyledItemDelegate(parent)
{
}

QRectF ImageAndTextCell::imageRectForBounds(const QRectF& bounds, const QSizeF& imageSize)
{
    if (imageSize.isEmpty())
        return QRectF();
    return QRectF(
        QPointF(bounds.x() + kGap, bounds.y() + centringOffset(bounds.height(), imageSize.height())),
        imageSize);
}

QRectF ImageAndTextCell::titleRectForBounds(const QRectF& bounds, const QSizeF& imageSize)
{
    if (imageSize.isEmpty())
        return QRectF();
    const qreal strip = imageSize.width() + kGap;
    return QRectF(bounds.x() + strip, bounds.y(), bounds.width() - strip, bounds.height());
}

QRectF ImageAndTextCell::textFrame(const QRectF& frame, const QSizeF& imageSize)
{
    if (imageSize.isEmpty())
        return frame;
    return divideAtLeft(frame, imageSize.width() + kGap).second;
}

QPointF ImageAndTextCell::compositePoint(const QRectF& frame, const QSizeF& imageSize, bool flipped)
{
    const QRectF strip = divideAtLeft(frame, imageSize.width() + kGap).first;
    const qreal offset = flipped ? std::ceil((frame.height() + imageSize.height()) * 0.5)
                                 : centringOffset(frame.height(), imageSize.height());
    return QPointF(strip.x() + kGap, strip.y() + offset);
}

QRectF ImageAndTextCell::checkBoxHitBox(const QRectF& cellFrame, const QSizeF& imageSize)
{
    const QRectF strip = divideAtLeft(cellFrame, imageSize.width() + kGap).first;
    return QRectF(
        QPointF(strip.x() + kGap, strip.y() + centringOffset(cellFrame.height(), imageSize.height())),
        imageSize);
}

bool ImageAndTextCell::mouseInRect(const QPointF& point, const QRectF& rect)
{
    return point.x() >= rect.left() && point.x() < rect.right() && point.y() >= rect.top()
        && point.y() < rect.bottom();
}

QSizeF ImageAndTextCell::cellSize(const QSizeF& baseSize, const QSizeF& imageSize)
{
    const qreal imageWidth = imageSize.isEmpty() ? 0.0 : imageSize.width();
    return QSizeF(baseSize.width() + imageWidth + kGap, baseSize.height());
}

QSizeF ImageAndTextCell::imageSizeFor(const QStyleOptionViewItem& option, const QModelIndex& index)
{
    const QVariant image = index.data(Qt::DecorationRole);
    if (!image.canConvert<QIcon>() || image.value<QIcon>().isNull())
        return QSizeF();
    return QSizeF(option.decorationSize);
}

void ImageAndTextCell::paint(
    QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem cell(option);
    initStyleOption(&cell, index);
    const QIcon image = cell.icon;
    const QSizeF imageSize = image.isNull() ? QSizeF() : QSizeF(option.decorationSize);
    // The image is drawn here, in the strip, not by the style.
    cell.icon = QIcon();
    cell.features &= ~QStyleOptionViewItem::HasDecoration;

    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &cell, painter, widget);

    const QRectF frame(option.rect);
    if (!imageSize.isEmpty()) {
        // Qt paints from the top down: the composite point is the image's lower-left corner.
        const QPointF corner = compositePoint(frame, imageSize, true);
        const QRectF box(QPointF(corner.x(), corner.y() - imageSize.height()), imageSize);
        const QIcon::Mode mode = (option.state & QStyle::State_Enabled) ? QIcon::Normal : QIcon::Disabled;
        image.paint(painter, box.toAlignedRect(), Qt::AlignCenter, mode);
    }

    QRectF text = textFrame(frame, imageSize);
    // A group row spans the whole width: its total goes to the right end, where the size column is.
    const auto* view = qobject_cast<const QTreeView*>(widget);
    if (view && index.column() == ResultsTreeModel::NameColumn
        && view->isFirstColumnSpanned(index.row(), index.parent())) {
        const QString total = index.siblingAtColumn(ResultsTreeModel::SizeColumn).data().toString();
        if (!total.isEmpty()) {
            const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, &cell, widget) + 1;
            const qreal totalWidth = cell.fontMetrics.horizontalAdvance(total) + 2 * margin;
            const QRectF totalBox(text.right() - totalWidth, text.y(), totalWidth, text.height());
            text.setRight(totalBox.left());
            painter->save();
            painter->setPen(cell.palette.color(
                (option.state & QStyle::State_Selected) ? QPalette::HighlightedText : QPalette::Text));
            painter->drawText(
                totalBox.adjusted(margin, 0, -margin, 0), Qt::AlignRight | Qt::AlignVCenter, total);
            painter->restore();
        }
    }
    cell.rect = text.toAlignedRect();
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);
}

QSize ImageAndTextCell::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem cell(option);
    initStyleOption(&cell, index);
    cell.icon = QIcon();
    cell.features &= ~QStyleOptionViewItem::HasDecoration;
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    const QSize base = style->sizeFromContents(QStyle::CT_ItemViewItem, &cell, QSize(), widget);
    return cellSize(QSizeF(base), imageSizeFor(option, index)).toSize();
}

void ImageAndTextCell::updateEditorGeometry(
    QWidget* editor, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    // Editing starts right of the image; without one, right of the bare gap.
    const QSizeF imageSize = imageSizeFor(option, index);
    const qreal strip = (imageSize.isEmpty() ? 0.0 : imageSize.width()) + kGap;
    editor->setGeometry(divideAtLeft(QRectF(option.rect), strip).second.toAlignedRect());
}
