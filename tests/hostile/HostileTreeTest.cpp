#include "e2e/SandboxDefinitions.h"
#include "removal/FixPageController.h"
#include "scan/ScanPageController.h"
#include "shell/ApplicationController.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QFile>
#include <QFileInfo>
#include <QMainWindow>
#include <QSignalSpy>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool writeRaw(const QByteArray& path)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const bool written = fd >= 0 && ::write(fd, "x", 1) == 1;
    return ::close(fd) == 0 && written;
}

bool existsRaw(const QByteArray& path)
{
    struct stat info { };
    return ::lstat(path.constData(), &info) == 0;
}

// A generated tree with names and shapes that break careless code goes through
// a real scan and a removal of everything ticked: only the listed paths may go.
TEST(HostileTree, EverythingListedGoesExactlyAndNothingElse)
{
    Sandbox sandbox;
    useSandboxDefinitions(sandbox);
    const QByteArray cache = QFile::encodeName(sandbox.makeFolder("home/.cache/opera/Cache/Cache_Data"));
    const QList<QByteArray> names { "line\nbreak", "quote\"double", "quote'single", "-rf", "--",
        "$(touch pwned)", "back\\slash", "space at end ", QByteArray(255, 'n'), "tab\there", "vanishing" };
    for (const QByteArray& name : names)
        ASSERT_TRUE(writeRaw(cache + '/' + name)) << name.constData();
    const QByteArray latin1 = cache + "/caf\xe9";
    ASSERT_TRUE(writeRaw(latin1));
    const QStringList outside { sandbox.makeFile("home/.config/keep.me"),
        sandbox.makeFile("home/Documents/thesis.odt"), sandbox.makeFile("home/Pictures/holiday.jpg") };
    const std::pair<QByteArray, const char*> links[] = { { QFile::encodeName(outside[1]), "thesis-link" },
        { QFile::encodeName(sandbox.path("home/Pictures")), "pictures-link" }, { "loop-b", "loop-a" },
        { "loop-a", "loop-b" }, { "..", "parent" } };
    for (const auto& [target, name] : links)
        ASSERT_EQ(::symlink(target.constData(), (cache + '/' + name).constData()), 0) << name;
    // Nest folders until the path is close to the 4096-byte limit of one path.
    QByteArray deep = cache;
    while (deep.size() + 201 < 4000) {
        deep += '/' + QByteArray(200, 'd');
        ASSERT_EQ(::mkdir(deep.constData(), 0755), 0) << deep.size();
    }
    ASSERT_TRUE(writeRaw(deep + "/deep-file"));
    // The same names trashed with their info files (but the longest, whose info
    // name would not fit), a trashed link whose info file is a folder, and
    // trash folders of volumes that the rules refuse or that hold nothing.
    const QByteArray trash = QFile::encodeName(sandbox.makeFolder("home/.local/share/Trash"));
    ASSERT_TRUE(::mkdir(trash + "/files", 0700) == 0 && ::mkdir(trash + "/info", 0700) == 0);
    for (const QByteArray& name : names) {
        ASSERT_TRUE(writeRaw(trash + "/files/" + name)) << name.constData();
        ASSERT_TRUE(name.size() > 200 || writeRaw(trash + "/info/" + name + ".trashinfo")) << name.constData();
    }
    ASSERT_EQ(::symlink(QFile::encodeName(sandbox.path("home/Pictures")), trash + "/files/pictures"), 0);
    const QString infoFolder = sandbox.makeFolder("home/.local/share/Trash/info/pictures.trashinfo");
    const QString uid = QString::number(getuid());
    QByteArray mounts;
    for (const char* volume : { "plain", "linked", "info-only" })
        mounts += "30 1 8:1 / " + QFile::encodeName(sandbox.path("media/")) + volume + " rw - ext4 sdb1 rw\n";
    sandbox.makeFile("proc/self/mountinfo", mounts);
    const QStringList refusedTrash { sandbox.makeFile("media/plain/.Trash/" + uid + "/files/not-sticky"),
        sandbox.makeFile("decoy/files/behind-a-link"), sandbox.makeFile("media/info-only/.Trash-" + uid + "/info/x.trashinfo") };
    ASSERT_TRUE(QFile::link(sandbox.path("decoy"), sandbox.makeFolder("media/linked") + "/.Trash-" + uid));

    ApplicationController app;
    app.awakeFromNib();
    sandbox.clearRecords();
    QSignalSpy scanEnded(app.scanPageController(), &ScanPageController::scanThreadFinished);
    app.scanPageController()->startScanning();
    ASSERT_TRUE(scanEnded.count() > 0 || scanEnded.wait(60000));
    QCoreApplication::processEvents();
    app.showFixPage();
    ASSERT_EQ(::unlink((cache + "/vanishing").constData()), 0);
    QSignalSpy removed(app.fixPageController(), &FixPageController::removalFinished);
    app.window()->findChild<QAbstractButton*>("fixPageFixButton")->click();
    ASSERT_TRUE(removed.wait(60000));

    for (const QByteArray& name : names + QList<QByteArray> { "thesis-link" })
        EXPECT_FALSE(existsRaw(cache + '/' + name)) << name.constData();
    EXPECT_FALSE(existsRaw(deep + "/deep-file"));
    for (const QByteArray& name : names)
        EXPECT_FALSE(existsRaw(trash + "/files/" + name) || existsRaw(trash + "/info/" + name + ".trashinfo"))
            << name.constData();
    EXPECT_FALSE(existsRaw(trash + "/files/pictures")) << "the link goes, never what it leads to";
    EXPECT_TRUE(QFileInfo(infoFolder).isDir()) << "an info file that is a folder stays";
    for (const QString& path : outside + refusedTrash)
        EXPECT_TRUE(QFileInfo::exists(path)) << qPrintable(path);
    EXPECT_FALSE(QFileInfo::exists(sandbox.path("home/pwned")) || QFileInfo::exists("pwned"));
    EXPECT_TRUE(existsRaw(latin1)) << "a name that is not UTF-8 is left alone";
    EXPECT_FALSE(sandbox.logLines().filter(QStringLiteral("is not UTF-8")).isEmpty());
    EXPECT_TRUE(sandbox.logged("Cannot Remove file " + QFile::decodeName(cache) + "/vanishing"));
}

} // namespace
