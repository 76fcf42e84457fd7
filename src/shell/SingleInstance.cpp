#include "shell/SingleInstance.h"

#include "platform/SystemLog.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusReply>

const QString SingleInstance::kServiceName = QStringLiteral("org.example.Velmora");
const QString SingleInstance::kObjectPath = QStringLiteral("/org/example/Velmora");

namespace {

// The owner answers from its event loop. One that is busy (a removal holds the
// main thread) answers late, but the request is already in its queue and will
// be served: the later start need not wait for it.
constexpr int kHandOverTimeoutMs = 3000;

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
    QDBusMessage call
        = QDBusMessage::createMethodCall(kServiceName, kObjectPath, kServiceName, QStringLiteral("reopen"));
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
        SystemLog::write(QStringLiteral("Velmora is already running and busy; its window comes to the front "
                                        "when it is done"));
        return HandOver::Done;
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
