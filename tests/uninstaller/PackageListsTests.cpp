#include "support/QStringPrinting.h"
#include "support/Sandbox.h"
#include "uninstaller/FavouriteApps.h"
#include "uninstaller/FlatpakApps.h"
#include "uninstaller/SnapApps.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

QStringList described(const QList<ApplicationDetails>& rows)
{
    QStringList out;
    for (const ApplicationDetails& row : rows)
        out.append(row.appName() + u'=' + row.appPath()
            + (row.installation().isEmpty() ? QString() : u'@' + row.installation()));
    return out;
}

} // namespace

TEST(PackageLists, SnapRowsLeaveOutBasesSnapdAndContentSnaps)
{
    Sandbox sandbox;
    const QString snap = "Name Version Rev Tracking Publisher Notes\n";
    // The parser, its input, the rows it gives and how many lines it logs.
    const std::tuple<QList<ApplicationDetails> (*)(const QString&), QString, QStringList, int> cases[] = {
        // Names holding a line break: one makes a line of blanks, as a terminal's layout
        // would be; one with tabs forges a whole line for an installed application.
        { FlatpakApps::rows, "org.evil.Game\tFree Game\norg.victim.Notes Free Game user\tuser\n", {}, 2 },
        { FlatpakApps::rows,
            "org.evil.Game\tFree Game\tuser\norg.victim.Notes\tFree Game\tuser\n"
            "org.victim.Notes\tNotes\tuser\norg.victim.Notes\tNotes\tsystem\n",
            { "Free Game=org.evil.Game@user", "Notes=org.victim.Notes@system" }, 2 },
        { FlatpakApps::rows, "-rf\tEvil\tuser\n../x\tUp\tuser\norg.a.One\tOne\textra\norg.a.One\tOne\n", {},
            4 },
        { FlatpakApps::rows,
            "org.a.One\tBad\x1b[8mName\tuser\norg.a.Two\t\tsystem\norg.a.Three\tE\u202Eliv\tuser\n",
            { "org.a.Two=org.a.Two@system", "org.a.Three=org.a.Three@user" }, 1 },
        { SnapApps::rows,
            snap
                + "firefox 124.0 4033 latest/stable mozilla✓ -\nvlc 3.0 3777 latest/stable videolan✓ "
                  "classic\n",
            { "firefox=firefox", "vlc=vlc" }, 0 },
        { SnapApps::rows,
            snap
                + "core22 1 1 latest/stable canonical✓ base\nsnapd 2.61 1 latest/stable canonical✓ snapd\n"
                  "core 16 1 latest/stable canonical✓ core\nodd 1 1 - me base,disabled\n",
            {}, 0 },
        { SnapApps::rows,
            snap
                + "gtk-common-themes 1 1 latest/stable canonical✓ -\ngnome-42-2204 1 1 latest/stable "
                  "canonical✓ -\n"
                  "kf6-core22 1 1 latest/stable kde✓ -\nmesa-2404 1 1 latest/stable canonical✓ -\n",
            {}, 0 },
        { SnapApps::rows,
            snap
                + "-rf 1 1 latest/stable me -\nBad 1 1 latest/stable me -\nshort line\nhello_test 1 1 - me "
                  "-\n",
            { "hello_test=hello_test" }, 3 },
        { SnapApps::rows, "Snap Version\nfirefox 1\n", {}, 1 }, // an unknown layout is said once
        { SnapApps::rows, snap + "hello 2.10 42 latest/stable canonical\x1b[8m -\nvlc\t3 1 - me -\n", {}, 2 },
    };
    for (const auto& [parse, output, rows, logLines] : cases) {
        sandbox.clearRecords();
        EXPECT_EQ(described(parse(output)), rows) << output.toStdString();
        EXPECT_EQ(sandbox.logLines().size(), logLines) << output.toStdString();
    }
}
