#include "support/FakeProcessTable.h"
#include "support/Sandbox.h"
#include "uninstaller/GetPID.h"

#include <gtest/gtest.h>

#include <QFile>

TEST(GetPIDTest, ComparesAtMostSixteenCharacters)
{
    Sandbox sandbox;
    FakeProcessTable table { sandbox.path("proc") };
    table.add(10, "/opt/VeryLongApplicationName (deleted)", "VeryLongApplica");
    table.add(11, QString(), "ShortName");
    table.add(12, "/usr/lib/firefox/firefox (deleted)", "firefox");
    const std::pair<const char*, int> rows[] = {
        { "VeryLongApplicationName", 0 }, { "VeryLongApplicatXYZW", 0 }, // 20 characters, the first 16 agree
        { "VeryLongApplica", -1 }, // 15 characters are not the 16-character name
        { "ShortNam", -1 }, { "firefox", 0 }, // a program updated while it runs keeps its name
    };
    for (const auto& [name, result] : rows) {
        pid_t ids[4] {};
        unsigned matches = 0;
        int error = 0;
        EXPECT_EQ(GetAllPIDsForProcessName(
                      name, ids, 4, &matches, &error, QFile::encodeName(table.folder()).constData()),
            result)
            << name;
    }
}
