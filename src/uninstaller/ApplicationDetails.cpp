#include "uninstaller/ApplicationDetails.h"

#include "platform/Images.h"
#include "platform/Localization.h"
#include "support/ApplicationUtility.h"
#include "uninstaller/FlatpakApps.h"

#include <QIcon>
#include <QImageReader>
#include <QPixmap>

namespace {

constexpr int kIconSize = 14;

QIcon smallIcon(const QString& file)
{
    // A picture that is not one (or a huge one) gives the generic icon rather than a stall.
    QImageReader reader(file);
    QImage image;
    if (!file.isEmpty() && reader.canRead()) {
        reader.setScaledSize(QSize(kIconSize, kIconSize));
        image = reader.read();
    }
    if (!image.isNull())
        return QIcon(QPixmap::fromImage(image));
    QIcon icon = QIcon::fromTheme(QStringLiteral("application-x-executable"));
    if (icon.isNull())
        icon = Images::named(QStringLiteral("GenericApplication"));
    return QIcon(icon.pixmap(QSize(kIconSize, kIconSize), 1.0));
}

} // namespace

ApplicationDetails ApplicationDetails::package(ApplicationKind kind, const QString& name,
    const QString& identifier, const QString& installation, const QString& iconFile)
{
    ApplicationDetails row;
    row.m_kind = kind;
    row.m_appName = name;
    row.m_appPath = identifier;
    row.m_installation = installation;
    row.m_appNameWithIcon
        = ApplicationUtility::updatedString(QStringLiteral("   ") + name, smallIcon(iconFile));
    return row;
}

QString ApplicationDetails::kindLabel() const
{
    switch (m_kind) {
    case ApplicationKind::Bundle:
        return Localization::text(QStringLiteral("APPLICATION_KIND_BUNDLE"), QStringLiteral("Bundle"));
    case ApplicationKind::AppImage:
        return QStringLiteral("AppImage");
    case ApplicationKind::Flatpak:
        return formatText(Localization::text(QStringLiteral("APPLICATION_KIND_FLATPAK"), QStringLiteral("Flatpak (%@)")),
            { FlatpakApps::shownInstallation(m_installation) });
    case ApplicationKind::Snap:
        return Localization::text(QStringLiteral("APPLICATION_KIND_SNAP"), QStringLiteral("snap"));
    }
    return QString();
}
