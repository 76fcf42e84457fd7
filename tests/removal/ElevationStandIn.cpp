#include "removal/ElevationStandIn.h"

#include "platform/PropertyList.h"
#include "support/Sandbox.h"

#include <QFile>

ElevationStandIn::ElevationStandIn(Sandbox& sandbox)
    : m_sandbox(sandbox)
{
    setRoots({}, {});
}

void ElevationStandIn::runsHelper(const QString& extraLines)
{
    writeScript(QStringLiteral("export VELMORA_HELPER_DEFINITIONS='%1'\nexport HOME='%2'\n%3\nexec \"$@\"\n")
                    .arg(m_sandbox.path(QStringLiteral("helper-definitions")), m_sandbox.locations().home,
                        extraLines));
}

void ElevationStandIn::exitsWith(int status)
{
    writeScript(QStringLiteral("exit %1\n").arg(status));
}

void ElevationStandIn::writeScript(const QString& body)
{
    const QString path = m_sandbox.locations().elevationCommand;
    const QString script
        = QStringLiteral("#!/bin/sh\necho $$ >> '%1'\n").arg(m_sandbox.path(QStringLiteral("starts"))) + body;
    QFile file(path);
    m_sandbox.makeFile(path.mid(m_sandbox.root().size() + 1), script.toUtf8());
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void ElevationStandIn::setRoots(const QStringList& logRoots, const QStringList& cacheRoots)
{
    m_sandbox.makeFolder(QStringLiteral("helper-definitions"));
    PropertyList::writeXml(QVariantMap { { QStringLiteral("LogPaths"), logRoots } },
        m_sandbox.path(QStringLiteral("helper-definitions/SysLogPaths.plist")));
    PropertyList::writeXml(QVariantMap { { QStringLiteral("System Cache"), cacheRoots } },
        m_sandbox.path(QStringLiteral("helper-definitions/SystemCachePaths.plist")));
}

QList<qint64> ElevationStandIn::starts() const
{
    QFile file(m_sandbox.path(QStringLiteral("starts")));
    QList<qint64> pids;
    if (!file.open(QIODevice::ReadOnly))
        return pids;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (!line.isEmpty())
            pids.append(line.toLongLong());
    }
    return pids;
}
