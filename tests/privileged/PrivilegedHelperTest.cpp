// The helper as the superuser runs it. These cases are run only by
// run-in-namespace.sh, inside a private mount namespace whose system folders
// are empty tmpfs and whose remaining file systems are read-only; anywhere
// else every case is skipped with the reason.

#include "privileged/NamespaceCheck.h"
#include "support/HelperClient.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// The user polkit names, and another user of the same machine.
constexpr uid_t kUser = 1000, kStranger = 2000;

void makeFolder(const std::string& path, uid_t owner = 0, mode_t mode = 0755)
{
    fs::create_directories(path);
    ASSERT_EQ(::chown(path.c_str(), owner, owner), 0) << path;
    ASSERT_EQ(::chmod(path.c_str(), mode), 0) << path;
}

std::string makeFile(const std::string& path, uid_t owner = 0)
{
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path) << "x";
    EXPECT_EQ(::chown(path.c_str(), owner, owner), 0) << path;
    return path;
}

bool present(const std::string& path)
{
    return fs::exists(fs::symlink_status(path));
}

struct Item {
    std::string path;
    bool removed;
    std::string onDisk {}; // what the path names, when it is not the path itself
};

struct Row {
    const char* name;
    std::vector<std::string> environment;
    std::vector<Item> items;
    uid_t definitionsOwner = 0;
};

class PrivilegedHelperTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string reason = whyNotConfined();
        if (!reason.empty())
            GTEST_SKIP() << reason;
        helper = std::getenv("VELMORA_PRIVILEGED_HELPER");
    }

    void TearDown() override
    {
        if (ownerPid > 0)
            ::kill(ownerPid, SIGKILL);
        if (owner)
            ::pclose(owner);
    }

    std::string helper;
    FILE* owner = nullptr;
    pid_t ownerPid = -1;
};

TEST_F(PrivilegedHelperTest, ServesOnlyRootsThatRootAloneControls)
{
    const std::string logs = "/var/log/velmora-test";
    makeFolder("/var/log");
    makeFolder(logs);
    makeFolder("/etc/canaries");
    const std::vector<std::string> canaries { makeFile("/etc/canaries/shadow"),
        makeFile("/etc/canaries/passwd") };

    makeFolder("/var/user-owned", kUser);
    makeFolder("/var/below-user", kUser);
    makeFolder("/var/below-user/logs");
    makeFolder("/var/group-writable", 0, 0775);
    makeFolder("/var/group-writable/logs");
    makeFolder("/var/crash", 0, 01777);
    makeFolder(logs + "/linked");
    ASSERT_EQ(::symlink((logs + "/linked").c_str(), "/var/root-link"), 0);
    ASSERT_EQ(::symlink("/etc/canaries", "/var/user-link"), 0);
    ASSERT_EQ(::lchown("/var/user-link", kUser, kUser), 0);
    makeFolder("/tmp/hostile");
    ASSERT_TRUE(HelperClient::writeDefinitions("/tmp/hostile", { "/etc/canaries" }, {}));

    const std::string pkexecUser = "PKEXEC_UID=" + std::to_string(kUser);
    const std::vector<std::string> allRoots { logs, "/var/user-owned", "/var/below-user/logs",
        "/var/group-writable/logs", "/var/crash", "/var/root-link", "/var/user-link" };
    // A process with a mount namespace of its own, where the canaries are
    // mounted onto a folder the helper serves.
    const std::string journal = logs + "/journal";
    makeFolder(journal);
    const std::string owning = "exec unshare --mount sh -c 'mount --bind /etc/canaries " + journal + " && cd "
        + journal + " && echo $$ && exec sleep 600'";
    owner = ::popen(owning.c_str(), "r");
    ASSERT_TRUE(owner && std::fscanf(owner, "%d", &ownerPid) == 1);
    const std::string ownerProc = "/proc/" + std::to_string(ownerPid);

    const Row rows[] = {
        { "a root owned by root alone, with its control case", { pkexecUser },
            { { makeFile(logs + "/app.log"), true } } },
        { "a root a user owns", { pkexecUser }, { { makeFile("/var/user-owned/x", kUser), false } } },
        { "a root below a folder a user owns", { pkexecUser },
            { { makeFile("/var/below-user/logs/x"), false } } },
        { "a root below a folder its group may write", { pkexecUser },
            { { makeFile("/var/group-writable/logs/x"), false } } },
        { "a root reached through root's own link", { pkexecUser },
            { { "/var/root-link/x", true, makeFile(logs + "/linked/x") } } },
        { "a root reached through a user's link", { pkexecUser },
            { { "/var/user-link/shadow", false, canaries[0] } } },
        { "a shared sticky root: the user's and root's entries, not another user's", { pkexecUser },
            { { makeFile("/var/crash/mine.crash", kUser), true }, { makeFile("/var/crash/root.crash"), true },
                { makeFile("/var/crash/theirs.crash", kStranger), false } } },
        { "started without PKEXEC_UID (sudo -E): the requester is root", {},
            { { makeFile("/var/crash/again.crash", kUser), false },
                { makeFile("/var/crash/root2.crash"), true } } },
        { "the environment names hostile definitions",
            { pkexecUser, "VELMORA_HELPER_DEFINITIONS=/tmp/hostile" },
            { { "/etc/canaries/shadow", false }, { makeFile(logs + "/served.log"), true } } },
        { "definitions a user owns", { pkexecUser }, { { makeFile(logs + "/app2.log"), false } }, kUser },
        { "through the root folder of a process in another mount namespace", { pkexecUser },
            { { ownerProc + "/root" + journal + "/shadow", false, canaries[0] },
                { ownerProc + "/cwd/passwd", false, canaries[1] } } },
    };

    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(HelperClient::writeDefinitions(VELMORA_INSTALLED_DEFINITIONS, allRoots, {}));
        for (const char* name : { "/SysLogPaths.plist", "/SystemCachePaths.plist" })
            ASSERT_EQ(
                ::chown((VELMORA_INSTALLED_DEFINITIONS + std::string(name)).c_str(), row.definitionsOwner, 0),
                0);
        HelperClient client(helper, row.environment, "/tmp");
        ASSERT_TRUE(client.ready()) << client.problems();
        std::vector<std::string> paths;
        for (const Item& item : row.items)
            paths.push_back(item.path);
        const HelperClient::Reply reply = client.send(HelperClient::request("/bin/rm", paths));
        ASSERT_TRUE(reply.answered);
        EXPECT_TRUE(reply.rejected.empty()) << reply.rejected;
        for (const Item& item : row.items) {
            SCOPED_TRACE(item.path);
            EXPECT_EQ(reply.refused.contains(item.path), !item.removed) << client.problems();
            EXPECT_EQ(present(item.onDisk.empty() ? item.path : item.onDisk), !item.removed);
        }
        for (const std::string& canary : canaries)
            ASSERT_TRUE(present(canary)) << canary;
    }
}

} // namespace
