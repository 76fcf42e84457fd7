#pragma once

#include <QString>
#include <QUrl>
#include <QVariantList>

#include <optional>

// The login items in terms of file URLs, paths and list indices. Failures
// become a log line with the store's status and a plain answer: no list,
// NO, or -1. Each call reads the store afresh, so an index is only good
// until the login items change.
class LoginItem final {
public:
    LoginItem() = delete;

    // Records {"URL": QUrl, "Hidden": bool}; std::nullopt when the list cannot be read.
    static std::optional<QVariantList> allLoginItems();
    static bool addLoginItemWithURL(const QUrl& url, bool hideIt);
    static bool addLoginItemWithPath(const QString& path, bool hideIt);
    static bool removeLoginItemAtIndex(qint32 index);
    // The index of the first item with that URL; -1 when there is none or the list cannot be read.
    static qint32 indexForLoginItemWithURL(const QUrl& url);
    static qint32 indexForLoginItemWithPath(const QString& path);
    // Removes the first item with that URL; NO when there is none.
    static bool removeLoginItemWithURL(const QUrl& url);
    static bool removeLoginItemWithPath(const QString& path);
};
