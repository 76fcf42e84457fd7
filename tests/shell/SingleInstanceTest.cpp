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
        bool crashFirst; // the bus frees the names of a connection whose process is gone
        const char* firstSays;
        const char* secondSays;
    } rows[] = {
        { "second start", true, false, "Velmora was started again", "Velmora is already running" },
        { "after a crash", true, true, nullptr, nullptr },
        { "no session bus", false, false, "No session bus", "No session bus" },
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
        // The process that owns Velmora's name, other than the one given.
        const auto owner = [&bus](qint64 notThisOne) {
            qint64 pid = 0;
            static_cast<void>(QTest::qWaitFor(
                [&] {
                    const QDBusReply<uint> reply = bus.interface()->servicePid(SingleInstance::kServiceName);
                    pid = reply.isValid() && reply.value() != notThisOne ? reply.value() : 0;
                    return pid != 0;
                },
                10000));
            return pid;
        };

        const QString used = row.bus ? address : "unix:path=" + sandbox.path("no-bus");
        Start first(sandbox, used);
        const qint64 firstPid = first.process.processId();
        ASSERT_TRUE(!row.bus || owner(0) == firstPid);
        if (row.crashFirst) {
            first.process.kill();
            first.process.waitForFinished();
        }
        Start second(sandbox, used);
        const bool handsOver = row.bus && !row.crashFirst;
        if (handsOver) {
            ASSERT_TRUE(second.process.waitForFinished(15000)) << "a second start must not hang";
            EXPECT_EQ(second.process.exitStatus(), QProcess::NormalExit);
            EXPECT_EQ(second.process.exitCode(), 0);
        }
        EXPECT_TRUE(!row.secondSays || second.says(row.secondSays));
        EXPECT_TRUE(!row.firstSays || first.says(row.firstSays));
        EXPECT_TRUE(!row.crashFirst || owner(firstPid) == second.process.processId());
        // A start that hands over to nobody keeps running.
        EXPECT_EQ(second.process.state() == QProcess::Running, !handsOver);
        EXPECT_EQ(first.process.state() == QProcess::Running, !row.crashFirst);
    }
}
