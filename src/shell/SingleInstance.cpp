#include "shell/SingleInstance.h"

#include "platform/SystemLog.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusReply>
#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

const QString SingleInstance::kServiceName = QStringLiteral("org.example.Velmora");
const QString SingleInstance::kObjectPath = QStringLiteral("/org/example/Velmora");

namespace {

// The owner answers from its event loop. One that has not answered by then
// may be stuck, or a copy of another build that keeps the name and serves no
// one: the later start does not leave the user without a window for it.
constexpr int kHandOverTimeoutMs = 2000;

// Whether the process runs the very file this one runs. Compared by what the
// links lead to, not by their text: a path can be spelt many ways, and a
// program of another user cannot be looked at at all.
bool runsThisProgram(uint pid)
{
    struct stat ours { };
    struct stat theirs { };
    return stat("/proc/self/exe", &ours) == 0
        && stat(QFile::encodeName(QStringLiteral("/proc/%1/exe").arg(pid)).constData(), &theirs) == 0
        && ours.st_dev == theirs.st_dev && ours.st_ino == theirs.st_ino;
}

} // namespace

SingleInstance::SingleInstance(QObject* parent)
    : QObject(parent)
{
}

SingleInstance::~SingleInstance() = default;

SingleInstance::Role SingleInstance::claim()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        SystemLog::write(QStringLiteral("No session bus (%1); Velmora runs on its own, without passing later "
                                        "starts on to this one")
                             .arg(bus.lastError().message()));
        return Role::Alone;
    }
    // The object is there before the name, so a start that sees the name can always call it.
    if (!bus.registerObject(kObjectPath, this, QDBusConnection::ExportScriptableSlots)) {
        SystemLog::write(QStringLiteral("Could not offer %1 on the session bus; Velmora runs on its own")
                             .arg(kObjectPath));
        return Role::Alone;
    }
    // Twice at most: the owner may end between our failed claim and our call.
    for (int attempt = 0; attempt < 2; ++attempt) {
        const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> registered
            = bus.interface()->registerService(kServiceName, QDBusConnectionInterface::DontQueueService,
                QDBusConnectionInterface::DontAllowReplacement);
        if (!registered.isValid()) {
            SystemLog::write(
                QStringLiteral("Could not claim %1 on the session bus (%2); Velmora runs on its own")
                    .arg(kServiceName, registered.error().message()));
            bus.unregisterObject(kObjectPath);
            return Role::Alone;
        }
        if (registered.value() == QDBusConnectionInterface::ServiceRegistered)
            return Role::First;
        switch (handOver(bus)) {
        case HandOver::Done:
            bus.unregisterObject(kObjectPath);
            return Role::HandedOver;
        case HandOver::OwnerGone:
            continue;
        case HandOver::Refused:
            bus.unregisterObject(kObjectPath);
            return Role::Alone;
        }
    }
    SystemLog::write(
        QStringLiteral("%1 changed hands twice while Velmora started; it runs on its own").arg(kServiceName));
    bus.unregisterObject(kObjectPath);
    return Role::Alone;
}

SingleInstance::HandOver SingleInstance::handOver(QDBusConnection& bus)
{
    // Any program of the session may take the name; only a copy of this one,
    // started by the same user, may be trusted to show the window instead.
    // The bus itself vouches for who holds the name, and answers at once. The
    // owner is then called by its connection's own name, which no other
    // connection can ever take, so the name changing hands in between cannot
    // pass the call to someone else.
    const QDBusReply<QString> owner = bus.interface()->serviceOwner(kServiceName);
    const QDBusReply<uint> pid = bus.interface()->servicePid(owner.value());
    const QDBusReply<uint> uid = bus.interface()->serviceUid(owner.value());
    if (!owner.isValid() || !pid.isValid() || !uid.isValid()) {
        const QDBusError error = !owner.isValid() ? owner.error() : !pid.isValid() ? pid.error() : uid.error();
        if (error.name() == QStringLiteral("org.freedesktop.DBus.Error.NameHasNoOwner"))
            return HandOver::OwnerGone;
        SystemLog::write(QStringLiteral("The owner of %1 could not be identified (%2); Velmora runs on its own")
                             .arg(kServiceName, error.message()));
        return HandOver::Refused;
    }
    if (uid.value() != getuid() || !runsThisProgram(pid.value())) {
        SystemLog::write(QStringLiteral("%1 is held by process %2, which is not Velmora of this user; Velmora "
                                        "runs on its own")
                             .arg(kServiceName)
                             .arg(pid.value()));
        return HandOver::Refused;
    }
    QDBusMessage call
        = QDBusMessage::createMethodCall(owner.value(), kObjectPath, kServiceName, QStringLiteral("reopen"));
    call.setAutoStartService(false);
    const QDBusMessage reply = bus.call(call, QDBus::Block, kHandOverTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage) {
        SystemLog::write(QStringLiteral("Velmora is already running; its window comes to the front"));
        return HandOver::Done;
    }
    const QDBusError error(reply);
    switch (error.type()) {
    case QDBusError::NoReply:
    case QDBusError::Timeout:
    case QDBusError::TimedOut:
        SystemLog::write(QStringLiteral("Velmora is already running but did not answer within %1 seconds; "
                                        "this start runs on its own")
                             .arg(kHandOverTimeoutMs / 1000));
        return HandOver::Refused;
    case QDBusError::ServiceUnknown:
        return HandOver::OwnerGone;
    default:
        SystemLog::write(QStringLiteral("The owner of %1 did not take over (%2); Velmora runs on its own")
                             .arg(kServiceName, error.message()));
        return HandOver::Refused;
    }
}

void SingleInstance::reopen()
{
    SystemLog::write(QStringLiteral("Velmora was started again; its window comes to the front"));
    Q_EMIT reopenRequested();
}
