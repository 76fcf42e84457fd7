#include "removal/RunningBrowsers.h"

#include "platform/PropertyList.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

namespace {

// A process table of our own: each process a numbered folder with the link to
// its executable or, where that is hidden, only its short name.
class FakeProcessTable final {
public:
    explicit FakeProcessTable(Sandbox& sandbox)
        : m_sandbox(sandbox)
        , m_root(sandbox.makeFolder(QStringLiteral("proc")))
    {
    }
    QString root() const { return m_root; }
    void add(const QString& pid, const QString& executable, const QByteArray& comm = {})
    {
        const QString folder = m_sandbox.makeFolder(QStringLiteral("proc/") + pid);
        if (!executable.isEmpty())
            QFile::link(executable, folder + QStringLiteral("/exe"));
        if (!comm.isEmpty())
            m_sandbox.makeFile(QStringLiteral("proc/%1/comm").arg(pid), comm);
    }

private:
    Sandbox& m_sandbox;
    QString m_root;
};

const QVariantMap kBrowsers {
    { QStringLiteral("Firefox ESR"), QStringLiteral("firefox-esr") },
    { QStringLiteral("Opera"), QStringLiteral("opera") },
    { QStringLiteral("Chromium"), QStringLiteral("chromium") },
    { QStringLiteral("Safari"), QStringLiteral("safari") },
};

TEST(RunningBrowsersTest, NamesEachRunningBrowserOnceInTheTablesOrder)
{
    Sandbox sandbox;
    FakeProcessTable processes(sandbox);
    processes.add(QStringLiteral("100"), QStringLiteral("/usr/lib/firefox-esr/firefox-esr"));
    processes.add(QStringLiteral("101"), QStringLiteral("/usr/lib/firefox-esr/firefox-esr"));
    processes.add(QStringLiteral("102"), {}, "opera\n");
    // Updated while it runs: the kernel marks the replaced program file.
    processes.add(QStringLiteral("103"), QStringLiteral("/usr/lib/chromium/chromium (deleted)"));
    processes.add(QStringLiteral("104"), QStringLiteral("/usr/bin/Safari"));
    processes.add(QStringLiteral("self"), QStringLiteral("/usr/bin/safari"));
    processes.add(QStringLiteral("105"), QStringLiteral("/usr/bin/bash"), "safari\n");

    const QStringList names = RunningBrowsers::find(kBrowsers, processes.root());

    EXPECT_EQ(names,
        (QStringList { QStringLiteral("Chromium"), QStringLiteral("Firefox ESR"), QStringLiteral("Opera") }));
    EXPECT_EQ(sandbox.logLines(), names);
    EXPECT_EQ(RunningBrowsers::warningText(names),
        QStringLiteral(
            "The following browsers must be closed before removing junk items. If the browsers are not "
            "closed, Velmora may not remove entire Web History.\n\nChromium, Firefox ESR, Opera "));
}

TEST(RunningBrowsersTest, NoBrowserRunningOrNoTableNamesNone)
{
    Sandbox sandbox;
    FakeProcessTable processes(sandbox);
    processes.add(QStringLiteral("1"), QStringLiteral("/usr/lib/systemd/systemd"));

    EXPECT_TRUE(RunningBrowsers::find(kBrowsers, processes.root()).isEmpty());
    EXPECT_TRUE(RunningBrowsers::find({}, processes.root()).isEmpty());
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
                { QStringLiteral("Broken"), QVariantList { QStringLiteral("x") } } } } },
        locations.definitionFile(QStringLiteral("InternetCachePaths"))));

    EXPECT_EQ(RunningBrowsers::browserTable(),
        (QVariantMap { { QStringLiteral("Opera"), QStringLiteral("opera") } }));
}

TEST(RunningBrowsersTest, SeesTheRealProcessTable)
{
    // This test itself runs, under its own executable's name.
    EXPECT_TRUE(RunningBrowsers::runningExecutables().contains(QStringLiteral("velmora_tests")));
}

} // namespace
