#include "platform/SystemLog.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QMutex>

#include <cstdio>
#include <sys/syscall.h>
#include <syslog.h>
#include <unistd.h>

namespace {

QMutex& sinkLock()
{
    static QMutex lock;
    return lock;
}

SystemLog::Sink& sink()
{
    static SystemLog::Sink current;
    return current;
}

} // namespace

void SystemLog::write(const QString& message)
{
    QMutexLocker locker(&sinkLock());
    if (sink()) {
        sink()(message);
        return;
    }
    const QByteArray text = message.toUtf8();
    const QByteArray stamp
        = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")).toUtf8();
    std::fprintf(stderr, "%s Velmora[%d:%ld] %s\n", stamp.constData(), int(getpid()), long(syscall(SYS_gettid)),
        text.constData());
    static const bool opened = [] {
        openlog("Velmora", LOG_PID, LOG_USER);
        return true;
    }();
    Q_UNUSED(opened);
    syslog(LOG_NOTICE, "%s", text.constData());
}

void SystemLog::setSink(Sink newSink)
{
    QMutexLocker locker(&sinkLock());
    sink() = std::move(newSink);
}
