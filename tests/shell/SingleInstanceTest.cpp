#include "shell/SingleInstance.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QDeadlineTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <memory>

namespace {

// A session bus of the test's own, so that no desktop session is touched.
class PrivateBus final {
public:
    PrivateBus()
    {
        m_daemon.start(QStringLiteral("dbus-daemon"),
            { QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1") });
        if (m_daemon.waitForReadyRead(10000))
            address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    }
    ~PrivateBus()
    {
        QDBusConnection::disconnectFromBus(QStringLiteral("velmora-test"));
        m_daemon.kill();
        m_daemon.waitForFinished();
    }
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    // The process that owns Velmora's name, or 0 once the wait is over without one.
    qint64 waitForOwner(qint64 notThisOne = 0)
    {
        QDBusConnection bus = QDBusConnection::connectToBus(address, QStringLiteral("velmora-test"));
        qint64 owner = 0;
        static_cast<void>(QTest::qWaitFor(
            [&] {
                const QDBusReply<uint> pid = bus.interface()->servicePid(SingleInstance::kServiceName);
                owner = pid.isValid() && pid.value() != notThisOne ? pid.value() : 0;
                return owner != 0;
            },
            10000));
        return owner;
    }

    QString address;

private:
    QProcess m_daemon;
};

// One start of the real program, offscreen, in the sandbox's home.
class Start final {
public:
    Start(const Sandbox& sandbox, const QString& busAddress)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : { "DISPLAY", "WAYLAND_DISPLAY" })
            environment.remove(QLatin1String(name));
        const QString root = sandbox.root();
        environment.insert(QStringLiteral("HOME"), root + QStringLiteral("/home"));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), root + QStringLiteral("/config"));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), root + QStringLiteral("/data"));
        environment.insert(QStringLiteral("XDG_CACHE_HOME"), root + QStringLiteral("/cache"));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress);
        process.setProcessEnvironment(environment);
        // The log lines come on standard error; waiting for output means waiting for them.
        process.setReadChannel(QProcess::StandardError);
        process.start(QStringLiteral(VELMORA_EXECUTABLE), {});
        process.waitForStarted();
    }
    ~Start()
    {
        if (process.state() != QProcess::NotRunning) {
            process.terminate();
            if (!process.waitForFinished(5000))
                process.kill();
            process.waitForFinished();
        }
    }
    Start(const Start&) = delete;
    Start& operator=(const Start&) = delete;

    bool says(const char* line, int ms = 10000)
    {
        // What has already come is read first: waiting is only for what has not.
        const QDeadlineTimer deadline(ms);
        m_said += process.readAllStandardError();
        while (!m_said.contains(line) && !deadline.hasExpired()) {
            process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
            m_said += process.readAllStandardError();
        }
        return m_said.contains(line);
    }
    bool running() const { return process.state() == QProcess::Running; }

    QProcess process;

private:
    QByteArray m_said;
};

struct Row {
    const char* name;
    bool bus;
    bool crashFirst;
    const char* firstSays;
    const char* secondSays;
    bool secondEnds;
};

} // namespace

TEST(SingleInstanceTest, ASecondStartHandsOverOrRunsAloneWithoutABus)
{
    ASSERT_FALSE(QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
        << "install dbus-daemon (scripts/install-dependencies.sh)";
    const Row rows[] = {
        { "second start", true, false, "Velmora was started again", "Velmora is already running", true },
        // The bus frees the names of a connection whose process is gone.
        { "after a crash", true, true, nullptr, nullptr, false },
        { "no session bus", false, false, "No session bus", "No session bus", false },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Sandbox sandbox;
        PrivateBus bus;
        ASSERT_FALSE(bus.address.isEmpty());
        const QString address
            = row.bus ? bus.address : QStringLiteral("unix:path=") + sandbox.path(QStringLiteral("no-bus"));

        Start first(sandbox, address);
        const qint64 firstPid = row.bus ? bus.waitForOwner() : 0;
        if (row.bus) {
            ASSERT_EQ(firstPid, first.process.processId());
        }
        if (row.crashFirst) {
            first.process.kill();
            first.process.waitForFinished();
        }
        Start second(sandbox, address);
        if (row.secondEnds) {
            ASSERT_TRUE(second.process.waitForFinished(15000)) << "a second start must not hang";
            EXPECT_EQ(second.process.exitStatus(), QProcess::NormalExit);
            EXPECT_EQ(second.process.exitCode(), 0);
        }
        if (row.secondSays) {
            EXPECT_TRUE(second.says(row.secondSays));
        }
        if (row.firstSays) {
            EXPECT_TRUE(first.says(row.firstSays));
        }
        if (row.crashFirst) {
            EXPECT_EQ(bus.waitForOwner(firstPid), second.process.processId());
        }
        if (!row.secondEnds) {
            EXPECT_TRUE(second.running()) << "a start that hands over to nobody keeps running";
        }
        EXPECT_EQ(first.running(), !row.crashFirst);
    }
}
