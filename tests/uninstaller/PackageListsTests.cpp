#include "support/QStringPrinting.h"
#include "support/Sandbox.h"
#include "uninstaller/AppImageFiles.h"
#include "uninstaller/FavouriteApps.h"
#include "uninstaller/FlatpakApps.h"
#include "uninstaller/SnapApps.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

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

TEST(PackageLists, FlatpakRowsTakeOnlyWellFormedLines)
{
    Sandbox sandbox;
    const struct {
        const char* output;
        QStringList rows;
        int logLines;
    } cases[] = {
        { "org.a.One\tOne\tuser\norg.b.Two\tTwo Words\tsystem\n",
            { "One=org.a.One@user", "Two Words=org.b.Two@system" }, 0 },
        // A terminal's padded layout, with its header.
        { "Application ID   Name        Installation\norg.a.One   Big  Name   user\n",
            { "Big Name=org.a.One@user" }, 0 },
        { "-rf\tEvil\tuser\n../x\tUp\tuser\norg.a.One\tOne\textra\norg.a.One\tOne\n", {}, 4 },
        { "org.a.One\tBad\x01Name\tuser\norg.a.Two\t\tsystem\n",
            { "org.a.One=org.a.One@user", "org.a.Two=org.a.Two@system" }, 0 },
        { "", {}, 0 },
    };
    for (const auto& c : cases) {
        sandbox.clearRecords();
        EXPECT_EQ(described(FlatpakApps::rows(QString::fromUtf8(c.output))), c.rows) << c.output;
        EXPECT_EQ(sandbox.logLines().size(), c.logLines) << c.output;
    }
}

TEST(PackageLists, SnapRowsLeaveOutBasesSnapdAndContentSnaps)
{
    Sandbox sandbox;
    const char* header = "Name Version Rev Tracking Publisher Notes\n";
    const struct {
        QString lines;
        QStringList rows;
        int logLines;
    } cases[] = {
        { "firefox 124.0 4033 latest/stable mozilla✓ -\nvlc 3.0 3777 latest/stable videolan✓ classic\n",
            { "firefox=firefox", "vlc=vlc" }, 0 },
        { "core22 1 1 latest/stable canonical✓ base\nsnapd 2.61 1 latest/stable canonical✓ snapd\n"
          "core 16 1 latest/stable canonical✓ core\nodd 1 1 - me base,disabled\n",
            {}, 0 },
        { "gtk-common-themes 1 1 latest/stable canonical✓ -\ngnome-42-2204 1 1 latest/stable canonical✓ -\n"
          "kf6-core22 1 1 latest/stable kde✓ -\nmesa-2404 1 1 latest/stable canonical✓ -\n",
            {}, 0 },
        { "-rf 1 1 latest/stable me -\nBad 1 1 latest/stable me -\nshort line\nhello_test 1 1 - me -\n",
            { "hello_test=hello_test" }, 3 },
    };
    for (const auto& c : cases) {
        sandbox.clearRecords();
        EXPECT_EQ(described(SnapApps::rows(QString::fromUtf8(header) + c.lines)), c.rows)
            << c.lines.toStdString();
        EXPECT_EQ(sandbox.logLines().size(), c.logLines) << c.lines.toStdString();
    }
    sandbox.clearRecords();
    EXPECT_TRUE(SnapApps::rows(QStringLiteral("Snap Version\nfirefox 1\n")).isEmpty());
    EXPECT_EQ(sandbox.logLines().size(), 1) << "an unknown layout is said once";
}

TEST(PackageLists, AppImagesAreKnownByTheirHeaderAndNamedByTheirFile)
{
    Sandbox sandbox;
    const Locations& l = sandbox.locations();
    const QByteArray elf("\x7f"
                         "ELF\x02\x01\x01\x00",
        8);
    const struct {
        QString path;
        QByteArray contents;
        QString name; // empty: not listed
    } cases[] = {
        { l.userApplicationsFolder + "/Obsidian-1.4.16.AppImage", elf + "AI\x02", "Obsidian" },
        { l.userBinFolder + "/tool", elf + QByteArray("AI\x01", 3), "tool" },
        { l.applicationsFolder + "/Krita_5.2.2_amd64.appimage", elf + "xxx", "Krita" },
        { l.optFolder + "/vendor/appimagetool-x86_64.AppImage", elf + "AI\x02", "appimagetool" },
        { l.optFolder + "/LM-Studio-v0.2.31.AppImage", elf + "AI\x02", "LM-Studio" },
        { l.userBinFolder + "/plain-elf", elf + "xxxx", QString() },
        { l.userBinFolder + "/script.AppImage", "#!/bin/sh\nexit 0\n", QString() },
        { l.optFolder + "/vendor/deeper/Deep.AppImage", elf + "AI\x02", QString() },
    };
    QStringList expected;
    for (const auto& c : cases) {
        sandbox.makeFile(QDir(sandbox.root()).relativeFilePath(c.path), c.contents);
        if (!c.name.isEmpty())
            expected.append(c.name + u'=' + c.path);
    }
    QFile::link(cases[0].path, l.userBinFolder + QStringLiteral("/obsidian"));
    QStringList found = described(AppImageFiles::rows());
    found.sort();
    expected.sort();
    EXPECT_EQ(found, expected);
}
