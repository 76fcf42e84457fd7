#include "removal/AuthorizationSession.h"
#include "removal/ElevationStandIn.h"
#include "removal/helper/HelperProtocol.h"
#include "support/OneLineTasksWithOutput.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <csignal>
#include <fcntl.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

// This process's open pipes that may pass to a program it starts.
QStringList inheritablePipes()
{
    QStringList pipes;
    for (const QFileInfo& fd : QDir("/proc/self/fd").entryInfoList(QDir::Files | QDir::System)) {
        QFile info("/proc/self/fdinfo/" + fd.fileName());
        const bool closedOnExec = info.open(QIODevice::ReadOnly)
            && info.readAll().split('\n').value(1).mid(6).trimmed().toUInt(nullptr, 8) & O_CLOEXEC;
        if (fd.symLinkTarget().contains("pipe:") && !closedOnExec)
            pipes << fd.fileName() + u' ' + fd.symLinkTarget();
    }
    return pipes;
}

const QString kGreeting = "printf 'ready 1\\n1'\nhead -c 1 >/dev/null\n";

// However the dialog or the helper fails, nothing is removed and no grant is left.
TEST(AuthorizationSessionTest, NoWorkingHelperMeansNoAuthorisation)
{
    struct Row {
        const char* name;
        QString script; // of the stand-in for pkexec; none when empty
        long authorised; // what authorize answers
        long ran; // the status of the run after it
        bool helperMissing = false;
    };
    const long kNo = AuthorizationSession::kNotAuthorized, kFailed = AuthorizationSession::kHelperFailed;
    const Row rows[] = {
        { "dismissed", "exit 126\n", 126, kNo },
        { "no agent", "exit 127\n", 127, kNo },
        { "helper missing", "exec \"$@\"\n", 127, kNo, true },
        { "no elevation command", {}, AuthorizationSession::kCannotStart, kNo },
        { "answers nonsense", "echo 'Password:'\n", kFailed, kNo },
        { "ends after the greeting", kGreeting, AuthorizationSession::kSuccess, kFailed },
        { "answers out of turn", kGreeting + "printf 'what 3\\nnow'\ncat >/dev/null\n", 0, kFailed },
        { "answers a bad length", kGreeting + "printf 'out -1\\n'\ncat >/dev/null\n", 0, kFailed },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Sandbox sandbox;
        ElevationStandIn standIn(sandbox);
        const QString file = sandbox.makeFile("var/log/app.log");
        standIn.setRoots({ sandbox.path("var/log") }, {});
        if (!row.script.isEmpty())
            standIn.writeScript(row.script);
        if (row.helperMissing) {
            Locations locations = sandbox.locations();
            locations.privilegedHelper = sandbox.path("no/such/helper");
            sandbox.setLocations(locations);
        }
        AuthorizationSession session;

        EXPECT_EQ(session.authorize(), row.authorised);
        long status = 0;
        EXPECT_FALSE(session.run("/bin/rm", { file }, &status));
        EXPECT_EQ(status, row.ran);
        EXPECT_FALSE(session.isAuthenticated());
        std::optional<TaskError> error;
        EXPECT_FALSE(OneLineTasksWithOutput::stringByLaunchingPath("/bin/rm", { file }, &session, &error));
        EXPECT_EQ(error ? error->code : 0, kNo);
        EXPECT_TRUE(QFileInfo::exists(file));
    }
}

TEST(AuthorizationSessionTest, AsksOnceAndKeepsTheHelperUntilDestroyed)
{
    Sandbox sandbox;
    ElevationStandIn standIn(sandbox);
    const QString file = sandbox.makeFile("var/log/app.log");
    standIn.setRoots({ sandbox.path("var/log") }, {});
    standIn.runsHelper();
    AuthorizationSession session;
    const QStringList pipesBefore = inheritablePipes();

    ASSERT_EQ(session.authorize(), AuthorizationSession::kSuccess);
    ASSERT_EQ(session.authorize(), AuthorizationSession::kSuccess);
    ASSERT_EQ(standIn.starts().size(), 1);
    const qint64 helper = standIn.starts().first();
    EXPECT_TRUE(ElevationStandIn::isRunning(helper));
    // Whoever holds the helper's pipes holds the grant: no other child may
    // inherit them, and no other process may open them through /proc.
    EXPECT_EQ(::prctl(PR_GET_DUMPABLE, 0, 0, 0, 0), 0);
    EXPECT_EQ(inheritablePipes(), pipesBefore);
    std::optional<TaskError> error;
    EXPECT_EQ(
        OneLineTasksWithOutput::stringByLaunchingPath("/bin/rm", { file }, &session, &error), QString(""));
    EXPECT_FALSE(error || QFileInfo::exists(file));

    session.destroy();
    EXPECT_FALSE(session.isAuthenticated());
    EXPECT_FALSE(ElevationStandIn::isRunning(helper));
    session.destroy();
    ASSERT_EQ(session.authorize(), AuthorizationSession::kSuccess);
    ASSERT_EQ(standIn.starts().size(), 2);
    // A helper gone between two clicks is asked for again, not reported as ready.
    ::kill(pid_t(standIn.starts().last()), SIGKILL);
    ASSERT_EQ(session.authorize(), AuthorizationSession::kSuccess);
    EXPECT_EQ(standIn.starts().size(), 3);
}

// The helper rejects a request beyond its bounds whole, and refuses every path
// it is sent here, each being outside its roots.
TEST(AuthorizationSessionTest, LongListsGoInRequestsWithinTheHelpersBounds)
{
    using namespace HelperProtocol;
    struct Row {
        const char* name;
        qsizetype count, bytes; // paths of so many bytes
        qsizetype unsent; // refused without being sent
    };
    const qsizetype longest = qsizetype(kMaxFieldBytes) - 1;
    const Row rows[] = {
        { "more paths than a request holds", qsizetype(kMaxPathsPerRequest) + 1, 60, 0 },
        { "more bytes than a request holds", qsizetype(kMaxRequestBytes / kMaxFieldBytes) + 2, longest, 0 },
        { "a path longer than the helper takes", 3, longest + 1, 3 },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Sandbox sandbox;
        ElevationStandIn standIn(sandbox);
        standIn.setRoots({ sandbox.makeFolder("var/log") }, {});
        standIn.runsHelper();
        QStringList paths;
        for (int n = -1; n < row.count; ++n) {
            QString path = sandbox.path(QStringLiteral("elsewhere/%1/").arg(n));
            const qsizetype bytes = n < 0 ? 40 : row.bytes;
            while (path.size() < bytes)
                path += (path.size() % 200 == 0) ? u'/' : u'a';
            paths << path.left(bytes);
        }
        AuthorizationSession session;
        ASSERT_EQ(session.authorize(), AuthorizationSession::kSuccess);

        long status = -9;
        const auto result = session.run("/bin/rm", paths, &status);
        session.destroy();

        ASSERT_TRUE(result) << status;
        EXPECT_EQ(status, AuthorizationSession::kSuccess);
        EXPECT_EQ(result->refusedPaths.size(), paths.size());
        EXPECT_EQ(sandbox.logLines().filter("(longer than a path can be)").size(), row.unsent);
    }
}

} // namespace
