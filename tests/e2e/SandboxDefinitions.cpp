#include "e2e/SandboxDefinitions.h"

#include "platform/Localization.h"
#include "platform/Locations.h"
#include "platform/PropertyList.h"
#include "support/Sandbox.h"

#include <QDir>
#include <QFile>

namespace {

QVariant rerooted(const QVariant& value, const QString& root)
{
    switch (value.typeId()) {
    case QMetaType::QVariantMap: {
        QVariantMap map = value.toMap();
        for (auto it = map.begin(); it != map.end(); ++it)
            it.value() = rerooted(it.value(), root);
        return map;
    }
    case QMetaType::QVariantList: {
        QVariantList list = value.toList();
        for (QVariant& item : list)
            item = rerooted(item, root);
        return list;
    }
    case QMetaType::QString: {
        const QString text = value.toString();
        return text.startsWith(u'/') ? QVariant(root + text) : value;
    }
    default:
        return value;
    }
}

} // namespace

QString makeSandboxDefinitions(const QString& sandboxRoot)
{
    const QString shipped = QStringLiteral(VELMORA_SOURCE_RESOURCES);
    const QString resources = sandboxRoot + QStringLiteral("/resources");
    QDir().mkpath(resources + QStringLiteral("/definitions"));
    for (const char* name : { "InternetCachePaths", "SysLogPaths", "SystemCachePaths" }) {
        const QString file = QStringLiteral("/definitions/") + QLatin1String(name) + QStringLiteral(".plist");
        const auto definitions = PropertyList::read(shipped + file);
        if (definitions)
            PropertyList::writeXml(rerooted(*definitions, sandboxRoot), resources + file);
    }
    // Texts and images still come from the shipped folders.
    for (const char* folder : { "localization", "images" }) {
        QFile::link(shipped + u'/' + QLatin1String(folder), resources + u'/' + QLatin1String(folder));
    }
    return resources;
}

void useSandboxDefinitions(Sandbox& sandbox)
{
    Localization::setLanguage(QString());
    Locations locations = sandbox.locations();
    locations.resourcesFolder = makeSandboxDefinitions(sandbox.root());
    sandbox.setLocations(locations);
}
