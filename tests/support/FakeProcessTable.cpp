#include "support/FakeProcessTable.h"

#include <QDir>
#include <QFile>

FakeProcessTable::FakeProcessTable(const QString& folder)
    : m_folder(folder)
{
    QDir().mkpath(folder);
}

void FakeProcessTable::add(int pid, const QString& exe, const QString& comm)
{
    const QString process = m_folder + u'/' + QString::number(pid);
    QDir().mkpath(process);
    if (!exe.isEmpty())
        QFile::link(exe, process + QStringLiteral("/exe")); // dangling is fine: only the link is read
    if (!comm.isEmpty()) {
        QFile file(process + QStringLiteral("/comm"));
        if (file.open(QIODevice::WriteOnly))
            file.write(comm.toUtf8() + '\n');
    }
}

void FakeProcessTable::setEnvironment(int pid, const QStringList& variables)
{
    QFile file(m_folder + u'/' + QString::number(pid) + QStringLiteral("/environ"));
    if (file.open(QIODevice::WriteOnly)) {
        for (const QString& variable : variables)
            file.write(QFile::encodeName(variable) + '\0');
    }
}
