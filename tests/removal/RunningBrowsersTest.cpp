#include "removal/RunningBrowsers.h"

#include "support/FakeProcessTable.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

namespace {

TEST(RunningBrowsersTest, NamesEachRunningBrowserOnceInTheTablesOrder)
{
    const QVariantMap table {
        { "Firefox ESR", "firefox-esr" },
        { "Opera", "opera" },
        { "Safari", "safari" },
        { "Chromium", QStringList { "chromium", "chromium-browser/chrome" } },
        { "Google Chrome", "chrome" },
    };
    struct Row {
        QStringList executables; // "program=command name", either may be missing
        QStringList names;
    };
    const Row rows[] = {
        { { "/usr/lib/firefox-esr/firefox-esr", "/usr/lib/firefox-esr/firefox-esr", "=opera" },
            { "Firefox ESR", "Opera" } },
        // Updated while it runs: the kernel marks the replaced program file.
        { { "/usr/lib/chromium/chromium (deleted)" }, { "Chromium" } },
        { { "/usr/bin/Safari", "/usr/bin/bash=safari", "/usr/lib/systemd/systemd" }, {} },
        { { "/snap/chromium/2890/usr/lib/chromium-browser/chrome" }, { "Chromium" } },
        { { "/opt/google/chrome/chrome", "/opt/not-chromium-browser/chrome" }, { "Google Chrome" } },
        { { "/snap/chromium/2890/usr/lib/chromium-browser/chrome", "/opt/google/chrome/chrome" },
            { "Chromium", "Google Chrome" } },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(qPrintable(row.executables.join(u' ')));
        Sandbox sandbox;
        FakeProcessTable processes(sandbox.path("proc"));
        int pid = 100;
        for (const QString& executable : row.executables)
            processes.add(pid++, executable.section(u'=', 0, 0), executable.section(u'=', 1));
        // Not a process: only numbered folders are.
        QDir().mkpath(processes.folder() + "/self");
        QFile::link("/usr/bin/safari", processes.folder() + "/self/exe");

        EXPECT_EQ(RunningBrowsers::find(table, processes.folder()), row.names);
        EXPECT_EQ(sandbox.logLines(), row.names);
    }
    Sandbox sandbox;
    EXPECT_TRUE(RunningBrowsers::find(table, sandbox.path("no-proc")).isEmpty());
    // This test itself runs, under its own executable's name.
    EXPECT_TRUE(RunningBrowsers::runningExecutables().contains("velmora_tests"));
}

} // namespace
