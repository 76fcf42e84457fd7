#pragma once

#include <QStyledItemDelegate>

// Draws a cell whose display text is rich text (an inline image and a name)
// as the document it describes rather than as its markup.
class RichTextItemDelegate final : public QStyledItemDelegate {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RichTextItemDelegate)

public:
    explicit RichTextItemDelegate(QObject* parent = nullptr);

    void paint(
        QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
