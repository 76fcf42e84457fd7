#include "e2e/SandboxDefinitions.h"

#include "platform/Locations.h"
#include "platform/PropertyList.h"
#include "support/Sandbox.h"

#include <QDir>
#include <QFile>

QString makeSandboxDefinitions(const QString& sandboxRoot)
{
    const QString shipped = QStringLiteral(VELMORA_SOURCE_RESOURCES);
    const QString resources = sandboxRoot + QStringLiteral("/resources");
    QDir().mkpath(resources + QStringLiteral("/definitions"));
    for (const char* name : { "InternetCachePaths", "SysLogPaths", "SystemCachePaths" }) {
        const QString file = QStringLiteral("/definitions/") + QLatin1String(name) + QStringLiteral(".plist");
        // Written out again by our own writer, whatever form the shipped file has, so
        // that every absolute path is a <string> element starting with "/".
        const auto definitions = PropertyList::read(shipped + file);
        QByteArray xml
            = definitions ? PropertyList::toXml(*definitions).value_or(QByteArray()) : QByteArray();
        xml.replace("<string>/", "<string>" + sandboxRoot.toHtmlEscaped().toUtf8() + '/');
        QFile out(resources + file);
        if (out.open(QIODevice::WriteOnly))
            out.write(xml);
    }
    // Texts and images still come from the shipped folders.
    for (const char* folder : { "localization", "images" }) {
        QFile::link(shipped + u'/' + QLatin1String(folder), resources + u'/' + QLatin1String(folder));
    }
    return resources;
}

void useSandboxDefinitions(Sandbox& sandbox)
{
    Locations locations = sandbox.locations();
    locations.resourcesFolder = makeSandboxDefinitions(sandbox.root());
    sandbox.setLocations(locations);
}
