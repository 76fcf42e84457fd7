#include "removal/RunningBrowsers.h"

#include "platform/Localization.h"
#include "platform/Locations.h"
#include "platform/PropertyList.h"
#include "platform/SystemLog.h"
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

QStringList programNames(const QVariant& value)
{
    if (value.typeId() == QMetaType::QString)
        return { value.toString() };
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList();
    if (value.typeId() != QMetaType::QVariantList)
        return {};
    QStringList names;
    for (const QVariant& item : value.toList()) {
        if (item.typeId() != QMetaType::QString)
            return {};
        names.append(item.toString());
    }
    return names;
}

} // namespace

QVariantMap RunningBrowsers::browserTable()
{
    const QVariantMap definitions = PropertyList::readDictionary(
        Locations::current().definitionFile(QStringLiteral("InternetCachePaths")));
    const QVariant table = definitions.value(QStringLiteral("Browser Bundle Identifier"));
    if (table.typeId() != QMetaType::QVariantMap)
        return {};
    QVariantMap browsers;
    const QVariantMap entries = table.toMap();
    for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
        const QStringList names = programNames(it.value());
        if (!names.isEmpty())
            browsers.insert(it.key(), names);
    }
    return browsers;
}

QStringList RunningBrowsers::find(const QVariantMap& browserTable, const QString& procRoot)
{
    // Per process, the browsers its path names by its end, else those its base name names.
    QSet<QString> running;
    for (const QString& path : runningExecutablePaths(procRoot)) {
        const QString baseName = path.mid(path.lastIndexOf(u'/') + 1);
        QStringList byTail;
        QStringList byBaseName;
        for (auto it = browserTable.cbegin(); it != browserTable.cend(); ++it) {
            for (const QString& name : programNames(it.value())) {
                if (!name.contains(u'/')) {
                    if (name == baseName)
                        byBaseName.append(it.key());
                } else if (path.endsWith(u'/' + name)) {
                    byTail.append(it.key());
                }
            }
        }
        for (const QString& browser : byTail.isEmpty() ? byBaseName : byTail)
            running.insert(browser);
    }
    QStringList names;
    for (auto it = browserTable.cbegin(); it != browserTable.cend(); ++it) {
        if (!running.contains(it.key()))
            continue;
        SystemLog::write(it.key());
        names.append(it.key());
    }
    return names;
}

QStringList RunningBrowsers::runningExecutables(const QString& procRoot)
{
    QStringList names = runningExecutablePaths(procRoot);
    for (QString& name : names)
        name = name.mid(name.lastIndexOf(u'/') + 1);
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
