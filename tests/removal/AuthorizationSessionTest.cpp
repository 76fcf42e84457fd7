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

TEST(AuthorizationSessionTest, LongListsGoInRequestsWithinTheHelpersBounds)
{
    using namespace HelperProtocol;
    struct Row {
        const char* name;
        qsizetype count, bytes; // paths of so many bytes
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
        standIn.setRoots({ sandbox.makeFolder("var/log") }, {});
        const QString received = sandbox.path("received");
        standIn.runsHelper(QStringLiteral("tee -- '%1' | \"$@\"\nexit\n").arg(received));
        // Paths of exactly so many bytes, inside the sandbox but outside the helper's roots.
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

        ASSERT_TRUE(result);
        EXPECT_EQ(status, AuthorizationSession::kSuccess);
        EXPECT_EQ(result->refusedPaths.size(), paths.size()) << "each is outside the roots or unsent";
        QFile stream(received);
        ASSERT_TRUE(stream.open(QIODevice::ReadOnly));
        // Each request is its fields, the tool first, ended by an empty field.
        QStringList sent;
        QByteArrayList request;
        int count = 0;
        for (const QByteArray& field : stream.readAll().split('\0')) {
            if (!field.isEmpty()) {
                request << field;
                EXPECT_LE(std::size_t(field.size()) + 1, kMaxFieldBytes);
                continue;
            }
            if (request.isEmpty())
                continue;
            ++count;
            EXPECT_EQ(request.takeFirst(), "/bin/rm");
            EXPECT_LE(std::size_t(request.size()), kMaxPathsPerRequest);
            EXPECT_LE(std::size_t(request.join('\0').size()) + 10, kMaxRequestBytes);
            for (const QByteArray& path : std::exchange(request, {}))
                sent << QFile::decodeName(path);
        }
        EXPECT_EQ(count, row.requests);
        EXPECT_EQ(sent.size(), paths.size() - row.unsent);
        EXPECT_TRUE(sent.contains(paths.first()));
        if (row.unsent > 0) {
            EXPECT_TRUE(sandbox.logged(QStringLiteral("Refused with administrator rights: %1 (%2)")
                                           .arg(paths.last(), QStringLiteral("longer than a path can be"))));
        }
    }
}

} // namespace
