#include "uninstaller/PackageLeftover.h"

#include "platform/FileSystem.h"
#include "platform/Localization.h"
#include "platform/Locations.h"
#include "uninstaller/FlatpakApps.h"
#include "uninstaller/SnapApps.h"
#include "uninstaller/SupportFileRemoval.h"

PackageLeftover::PackageLeftover(Kind kind, const QString& name, const QString& detail)
    : m_kind(kind)
    , m_name(name)
    , m_detail(detail)
{
}

PackageLeftover PackageLeftover::unusedRuntime(const QString& ref, const QString& installation)
{
    return { Kind::UnusedRuntime, ref, installation };
}

PackageLeftover PackageLeftover::oldSnapRevision(const QString& name, const QString& revision)
{
    return { Kind::OldSnapRevision, name, revision };
}

PackageLeftover PackageLeftover::applicationData(const QString& parent, const QString& name)
{
    return { Kind::RemovedApplicationData, name, parent };
}

QString PackageLeftover::label() const
{
    switch (m_kind) {
    case Kind::UnusedRuntime:
        return QStringLiteral("%1 (%2)").arg(m_name, FlatpakApps::shownInstallation(m_detail));
    case Kind::OldSnapRevision:
        return formatText(Localization::text(QStringLiteral("PACKAGE_SNAP_REVISION"),
                              QStringLiteral("snap %@, revision %@")),
            { m_name, m_detail });
    case Kind::RemovedApplicationData:
        break;
    }
    return measuredPath();
}

QString PackageLeftover::measuredPath() const
{
    const Locations& l = Locations::current();
    switch (m_kind) {
    case Kind::UnusedRuntime:
        return (m_detail == QStringLiteral("user") ? l.flatpakUserInstallation : l.flatpakSystemInstallation)
            + u'/' + m_name;
    case Kind::OldSnapRevision:
        return SnapApps::revisionFile(m_name, m_detail);
    case Kind::RemovedApplicationData:
        break;
    }
    return m_detail + u'/' + m_name;
}

PackageUninstall::Outcome PackageLeftover::remove() const
{
    switch (m_kind) {
    case Kind::UnusedRuntime:
        return PackageUninstall::runTool(
            QStringLiteral("flatpak"), FlatpakApps::runtimeUninstallArguments(m_name, m_detail));
    case Kind::OldSnapRevision:
        return PackageUninstall::runTool(
            QStringLiteral("snap"), SnapApps::revisionRemoveArguments(m_name, m_detail));
    case Kind::RemovedApplicationData:
        break;
    }
    QString reason;
    const bool removed = SupportFileRemoval(Locations::current()).remove({ m_detail, { m_name } }, &reason)
        == FileSystem::Beneath::Removed;
    return { removed, reason };
}
