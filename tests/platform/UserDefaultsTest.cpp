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
    // A settings file as a user or another program may leave it.
    void writeSettingsFile(const QByteArray& data)
    {
        sandbox.makeFile(QDir(sandbox.root()).relativeFilePath(file()), data);
        UserDefaults::reload();
    }

    Sandbox sandbox;
};

TEST_F(UserDefaultsTest, ValuesSurviveASaveAndAnEmptyStringIsNotAbsence)
{
    const QVariant values[] = { QString(""), QStringLiteral("M\u00e4rz 5, 2024 1:02:03 PM"), "a=b;c # d",
        "  padded  ", "[General]", "\"quoted\"", "back\\slash", "two\nlines", "true", "42", qint64(0),
        qint64(-1), std::numeric_limits<qint64>::max(), std::numeric_limits<qint64>::min(), true, false };
    for (const QVariant& value : values)
        defaults().setObject(value, QStringLiteral("KEY_%1").arg(&value - values));
    saveAndReload();
    for (const QVariant& value : values) {
        const QString key = QStringLiteral("KEY_%1").arg(&value - values);
        SCOPED_TRACE(key.toStdString());
        EXPECT_TRUE(defaults().contains(key));
        const QVariant read = value.typeId() == QMetaType::QString ? QVariant(defaults().stringForKey(key))
            : value.typeId() == QMetaType::Bool                    ? QVariant(defaults().boolForKey(key))
                                                                   : QVariant(defaults().integerForKey(key));
        EXPECT_EQ(read, value);
    }
    EXPECT_TRUE(defaults().stringForKey("KEY_0").isEmpty() && !defaults().stringForKey("KEY_0").isNull());
    EXPECT_TRUE(defaults().stringForKey("ABSENT").isNull());
    EXPECT_EQ(defaults().integerForKey("ABSENT"), 0);
    EXPECT_FALSE(defaults().boolForKey("ABSENT"));
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
        writeSettingsFile(row.contents);
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
