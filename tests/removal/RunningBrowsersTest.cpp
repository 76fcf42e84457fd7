#include "removal/RunningBrowsers.h"

#include "platform/PropertyList.h"
#include "support/FakeProcessTable.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

namespace {

const QVariantMap kBrowsers {
    { QStringLiteral("Firefox ESR"), QStringLiteral("firefox-esr") },
    { QStringLiteral("Opera"), QStringLiteral("opera") },
    { QStringLiteral("Chromium"), QStringLiteral("chromium") },
    { QStringLiteral("Safari"), QStringLiteral("safari") },
};

TEST(RunningBrowsersTest, NamesEachRunningBrowserOnceInTheTablesOrder)
{
    Sandbox sandbox;
    FakeProcessTable processes(sandbox.path(QStringLiteral("proc")));
    processes.add(100, QStringLiteral("/usr/lib/firefox-esr/firefox-esr"));
    processes.add(101, QStringLiteral("/usr/lib/firefox-esr/firefox-esr"));
    processes.add(102, {}, QStringLiteral("opera"));
    // Updated while it runs: the kernel marks the replaced program file.
    processes.add(103, QStringLiteral("/usr/lib/chromium/chromium (deleted)"));
    processes.add(104, QStringLiteral("/usr/bin/Safari"));
    // Not a process: only numbered folders are.
    QDir().mkpath(processes.folder() + QStringLiteral("/self"));
    QFile::link(QStringLiteral("/usr/bin/safari"), processes.folder() + QStringLiteral("/self/exe"));
    processes.add(105, QStringLiteral("/usr/bin/bash"), QStringLiteral("safari"));

    const QStringList names = RunningBrowsers::find(kBrowsers, processes.folder());

    EXPECT_EQ(names,
        (QStringList { QStringLiteral("Chromium"), QStringLiteral("Firefox ESR"), QStringLiteral("Opera") }));
    EXPECT_EQ(sandbox.logLines(), names);
    EXPECT_EQ(RunningBrowsers::warningText(names),
        QStringLiteral(
            "The following browsers must be closed before removing junk items. If the browsers are not "
            "closed, Velmora may not remove entire Web History.\n\nChromium, Firefox ESR, Opera "));
}

TEST(RunningBrowsersTest, AProgramNamedByItsPathEndIsNotTakenForAnotherOfTheSameName)
{
    const QVariantMap table {
        { QStringLiteral("Chromium"),
            QStringList { QStringLiteral("chromium"), QStringLiteral("chromium-browser/chrome") } },
        { QStringLiteral("Google Chrome"), QStringLiteral("chrome") },
    };
    const std::vector<std::pair<QStringList, QStringList>> rows = {
        { { "/snap/chromium/2890/usr/lib/chromium-browser/chrome" }, { "Chromium" } },
        { { "/opt/google/chrome/chrome" }, { "Google Chrome" } },
        { { "/usr/lib/chromium/chromium" }, { "Chromium" } },
        { { "/opt/not-chromium-browser/chrome" }, { "Google Chrome" } },
        { { "/snap/chromium/2890/usr/lib/chromium-browser/chrome", "/opt/google/chrome/chrome" },
            { "Chromium", "Google Chrome" } },
    };
    for (const auto& [executables, expected] : rows) {
        Sandbox sandbox;
        FakeProcessTable processes(sandbox.path(QStringLiteral("proc")));
        int pid = 100;
        for (const QString& executable : executables)
            processes.add(pid++, executable);
        EXPECT_EQ(RunningBrowsers::find(table, processes.folder()), expected)
            << qPrintable(executables.join(u' '));
    }
}

TEST(RunningBrowsersTest, NoBrowserRunningOrNoTableNamesNone)
{
    Sandbox sandbox;
    FakeProcessTable processes(sandbox.path(QStringLiteral("proc")));
    processes.add(1, QStringLiteral("/usr/lib/systemd/systemd"));

    EXPECT_TRUE(RunningBrowsers::find(kBrowsers, processes.folder()).isEmpty());
    EXPECT_TRUE(RunningBrowsers::find({}, processes.folder()).isEmpty());
    EXPECT_TRUE(RunningBrowsers::find(kBrowsers, sandbox.path(QStringLiteral("no-proc"))).isEmpty());
    EXPECT_TRUE(sandbox.logLines().isEmpty());
}

TEST(RunningBrowsersTest, ReadsTheTableFromTheDefinitionsAndPassesOverWhatIsNotText)
{
    Sandbox sandbox;
    Locations locations = sandbox.locations();
    locations.resourcesFolder = sandbox.makeFolder(QStringLiteral("resources"));
    sandbox.setLocations(locations);

    EXPECT_TRUE(RunningBrowsers::browserTable().isEmpty());

    sandbox.makeFolder(QStringLiteral("resources/definitions"));
    ASSERT_TRUE(PropertyList::writeXml(
        QVariantMap { { QStringLiteral("Browser Bundle Identifier"),
            QVariantMap { { QStringLiteral("Opera"), QStringLiteral("opera") },
                { QStringLiteral("Chromium"),
                    QVariantList { QStringLiteral("chromium"), QStringLiteral("a/chrome") } },
                { QStringLiteral("Broken"), QVariantList { QStringLiteral("x"), 3 } },
                { QStringLiteral("Number"), 3 } } } },
        locations.definitionFile(QStringLiteral("InternetCachePaths"))));

    EXPECT_EQ(RunningBrowsers::browserTable(),
        (QVariantMap { { QStringLiteral("Opera"), QStringList { QStringLiteral("opera") } },
            { QStringLiteral("Chromium"),
                QStringList { QStringLiteral("chromium"), QStringLiteral("a/chrome") } } }));
}

TEST(RunningBrowsersTest, SeesTheRealProcessTable)
{
    // This test itself runs, under its own executable's name.
    EXPECT_TRUE(RunningBrowsers::runningExecutables().contains(QStringLiteral("velmora_tests")));
}

} // namespace
