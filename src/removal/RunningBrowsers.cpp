#include "removal/RunningBrowsers.h"

#include "platform/Localization.h"
#include "platform/Locations.h"
#include "platform/PropertyList.h"
#include "platform/SystemLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <unistd.h>

namespace {

// The kernel marks the executable of a process whose program file was replaced
// since it started, as a browser update does while the browser runs.
const QString kDeletedSuffix = QStringLiteral(" (deleted)");

QString executableName(const QString& processFolder)
{
    const QString target = QFileInfo(processFolder + QStringLiteral("/exe")).symLinkTarget();
    if (!target.isEmpty()) {
        QString name = QFileInfo(target).fileName();
        if (name.endsWith(kDeletedSuffix))
            name.chop(kDeletedSuffix.size());
        return name;
    }
    // Another user's process, or a kernel thread, hides its executable; its
    // short name is all there is.
    QFile comm(processFolder + QStringLiteral("/comm"));
    if (!comm.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(comm.readAll()).trimmed();
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
        if (it.value().typeId() == QMetaType::QString)
            browsers.insert(it.key(), it.value());
    }
    return browsers;
}

QStringList RunningBrowsers::find(const QVariantMap& browserTable, const QString& procRoot)
{
    const QStringList running = runningExecutables(procRoot);
    const QSet<QString> executables(running.cbegin(), running.cend());
    QStringList names;
    for (auto it = browserTable.cbegin(); it != browserTable.cend(); ++it) {
        const QString executable = it.value().toString();
        if (executable.isEmpty() || !executables.contains(executable))
            continue;
        SystemLog::write(it.key());
        names.append(it.key());
    }
    return names;
}

QStringList RunningBrowsers::runningExecutables(const QString& procRoot)
{
    // The browsers of other users keep only their own files open.
    const uint user = ::getuid();
    QStringList names;
    const QStringList entries = QDir(procRoot).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool numeric = false;
        entry.toUInt(&numeric);
        if (!numeric)
            continue;
        const QString folder = procRoot + u'/' + entry;
        // A process may end while it is looked at: what cannot be read is skipped.
        if (QFileInfo(folder).ownerId() != user)
            continue;
        const QString name = executableName(folder);
        if (!name.isEmpty())
            names.append(name);
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
