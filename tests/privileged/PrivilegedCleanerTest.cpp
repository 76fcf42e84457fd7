// The database clean as the superuser runs it, inside the namespace
// run-in-namespace.sh prepares: files any user can drop into /var/crash, or
// into root's home, must not have root open or clean what they name.

#include "platform/Locations.h"
#include "platform/PropertyList.h"
#include "platform/SystemLog.h"
#include "privileged/PrivilegedNamespace.h"
#include "removal/BrowserDatabaseCleaner.h"
#include "removal/BrowserDatabases.h"
#include "removal/RemovalConfinement.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

TEST(PrivilegedCleaner, RootCleansOnlyItsOwnDatabasesInItsOwnHome)
{
    if (const std::string reason = whyNotConfined(); !reason.empty())
        GTEST_SKIP() << reason;
    Locations locations;
    locations.home = QStringLiteral("/root");
    locations.temporaryFolder = QStringLiteral("/tmp");
    locations.resourcesFolder = QStringLiteral("/tmp/velmora-resources");
    QDir().mkpath(locations.resourcesFolder + QStringLiteral("/definitions"));
    // The crash folder as a History entry too: the rule of where removal may
    // reach admits it, and only the cleaner's own rules keep root out.
    const QVariantList folders { QStringLiteral("~/.mozilla/firefox"), QStringLiteral("/var/crash") };
    ASSERT_TRUE(PropertyList::writeXml(
        QVariantMap { { QStringLiteral("History"), QVariantMap { { QStringLiteral("FireFox"), folders } } } },
        locations.definitionFile(QStringLiteral("InternetCachePaths"))));
    QStringList lines;
    SystemLog::setSink([&lines](const QString& line) { lines << line; });

    struct Row {
        const char* name;
        QString path;
        QString reason; // empty: cleaned
        uid_t owner = 0;
        QString madeAt = {}; // where the database really is, behind a link
    };
    const Row rows[] = {
        { "root's own", "/root/.mozilla/firefox/own.default/places.sqlite", {} },
        { "dropped into /var/crash", "/var/crash/places.sqlite",
            "run as the superuser, Velmora opens no database outside its home" },
        { "another user's in root's home", "/root/.mozilla/firefox/user.default/places.sqlite",
            "it belongs to another user", 1000 },
        { "a profile folder swapped for a link to a root-only folder",
            "/root/.mozilla/firefox/swapped.default/places.sqlite", "a link or a file on the way", 0,
            "/var/crash/root-only/places.sqlite" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QString real = row.madeAt.isEmpty() ? row.path : row.madeAt;
        QDir().mkpath(QFileInfo(real).path());
        if (!row.madeAt.isEmpty()) {
            ASSERT_TRUE(QFile::link(QFileInfo(real).path(), QFileInfo(row.path).path()));
        }
        BrowserDatabases::makePlaces(real);
        ASSERT_EQ(chown(QFile::encodeName(real).constData(), row.owner, row.owner), 0);
        const QByteArray before = BrowserDatabases::contents(real);
        lines.clear();

        EXPECT_EQ(BrowserDatabaseCleaner::clean(row.path, RemovalConfinement(locations),
                      BrowserDatabaseCleaner::Options::from(locations)),
            row.reason.isEmpty());

        if (row.reason.isEmpty()) {
            EXPECT_TRUE(BrowserDatabases::rows(real, "SELECT * FROM moz_historyvisits").isEmpty());
        } else {
            EXPECT_EQ(BrowserDatabases::contents(real), before);
            EXPECT_EQ(lines, QStringList { "Cannot clean " + row.path + ": " + row.reason });
        }
    }
    SystemLog::setSink({});
}
