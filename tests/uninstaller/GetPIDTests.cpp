#include "support/FakeProcessTable.h"
#include "support/Sandbox.h"
#include "uninstaller/GetPID.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>

#include <array>
#include <cerrno>

namespace {

struct Lookup {
    int result = 0;
    unsigned matches = 0;
    int error = -99;
    std::array<pid_t, 4> ids {};
};

Lookup lookUp(const FakeProcessTable& table, const char* name, unsigned room = 4)
{
    Lookup l;
    l.ids.fill(-7);
    l.result = GetAllPIDsForProcessName(
        name, l.ids.data(), room, &l.matches, &l.error, QFile::encodeName(table.folder()).constData());
    return l;
}

class GetPIDTest : public ::testing::Test {
protected:
    Sandbox sandbox;
    FakeProcessTable table { sandbox.path(QStringLiteral("proc")) };
};

} // namespace

TEST_F(GetPIDTest, FindsEveryProcessOfTheNameInIdOrderAndSkipsWhatCannotBeRead)
{
    table.add(300, QStringLiteral("/opt/Foo.app/Contents/MacOS/Foo"));
    table.add(42, QStringLiteral("/usr/bin/Foo"), QStringLiteral("Foo"));
    table.add(7, QStringLiteral("/usr/bin/bash"), QStringLiteral("Foo")); // the executable's name wins
    table.add(8, QString(), QStringLiteral("Foo")); // no readable exe: comm
    table.add(0, QStringLiteral("/usr/bin/Foo")); // not a process id
    table.addVanished(9);
    sandbox.makeFile(QStringLiteral("proc/self/comm"), "Foo\n");

    const Lookup found = lookUp(table, "Foo");
    EXPECT_EQ(found.result, 0);
    EXPECT_EQ(found.error, 0);
    ASSERT_EQ(found.matches, 3u);
    EXPECT_EQ(found.ids[0], 8);
    EXPECT_EQ(found.ids[1], 42);
    EXPECT_EQ(found.ids[2], 300);
    EXPECT_EQ(found.ids[3], 0) << "the unused room is zeroed";

    const Lookup none = lookUp(table, "Fo");
    EXPECT_EQ(none.result, -1);
    EXPECT_EQ(none.matches, 0u);
    EXPECT_EQ(none.ids[0], 0);
}

TEST_F(GetPIDTest, ComparesAtMostSixteenCharacters)
{
    table.add(
        10, QStringLiteral("/opt/VeryLongApplicationName (deleted)"), QStringLiteral("VeryLongApplica"));
    table.add(11, QString(), QStringLiteral("ShortName"));
    table.add(12, QStringLiteral("/usr/lib/firefox/firefox (deleted)"), QStringLiteral("firefox"));

    EXPECT_EQ(lookUp(table, "VeryLongApplicationName").result, 0);
    EXPECT_EQ(lookUp(table, "VeryLongApplicatXYZW").result, 0) << "20 characters, the first 16 agree";
    EXPECT_EQ(lookUp(table, "VeryLongApplica").result, -1) << "15 characters are not the 16-character name";
    EXPECT_EQ(lookUp(table, "ShortNam").result, -1);
    EXPECT_EQ(lookUp(table, "firefox").result, 0) << "a program updated while it runs keeps its name";
}

TEST_F(GetPIDTest, ReportsAFullListAndAnUnreadableTable)
{
    for (int pid = 1; pid <= 3; ++pid)
        table.add(pid, QStringLiteral("/usr/bin/Many"));
    const Lookup full = lookUp(table, "Many", 2);
    EXPECT_EQ(full.result, -5);
    EXPECT_EQ(full.matches, 2u);

    EXPECT_EQ(GetPIDForProcessName("Many", QFile::encodeName(table.folder()).constData()), -1);

    const QByteArray nowhere = QFile::encodeName(sandbox.path(QStringLiteral("no-proc")));
    pid_t id = 0;
    unsigned matches = 0;
    int error = 0;
    EXPECT_EQ(GetAllPIDsForProcessName("Once", &id, 1, &matches, &error, nowhere.constData()), -3);
    EXPECT_EQ(error, ENOENT);
}
