#include "platform/UserDefaults.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

namespace {

// A damaged file reads as what it still holds, stays as it is until the next
// save, and is then kept aside while the program's new values are saved.
TEST(UserDefaultsTest, DamagedFilesAreKeptAsideAndSavingStillWorks)
{
    Sandbox sandbox;
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    const QString file = sandbox.locations().userDefaultsFile;
    const struct {
        QByteArray contents;
        qint64 errorsFound;
    } rows[] = {
        { QByteArray("\x00\x01\xff\xfe garbage \x00", 15), 0 },
        { "[General\nERRORS_FOUND", 0 },
        { "=\n==\n[]\n\\\n\"\n", 0 },
        { QByteArray(100000, '['), 0 },
        { "[General]\nERRORS_FOUND=4\n\\\n", 4 },
    };
    for (const auto& row : rows) {
        QFile::remove(file + ".damaged");
        sandbox.clearRecords();
        // A settings file as a user or another program may leave it.
        sandbox.makeFile(QDir(sandbox.root()).relativeFilePath(file), row.contents);
        UserDefaults::reload();
        EXPECT_EQ(sandbox.logLines().size(), 1);
        EXPECT_EQ(defaults.integerForKey("ERRORS_FOUND"), row.errorsFound);
        EXPECT_EQ(Sandbox::contents(file), row.contents);
        EXPECT_FALSE(QFileInfo::exists(file + ".damaged"));

        // What the next start of the program would read.
        defaults.setBool(true, "ISFIRSTRUN");
        EXPECT_TRUE(defaults.synchronize());
        UserDefaults::reload();
        EXPECT_TRUE(defaults.boolForKey("ISFIRSTRUN"));
        EXPECT_EQ(defaults.integerForKey("ERRORS_FOUND"), row.errorsFound);
        EXPECT_EQ(Sandbox::contents(file + ".damaged"), row.contents);
    }
    // A save killed between creating its lock and naming itself in it leaves
    // the lock empty: the next save must not wait for it to grow old. Anything
    // else in the lock's place stays: a link and what it leads to, a FIFO
    // (never opened, which would block), an empty lock that someone holds.
    const QString lockPath = file + ".lock";
    const QByteArray native = QFile::encodeName(lockPath);
    const timespec twoSecondsAgo[] = { { ::time(nullptr) - 2, 0 }, { ::time(nullptr) - 2, 0 } };
    const auto aged = [&] { return ::utimensat(AT_FDCWD, native.constData(), twoSecondsAgo, 0) == 0; };
    const QString elsewhere = sandbox.makeFile("elsewhere", "");
    ASSERT_TRUE(QFile::link(elsewhere, lockPath) && aged());
    defaults.setInteger(5, "ERRORS_FOUND");
    EXPECT_TRUE(QFileInfo(lockPath).isSymLink() && QFileInfo::exists(elsewhere));
    ASSERT_TRUE(QFile::remove(lockPath) && ::mkfifo(native.constData(), 0600) == 0 && aged());
    defaults.setInteger(5, "ERRORS_FOUND");
    EXPECT_TRUE(Sandbox::exists(lockPath));
    // A second link of a file elsewhere: only the lock's own name goes.
    ASSERT_TRUE(QFile::remove(lockPath) && ::link(QFile::encodeName(elsewhere), native) == 0 && aged());
    defaults.setInteger(5, "ERRORS_FOUND");
    EXPECT_TRUE(!Sandbox::exists(lockPath) && QFileInfo::exists(elsewhere));
    QFile lock(lockPath);
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly) && ::flock(lock.handle(), LOCK_EX) == 0 && aged());
    defaults.setInteger(5, "ERRORS_FOUND");
    EXPECT_TRUE(lock.exists());
    lock.close();
    QElapsedTimer saving;
    saving.start();
    EXPECT_TRUE(defaults.synchronize());
    EXPECT_LT(saving.elapsed(), 10000) << "waited for a lock nobody holds";
    EXPECT_TRUE(sandbox.logged("Removed the settings lock " + lockPath + ", left empty by a stopped save"));

    // A folder in the file's place: nothing to read, and the failed save is reported.
    sandbox.makeFolder(QDir(sandbox.root()).relativeFilePath(file + "2"));
    Locations locations = sandbox.locations();
    locations.userDefaultsFile += "2";
    sandbox.setLocations(locations);
    UserDefaults::reload();
    EXPECT_FALSE(defaults.contains("ISFIRSTRUN"));
    defaults.setBool(true, "ISFIRSTRUN");
    EXPECT_FALSE(defaults.synchronize());
}

} // namespace
