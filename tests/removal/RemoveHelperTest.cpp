#include "removal/AuthorizationSession.h"
#include "removal/ElevationStandIn.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <unistd.h>

namespace {

bool present(const QString& path)
{
    return QFileInfo(path).exists() || QFileInfo(path).isSymLink();
}

// A sandbox with a system-log folder, a system-cache folder and a folder in the
// home given with "~", next to things the helper must never touch.
class RemoveHelperTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        logs = sandbox.makeFolder(QStringLiteral("var/log"));
        caches = sandbox.makeFolder(QStringLiteral("var/cache/junk"));
        homeCache = sandbox.makeFolder(QStringLiteral("home/.cache/stale"));
        outside = sandbox.makeFolder(QStringLiteral("outside"));
        sandbox.makeFile(QStringLiteral("outside/secret"));
        sandbox.makeFile(QStringLiteral("outside/target"));
        QFile::link(outside, logs + QStringLiteral("/escape"));
        QFile::link(outside + QStringLiteral("/target"), logs + QStringLiteral("/pointer"));
        standIn.setRoots({ logs + u'/', QStringLiteral("~/.cache/stale") }, { caches });
        standIn.runsHelper();
        ASSERT_EQ(session.authorize(), AuthorizationSession::kSuccess);
    }

    AuthorizationSession::RunResult remove(const QString& tool, const QStringList& paths)
    {
        long status = 1;
        const std::optional<AuthorizationSession::RunResult> result = session.run(tool, paths, &status);
        EXPECT_EQ(status, AuthorizationSession::kSuccess);
        return result.value_or(AuthorizationSession::RunResult {});
    }

    Sandbox sandbox;
    ElevationStandIn standIn { sandbox };
    AuthorizationSession session;
    QString logs, caches, homeCache, outside;
};

TEST_F(RemoveHelperTest, RemovesExactlyTheFilesInsideItsFoldersAndRefusesTheRest)
{
    struct Row {
        const char* name;
        QString path;
        bool removed;
        QString mustSurvive;
    };
    const QString keep = sandbox.makeFile(QStringLiteral("var/log/keep.log"));
    const Row rows[] = {
        { "plain log", sandbox.makeFile(QStringLiteral("var/log/app.log")), true, keep },
        { "name that looks like an option", sandbox.makeFile(QStringLiteral("var/log/-r")), true, keep },
        { "newline in the name", sandbox.makeFile(QStringLiteral("var/log/two\nlines.log")), true, keep },
        { "quotes in the name", sandbox.makeFile(QStringLiteral("var/log/it's \"quoted\" $(x).log")), true,
            keep },
        { "system cache", sandbox.makeFile(QStringLiteral("var/cache/junk/deep/c.bin")), true, {} },
        { "home folder given with ~", sandbox.makeFile(QStringLiteral("home/.cache/stale/x")), true, {} },
        { "link removed, not its target", logs + QStringLiteral("/pointer"), true,
            outside + QStringLiteral("/target") },
        { "relative path", QStringLiteral("var/log/keep.log"), false, keep },
        { "dot-dot above the root", QStringLiteral("/tmp/../etc"), false, {} },
        { "dot component", logs + QStringLiteral("/./keep.log"), false, keep },
        { "dot-dot out of the folder", logs + QStringLiteral("/../../outside/secret"), false,
            outside + QStringLiteral("/secret") },
        { "planted outside the folders", outside + QStringLiteral("/secret"), false,
            outside + QStringLiteral("/secret") },
        { "folder that is a link out", logs + QStringLiteral("/escape/secret"), false,
            outside + QStringLiteral("/secret") },
        { "sibling with a common prefix", sandbox.makeFile(QStringLiteral("var/logbook")), false,
            sandbox.path(QStringLiteral("var/logbook")) },
        { "the root folder", QStringLiteral("/"), false, {} },
        { "empty path", QString(), false, {} },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const AuthorizationSession::RunResult result = remove(QStringLiteral("/bin/rm"), { row.path });
        EXPECT_EQ(result.refusedPaths, row.removed ? QStringList() : QStringList { row.path });
        if (row.removed) {
            EXPECT_FALSE(present(row.path));
            EXPECT_EQ(result.exitStatus, 0) << result.errorOutput.toStdString();
        }
        if (!row.mustSurvive.isEmpty()) {
            EXPECT_TRUE(present(row.mustSurvive));
        }
    }
    EXPECT_TRUE(sandbox.logged(QStringLiteral("Refused with administrator rights: %1 (%2)")
                                   .arg(outside + QStringLiteral("/secret"),
                                       QStringLiteral("outside the folders of system logs and caches"))));
}

TEST_F(RemoveHelperTest, JudgesEveryPathOfOneRequestOnItsOwn)
{
    const QString first = sandbox.makeFile(QStringLiteral("var/log/first"));
    const QString second = sandbox.makeFile(QStringLiteral("var/log/second"));
    const QString secret = outside + QStringLiteral("/secret");
    // Beside the cache folder, in the folder that holds it: the same folder as
    // the path before it, but not inside the roots.
    const QString besideCaches = sandbox.makeFile(QStringLiteral("var/cache/beside"));

    const AuthorizationSession::RunResult result
        = remove(QStringLiteral("/bin/rm"), { first, secret, second, caches, besideCaches });

    EXPECT_EQ(result.refusedPaths, (QStringList { secret, besideCaches }));
    EXPECT_FALSE(present(first));
    EXPECT_FALSE(present(second));
    EXPECT_TRUE(present(secret));
    EXPECT_TRUE(present(besideCaches));
    EXPECT_TRUE(present(caches));
    EXPECT_NE(result.exitStatus, 0);
}

TEST_F(RemoveHelperTest, RemovesOnlyEmptyFoldersAndReportsTheOthers)
{
    const QString empty = sandbox.makeFolder(QStringLiteral("var/log/empty"));
    const QString full = sandbox.makeFolder(QStringLiteral("var/log/full"));
    sandbox.makeFile(QStringLiteral("var/log/full/still-here"));

    const AuthorizationSession::RunResult result = remove(QStringLiteral("/bin/rmdir"), { empty, full });

    EXPECT_FALSE(present(empty));
    EXPECT_TRUE(present(full + QStringLiteral("/still-here")));
    EXPECT_NE(result.exitStatus, 0);
    EXPECT_TRUE(result.errorOutput.contains("full")) << result.errorOutput.toStdString();
    EXPECT_TRUE(result.refusedPaths.isEmpty());
}

TEST_F(RemoveHelperTest, RejectsEveryToolButRmAndRmdirAndStaysUsable)
{
    const QString file = sandbox.makeFile(QStringLiteral("var/log/app.log"));
    for (const QString& tool : { QStringLiteral("/bin/sh"), QStringLiteral("/usr/bin/rm"),
             QStringLiteral("rm"), QStringLiteral("/bin/rm -rf"), QStringLiteral("/bin/rmdir/") }) {
        SCOPED_TRACE(tool.toStdString());
        long status = 0;
        EXPECT_FALSE(session.run(tool, { file }, &status));
        EXPECT_EQ(status, AuthorizationSession::kToolRejected);
        EXPECT_TRUE(present(file));
        EXPECT_TRUE(session.isAuthenticated());
    }
    remove(QStringLiteral("/bin/rm"), { file });
    EXPECT_FALSE(present(file));
}

TEST_F(RemoveHelperTest, SplitsAListTooLongForOneCommandLine)
{
    // More bytes of names than one program's argument list may hold on Linux (2 MiB).
    const QString many = sandbox.makeFolder(QStringLiteral("var/log/many"));
    const QString stem = QString(230, u'n');
    QStringList paths;
    for (int i = 0; i < 9500; ++i) {
        paths.append(many + u'/' + stem + QString::number(i));
        QFile(paths.last()).open(QIODevice::WriteOnly);
    }

    const AuthorizationSession::RunResult result = remove(QStringLiteral("/bin/rm"), paths);

    EXPECT_EQ(result.exitStatus, 0) << result.errorOutput.left(500).toStdString();
    EXPECT_TRUE(QDir(many).isEmpty());
}

TEST(RemoveHelperStartTest, UnderPkexecReadsOnlyTheInstalledDefinitions)
{
    Sandbox sandbox;
    ElevationStandIn standIn(sandbox);
    const QString planted = sandbox.makeFile(QStringLiteral("var/log/app.log"));
    standIn.setRoots({ sandbox.path(QStringLiteral("var/log")) }, {});
    standIn.runsHelper(QStringLiteral("export PKEXEC_UID=%1").arg(::getuid()));
    AuthorizationSession session;
    ASSERT_EQ(session.authorize(), AuthorizationSession::kSuccess);

    const std::optional<AuthorizationSession::RunResult> result
        = session.run(QStringLiteral("/bin/rm"), { planted });

    ASSERT_TRUE(result);
    EXPECT_EQ(result->refusedPaths, QStringList { planted });
    EXPECT_TRUE(present(planted));
}

// The framing itself, spoken to the helper directly.
TEST(RemoveHelperStartTest, AnswersInRecordsAndActsOnlyOnWholeRequests)
{
    Sandbox sandbox;
    ElevationStandIn standIn(sandbox);
    const QString file = sandbox.makeFile(QStringLiteral("var/log/app.log"));
    standIn.setRoots({ sandbox.path(QStringLiteral("var/log")) }, {});

    QProcess helper;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(
        QStringLiteral("VELMORA_HELPER_DEFINITIONS"), sandbox.path(QStringLiteral("helper-definitions")));
    environment.remove(QStringLiteral("PKEXEC_UID"));
    helper.setProcessEnvironment(environment);
    helper.start(sandbox.locations().privilegedHelper, {});
    helper.write(QByteArray("/bin/sh\0-c\0\0", 12));
    helper.write(QByteArray("/bin/rm\0\0", 9));
    helper.write(QByteArray(1, '\0'));
    // Cut off before the empty field that would end the request.
    helper.write(QFile::encodeName(file) + '\0');
    helper.closeWriteChannel();
    ASSERT_TRUE(helper.waitForFinished(10000));

    EXPECT_EQ(helper.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(helper.exitCode(), 0);
    EXPECT_EQ(helper.readAllStandardOutput(),
        QByteArray("ready 1\n1rejected 25\ntool not allowed: /bin/shdone 1\n0done 1\n0"));
    EXPECT_TRUE(present(file));
}

} // namespace
