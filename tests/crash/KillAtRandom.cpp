#include "crash/KillAtRandom.h"

#include "support/ChildRole.h"

#include <QCoreApplication>
#include <QProcess>

#include <csignal>

bool runChildAndKill(const char* role, const QString& sandboxRoot, int milliseconds)
{
    QProcess child;
    child.setEnvironment(ChildRole::environmentFor(role, sandboxRoot));
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.setStandardOutputFile(QProcess::nullDevice());
    child.start(QCoreApplication::applicationFilePath(), {});
    if (!child.waitForStarted(10000))
        return false;
    // A child that finishes its job before the deadline simply ends; both are fine.
    if (!child.waitForFinished(milliseconds)) {
        ::kill(pid_t(child.processId()), SIGKILL);
        child.waitForFinished(10000);
    }
    return true;
}
