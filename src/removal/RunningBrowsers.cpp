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

// The executable's full path, or, where the process hides it, its short name.
QString executablePath(const QString& processFolder)
{
    QString target = QFileInfo(processFolder + QStringLiteral("/exe")).symLinkTarget();
    if (!target.isEmpty()) {
        if (target.endsWith(kDeletedSuffix))
            target.chop(kDeletedSuffix.size());
        return target;
    }
    // Another user's process, or a kernel thread, hides its executable; its
    // short name is all there is.
    QFile comm(processFolder + QStringLiteral("/comm"));
    if (!comm.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(comm.readAll()).trimmed();
}

// This user's running executables, as executablePath gives them.
QStringList runningExecutablePaths(const QString& procRoot)
{
    // The browsers of other users keep only their own files open.
    const uint user = ::getuid();
    QStringList paths;
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
        const QString path = executablePath(folder);
        if (!path.isEmpty())
            paths.append(path);
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
