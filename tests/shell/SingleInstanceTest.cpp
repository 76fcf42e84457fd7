#include "shell/SingleInstance.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QDeadlineTimer>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTest>

namespace {

// One start of the real program, offscreen, in the sandbox's home, on the given bus.
struct Start final {
    Start(const Sandbox& sandbox, const QString& busAddress)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("DISPLAY");
        environment.remove("WAYLAND_DISPLAY");
        for (const char* name : { "HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME" })
            environment.insert(name, sandbox.root() + u'/' + name);
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("DBUS_SESSION_BUS_ADDRESS", busAddress);
        process.setProcessEnvironment(environment);
        process.setReadChannel(QProcess::StandardError);
        process.start(VELMORA_EXECUTABLE, {});
        process.waitForStarted();
    }
    ~Start()
    {
        process.kill();
        process.waitForFinished();
    }
    // The log lines come on standard error; what has already come is read first.
    bool says(const char* line)
    {
        const QDeadlineTimer deadline(10000);
        while (!(said += process.readAllStandardError()).contains(line) && !deadline.hasExpired())
            process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
        return said.contains(line);
    }

    QProcess process;
    QByteArray said;
};

} // namespace

TEST(SingleInstanceTest, ASecondStartHandsOverOrRunsAloneWithoutABus)
{
    ASSERT_FALSE(QStandardPaths::findExecutable("dbus-daemon").isEmpty())
        << "install dbus-daemon (scripts/install-dependencies.sh)";
    const struct {
        const char* name;
        bool bus;
        const char* firstSays;
        const char* secondSays;
    } rows[] = {
        { "second start", true, "Velmora was started again", "Velmora is already running" },
        { "no session bus", false, "No session bus", "No session bus" },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Sandbox sandbox;
        // A session bus of the test's own, so that no desktop session is touched.
        QProcess daemon;
        daemon.start("dbus-daemon", { "--session", "--nofork", "--print-address=1" });
        ASSERT_TRUE(daemon.waitForReadyRead(10000));
        const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
        const auto daemonEnds = qScopeGuard([&] {
            QDBusConnection::disconnectFromBus("velmora-test");
            daemon.kill();
            daemon.waitForFinished();
        });
        QDBusConnection bus = QDBusConnection::connectToBus(address, "velmora-test");

        const QString used = row.bus ? address : "unix:path=" + sandbox.path("no-bus");
        Start first(sandbox, used);
        // The second start comes once the first owns Velmora's name.
        ASSERT_TRUE(!row.bus
            || QTest::qWaitFor(
                [&] {
                    const QDBusReply<uint> reply = bus.interface()->servicePid(SingleInstance::kServiceName);
                    return reply.isValid() && reply.value() == first.process.processId();
                },
                10000));
        Start second(sandbox, used);
        if (row.bus) {
            ASSERT_TRUE(second.process.waitForFinished(15000)) << "a second start must not hang";
            EXPECT_EQ(second.process.exitStatus(), QProcess::NormalExit);
            EXPECT_EQ(second.process.exitCode(), 0);
        }
        EXPECT_TRUE(second.says(row.secondSays));
        EXPECT_TRUE(first.says(row.firstSays));
        // A start that hands over to nobody keeps running.
        EXPECT_EQ(second.process.state() == QProcess::Running, !row.bus);
        EXPECT_EQ(first.process.state(), QProcess::Running);
    }
}
