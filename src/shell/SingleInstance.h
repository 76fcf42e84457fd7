#pragma once

#include <QObject>
#include <QString>

class QDBusConnection;

// Keeps Velmora to one running copy per desktop session, the desktop's way: the
// first start owns a well-known name on the session bus, and a later start asks
// that owner to come forward and then ends. It hands over only to a process of
// the same user running this very program, and only when it answers within two
// seconds: any other program could take the name, and must not keep Velmora
// from opening. Otherwise, and without a session bus, every start runs on its own. A copy that crashed leaves no name behind: the bus frees the
// names of a connection as soon as its process is gone.
class SingleInstance final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SingleInstance)
    Q_CLASSINFO("D-Bus Interface", "org.example.Velmora")

public:
    enum class Role { First, HandedOver, Alone };

    static const QString kServiceName;
    static const QString kObjectPath;

    explicit SingleInstance(QObject* parent = nullptr);
    ~SingleInstance() override;

    // Owns the name, or hands over to its owner. Once, after the application object exists.
    Role claim();

public Q_SLOTS:
    // Called over the bus by a later start.
    Q_SCRIPTABLE void reopen();

Q_SIGNALS:
    void reopenRequested();

private:
    enum class HandOver { Done, OwnerGone, Refused };
    HandOver handOver(QDBusConnection& bus);
};
