#include "support/QStringPrinting.h"
#include "support/Sandbox.h"
#include "uninstaller/FlatpakApps.h"
#include "uninstaller/SnapApps.h"

#include <gtest/gtest.h>

#include <functional>
#include <tuple>

#include <QDir>
#include <QFile>

// What flatpak and snap list: applications without bases, snapd or content snaps, and as unused or old
// only well-formed refs and revisions, never a snap's current one; each odd line said once.
TEST(PackageLists, RowsAndLeftoversAreExactlyWhatTheToolsName)
{
    Sandbox sandbox;
    QDir().mkpath(sandbox.locations().snapMount + "/parked");
    QFile::link("7", sandbox.locations().snapMount + "/parked/current");
    // The rows of an application list described as "name=path@installation", leftovers by their labels.
    const auto rows = [](QList<ApplicationDetails> (*parse)(const QString&)) {
        return [parse](const QString& output) {
            QStringList described;
            for (const ApplicationDetails& row : parse(output))
                described.append(row.appName() + u'=' + row.appPath()
                    + (row.installation().isEmpty() ? QString() : u'@' + row.installation()));
            return described;
        };
    };
    const auto labels = [](const QList<PackageLeftover>& leftovers) {
        QStringList found;
        for (const PackageLeftover& leftover : leftovers)
            found.append(leftover.label());
        return found;
    };
    const auto unused = [&labels](const QString& arch) {
        return [&labels, arch](const QString& output) {
            return labels(FlatpakApps::unusedRuntimes(output, "user", arch));
        };
    };
    const auto revisions
        = [&labels](const QString& output) { return labels(SnapApps::read(output).oldRevisions); };
    const QString snap = "Name Version Rev Tracking Publisher Notes\n";
    // The parser, its input, what it gives and how many lines it logs.
    const std::tuple<std::function<QStringList(const QString&)>, QString, QStringList, int> cases[] = {
        // Names holding a line break: one makes a line of blanks, as a terminal's layout
        // would be; one with tabs forges a whole line for an installed application.
        { rows(FlatpakApps::rows), "org.evil.Game\tFree Game\norg.victim.Notes Free Game user\tuser\n", {},
            2 },
        { rows(FlatpakApps::rows),
            "org.evil.Game\tFree Game\tuser\norg.victim.Notes\tFree Game\tuser\n"
            "org.victim.Notes\tNotes\tuser\norg.victim.Notes\tNotes\tsystem\n",
            { "Free Game=org.evil.Game@user", "Notes=org.victim.Notes@system" }, 2 },
        { rows(FlatpakApps::rows), "-rf\tEvil\tuser\n../x\tUp\tuser\norg.a.One\tOne\textra\norg.a.One\tOne\n",
            {}, 4 },
        { rows(FlatpakApps::rows),
            "org.a.One\tBad\x1b[8mName\tuser\norg.a.Two\t\tsystem\norg.a.Three\tE\u202Eliv\tuser\n",
            { "org.a.Two=org.a.Two@system", "org.a.Three=org.a.Three@user" }, 1 },
        { rows(SnapApps::rows),
            snap + "firefox 124.0 4033 latest/stable mozilla✓ -\n"
                + "vlc 3.0 3777 latest/stable videolan✓ classic\n",
            { "firefox=firefox", "vlc=vlc" }, 0 },
        { rows(SnapApps::rows),
            snap
                + "core22 1 1 latest/stable canonical✓ base\nsnapd 2.61 1 latest/stable canonical✓ snapd\n"
                  "core 16 1 latest/stable canonical✓ core\nodd 1 1 - me base,disabled\n",
            {}, 0 },
        { rows(SnapApps::rows),
            snap
                + "gtk-common-themes 1 1 latest/stable canonical✓ -\ngnome-42-2204 1 1 latest/stable "
                  "canonical✓ -\n"
                  "kf6-core22 1 1 latest/stable kde✓ -\nmesa-2404 1 1 latest/stable canonical✓ -\n",
            {}, 0 },
        { rows(SnapApps::rows),
            snap
                + "-rf 1 1 latest/stable me -\nBad 1 1 latest/stable me -\nshort line\nhello_test 1 1 - me "
                  "-\n",
            { "hello_test=hello_test" }, 3 },
        { rows(SnapApps::rows), "Snap Version\nfirefox 1\n", {}, 1 }, // an unknown layout is said once
        { rows(SnapApps::rows), snap + "hello 2.10 42 latest/stable canonical\x1b[8m -\nvlc\t3 1 - me -\n",
            {}, 2 },
        { unused("x86_64"),
            "\n 1.\t   \torg.gnome.Platform\t43\tr\n 2.\t   \torg.gnome.Platform.Locale\t43\tr\n\n"
            "Proceed with these changes to the user installation? [Y/n]: n\n",
            { "runtime/org.gnome.Platform/x86_64/43 (user)",
                "runtime/org.gnome.Platform.Locale/x86_64/43 (user)" },
            0 },
        { unused("x86_64"), " 1.\t   \torg.a.GL32\ti386\t22.08\tr\n",
            { "runtime/org.a.GL32/i386/22.08 (user)" }, 0 },
        // A leading "-", a control character, an operation other than removal, no arch to fill in.
        { unused("x86_64"),
            " 1.\t   \t-rf\t43\tr\n 2.\t   \torg.a.B\t-x\tr\n"
            " 3.\t   \torg.a.B\t4\x1b[8m3\tr\n 4.\t   \torg.a.B\t43\ti\n",
            {}, 4 },
        { unused(""), " 1.\t   \torg.a.B\t43\tr\n", {}, 1 },
        { revisions,
            snap
                + "hello 2.10 42 latest/stable canonical -\nhello 2.9 41 latest/stable canonical disabled\n"
                  "hello 2.8 x3 - canonical disabled\nparked 1 7 - me disabled\nparked 1 6 - me disabled\n"
                  "odd 1 ../1 - me disabled\n-rf 1 5 - me disabled\nbad 1 5 - me\x1b[8m disabled\n",
            { "snap hello, revision 41", "snap hello, revision x3", "snap parked, revision 6" }, 2 },
    };
    for (const auto& [parse, output, expected, logLines] : cases) {
        sandbox.clearRecords();
        EXPECT_EQ(parse(output), expected) << output.toStdString();
        EXPECT_EQ(sandbox.logLines().size(), logLines) << output.toStdString();
    }
}
