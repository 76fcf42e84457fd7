#include "shell/Hyperlink.h"

#include <gtest/gtest.h>

#include <QTextDocument>

// The text is shown as it stands; only a usable address makes it a link.
TEST(LinkStylingTest, LinkTextIsShownLiterallyAndPointsAtTheUrl)
{
    const std::pair<QUrl, const char*> rows[] = {
        { QUrl("https://example.org/a b?q=<x>"), "href=\"https://example.org/a%20b?q=%3Cx%3E\"" },
        { QUrl(), nullptr },
        { QUrl("http://[::1", QUrl::StrictMode), nullptr },
    };
    for (const auto& [url, href] : rows) {
        const QString html = Hyperlink::hyperlinkFromString("<b>Tom & \"Jerry\"</b>", url);
        QTextDocument document;
        document.setHtml(html);
        EXPECT_EQ(document.toPlainText(), "<b>Tom & \"Jerry\"</b>");
        EXPECT_TRUE(href ? html.contains(QLatin1String(href)) : !html.contains("<a ")) << html.toStdString();
    }
}
