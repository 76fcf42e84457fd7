#include "removal/AuthorizationSession.h"
#include "removal/ElevationStandIn.h"
#include "support/OneLineTasksWithOutput.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QFileInfo>

#include <csignal>
#include <functional>

namespace {

bool processExists(qint64 pid)
{
    return ::kill(pid_t(pid), 0) == 0;
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

    ASSERT_EQ(session.authorize(), AuthorizationSession::kSuccess);
    ASSERT_EQ(session.authorize(), AuthorizationSession::kSuccess);
    ASSERT_EQ(standIn.starts().size(), 1);
    const qint64 helper = standIn.starts().first();
    EXPECT_TRUE(processExists(helper));

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
