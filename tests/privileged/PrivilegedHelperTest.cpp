// The helper as the superuser runs it. These cases are run only by
// run-in-namespace.sh, inside a private mount namespace whose system folders
// are empty tmpfs and whose remaining file systems are read-only; anywhere
// else every case is skipped with the reason.

#include "privileged/PrivilegedNamespace.h"
#include "support/HelperClient.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sys/mount.h>
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
    std::string reason {}; // part of the refusal's reason
};

struct Row {
    const char* name;
    std::vector<std::string> environment;
    std::vector<Item> items;
    uid_t definitionsOwner = 0;
    uid_t helperUser = 0; // the helper runs as root unless another user is named
};

TEST(PrivilegedHelperTest, ServesOnlyRootsThatRootAloneControls)
{
    if (const std::string reason = whyNotConfined(); !reason.empty())
        GTEST_SKIP() << reason;
    const std::string logs = "/var/log/velmora-test";
    makeFolder("/var/log");
    makeFolder(logs);
    makeFolder("/etc/canaries");

    makeFolder("/var/user-owned", kUser);
    makeFolder("/var/below-user", kUser);
    makeFolder("/var/below-user/logs");
    // The accounts of a machine with Ubuntu's log folder: the log daemon's
    // group, and a person (kUser) whose primary group is "users" and who is in "adm".
    std::ofstream("/etc/nsswitch.conf") << "passwd: files\ngroup: files\n";
    std::ofstream("/etc/passwd") << "root:x:0:0::/root:/bin/sh\nsyslog:x:104:110::/:/bin/false\n"
                                 << "alice:x:" << kUser << ":100::/:/bin/sh\n";
    std::ofstream("/etc/group") << "root:x:0:\nadm:x:4:syslog,alice\nusers:x:100:\nsyslog:x:110:\n";
    const struct {
        const char* folder;
        gid_t group;
        mode_t mode;
    } groupWritable[] = { { "/var/syslog-group", 110, 0775 }, { "/var/group-writable", kUser, 0775 },
        { "/var/users-writable", 100, 0775 }, { "/var/adm-writable", 4, 0775 },
        { "/var/world-writable", 0, 0777 } };
    for (const auto& folder : groupWritable) {
        for (const std::string& path : { std::string(folder.folder), std::string(folder.folder) + "/logs" }) {
            makeFolder(path, 0, folder.mode);
            ASSERT_EQ(::chown(path.c_str(), 0, folder.group), 0);
        }
    }
    // Bind mounts of the same file system as the roots, which a device check cannot tell.
    const std::string bound = logs + "/bound", userBound = "/var/user-owned/bound";
    makeFolder(bound);
    makeFolder(userBound, kUser);
    const std::vector<std::string> canaries { makeFile("/etc/canaries/shadow"),
        makeFile("/etc/canaries/passwd"), makeFile("/var/keep/secret"),
        makeFile("/var/user-keep/secret", kUser) };
    ASSERT_EQ(::chown("/var/user-keep", kUser, kUser), 0);
    ASSERT_EQ(::mount("/var/keep", bound.c_str(), nullptr, MS_BIND, nullptr), 0);
    ASSERT_EQ(::mount("/var/user-keep", userBound.c_str(), nullptr, MS_BIND, nullptr), 0);
    makeFolder("/var/crash", 0, 01777);
    makeFolder(logs + "/linked");
    ASSERT_EQ(::symlink((logs + "/linked").c_str(), "/var/root-link"), 0);
    ASSERT_EQ(::symlink("/etc/canaries", "/var/user-link"), 0);
    ASSERT_EQ(::lchown("/var/user-link", kUser, kUser), 0);
    makeFolder("/tmp/hostile");
    ASSERT_TRUE(HelperClient::writeDefinitions("/tmp/hostile", { "/etc/canaries" }, {}));

    const std::string pkexecUser = "PKEXEC_UID=" + std::to_string(kUser);
    const std::vector<std::string> allRoots { logs, "/var/user-owned", "/var/below-user/logs",
        "/var/group-writable/logs", "/var/crash", "/var/root-link", "/var/user-link",
        "/var/syslog-group/logs", "/var/users-writable/logs", "/var/adm-writable/logs",
        "/var/world-writable/logs" };
    // A process with a mount namespace of its own, where the canaries are
    // mounted onto a folder the helper serves.
    const std::string journal = logs + "/journal";
    makeFolder(journal);
    const std::string owning = "exec unshare --mount sh -c 'mount --bind /etc/canaries " + journal + " && cd "
        + journal + " && echo $$ && exec sleep 600'";
    pid_t ownerPid = -1;
    // Only a pid read from the process may be killed: -1 would mean every process.
    const auto end = [&ownerPid](FILE* stream) {
        if (ownerPid > 0)
            ::kill(ownerPid, SIGKILL);
        ::pclose(stream);
    };
    const std::unique_ptr<FILE, decltype(end)> owner(::popen(owning.c_str(), "r"), end);
    ASSERT_TRUE(owner && std::fscanf(owner.get(), "%d", &ownerPid) == 1);
    const std::string ownerProc = "/proc/" + std::to_string(ownerPid);

    const Row rows[] = {
        { "a root owned by root alone, with its control case", { pkexecUser },
            { { makeFile(logs + "/app.log"), true } } },
        { "a root a user owns", { pkexecUser }, { { makeFile("/var/user-owned/x", kUser), false } } },
        { "a root below a folder a user owns", { pkexecUser },
            { { makeFile("/var/below-user/logs/x"), false } } },
        { "roots below folders groups of people or everyone may write", { pkexecUser },
            { { makeFile("/var/group-writable/logs/x"), false, {}, "left out" },
                { makeFile("/var/users-writable/logs/x"), false, {}, "left out" },
                { makeFile("/var/adm-writable/logs/x"), false, {}, "left out" },
                { makeFile("/var/world-writable/logs/x"), false, {}, "left out" } } },
        { "a root a system group may write, below another, as Ubuntu's /var/log", { pkexecUser },
            { { makeFile("/var/syslog-group/logs/x"), true } } },
        { "a bind mount of the same file system below a root", { pkexecUser },
            { { bound + "/secret", false, canaries[2] } } },
        { "the same, resolved without openat2 by the helper a user started",
            { std::string("VELMORA_HELPER_WITHOUT_OPENAT2=1") },
            { { userBound + "/secret", false, canaries[3] }, { makeFile("/var/user-owned/y", kUser), true } },
            0, kUser },
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
        HelperClient client(
            std::getenv("VELMORA_PRIVILEGED_HELPER"), row.environment, "/tmp", row.helperUser);
        ASSERT_TRUE(client.ready()) << client.problems();
        std::vector<std::string> paths;
        for (const Item& item : row.items)
            paths.push_back(item.path);
        const HelperClient::Reply reply = client.send(HelperClient::request("/bin/rm", paths));
        ASSERT_TRUE(reply.answered);
        EXPECT_TRUE(reply.rejected.empty()) << reply.rejected;
        for (const Item& item : row.items) {
            SCOPED_TRACE(item.path);
            const auto refusal = reply.refused.find(item.path);
            EXPECT_EQ(refusal != reply.refused.end(), !item.removed) << client.problems();
            if (refusal != reply.refused.end()) {
                EXPECT_NE(refusal->second.find(item.reason), std::string::npos) << refusal->second;
            }
            EXPECT_EQ(present(item.onDisk.empty() ? item.path : item.onDisk), !item.removed);
        }
        for (const std::string& canary : canaries)
            ASSERT_TRUE(present(canary)) << canary;
    }
}

} // namespace
