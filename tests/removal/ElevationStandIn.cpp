#include "removal/ElevationStandIn.h"

#include "platform/PropertyList.h"
#include "support/Sandbox.h"

#include <QFile>

ElevationStandIn::ElevationStandIn(Sandbox& sandbox)
    : m_sandbox(sandbox)
{
    setRoots({}, {});
}

void ElevationStandIn::runsHelper()
{
    writeScript(QStringLiteral("export VELMORA_HELPER_DEFINITIONS='%1'\nexport HOME='%2'\nexec \"$@\"\n")
                    .arg(m_sandbox.path(QStringLiteral("helper-definitions")), m_sandbox.locations().home));
}

void ElevationStandIn::writeScript(const QString& body)
{
    const QString path = m_sandbox.locations().elevationCommand;
    m_sandbox.makeFile(path.mid(m_sandbox.root().size() + 1),
        QStringLiteral("#!/bin/sh\necho $$ >> '%1'\n").arg(m_sandbox.path(QStringLiteral("starts"))).toUtf8()
            + body.toUtf8());
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void ElevationStandIn::setRoots(const QStringList& logRoots, const QStringList& cacheRoots)
{
    const QString folder = m_sandbox.makeFolder("helper-definitions");
    PropertyList::writeXml(QVariantMap { { "LogPaths", logRoots } }, folder + "/SysLogPaths.plist");
    PropertyList::writeXml(
        QVariantMap { { "System Cache", cacheRoots } }, folder + "/SystemCachePaths.plist");
}

QList<qint64> ElevationStandIn::starts() const
{
    QFile file(m_sandbox.path("starts"));
    QList<qint64> pids;
    for (const QByteArray& line :
        file.open(QIODevice::ReadOnly) ? file.readAll().trimmed().split('\n') : QByteArrayList())
        pids.append(line.toLongLong());
    return pids;
}
