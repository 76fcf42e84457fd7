#pragma once

#include <QString>
#include <QUrl>

// Text styled as a link for rich-text labels: blue, underlined, in the label
// font, pointing at the URL.
class Hyperlink final {
public:
    Hyperlink() = delete;

    // Rich text showing `text` as a link to `url`. The text is escaped, so it
    // shows literally whatever it holds; an invalid or empty URL gives the
    // plain text without a link, since there is nothing to open.
    static QString hyperlinkFromString(const QString& text, const QUrl& url);
};
