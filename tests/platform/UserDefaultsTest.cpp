#include "platform/UserDefaults.h"
#include "support/QStringPrinting.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <limits>

namespace {

class UserDefaultsTest : public ::testing::Test {
protected:
    UserDefaults& defaults() { return UserDefaults::standardUserDefaults(); }
    // What the next start of the program would read.
    UserDefaults& saveAndReload()
    {
        EXPECT_TRUE(defaults().synchronize());
        UserDefaults::reload();
        return defaults();
    }
    QString file() const { return sandbox.locations().userDefaultsFile; }
    QByteArray contents(const QString& suffix = {}) const
    {
        QFile read(file() + suffix);
        return read.open(QIODevice::ReadOnly) ? read.readAll() : QByteArray();
    }

    Sandbox sandbox;
};

TEST_F(UserDefaultsTest, ValuesSurviveASaveAndAnEmptyStringIsNotAbsence)
{
    const QString texts[] = { "", "M\u00e4rz 5, 2024 1:02:03 PM", "a=b;c # d", "  padded  ", "[General]",
        "\"quoted\"", "back\\slash", "two\nlines", "true", "42" };
    for (const QString& text : texts)
        defaults().setObject(text, QStringLiteral("KEY_%1").arg(&text - texts));
    defaults().setInteger(std::numeric_limits<qint64>::min(), "MIN");
    defaults().setBool(true, "TRUE");
    saveAndReload();
    for (const QString& text : texts)
        EXPECT_EQ(defaults().stringForKey(QStringLiteral("KEY_%1").arg(&text - texts)), text);
    EXPECT_EQ(defaults().integerForKey("MIN"), std::numeric_limits<qint64>::min());
    EXPECT_TRUE(defaults().boolForKey("TRUE"));
    EXPECT_FALSE(defaults().stringForKey("KEY_0").isNull());
    EXPECT_TRUE(defaults().stringForKey("ABSENT").isNull());
    EXPECT_EQ(defaults().integerForKey("ABSENT"), 0);
}

// A damaged file reads as what it still holds, stays as it is until the next
// save, and is then kept aside while the program's new values are saved.
TEST_F(UserDefaultsTest, DamagedFilesAreKeptAsideAndSavingStillWorks)
{
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
        QFile::remove(file() + ".damaged");
        sandbox.clearRecords();
        // A settings file as a user or another program may leave it.
        sandbox.makeFile(QDir(sandbox.root()).relativeFilePath(file()), row.contents);
        UserDefaults::reload();
        EXPECT_EQ(sandbox.logLines().size(), 1);
        EXPECT_EQ(defaults().integerForKey("ERRORS_FOUND"), row.errorsFound);
        EXPECT_EQ(contents(), row.contents);
        EXPECT_FALSE(QFileInfo::exists(file() + ".damaged"));

        defaults().setBool(true, "ISFIRSTRUN");
        EXPECT_TRUE(saveAndReload().boolForKey("ISFIRSTRUN"));
        EXPECT_EQ(defaults().integerForKey("ERRORS_FOUND"), row.errorsFound);
        EXPECT_EQ(contents(".damaged"), row.contents);
    }
    // A folder in the file's place: nothing to read, and the failed save is reported.
    sandbox.makeFolder(QDir(sandbox.root()).relativeFilePath(file() + "2"));
    Locations locations = sandbox.locations();
    locations.userDefaultsFile += "2";
    sandbox.setLocations(locations);
    UserDefaults::reload();
    EXPECT_FALSE(defaults().contains("ISFIRSTRUN"));
    defaults().setBool(true, "ISFIRSTRUN");
    EXPECT_FALSE(defaults().synchronize());
}

} // namespace
