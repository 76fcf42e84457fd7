#include "uninstaller/PackageUninstall.h"

#include "platform/FileSystem.h"
#include "platform/Localization.h"
#include "platform/Locations.h"
#include "platform/SystemLog.h"
#include "results/PathSizeCalculator.h"
#include "support/ProcessRunner.h"
#include "uninstaller/AppImageFiles.h"
#include "uninstaller/FlatpakApps.h"
#include "uninstaller/SnapApps.h"
#include "uninstaller/SupportFileRemoval.h"

#include <QFileInfo>

namespace {

// lstat's view: a support folder that is a link is there, whatever it leads to.
bool entryExists(const QString& path)
{
    const QFileInfo info(path);
    return info.isSymLink() || info.exists();
}

} // namespace

PackageUninstall::PackageUninstall(const ApplicationDetails& application, const QString& procFolder)
    : m_application(application)
    , m_procFolder(procFolder)
{
    if (m_application.kind() == ApplicationKind::AppImage)
        m_ownEntries = SupportFileSearch::entriesExecuting(m_application.appPath());
}

bool PackageUninstall::isThisProgram() const
{
    const QString& id = m_application.appPath();
    return m_application.appName() == QStringLiteral("Velmora") || id == Locations::current().ownExecutable
        || (m_application.kind() == ApplicationKind::AppImage && id == qEnvironmentVariable("APPIMAGE"))
        || id.section(u'.', -1).compare(QStringLiteral("velmora"), Qt::CaseInsensitive) == 0;
}

bool PackageUninstall::isRunning() const
{
    const QString& id = m_application.appPath();
    switch (m_application.kind()) {
    case ApplicationKind::Flatpak: {
        const QString flatpak = ProcessRunner::findProgram(QStringLiteral("flatpak"));
        const ProcessRunner::Result running = flatpak.isEmpty()
            ? ProcessRunner::Result()
            : ProcessRunner::run(flatpak, FlatpakApps::runningArguments());
        if (!running.succeeded()) {
            // flatpak then refuses nothing itself either; the removal reports what it finds.
            SystemLog::write(QStringLiteral("Cannot tell whether %1 runs: %2").arg(id, running.message()));
            return false;
        }
        return FlatpakApps::isRunning(id, QString::fromUtf8(running.standardOutput));
    }
    case ApplicationKind::Snap:
        return SnapApps::isRunning(id, m_procFolder);
    case ApplicationKind::AppImage:
        return AppImageFiles::isRunning(id, m_procFolder);
    case ApplicationKind::Bundle:
        break;
    }
    return false;
}

bool PackageUninstall::isStillThere() const
{
    if (m_application.kind() != ApplicationKind::AppImage)
        return true;
    const QFileInfo file(m_application.appPath());
    return file.isFile() && !file.isSymLink();
}

QString PackageUninstall::description() const
{
    switch (m_application.kind()) {
    case ApplicationKind::Flatpak:
        return formatText(Localization::text(QStringLiteral("PACKAGE_FLATPAK"), QStringLiteral("Flatpak %@ (%@)")),
            { m_application.appPath(), FlatpakApps::shownInstallation(m_application.installation()) });
    case ApplicationKind::Snap:
        return formatText(Localization::text(QStringLiteral("PACKAGE_SNAP"), QStringLiteral("snap %@")),
            { m_application.appPath() });
    case ApplicationKind::AppImage:
    case ApplicationKind::Bundle:
        break;
    }
    return m_application.appPath();
}

qint64 PackageUninstall::size() const
{
    return m_application.kind() == ApplicationKind::AppImage
        ? PathSizeCalculator::sizeOfPath(m_application.appPath())
        : -1;
}

QList<SupportFileSearch::Found> PackageUninstall::supportFiles() const
{
    const Locations& l = Locations::current();
    const QString& id = m_application.appPath();
    QList<SupportFileSearch::Found> found;
    switch (m_application.kind()) {
    case ApplicationKind::Flatpak:
    case ApplicationKind::Snap: {
        const SupportFileSearch::Found folder = m_application.kind() == ApplicationKind::Flatpak
            ? FlatpakApps::supportFolder(id)
            : SnapApps::supportFolder(id);
        if (entryExists(folder.path()))
            found.append(folder);
        break;
    }
    case ApplicationKind::AppImage: {
        const QString name = m_application.appName();
        // Electron and Qt programs name their folders either way.
        found = SupportFileSearch::namedIn(
            { name, name.toLower() }, { l.configHome, l.dataHome, l.cacheHome }, m_ownEntries);
        for (const QString& entry : m_ownEntries)
            found.append({ l.userDesktopEntries, { QFileInfo(entry).fileName() }, false, false });
        found += SupportFileSearch::iconsOfEntries(m_ownEntries);
        break;
    }
    case ApplicationKind::Bundle:
        break;
    }
    return found;
}

QStringList PackageUninstall::desktopIds() const
{
    switch (m_application.kind()) {
    case ApplicationKind::Flatpak:
        return { FlatpakApps::desktopId(m_application.appPath()) };
    case ApplicationKind::Snap:
        return SnapApps::desktopIds(m_application.appPath());
    case ApplicationKind::AppImage: {
        QStringList ids;
        for (const QString& entry : m_ownEntries)
            ids.append(QFileInfo(entry).fileName());
        return ids;
    }
    case ApplicationKind::Bundle:
        break;
    }
    return {};
}

PackageUninstall::Outcome PackageUninstall::removeApplication() const
{
    switch (m_application.kind()) {
    case ApplicationKind::Flatpak:
        return runTool(QStringLiteral("flatpak"), FlatpakApps::uninstallArguments(m_application));
    case ApplicationKind::Snap:
        return runTool(QStringLiteral("snap"), SnapApps::uninstallArguments(m_application.appPath()));
    case ApplicationKind::AppImage: {
        // A file, never a folder, from the folder it was listed in.
        const QFileInfo file(m_application.appPath());
        QString error;
        if (SupportFileRemoval(Locations::current())
                .remove({ file.path(), { file.fileName() }, false, false }, &error)
            == FileSystem::Beneath::Removed)
            return { true, {} };
        return { false, error };
    }
    case ApplicationKind::Bundle:
        break;
    }
    return { false, {} };
}

PackageUninstall::Outcome PackageUninstall::runTool(const QString& tool, const QStringList& arguments)
{
    const QString program = ProcessRunner::findProgram(tool);
    if (program.isEmpty())
        return { false, QStringLiteral("%1 is not installed").arg(tool) };
    SystemLog::write(QStringLiteral("command = %1 %2").arg(program, arguments.join(u' ')));
    const ProcessRunner::Result result = ProcessRunner::run(program, arguments);
    return { result.succeeded(), result.succeeded() ? QString() : result.message() };
}
