#include "removal/AuthorizationSession.h"
#include "removal/ElevationStandIn.h"
#include "removal/helper/HelperProtocol.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include <csignal>
#include <fcntl.h>
#include <sys/prctl.h>

namespace {

// This process's open pipes that may pass to a program it starts.
QStringList inheritablePipes()
{
    QStringList pipes;
    for (const QFileInfo& fd : QDir("/proc/self/fd").entryInfoList(QDir::Files | QDir::System)) {
        const bool closedOnExec = ::fcntl(fd.fileName().toInt(), F_GETFD) & FD_CLOEXEC;
        if (fd.symLinkTarget().contains("pipe:") && !closedOnExec)
            pipes << fd.fileName() + u' ' + fd.symLinkTarget();
    }
    return pipes;
}

TEST(AuthorizationSessionTest, AsksOnceAndKeepsTheHelperUntilDestroyed)
{
    Sandbox sandbox;
    ElevationStandIn standIn(sandbox);
    standIn.runsHelper();
    AuthorizationSession session;
    const QStringList pipesBefore = inheritablePipes();
    // The setting is the process's: an earlier test may have made it already.
    ::prctl(PR_SET_DUMPABLE, 1, 0, 0, 0);

    ASSERT_EQ(session.authorize(), AuthorizationSession::kSuccess);
    ASSERT_EQ(session.authorize(), AuthorizationSession::kSuccess);
    ASSERT_EQ(standIn.starts().size(), 1);
    const qint64 helper = standIn.starts().first();
    EXPECT_TRUE(ElevationStandIn::isRunning(helper));
    // Whoever holds the helper's pipes holds the grant: no other child may
    // inherit them, and no other process may open them through /proc.
    EXPECT_EQ(::prctl(PR_GET_DUMPABLE, 0, 0, 0, 0), 0);
    EXPECT_EQ(inheritablePipes(), pipesBefore);

    session.destroy();
    EXPECT_FALSE(session.isAuthenticated());
    EXPECT_FALSE(ElevationStandIn::isRunning(helper));
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
