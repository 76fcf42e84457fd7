#include "uninstaller/DockPreferenceFile.h"

#include "platform/PropertyList.h"
#include "platform/SystemLog.h"

#include <QFileInfo>
#include <QVariantList>
#include <QVariantMap>

#include <optional>

namespace {

const QString kPersistentApps = QStringLiteral("persistent-apps");

std::optional<QString> tileLabel(const QVariant& tile)
{
    if (tile.typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    const QVariant data = tile.toMap().value(QStringLiteral("tile-data"));
    if (data.typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    const QVariant label = data.toMap().value(QStringLiteral("file-label"));
    if (label.typeId() != QMetaType::QString)
        return std::nullopt;
    return label.toString();
}

bool failed()
{
    SystemLog::write(QStringLiteral("failed saving the XML plist file"));
    return false;
}

} // namespace

bool DockPreferenceFile::removeTiles(const QString& path, const QString& label, const QString& appName)
{
    if (!QFileInfo::exists(path))
        return failed();

    const std::optional<QVariant> root = PropertyList::read(path);
    const bool isDictionary = root && root->typeId() == QMetaType::QVariantMap;
    QVariantMap preferences = isDictionary ? root->toMap() : QVariantMap();
    const QVariant tiles = preferences.value(kPersistentApps);
    // Writing back a file we could not read, or one whose tiles are not an
    // array, would lose the Dock's settings instead of editing them.
    const bool editable = isDictionary && (!tiles.isValid() || tiles.typeId() == QMetaType::QVariantList);

    QVariantList kept;
    if (editable) {
        for (const QVariant& tile : tiles.toList()) {
            const std::optional<QString> tileName = tileLabel(tile);
            if (tileName && *tileName == label) {
                SystemLog::write(QStringLiteral("%1 remove from DOCK").arg(appName));
            } else {
                kept.append(tile);
            }
            if (tileName)
                SystemLog::write(*tileName);
        }
    }
    SystemLog::write(QStringLiteral("File exists"));
    if (!editable)
        return failed();

    preferences.insert(kPersistentApps, kept);
    // Written to a temporary file and renamed over the old one: a failed write
    // leaves the Dock its previous file rather than half a new one.
    if (!PropertyList::writeXml(preferences, path))
        return failed();
    return true;
}
