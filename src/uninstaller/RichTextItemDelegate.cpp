#include "uninstaller/RichTextItemDelegate.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QPainter>
#include <QTextDocument>

namespace {

void prepare(QTextDocument& document, const QStyleOptionViewItem& option, const QString& html)
{
    document.setDocumentMargin(2);
    document.setDefaultFont(option.font);
    document.setHtml(html);
}

} // namespace

RichTextItemDelegate::RichTextItemDelegate(QObject* parent)
    : QStyledItemDelegate(parent)
{
}

void RichTextItemDelegate::paint(
    QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    const QString html = item.text;
    item.text.clear();
    QStyle* style = item.widget ? item.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &item, painter, item.widget);

    QTextDocument document;
    prepare(document, item, html);
    const QRect textRect = style->subElementRect(QStyle::SE_ItemViewItemText, &item, item.widget);
    QAbstractTextDocumentLayout::PaintContext context;
    const bool selected = item.state & QStyle::State_Selected;
    context.palette = item.palette;
    context.palette.setColor(
        QPalette::Text, item.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));

    painter->save();
    const int top = textRect.top() + (textRect.height() - int(document.size().height())) / 2;
    painter->translate(textRect.left(), top);
    painter->setClipRect(textRect.translated(-textRect.left(), -top));
    document.documentLayout()->draw(painter, context);
    painter->restore();
}

QSize RichTextItemDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    QTextDocument document;
    prepare(document, item, item.text);
    return QSize(int(document.idealWidth()), int(document.size().height()));
}
