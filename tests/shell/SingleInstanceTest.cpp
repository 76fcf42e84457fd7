#include "shell/SingleInstance.h"
#include "support/ChildRole.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QCoreApplication>
#include <QDBusReply>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTest>

#include <csignal>
#include <unistd.h>

namespace {

// Another program on the bus that takes Velmora's name first: the test binary
// itself, serving the name as Velmora would, or never answering at all.
const bool answeringRole = ChildRole::add("bus-name-holder", [](const QString&) {
    SingleInstance instance;
    return instance.claim() == SingleInstance::Role::First ? QCoreApplication::exec() : 1;
});
const bool silentRole = ChildRole::add("silent-bus-name-holder", [](const QString&) {
    SingleInstance instance;
    if (instance.claim() != SingleInstance::Role::First)
        return 1;
    for (;;)
        pause();
});

// One start of the real program (or of the test binary in a role), offscreen,
// in the sandbox's home, on the given bus.
struct Start final {
    Start(const Sandbox& sandbox, const QString& busAddress, const char* role = nullptr)
    {
        QProcessEnvironment environment = role ? ChildRole::environmentFor(role, sandbox.root())
                                               : QProcessEnvironment::systemEnvironment();
        environment.remove("DISPLAY");
        environment.remove("WAYLAND_DISPLAY");
        for (const char* name : { "HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME" })
            environment.insert(name, sandbox.root() + u'/' + name);
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("DBUS_SESSION_BUS_ADDRESS", busAddress);
        process.setProcessEnvironment(environment);
        process.setReadChannel(QProcess::StandardError);
        process.start(role ? QCoreApplication::applicationFilePath() : QStringLiteral(VELMORA_EXECUTABLE), {});
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

// A later start hands over only to a copy of Velmora of the same user that
// answers; with any other owner of the name, or none, it opens its own window.
TEST(SingleInstanceTest, ASecondStartHandsOverOnlyToVelmoraThatAnswers)
{
    ASSERT_FALSE(QStandardPaths::findExecutable("dbus-daemon").isEmpty())
        << "install dbus-daemon (scripts/install-dependencies.sh)";
    const struct {
        const char* name;
        bool bus;
        const char* ownerRole; // the test binary in this role holds the name; none: Velmora does
        bool ownerStopped;
        const char* firstSays;
        const char* secondSays;
    } rows[] = {
        { "second start", true, nullptr, false, "Velmora was started again", "Velmora is already running;" },
        { "no session bus", false, nullptr, false, "No session bus", "No session bus" },
        { "another program that answers", true, "bus-name-holder", false, nullptr, "which is not Velmora" },
        { "another program that never answers", true, "silent-bus-name-holder", false, nullptr,
            "which is not Velmora" },
        { "Velmora that does not answer", true, nullptr, true, nullptr, "did not answer within 2 seconds" },
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
        Start first(sandbox, used, row.ownerRole);
        // The second start comes once the first owns Velmora's name.
        ASSERT_TRUE(!row.bus
            || QTest::qWaitFor(
                [&] {
                    const QDBusReply<uint> reply = bus.interface()->servicePid(SingleInstance::kServiceName);
                    return reply.isValid() && reply.value() == first.process.processId();
                },
                10000));
        if (row.ownerStopped) {
            ASSERT_EQ(kill(pid_t(first.process.processId()), SIGSTOP), 0);
        }
        QElapsedTimer waited;
        waited.start();
        Start second(sandbox, used);
        const bool handsOver = row.ownerRole == nullptr && !row.ownerStopped && row.bus;
        if (handsOver) {
            ASSERT_TRUE(second.process.waitForFinished(15000)) << "a second start must not hang";
            EXPECT_EQ(second.process.exitStatus(), QProcess::NormalExit);
            EXPECT_EQ(second.process.exitCode(), 0);
        }
        EXPECT_TRUE(second.says(row.secondSays));
        // Two seconds at most for an owner that keeps silent, and some for starting up.
        EXPECT_LT(waited.elapsed(), 6000);
        EXPECT_TRUE(!row.firstSays || first.says(row.firstSays));
        // A start that hands over to nobody keeps running, its window open.
        EXPECT_EQ(second.process.state() == QProcess::NotRunning || second.process.waitForFinished(500), handsOver);
        EXPECT_EQ(first.process.state(), QProcess::Running);
    }
}
