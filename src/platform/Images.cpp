#include "platform/Images.h"

#include "platform/Locations.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>

QIcon Images::named(const QString& name)
{
    if (name.isEmpty())
        return QIcon();
    static QHash<QString, QIcon> cache;
    const QString folder = Locations::current().resourcesFolder + QStringLiteral("/images/");
    const QString key = folder + name;
    if (const auto found = cache.constFind(key); found != cache.cend())
        return *found;
    QIcon icon;
    for (const char* suffix : { ".svg", ".png" }) {
        const QString path = folder + name + QLatin1String(suffix);
        if (QFileInfo::exists(path)) {
            icon = QIcon(path);
            break;
        }
    }
    cache.insert(key, icon);
    return icon;
}

QPixmap Images::pixmapNamed(const QString& name, int size)
{
    return named(name).pixmap(QSize(size, size), qGuiApp ? qGuiApp->devicePixelRatio() : 1.0);
}
