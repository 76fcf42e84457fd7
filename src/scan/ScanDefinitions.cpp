#include "scan/ScanDefinitions.h"

#include "platform/Locations.h"
#include "platform/PropertyList.h"
#include "platform/SystemLog.h"

namespace {

// A value that should be an array of strings (paths, or program names); "where" names it in the log.
QStringList pathStrings(const QVariant& value, const QString& where)
{
    if (!value.isValid())
        return {};
    if (value.typeId() != QMetaType::QVariantList) {
        SystemLog::write(QStringLiteral("%1 is not a list of paths; it is passed over").arg(where));
        return {};
    }
    QStringList paths;
    const QVariantList items = value.toList();
    paths.reserve(items.size());
    for (const QVariant& item : items) {
        if (item.typeId() == QMetaType::QString)
            paths.append(item.toString());
        else
            SystemLog::write(
                QStringLiteral("%1 holds an entry that is not a path; it is passed over").arg(where));
    }
    return paths;
}

// A value that should be a dictionary; missing or of another type gives an empty one.
QVariantMap dictionary(const QVariant& value, const QString& where)
{
    if (!value.isValid())
        return {};
    if (value.typeId() != QMetaType::QVariantMap) {
        SystemLog::write(QStringLiteral("%1 is not a dictionary; it is passed over").arg(where));
        return {};
    }
    return value.toMap();
}

QString quoted(const QString& resource, const QString& key)
{
    return QStringLiteral("%1 \"%2\"").arg(resource, key);
}

} // namespace

QVariantMap ScanDefinitions::load(const Locations& locations, const QString& resourceName)
{
    return PropertyList::readDictionary(locations.definitionFile(resourceName));
}

QStringList ScanDefinitions::browserPaths(
    const QVariantMap& internetCachePaths, const QString& category, const QString& browser)
{
    const QString where = quoted(kInternetCachePaths, category);
    const QVariantMap browsers = dictionary(internetCachePaths.value(category), where);
    return pathStrings(browsers.value(browser), quoted(where, browser));
}

QStringList ScanDefinitions::categoryPaths(const QVariantMap& internetCachePaths, const QString& category)
{
    const QVariantMap browsers
        = dictionary(internetCachePaths.value(category), quoted(kInternetCachePaths, category));
    QStringList paths;
    for (auto browser = browsers.cbegin(); browser != browsers.cend(); ++browser)
        paths << browserPaths(internetCachePaths, category, browser.key());
    return paths;
}

QStringList ScanDefinitions::logPaths(const QVariantMap& sysLogPaths)
{
    return pathStrings(sysLogPaths.value(kLogPaths), quoted(kSysLogPaths, kLogPaths));
}

QStringList ScanDefinitions::systemCachePaths(const QVariantMap& systemCachePaths)
{
    return pathStrings(systemCachePaths.value(kSystemCache), quoted(kSystemCachePaths, kSystemCache));
}

QStringList ScanDefinitions::everyEntry(const Locations& locations)
{
    const QVariantMap internet = load(locations, kInternetCachePaths);
    QStringList entries;
    for (auto category = internet.cbegin(); category != internet.cend(); ++category) {
        if (category.key() == kBrowserExecutables)
            continue;
        entries << categoryPaths(internet, category.key());
    }
    entries << logPaths(load(locations, kSysLogPaths))
            << systemCachePaths(load(locations, kSystemCachePaths));
    return entries;
}

QList<std::pair<QString, QString>> ScanDefinitions::browserExecutables(const QVariantMap& internetCachePaths)
{
    const QString where = quoted(kInternetCachePaths, kBrowserExecutables);
    const QVariantMap table = dictionary(internetCachePaths.value(kBrowserExecutables), where);
    QList<std::pair<QString, QString>> browsers;
    for (auto it = table.cbegin(); it != table.cend(); ++it) {
        const QVariant& value = it.value();
        const QStringList names = value.typeId() == QMetaType::QString
            ? QStringList { value.toString() }
            : pathStrings(value, quoted(where, it.key()));
        for (const QString& name : names)
            browsers.append({ it.key(), name });
    }
    return browsers;
}
