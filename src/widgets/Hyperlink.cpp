#include "widgets/Hyperlink.h"

#include <QApplication>
#include <QColor>
#include <QFont>

QString Hyperlink::hyperlinkFromString(const QString& text, const QUrl& url)
{
    const QString shown = text.toHtmlEscaped();
    if (!url.isValid() || url.isEmpty())
        return shown;
    const QFont labelFont = QApplication::font("QLabel");
    return QStringLiteral("<a href=\"%1\" style=\"color:%2; text-decoration:underline; "
                          "font-family:'%3'; font-size:%4pt;\">%5</a>")
        .arg(url.toString(QUrl::FullyEncoded).toHtmlEscaped(), QColor(Qt::blue).name(),
            labelFont.family().toHtmlEscaped().replace(u'\'', QStringLiteral("&#39;")),
            QString::number(labelFont.pointSizeF()), shown);
}
