#pragma once

#include <QStyledItemDelegate>

// Draws a name with an optional image (the fix page's check box) to its left.
// The image sits in a strip of image width + kGap split off the cell's left
// edge, kGap into the strip and centred vertically; the text takes the rest.
// MTUOutlineView takes clicks in the same box, so what the user sees is what
// the click hits. An empty image size means the row has no image.
class ImageAndTextCell final : public QStyledItemDelegate {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ImageAndTextCell)

public:
    static constexpr qreal kGap = 3.0;

    explicit ImageAndTextCell(QObject* parent = nullptr);

    // The image's box; the zero rectangle without an image.
    static QRectF imageRectForBounds(const QRectF& bounds, const QSizeF& imageSize);
    // Where the text goes beside an image; the zero rectangle without an image.
    static QRectF titleRectForBounds(const QRectF& bounds, const QSizeF& imageSize);
    // Where text is drawn or edited: right of the strip, or the whole frame without an image.
    static QRectF textFrame(const QRectF& frame, const QSizeF& imageSize);
    // The image's lower-left corner in a flipped (top-down) view, its upper
    // left in a bottom-up one: the corner at which the picture is composited.
    static QPointF compositePoint(const QRectF& frame, const QSizeF& imageSize, bool flipped);
    // The box in which a click ticks or unticks: exactly where the image is drawn.
    static QRectF checkBoxHitBox(const QRectF& cellFrame, const QSizeF& imageSize);
    // Half-open on the far edges, so two adjacent boxes never both take a point.
    static bool mouseInRect(const QPointF& point, const QRectF& rect);
    // The base size widened by the strip (by kGap alone without an image).
    static QSizeF cellSize(const QSizeF& baseSize, const QSizeF& imageSize);

    void paint(
        QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void updateEditorGeometry(
        QWidget* editor, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    static QSizeF imageSizeFor(const QStyleOptionViewItem& option, const QModelIndex& index);
};
