#include "scan/ScanTestSupport.h"

#include "platform/PropertyList.h"
#include "scan/ScanState.h"
#include "support/Sandbox.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

void useDefinitions(Sandbox& sandbox, const QVariantMap& internetCachePaths, const QStringList& logPaths,
    const QStringList& systemCachePaths)
{
    Locations locations = sandbox.locations();
    locations.resourcesFolder = sandbox.path("resources");
    sandbox.setLocations(locations);
    QDir().mkpath(locations.resourcesFolder + "/definitions");
    PropertyList::writeXml(internetCachePaths, locations.definitionFile("InternetCachePaths"));
    PropertyList::writeXml(QVariantMap { { "LogPaths", logPaths } }, locations.definitionFile("SysLogPaths"));
    PropertyList::writeXml(
        QVariantMap { { "System Cache", systemCachePaths } }, locations.definitionFile("SystemCachePaths"));
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
        qsizetype arrow = item.indexOf(" -> ");
        const qsizetype equals = item.indexOf(" = ");
        if (equals >= 0 && equals < arrow)
            arrow = -1; // the text is the file's, whatever it holds
        const qsizetype nameEnd = arrow >= 0 ? arrow : equals;
        const QString full = root + u'/' + (nameEnd >= 0 ? item.left(nameEnd) : item);
        QDir().mkpath(item.endsWith(u'/') ? full : QFileInfo(full).absolutePath());
        if (arrow >= 0) {
            QFile::link(item.mid(arrow + 4), full);
        } else if (!item.endsWith(u'/')) {
            QFile file(full);
            if (file.open(QIODevice::WriteOnly))
                file.write(equals >= 0 ? item.mid(equals + 3).toUtf8() : QByteArray("junk"));
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
            found << report.description;
    }
    return found;
}

void RecordingReporter::add(const QString& kind, const QString& category, const QString& description)
{
    reports.push_back({ kind, category, description, m_state.nTotalErrorsCount });
    if (onReport)
        onReport(reports.back());
}
