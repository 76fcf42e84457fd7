// What the program removes, measures and lists with its own rights, below a
// folder that holds mounts: a tmpfs, a bind mount of the same file system
// (the same device, so only the mount id tells it) and a file bind-mounted
// onto a file. Making mounts needs root, so these cases run in the privileged
// program, inside the namespace run-in-namespace.sh prepares.

#include "platform/DirectoryEnumerator.h"
#include "platform/FileSystem.h"
#include "platform/FolderIdentities.h"
#include "privileged/PrivilegedNamespace.h"
#include "results/PathSizeCalculator.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdlib>
#include <functional>
#include <sys/mount.h>

namespace {

QString makeFile(const QString& path, const QByteArray& contents)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size())
        << qPrintable(path);
    return path;
}

bool mount(const QString& source, const QString& target, const char* type = nullptr)
{
    const unsigned long flags = type ? 0 : MS_BIND;
    return ::mount(QFile::encodeName(source).constData(), QFile::encodeName(target).constData(), type, flags,
               nullptr)
        == 0;
}

TEST(MountCrossing, NothingBeyondAMountIsRemovedMeasuredOrListed)
{
    if (const std::string reason = whyNotConfined(); !reason.empty())
        GTEST_SKIP() << reason;
    using B = FileSystem::Beneath;
    FileSystem& fileSystem = FileSystem::current();
    const FolderIdentities kept;
    struct Row {
        const char* name;
        std::function<bool(const QString& junk)> holds;
        QStringList gone {}; // below junk; everything else stays
    };
    // The removal's answer for these components below base, junk standing for the folder of mounts.
    const auto beneath = [&](const QString& base, const QStringList& inside, bool mayBeFolder, B answer) {
        return [&, base, inside, mayBeFolder, answer](const QString& junk) {
            return fileSystem.removeBeneath(QString(base).replace("junk", junk), inside, kept, mayBeFolder)
                == answer;
        };
    };
    const Row rows[] = {
        { "a file named through a bind mount on the way",
            beneath("junk", { "bound", "secret" }, false, B::Refused) },
        { "a file named through a tmpfs on the way",
            beneath("junk", { "tmpfs", "secret" }, false, B::Refused) },
        { "a bind mount named itself", beneath("junk", { "bound" }, true, B::Refused) },
        { "a file bind-mounted onto a file", beneath("junk", { "photo.png" }, false, B::Failed) },
        { "the folder that holds the mounts", beneath("junk/..", { "junk" }, true, B::Refused),
            { "plain/file" } },
        { "the same, as the uninstaller removes",
            [&](const QString& junk) { return !fileSystem.removeItem(junk); }, { "plain/file" } },
        { "a bind mount, as the uninstaller removes",
            [&](const QString& junk) { return !fileSystem.removeItem(junk + "/bound"); } },
        { "the size of the folder that holds the mounts",
            [](const QString& junk) { return PathSizeCalculator::sizeOfPath(junk) == 5; } },
        { "the size of a bind mount",
            [](const QString& junk) { return PathSizeCalculator::sizeOfPath(junk + "/bound") == 0; } },
        { "a walk of the folder that holds the mounts",
            [](const QString& junk) {
                DirectoryEnumerator walk(junk);
                QStringList listed;
                while (const std::optional<QString> entry = walk.nextObject())
                    listed << *entry;
                return listed == QStringList { "bound", "photo.png", "plain", "plain/file", "tmpfs" };
            } },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        // A folder of its own in the namespace's /tmp for every row.
        QByteArray folder = "/tmp/velmora-mounts-XXXXXX";
        ASSERT_NE(::mkdtemp(folder.data()), nullptr);
        const QString root = QFile::decodeName(folder), junk = root + "/junk";
        const QStringList canaries { makeFile(root + "/outside/secret", "secret"),
            makeFile(root + "/outside/photo", "photo"), makeFile(junk + "/photo.png", "") };
        makeFile(junk + "/plain/file", "12345");
        for (const char* mountPoint : { "bound", "tmpfs" })
            ASSERT_TRUE(QDir(junk).mkdir(QString::fromLatin1(mountPoint)));
        ASSERT_TRUE(mount(root + "/outside", junk + "/bound"));
        ASSERT_TRUE(mount("tmpfs", junk + "/tmpfs", "tmpfs"));
        ASSERT_TRUE(mount(root + "/outside/photo", junk + "/photo.png"));
        const QString inTmpfs = makeFile(junk + "/tmpfs/secret", "secret");

        EXPECT_TRUE(row.holds(junk));
        for (const QString& canary : canaries + QStringList { inTmpfs, junk + "/bound/secret" })
            EXPECT_TRUE(QFileInfo::exists(canary)) << qPrintable(canary);
        EXPECT_EQ(QFileInfo::exists(junk + "/plain/file"), !row.gone.contains("plain/file"));
    }
}

} // namespace
