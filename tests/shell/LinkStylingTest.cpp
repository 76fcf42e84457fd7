#include "shell/Hyperlink.h"
#include "support/ApplicationUtility.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTextDocument>

TEST(LinkStylingTest, LinkTextIsShownLiterallyAndPointsAtTheUrl)
{
    const QString text = QStringLiteral("<b>Tom & \"Jerry\"</b>");
    const QString html
        = Hyperlink::hyperlinkFromString(text, QUrl(QStringLiteral("https://example.org/a b?q=<x>")));
    QTextDocument document;
    document.setHtml(html);
    EXPECT_EQ(document.toPlainText(), text);
    EXPECT_TRUE(html.contains(QStringLiteral("href=\"https://example.org/a%20b?q=%3Cx%3E\"")))
        << html.toStdString();
}

TEST(LinkStylingTest, WithoutAUsableUrlTheTextIsNotALink)
{
    for (const QUrl& url : { QUrl(), QUrl(QStringLiteral("http://[::1"), QUrl::StrictMode) }) {
        const QString html = Hyperlink::hyperlinkFromString(QStringLiteral("a & b"), url);
        EXPECT_FALSE(html.contains(QStringLiteral("<a "))) << html.toStdString();
        QTextDocument document;
        document.setHtml(html);
        EXPECT_EQ(document.toPlainText(), QStringLiteral("a & b"));
    }
}

TEST(LinkStylingTest, TextFieldBecomesASelectableOpeningLink)
{
    QLabel field;
    ApplicationUtility::setHyperlinkOnTextField(&field, QStringLiteral("https://example.org/"));
    EXPECT_EQ(field.textFormat(), Qt::RichText);
    EXPECT_TRUE(field.textInteractionFlags().testFlag(Qt::TextSelectableByMouse));
    EXPECT_TRUE(field.textInteractionFlags().testFlag(Qt::LinksAccessibleByMouse));
    EXPECT_EQ(field.accessibleName(), QStringLiteral("https://example.org/"));
    ApplicationUtility::setHyperlinkOnTextField(nullptr, QStringLiteral("https://example.org/"));
}

TEST(LinkStylingTest, UnderlinedButtonTitleIsBlueAtTenPoints)
{
    QPushButton button;
    ApplicationUtility::setUnderLineOnButton(&button, QStringLiteral("More"));
    EXPECT_EQ(button.text(), QStringLiteral("More"));
    EXPECT_TRUE(button.font().underline());
    EXPECT_DOUBLE_EQ(button.font().pointSizeF(), 10.0);
    EXPECT_EQ(button.palette().color(QPalette::ButtonText), QColor(Qt::blue));
    ApplicationUtility::setUnderLineOnButton(nullptr, QStringLiteral("More"));
}
