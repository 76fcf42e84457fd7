#include "removal/RunningBrowsers.h"

#include "platform/Localization.h"
#include "platform/Locations.h"
#include "platform/SystemLog.h"
#include "scan/ScanDefinitions.h"
#include "support/UserProcesses.h"

#include <QFile>
#include <QSet>

namespace {

// This user's running executables: the full path, or, where the process
// hides it, its short name. The browsers of other users keep only their own
// files open.
QStringList runningExecutablePaths(const QString& procRoot)
{
    QStringList paths;
    for (const UserProcesses::Process& process : UserProcesses::list(procRoot)) {
        if (!process.executable.isEmpty()) {
            paths.append(process.executable);
            continue;
        }
        QFile comm(process.folder + QStringLiteral("/comm"));
        if (comm.open(QIODevice::ReadOnly))
            paths.append(QString::fromUtf8(comm.readAll()).trimmed());
    }
    return paths;
}

} // namespace

QList<std::pair<QString, QString>> RunningBrowsers::browserTable()
{
    return ScanDefinitions::browserExecutables(
        ScanDefinitions::load(Locations::current(), ScanDefinitions::kInternetCachePaths));
}

QStringList RunningBrowsers::find(
    const QList<std::pair<QString, QString>>& browserTable, const QString& procRoot)
{
    // Per process, the browsers its path names by its end, else those its base name names.
    QSet<QString> running;
    for (const QString& path : runningExecutablePaths(procRoot)) {
        const QString baseName = path.mid(path.lastIndexOf(u'/') + 1);
        QStringList byTail;
        QStringList byBaseName;
        for (const auto& [browser, name] : browserTable) {
            if (!name.contains(u'/')) {
                if (name == baseName)
                    byBaseName.append(browser);
            } else if (path.endsWith(u'/' + name)) {
                byTail.append(browser);
            }
        }
        for (const QString& browser : byTail.isEmpty() ? byBaseName : byTail)
            running.insert(browser);
    }
    QStringList names;
    for (const auto& [browser, name] : browserTable) {
        if (!running.contains(browser) || names.contains(browser))
            continue;
        SystemLog::write(browser);
        names.append(browser);
    }
    return names;
}

QString RunningBrowsers::warningText(const QStringList& browserNames)
{
    return formatText(
        Localization::text(QStringLiteral("RUNNING_BROWSER"),
            QStringLiteral("The following browsers must be closed before removing junk items. If the "
                           "browsers are not closed, Velmora may not remove entire Web History.\n\n%@ ")),
        { browserNames.join(QStringLiteral(", ")) });
}
