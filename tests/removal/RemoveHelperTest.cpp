#include "removal/helper/HelperProtocol.h"
#include "support/HelperClient.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <atomic>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace {

// What must become of one path sent to the helper. Refused: answered with a "refused" record and left on
// disk; Kept: passed on to the tool, which failed on it.
enum class Fate { Removed, Refused, Kept };

struct Item {
    std::string sent;
    Fate fate;
    QString onDisk; // what the path names, checked after the request; empty: nothing to check
    std::string reason {}; // a part of the reason for a refusal, when it matters
};

struct Row {
    const char* name;
    std::string tool;
    std::vector<Item> items;
    bool succeeds = true; // done with status 0
    bool rejected = false; // refused whole
    std::string rawRequest {}; // sent instead of tool and items when set
    bool raced = false; // sent 20 times while a folder on the way is swapped with a link to the outside
    long peakBelowKiB = 0; // the helper's peak memory after the row, when set
};

const std::string kRm = "/bin/rm", kRmdir = "/bin/rmdir";

std::string local(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

Item item(const QString& path, Fate fate)
{
    return { local(path), fate, path };
}

// The helper started as Velmora starts it, but without pkexec: as the user
// running the tests, with definitions naming folders of a sandbox, where
// look-alikes of system folders sit next to canary files that must outlive
// every case. Each row is one request; the helper has to answer it and the
// next one, whatever the row sent.
class RemoveHelperTest : public ::testing::TestWithParam<bool> {
protected:
    QString file(const QString& relative) { return sandbox.makeFile(relative); }
    QString folder(const QString& relative) { return sandbox.makeFolder(relative); }
    Sandbox sandbox;
};

TEST_P(RemoveHelperTest, RemovesOnlyBeneathItsRootsWhateverItIsSent)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "as root the helper reads only the installed definitions; run the tests as a user";
    const QString logs = folder("var/log");
    const QString fonts = folder("var/cache/fontconfig");
    const QString emptyRoot = folder("var/cache/empty");
    const QString packageCache = file("var/cache/apt/pkgcache.bin");
    const QString outside = folder("outside");
    const QString keep = file("var/log/keep.log");
    const QString definitions = folder("helper-definitions");
    ASSERT_TRUE(HelperClient::writeDefinitions(local(definitions), { local(logs), "~/.cache/stale" },
        { local(fonts) + '/', local(emptyRoot), local(packageCache) }));

    std::vector<QString> canaries;
    const auto canary = [&](const QString& name) {
        canaries.push_back(file("outside/" + name));
        return canaries.back();
    };
    const auto linkOut = [&](const QString& target, const QString& name) {
        const QString link = logs + u'/' + name;
        EXPECT_TRUE(QFile::link(target, link));
        return link;
    };
    const QString secret = canary("secret");
    const QString target = canary("target");

    // A process whose working folder is inside a root, reachable through /proc.
    QProcess sleeper;
    sleeper.setWorkingDirectory(logs);
    sleeper.start("sleep", { "600" });
    ASSERT_TRUE(sleeper.waitForStarted());
    const std::string sleeperCwd = "/proc/" + std::to_string(sleeper.processId()) + "/cwd";

    // Names of a folder inside a root and of a link to the outside, swapped
    // back and forth while the helper works on paths through the first name.
    const QString swapped = folder("var/log/swapped");
    const QString swappedLink = linkOut(outside, "swapped-link");
    std::vector<std::string> raced;
    for (int i = 0; i < 300; ++i) {
        const QString name = QStringLiteral("victim%1").arg(i);
        file("var/log/swapped/" + name);
        canary(name);
        raced.push_back(local(swapped + u'/' + name));
    }

    std::vector<Item> manyNames;
    const QString many = folder("var/log/many");
    for (int i = 0; i < 9500; ++i) // more bytes of names than one command line holds
        manyNames.push_back(
            item(file(QStringLiteral("var/log/many/%1%2").arg(QString(230, u'n')).arg(i)), Fate::Removed));
    std::vector<Item> boundOfPaths(100000, Item { "x", Fate::Refused, {} });

    std::string millionFields = kRm + '\0';
    for (int i = 0; i < 1000000; ++i)
        millionFields += std::string("x\0", 2);
    millionFields += '\0';
    std::vector<std::string> overByteBound(5000, local(logs) + '/' + std::string(3900, 'b'));

    const Row rows[] = {
        { "files inside the roots, with names that look like options or hold odd bytes", kRm,
            { item(file("var/log/app.log"), Fate::Removed), item(file("var/log/-rf"), Fate::Removed),
                item(file("var/log/two\nlines it's \"$(x)\""), Fate::Removed),
                item(file("var/cache/fontconfig/deep/c.bin"), Fate::Removed),
                // Taken for an option, "-rf" would make this go whole.
                item(file("var/log/full/inside").section(u'/', 0, -2), Fate::Kept) },
            false },
        { "every path of a request on its own", kRm,
            { item(file("var/log/first"), Fate::Removed), item(secret, Fate::Refused),
                item(file("var/log/second"), Fate::Removed),
                item(file("var/cache/beside"), Fate::Refused) } },
        { "a link as the last component goes, not what it points to", kRm,
            { item(linkOut(target, "pointer"), Fate::Removed) } },
        { "a link in a middle component", kRm,
            { { local(linkOut(outside, "escape")) + "/secret", Fate::Refused, secret } } },
        { "a trailing slash after a link to a folder outside", kRm,
            { { local(linkOut(outside, "escape-slash")) + '/', Fate::Removed, logs + "/escape-slash" } } },
        { "trailing and doubled slashes", kRmdir,
            { { local(folder("var/log/trailing")) + "//", Fate::Removed, logs + "/trailing" },
                { local(logs) + "//doubled//empty", Fate::Removed, folder("var/log/doubled/empty") } } },
        { "dot and dot-dot components", kRm,
            { { local(logs) + "/./keep.log", Fate::Refused, keep },
                { local(logs) + "/full/../keep.log", Fate::Refused, keep },
                { local(logs) + "/../../outside/secret", Fate::Refused, secret } } },
        { "through /proc/self/root", kRm, { { "/proc/self/root" + local(keep), Fate::Refused, keep } } },
        { "through another process's working folder", kRm,
            { { sleeperCwd + "/keep.log", Fate::Refused, keep } } },
        { "a relative path", kRm, { { "var/log/keep.log", Fate::Refused, keep } } },
        { "a sibling whose name starts like a root", kRm,
            { item(file("var/cache/fontconfig-other/x"), Fate::Refused) } },
        { "a folder root itself, however spelled", kRmdir,
            { { local(emptyRoot), Fate::Refused, emptyRoot, "itself" },
                { local(emptyRoot) + '/', Fate::Refused, emptyRoot, "itself" },
                { '/' + local(emptyRoot), Fate::Refused, emptyRoot, "itself" } } },
        { "a root that names a file, and names beside and below it", kRm,
            { item(file("var/cache/apt/pkgcache.bin.old"), Fate::Refused),
                { local(packageCache) + "/x", Fate::Refused, {} }, item(packageCache, Fate::Removed) } },
        { "a folder in the home, which Velmora removes itself", kRm,
            { item(file("home/.cache/stale/x"), Fate::Refused) } },
        { "an empty folder goes, a full one stays", kRmdir,
            { item(folder("var/log/empty"), Fate::Removed), item(logs + "/full", Fate::Kept) }, false },
        { "a shell", "/bin/sh", { item(keep, Fate::Kept) }, false, true },
        { "rm elsewhere", "/usr/bin/rm", { item(keep, Fate::Kept) }, false, true },
        { "rm without a folder", "rm", { item(keep, Fate::Kept) }, false, true },
        { "rm with options", "/bin/rm -rf", { item(keep, Fate::Kept) }, false, true },
        { "rmdir with a trailing slash", "/bin/rmdir/", { item(keep, Fate::Kept) }, false, true },
        // Before any row that may fill the helper's memory up to the bounds: storing every field
        // costs several times what was sent, and 1,000,000 fields twice the bound's worth.
        { "a million one-byte fields", {}, {}, false, true, millionFields, false, 16 * 1024 },
        { "a list too long for one command line", kRm, manyNames },
        { "as many paths as a request may hold", kRm, boundOfPaths },
        { "a field as long as one may be", kRm, { { std::string(4095, 'a'), Fate::Refused, {} } } },
        { "a field of 100 KB", {}, {}, false, true,
            HelperClient::request(kRm, { std::string(100000, 'a') }) },
        { "more bytes than a request may hold", {}, { item(keep, Fate::Kept) }, false, true,
            HelperClient::request(kRm, overByteBound) },
        { "a folder on the way swapped with a link to the outside", {}, {}, false, false,
            HelperClient::request(kRm, raced), true },
    };

    std::vector<std::string> environment { std::string(HelperProtocol::kDefinitionsVariable) + '='
            + local(definitions),
        "HOME=" + local(sandbox.path("home")) };
    if (GetParam())
        environment.push_back(std::string(HelperProtocol::kWithoutOpenat2Variable) + "=1");
    HelperClient helper(local(sandbox.locations().privilegedHelper), environment, local(sandbox.root()));
    ASSERT_TRUE(helper.ready());
    EXPECT_NE(helper.problems().find("~/.cache/stale"), std::string::npos) << helper.problems();

    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<std::string> paths;
        for (const Item& item : row.items)
            paths.push_back(item.sent);
        const std::string request
            = row.rawRequest.empty() ? HelperClient::request(row.tool, paths) : row.rawRequest;

        std::atomic<bool> stop = false;
        std::thread attacker([&] {
            while (row.raced && !stop)
                ::renameat2(
                    AT_FDCWD, local(swapped).c_str(), AT_FDCWD, local(swappedLink).c_str(), RENAME_EXCHANGE);
        });
        HelperClient::Reply reply;
        for (int round = 0; round < (row.raced ? 20 : 1); ++round)
            reply = helper.send(request);
        stop = true;
        attacker.join();

        ASSERT_TRUE(reply.answered);
        EXPECT_EQ(!reply.rejected.empty(), row.rejected) << reply.rejected;
        if (!row.rejected && !row.raced) {
            EXPECT_EQ(reply.status == 0, row.succeeds);
        }
        for (const Item& item : row.items) {
            SCOPED_TRACE(item.sent.substr(0, 200));
            EXPECT_EQ(reply.refused.contains(item.sent), item.fate == Fate::Refused);
            EXPECT_NE(reply.refused[item.sent].find(item.reason), std::string::npos)
                << reply.refused[item.sent];
            if (!item.onDisk.isEmpty()) {
                EXPECT_EQ(sandbox.exists(item.onDisk), item.fate != Fate::Removed);
            }
        }
        if (row.peakBelowKiB > 0) {
            const long peak = helper.peakMemoryKiB();
            EXPECT_GT(peak, 0);
            EXPECT_LT(peak, row.peakBelowKiB);
        }
        for (const QString& path : canaries)
            ASSERT_TRUE(sandbox.exists(path)) << path.toStdString();
        EXPECT_EQ(helper.send(std::string(1, '\0')).status, 0) << "no answer after the row";
    }
    EXPECT_TRUE(QDir(many).isEmpty());
    sleeper.kill();
    sleeper.waitForFinished();
}

INSTANTIATE_TEST_SUITE_P(Resolution, RemoveHelperTest, ::testing::Values(false, true),
    [](const ::testing::TestParamInfo<bool>& info) {
        return info.param ? "ComponentByComponent" : "Openat2";
    });

} // namespace
