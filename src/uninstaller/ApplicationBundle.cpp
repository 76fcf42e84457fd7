#include "uninstaller/ApplicationBundle.h"

#include "platform/Locations.h"
#include "platform/PropertyList.h"

#include <QFileInfo>

ApplicationBundle::ApplicationBundle(const QString& path)
{
    const QString bundle = Locations::current().expandTilde(path);
    if (!QFileInfo(bundle).isDir())
        return;
    for (const char* relative : { "/Contents/Info.plist", "/Info.plist" }) {
        const QString info = bundle + QLatin1String(relative);
        if (QFileInfo(info).isFile()) {
            m_info = PropertyList::readDictionary(info);
            return;
        }
    }
}

QString ApplicationBundle::bundleIdentifier() const
{
    return stringForInfoDictionaryKey(QStringLiteral("CFBundleIdentifier"));
}

QString ApplicationBundle::stringForInfoDictionaryKey(const QString& key) const
{
    const QVariant value = m_info.value(key);
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}
