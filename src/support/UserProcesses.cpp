#include "support/UserProcesses.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

QList<UserProcesses::Process> UserProcesses::list(const QString& procFolder)
{
    QList<Process> processes;
    const QStringList entries = QDir(procFolder).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& entry : entries) {
        bool numeric = false;
        entry.toInt(&numeric);
        if (!numeric)
            continue;
        Process process { procFolder + u'/' + entry, QString() };
        struct stat info { };
        // The kernel gives a process's folder the owner of the process.
        if (stat(QFile::encodeName(process.folder).constData(), &info) != 0 || info.st_uid != getuid())
            continue;
        QString target = QFileInfo(process.folder + QStringLiteral("/exe")).symLinkTarget();
        if (target.endsWith(QStringLiteral(" (deleted)")))
            target.chop(10);
        process.executable = target;
        processes.append(process);
    }
    return processes;
}

QString UserProcesses::environmentValue(const Process& process, const QByteArray& name)
{
    QFile file(process.folder + QStringLiteral("/environ"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray prefix = name + '=';
    for (const QByteArray& variable : file.readAll().split('\0')) {
        if (variable.startsWith(prefix))
            return QFile::decodeName(variable.mid(prefix.size()));
    }
    return {};
}
