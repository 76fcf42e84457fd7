#include "startup/LoginItem.h"

#include "platform/SystemLog.h"
#include "startup/FileReference.h"
#include "startup/LoginItemsAE.h"

#include <QVariantMap>

namespace {

// The list names files by cleaned paths; a caller's "/usr/bin//velmora" must still find its item.
QUrl comparable(const QUrl& url)
{
    return url.isLocalFile() ? FileReference::urlForPath(url.toLocalFile()) : url;
}

} // namespace

std::optional<QVariantList> LoginItem::allLoginItems()
{
    std::optional<QVariantList> items;
    const LIAEStatus status = LIAECopyLoginItems(items);
    if (status != kLIAENoError) {
        SystemLog::write(QStringLiteral("Couldn't list login items error %1").arg(status));
        return std::nullopt;
    }
    return items;
}

bool LoginItem::addLoginItemWithURL(const QUrl& url, bool hideIt)
{
    const LIAEStatus status = LIAEAddURLAtEnd(url, hideIt);
    if (status != kLIAENoError) {
        SystemLog::write(QStringLiteral("Couldn't add login item error %1").arg(status));
        return false;
    }
    return true;
}

bool LoginItem::addLoginItemWithPath(const QString& path, bool hideIt)
{
    return addLoginItemWithURL(QUrl::fromLocalFile(path), hideIt);
}

bool LoginItem::removeLoginItemAtIndex(qint32 index)
{
    const LIAEStatus status = LIAERemove(index);
    if (status != kLIAENoError) {
        SystemLog::write(QStringLiteral("Couldn't remove login intem error %1").arg(status));
        return false;
    }
    return true;
}

qint32 LoginItem::indexForLoginItemWithURL(const QUrl& url)
{
    const std::optional<QVariantList> items = allLoginItems();
    if (!items)
        return -1;
    const QUrl wanted = comparable(url);
    for (qsizetype i = 0; i < items->size(); ++i) {
        const QUrl itemURL = items->at(i).toMap().value(QStringLiteral("URL")).toUrl();
        // Encoded, so that a newline in a path cannot start a line of its own in the log.
        SystemLog::write(QString::fromUtf8(itemURL.toEncoded()));
        if (comparable(itemURL) == wanted)
            return qint32(i);
    }
    return -1;
}

qint32 LoginItem::indexForLoginItemWithPath(const QString& path)
{
    return indexForLoginItemWithURL(QUrl::fromLocalFile(path));
}

bool LoginItem::removeLoginItemWithURL(const QUrl& url)
{
    const qint32 index = indexForLoginItemWithURL(url);
    if (index < 0)
        return false;
    return removeLoginItemAtIndex(index);
}

bool LoginItem::removeLoginItemWithPath(const QString& path)
{
    return removeLoginItemWithURL(QUrl::fromLocalFile(path));
}
