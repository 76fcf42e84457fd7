#include "removal/AuthorizationSession.h"
#include "removal/ElevationStandIn.h"
#include "removal/helper/HelperProtocol.h"
#include "support/OneLineTasksWithOutput.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <sys/prctl.h>
#include <unistd.h>

#include <csignal>
#include <fcntl.h>
#include <functional>

namespace {

bool processExists(qint64 pid)
{
    return ::kill(pid_t(pid), 0) == 0;
}

// This process's open pipes, by descriptor: "pipe:[inode]".
QHash<int, QByteArray> openPipes()
{
    QHash<int, QByteArray> pipes;
    const QString folder = QStringLiteral("/proc/self/fd");
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::System)) {
        char target[64] = {};
        const ssize_t length = ::readlink(qPrintable(folder + u'/' + name), target, sizeof target - 1);
        if (length > 0 && QByteArray(target, length).startsWith("pipe:"))
            pipes.insert(name.toInt(), QByteArray(target, length));
    }
    return pipes;
}

bool closedOnExec(int fd)
{
    QFile info(QStringLiteral("/proc/self/fdinfo/%1").arg(fd));
    if (!info.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray& line : info.readAll().split('\n')) {
        if (line.startsWith("flags:"))
            return line.mid(6).trimmed().toUInt(nullptr, 8) & O_CLOEXEC;
    }
    return false;
}

TEST(AuthorizationSessionTest, ADialogThatIsDismissedOrCannotBeShownLeavesNoAuthorisation)
{
    struct Row {
        const char* name;
        std::function<void(Sandbox&, ElevationStandIn&)> arrange;
        long status;
    };
    const Row rows[] = {
        { "dismissed", [](Sandbox&, ElevationStandIn& standIn) { standIn.exitsWith(126); }, 126 },
        { "no agent", [](Sandbox&, ElevationStandIn& standIn) { standIn.exitsWith(127); }, 127 },
        { "helper missing",
            [](Sandbox& sandbox, ElevationStandIn& standIn) {
                Locations locations = sandbox.locations();
                locations.privilegedHelper = sandbox.path(QStringLiteral("no/such/helper"));
                sandbox.setLocations(locations);
                standIn.runsHelper();
            },
            127 },
        { "no elevation command", [](Sandbox&, ElevationStandIn&) {}, AuthorizationSession::kCannotStart },
        { "answers nonsense",
            [](Sandbox&, ElevationStandIn& standIn) {
                standIn.writeScript(QStringLiteral("echo 'Password:'\n"));
            },
            AuthorizationSession::kHelperFailed },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Sandbox sandbox;
        ElevationStandIn standIn(sandbox);
        const QString file = sandbox.makeFile(QStringLiteral("var/log/app.log"));
        standIn.setRoots({ sandbox.path(QStringLiteral("var/log")) }, {});
        row.arrange(sandbox, standIn);
        AuthorizationSession session;

        EXPECT_EQ(session.authorize(), row.status);

        EXPECT_FALSE(session.isAuthenticated());
        long status = 0;
        EXPECT_FALSE(session.run(QStringLiteral("/bin/rm"), { file }, &status));
        EXPECT_EQ(status, AuthorizationSession::kNotAuthorized);
        EXPECT_TRUE(QFileInfo::exists(file));
    }
}

TEST(AuthorizationSessionTest, AsksOnceAndKeepsTheHelperUntilDestroyed)
{
    Sandbox sandbox;
    ElevationStandIn standIn(sandbox);
    standIn.runsHelper();
    AuthorizationSession session;

    const QHash<int, QByteArray> pipesBefore = openPipes();

    ASSERT_EQ(session.authorize(), AuthorizationSession::kSuccess);
    ASSERT_EQ(session.authorize(), AuthorizationSession::kSuccess);
    ASSERT_EQ(standIn.starts().size(), 1);
    const qint64 helper = standIn.starts().first();
    EXPECT_TRUE(processExists(helper));

    // Whoever holds the helper's pipes holds the grant: no other child may
    // inherit them, and no other process may open them through /proc.
    EXPECT_EQ(::prctl(PR_GET_DUMPABLE, 0, 0, 0, 0), 0);
    int helperPipes = 0;
    const QHash<int, QByteArray> pipesAfter = openPipes();
    for (auto pipe = pipesAfter.cbegin(); pipe != pipesAfter.cend(); ++pipe) {
        if (pipesBefore.value(pipe.key()) == pipe.value())
            continue;
        ++helperPipes;
        EXPECT_TRUE(closedOnExec(pipe.key())) << pipe.key() << " " << pipe.value().constData();
    }
    EXPECT_GE(helperPipes, 1);

    session.destroy();
    EXPECT_FALSE(session.isAuthenticated());
    EXPECT_FALSE(processExists(helper));
    session.destroy();

    ASSERT_EQ(session.authorize(), AuthorizationSession::kSuccess);
    ASSERT_EQ(standIn.starts().size(), 2);

    // A helper gone between two clicks is asked for again, not reported as ready.
    ::kill(pid_t(standIn.starts().last()), SIGKILL);
    ASSERT_EQ(session.authorize(), AuthorizationSession::kSuccess);
    EXPECT_EQ(standIn.starts().size(), 3);
    EXPECT_TRUE(session.isAuthenticated());
}

TEST(AuthorizationSessionTest, AHelperThatBreaksOffFailsTheRunAndTheSession)
{
    struct Row {
        const char* name;
        QString script;
    };
    const Row rows[] = {
        { "ends after the greeting", QStringLiteral("printf 'ready 1\\n1'\nhead -c 1 >/dev/null\n") },
        { "answers out of turn",
            QStringLiteral("printf 'ready 1\\n1'\nhead -c 1 >/dev/null\nprintf 'what 3\\nnow'\n"
                           "cat >/dev/null\n") },
        { "answers a bad length",
            QStringLiteral("printf 'ready 1\\n1'\nhead -c 1 >/dev/null\nprintf 'out -1\\n'\n"
                           "cat >/dev/null\n") },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Sandbox sandbox;
        ElevationStandIn standIn(sandbox);
        standIn.writeScript(row.script);
        AuthorizationSession session;
        ASSERT_EQ(session.authorize(), AuthorizationSession::kSuccess);

        long status = 0;
        EXPECT_FALSE(session.run(QStringLiteral("/bin/rm"), { sandbox.path(QStringLiteral("x")) }, &status));

        EXPECT_EQ(status, AuthorizationSession::kHelperFailed);
        EXPECT_FALSE(session.isAuthenticated());
    }
}

// The requests the helper received, each a list of its fields (the tool first).
QList<QByteArrayList> requestsIn(const QByteArray& stream)
{
    QList<QByteArrayList> requests;
    QByteArrayList fields;
    for (const QByteArray& field : stream.split('\0')) {
        if (!field.isEmpty()) {
            fields.append(field);
        } else if (!fields.isEmpty()) {
            requests.append(fields);
            fields.clear();
        }
    }
    return requests;
}

TEST(AuthorizationSessionTest, LongListsGoInRequestsWithinTheHelpersBounds)
{
    using namespace HelperProtocol;
    // A path of exactly this many bytes, inside the sandbox but outside the helper's roots.
    const auto pathOf = [](Sandbox& sandbox, qsizetype bytes, int n) {
        QString path = sandbox.path(QStringLiteral("elsewhere/%1/").arg(n));
        while (path.size() < bytes)
            path += (path.size() % 200 == 0) ? u'/' : u'a';
        return path.left(bytes);
    };
    struct Row {
        const char* name;
        qsizetype count;
        qsizetype bytes;
        int requests;
        qsizetype unsent; // refused without being sent
    };
    const qsizetype longest = qsizetype(kMaxFieldBytes) - 1;
    const Row rows[] = {
        { "more paths than a request holds", qsizetype(kMaxPathsPerRequest) + 1, 60, 2, 0 },
        { "more bytes than a request holds", qsizetype(kMaxRequestBytes / kMaxFieldBytes) + 2, longest, 2,
            0 },
        { "a path longer than the helper takes", 3, longest + 1, 1, 3 },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Sandbox sandbox;
        ElevationStandIn standIn(sandbox);
        standIn.setRoots({ sandbox.makeFolder(QStringLiteral("var/log")) }, {});
        const QString received = sandbox.path(QStringLiteral("received"));
        standIn.runsHelper(QStringLiteral("tee -- '%1' | \"$@\"\nexit\n").arg(received));
        QStringList paths { pathOf(sandbox, 40, -1) };
        for (int n = 0; n < row.count; ++n)
            paths.append(pathOf(sandbox, row.bytes, n));
        AuthorizationSession session;
        ASSERT_EQ(session.authorize(), AuthorizationSession::kSuccess);

        long status = -9;
        const std::optional<AuthorizationSession::RunResult> result
            = session.run(QStringLiteral("/bin/rm"), paths, &status);
        session.destroy();

        ASSERT_TRUE(result);
        EXPECT_EQ(status, AuthorizationSession::kSuccess);
        EXPECT_EQ(result->refusedPaths.size(), paths.size()) << "each is outside the roots or unsent";
        QFile stream(received);
        ASSERT_TRUE(stream.open(QIODevice::ReadOnly));
        const QList<QByteArrayList> requests = requestsIn(stream.readAll());
        ASSERT_EQ(requests.size(), row.requests);
        QStringList sent;
        for (const QByteArrayList& request : requests) {
            EXPECT_EQ(request.first(), "/bin/rm");
            EXPECT_LE(std::size_t(request.size() - 1), kMaxPathsPerRequest);
            std::size_t bytes = 1;
            for (const QByteArray& field : request) {
                bytes += std::size_t(field.size()) + 1;
                EXPECT_LE(std::size_t(field.size()) + 1, kMaxFieldBytes);
            }
            EXPECT_LE(bytes, kMaxRequestBytes);
            for (const QByteArray& field : request.mid(1))
                sent.append(QFile::decodeName(field));
        }
        EXPECT_EQ(sent.size(), paths.size() - row.unsent);
        EXPECT_TRUE(sent.contains(paths.first()));
        if (row.unsent > 0) {
            EXPECT_TRUE(sandbox.logged(QStringLiteral("Refused with administrator rights: %1 (%2)")
                                           .arg(paths.last(), QStringLiteral("longer than a path can be"))));
        }
    }
}

TEST(AuthorizationSessionTest, PrivilegedLaunchAnswersTheToolsOutputOrTheSessionsStatus)
{
    Sandbox sandbox;
    ElevationStandIn standIn(sandbox);
    const QString file = sandbox.makeFile(QStringLiteral("var/log/app.log"));
    standIn.setRoots({ sandbox.path(QStringLiteral("var/log")) }, {});
    standIn.runsHelper();
    AuthorizationSession session;
    std::optional<TaskError> error = TaskError { QStringLiteral("stale"), 7, {} };

    EXPECT_FALSE(
        OneLineTasksWithOutput::stringByLaunchingPath(QStringLiteral("/bin/rm"), { file }, &session, &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->domain, QStringLiteral("com.apple.NSTask.OneLineTasksWithOutput"));
    EXPECT_EQ(error->code, AuthorizationSession::kNotAuthorized);
    EXPECT_TRUE(error->userInfo.isEmpty());
    EXPECT_TRUE(QFileInfo::exists(file));
    EXPECT_FALSE(
        OneLineTasksWithOutput::stringByLaunchingPath(QStringLiteral("/bin/rm"), { file }, nullptr, nullptr));

    ASSERT_EQ(session.authorize(), AuthorizationSession::kSuccess);
    for (const QStringList& arguments : { QStringList { file }, QStringList {} }) {
        const std::optional<QString> output = OneLineTasksWithOutput::stringByLaunchingPath(
            QStringLiteral("/bin/rm"), arguments, &session, &error);
        EXPECT_EQ(output, QString(""));
        EXPECT_FALSE(error);
    }
    EXPECT_FALSE(QFileInfo::exists(file));
    EXPECT_TRUE(sandbox.logged(QStringLiteral("in Method stringByLaunchingPath")));
}

} // namespace
