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

    // A settings file as a user or another program may leave it.
    void writeSettingsFile(const QByteArray& contents)
    {
        const QString file = sandbox.locations().userDefaultsFile;
        QDir().mkpath(QFileInfo(file).absolutePath());
        sandbox.makeFile(QDir(sandbox.root()).relativeFilePath(file), contents);
        UserDefaults::reload();
    }

    static QByteArray contentsOf(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    Sandbox sandbox;
};

TEST_F(UserDefaultsTest, StringsSurviveASaveAndAnEmptyStringIsNotAbsence)
{
    EXPECT_FALSE(defaults().contains(QStringLiteral("SCANNED_COMPLETE_TIME")));
    EXPECT_TRUE(defaults().stringForKey(QStringLiteral("SCANNED_COMPLETE_TIME")).isNull());

    const QStringList values { "", "Mar 5, 2024 1:02:03 PM", "M\u00e4rz 5, 2024 1:02:03 PM", "a=b;c # d",
        "  padded  ", "[General]", "\"quoted\"", "back\\slash", "two\nlines", "true", "42" };
    for (qsizetype i = 0; i < values.size(); ++i)
        defaults().setObject(values[i], QStringLiteral("KEY_%1").arg(i));
    saveAndReload();
    for (qsizetype i = 0; i < values.size(); ++i) {
        const QString key = QStringLiteral("KEY_%1").arg(i);
        EXPECT_TRUE(defaults().contains(key)) << key.toStdString();
        const QString read = defaults().stringForKey(key);
        EXPECT_FALSE(read.isNull()) << key.toStdString();
        EXPECT_EQ(read, values[i]);
    }
}

TEST_F(UserDefaultsTest, IntegersAndBooleansSurviveASave)
{
    const qint64 integers[]
        = { 0, -1, 12, std::numeric_limits<qint64>::max(), std::numeric_limits<qint64>::min() };
    for (const qint64 value : integers)
        defaults().setInteger(value, QStringLiteral("INT_%1").arg(value));
    defaults().setBool(true, QStringLiteral("YES_KEY"));
    defaults().setBool(false, QStringLiteral("NO_KEY"));
    saveAndReload();
    for (const qint64 value : integers)
        EXPECT_EQ(defaults().integerForKey(QStringLiteral("INT_%1").arg(value)), value);
    EXPECT_TRUE(defaults().boolForKey(QStringLiteral("YES_KEY")));
    EXPECT_FALSE(defaults().boolForKey(QStringLiteral("NO_KEY")));
    EXPECT_EQ(defaults().integerForKey(QStringLiteral("ABSENT")), 0);
    EXPECT_FALSE(defaults().boolForKey(QStringLiteral("ABSENT")));
}

// Values typed into the file by hand read as the defaults system reads them.
TEST_F(UserDefaultsTest, HandWrittenValuesReadSensibly)
{
    writeSettingsFile("[General]\nERRORS_FOUND=7\nWORD=seven\nYES_WORD=YES\nONE=1\nZERO=0\nNO_WORD=no\n"
                      "TRUE_WORD=true\nUNQUOTED=Mar 5, 2024 1:02:03 PM\n");
    const struct {
        const char* key;
        qint64 integer;
        bool boolean;
    } rows[] = {
        { "ERRORS_FOUND", 7, true },
        { "WORD", 0, false },
        { "YES_WORD", 0, true },
        { "ONE", 1, true },
        { "ZERO", 0, false },
        { "NO_WORD", 0, false },
        { "TRUE_WORD", 0, true },
    };
    for (const auto& row : rows) {
        EXPECT_EQ(defaults().integerForKey(QString::fromLatin1(row.key)), row.integer) << row.key;
        EXPECT_EQ(defaults().boolForKey(QString::fromLatin1(row.key)), row.boolean) << row.key;
    }
    EXPECT_EQ(defaults().stringForKey(QStringLiteral("UNQUOTED")), QStringLiteral("Mar 5, 2024 1:02:03 PM"));
}

TEST_F(UserDefaultsTest, ReloadFollowsTheCurrentLocationsAndKeepsReferencesValid)
{
    UserDefaults& held = defaults();
    held.setInteger(3, QStringLiteral("ERRORS_FOUND"));
    {
        Sandbox other;
        EXPECT_EQ(&defaults(), &held);
        EXPECT_FALSE(held.contains(QStringLiteral("ERRORS_FOUND")));
        held.setObject(QStringLiteral("elsewhere"), QStringLiteral("OTHER"));
        EXPECT_TRUE(held.synchronize());
        EXPECT_TRUE(QFileInfo::exists(other.locations().userDefaultsFile));
    }
    // Unsaved values of the first store were written when it was closed.
    EXPECT_EQ(held.integerForKey(QStringLiteral("ERRORS_FOUND")), 3);
    EXPECT_FALSE(held.contains(QStringLiteral("OTHER")));
}

TEST_F(UserDefaultsTest, CorruptSettingsFileReadsAsAbsentValues)
{
    const QByteArray files[] = {
        QByteArray("\x00\x01\xff\xfe garbage \x00", 15),
        "[General\nERRORS_FOUND",
        "=\n==\n[]\n\\\n\"\n",
        QByteArray(100000, '['),
    };
    const QString file = sandbox.locations().userDefaultsFile;
    for (const QByteArray& contents : files) {
        QFile::remove(file + QStringLiteral(".damaged"));
        sandbox.clearRecords();
        writeSettingsFile(contents);
        EXPECT_EQ(sandbox.logLines().size(), 1);
        EXPECT_EQ(defaults().integerForKey(QStringLiteral("ERRORS_FOUND")), 0);
        EXPECT_TRUE(defaults().stringForKey(QStringLiteral("SCANNED_COMPLETE_TIME")).isNull());
        EXPECT_FALSE(defaults().boolForKey(QStringLiteral("ISFIRSTRUN")));
        // Reading alone leaves the file as it is.
        EXPECT_EQ(contentsOf(file), contents);
        EXPECT_FALSE(QFileInfo::exists(file + QStringLiteral(".damaged")));

        // The program can still keep what it writes from now on, and hears that it did:
        // the first-run registration waits for a save that worked.
        defaults().setInteger(5, QStringLiteral("ERRORS_FOUND"));
        EXPECT_EQ(saveAndReload().integerForKey(QStringLiteral("ERRORS_FOUND")), 5);
        EXPECT_EQ(contentsOf(file + QStringLiteral(".damaged")), contents);
    }
}

TEST_F(UserDefaultsTest, WhatADamagedFileStillHoldsIsKept)
{
    writeSettingsFile("[General]\nERRORS_FOUND=4\n\\\n");
    EXPECT_EQ(sandbox.logLines().size(), 1);
    defaults().setBool(true, QStringLiteral("ISFIRSTRUN"));
    EXPECT_TRUE(saveAndReload().boolForKey(QStringLiteral("ISFIRSTRUN")));
    EXPECT_EQ(defaults().integerForKey(QStringLiteral("ERRORS_FOUND")), 4);
}

TEST_F(UserDefaultsTest, UnusableSettingsLocationReadsAsAbsentAndReportsTheFailedSave)
{
    sandbox.makeFolder(QDir(sandbox.root()).relativeFilePath(sandbox.locations().userDefaultsFile));
    UserDefaults::reload();
    EXPECT_FALSE(defaults().contains(QStringLiteral("ISFIRSTRUN")));
    defaults().setBool(true, QStringLiteral("ISFIRSTRUN"));
    EXPECT_FALSE(defaults().synchronize());
}

} // namespace
