#include "scan/ScanTestSupport.h"

#include "platform/PropertyList.h"
#include "scan/ScanInfo.h"
#include "scan/ScanState.h"
#include "support/Sandbox.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

void useDefinitions(Sandbox& sandbox, const QVariantMap& internetCachePaths, const QStringList& logPaths,
    const QStringList& systemCachePaths)
{
    Locations locations = sandbox.locations();
    locations.resourcesFolder = sandbox.path(QStringLiteral("resources"));
    sandbox.setLocations(locations);
    QDir().mkpath(locations.resourcesFolder + QStringLiteral("/definitions"));
    PropertyList::writeXml(internetCachePaths, locations.definitionFile(QStringLiteral("InternetCachePaths")));
    PropertyList::writeXml(QVariantMap { { QStringLiteral("LogPaths"), logPaths } },
        locations.definitionFile(QStringLiteral("SysLogPaths")));
    PropertyList::writeXml(QVariantMap { { QStringLiteral("System Cache"), systemCachePaths } },
        locations.definitionFile(QStringLiteral("SystemCachePaths")));
}

QMap<QString, QStringList> readResults(const QString& path)
{
    QMap<QString, QStringList> results;
    const QVariantMap root = PropertyList::readDictionary(path);
    for (auto it = root.cbegin(); it != root.cend(); ++it)
        results.insert(it.key(), it.value().toStringList());
    return results;
}

QString makeTree(const QString& root, const QStringList& items)
{
    QDir().mkpath(root);
    for (const QString& item : items) {
        const QString full = root + u'/' + item;
        if (const qsizetype arrow = item.indexOf(QStringLiteral(" -> ")); arrow >= 0) {
            const QString link = root + u'/' + item.left(arrow);
            QDir().mkpath(QFileInfo(link).absolutePath());
            QFile::link(item.mid(arrow + 4), link);
        } else if (item.endsWith(u'/')) {
            QDir().mkpath(full);
        } else {
            QDir().mkpath(QFileInfo(full).absolutePath());
            QFile file(full);
            if (file.open(QIODevice::WriteOnly))
                file.write("junk");
        }
    }
    return root;
}

QStringList under(const QString& root, const QStringList& relative)
{
    QStringList paths;
    for (const QString& path : relative)
        paths.append(root + u'/' + path);
    return paths;
}

QStringList RecordingReporter::descriptions(const QString& kind) const
{
    QStringList found;
    for (const Report& report : reports) {
        if (report.kind == kind)
            found.append(report.description);
    }
    return found;
}

void RecordingReporter::add(const QString& kind, const ScanInfo* info, int count)
{
    Report report { kind, info ? info->getCategory() : QString(), info ? info->getDescription() : QString(), count,
        m_state.nTotalErrorsCount };
    reports.push_back(report);
    if (onReport)
        onReport(report);
}

void RecordingReporter::reportBrowserItem(const ScanInfo& info)
{
    add(QStringLiteral("browser"), &info, m_state.nCacheCount);
}

void RecordingReporter::reportLogEntry(const ScanInfo& info)
{
    add(QStringLiteral("log"), &info, m_state.nLogsCount);
}

void RecordingReporter::reportSystemCacheItem(const ScanInfo& info)
{
    add(QStringLiteral("systemCache"), &info, m_state.nSystemCacheCount);
}

void RecordingReporter::reportNoInternetCacheItems()
{
    add(QStringLiteral("noInternetCache"), nullptr, 0);
}

void RecordingReporter::reportNoSystemCacheItems()
{
    add(QStringLiteral("noSystemCache"), nullptr, 0);
}

void RecordingReporter::showLogsStateImage(const QString& imageName)
{
    images.append(QStringLiteral("logs:") + imageName);
}

void RecordingReporter::showSystemCacheStateImage(const QString& imageName)
{
    images.append(QStringLiteral("systemCache:") + imageName);
}
