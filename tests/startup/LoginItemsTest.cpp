#include "platform/FileSystem.h"
#include "startup/LoginItem.h"
#include "startup/LoginItemsAE.h"
#include "support/QStringPrinting.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QStandardPaths>

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class FailingFileSystem final : public FileSystem {
public:
    bool removeFile(const QString&, QString*) override { return false; }
    bool createPath(const QString&) override { return false; }
};

class LoginItems : public ::testing::Test {
protected:
    QString program(const QString& name) { return sandbox.makeFile("programs/" + name, "#!/bin/sh\n"); }
    QString autostart() const { return sandbox.locations().autostartFolder; }
    void writeEntry(const QString& fileName, const QByteArray& contents)
    {
        sandbox.makeFile("home/.config/autostart/" + fileName, contents);
    }
    static QByteArray entryFor(const QByteArray& exec)
    {
        return "[Desktop Entry]\nType=Application\nName=Other\nExec=" + exec + "\n";
    }
    QStringList entryFiles() const
    {
        return QDir(autostart()).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    }
    QByteArray contents(const QString& fileName) const
    {
        return Sandbox::contents(autostart() + u'/' + fileName);
    }
    QStringList listedPaths()
    {
        std::optional<QVariantList> items;
        EXPECT_EQ(LIAECopyLoginItems(items), kLIAENoError);
        QStringList paths;
        for (const QVariant& item : items.value_or(QVariantList()))
            paths.append(item.toMap().value("URL").toUrl().toLocalFile());
        return paths;
    }

    Sandbox sandbox;
};

TEST_F(LoginItems, AddedItemsComeLastAndTheFirstOfTwoIsRemoved)
{
    writeEntry("zeta.desktop", entryFor("/opt/zeta"));
    writeEntry("alpha.desktop", entryFor("/opt/alpha"));
    const QString app = program("app");
    const QString other = program("other");
    ASSERT_TRUE(LoginItem::addLoginItemWithPath(app, true));
    ASSERT_TRUE(LoginItem::addLoginItemWithPath(other, false));
    ASSERT_TRUE(LoginItem::addLoginItemWithPath(app, false));
    // "app.desktop" sorts first by name; it must still follow the entries that were there before it.
    EXPECT_EQ(listedPaths(), QStringList({ "/opt/alpha", "/opt/zeta", app, other, app }));
    const QVariantList items = LoginItem::allLoginItems().value_or(QVariantList());
    EXPECT_TRUE(items.value(2).toMap().value("Hidden").toBool());
    EXPECT_FALSE(items.value(4).toMap().value("Hidden").toBool());
    EXPECT_FALSE(contents("app.desktop").contains("\nHidden=")) << "the XDG key means deleted";

    EXPECT_TRUE(LoginItem::removeLoginItemWithPath(sandbox.path("programs//./app")));
    EXPECT_EQ(listedPaths(), QStringList({ "/opt/alpha", "/opt/zeta", other, app }));
    // The item added first must be the one removed.
    EXPECT_EQ(
        entryFiles(), QStringList({ "alpha.desktop", "app-2.desktop", "other.desktop", "zeta.desktop" }));
}

TEST_F(LoginItems, RemoveCountsOnlyListedItemsAndChecksTheIndex)
{
    writeEntry("a-deleted.desktop", "[Desktop Entry]\nHidden=true\n");
    writeEntry("b-other.desktop", entryFor("\"/opt/My App/run\" --flag") + "X-Velmora-Hidden=true\n");
    writeEntry("c-second.desktop", entryFor("/opt/second"));

    sandbox.clearRecords();
    EXPECT_FALSE(LoginItem::removeLoginItemWithPath(program("app")));
    EXPECT_EQ(sandbox.logLines(), QStringList({ "file:///opt/My%20App/run", "file:///opt/second" }));
    EXPECT_TRUE(LoginItem::allLoginItems()->at(0).toMap().value("Hidden").toBool());
    for (const qint32 index : { -1, 2 }) {
        sandbox.clearRecords();
        EXPECT_FALSE(LoginItem::removeLoginItemAtIndex(index));
        EXPECT_EQ(sandbox.logLines(), QStringList { "Couldn't remove login intem error -1728" });
    }
    ASSERT_TRUE(LoginItem::removeLoginItemAtIndex(0));
    EXPECT_EQ(entryFiles(), QStringList({ "a-deleted.desktop", "c-second.desktop" }));
}

TEST_F(LoginItems, NeverTakesAnotherProgramsFileName)
{
    const QByteArray foreign = entryFor("/opt/someone-else");
    writeEntry("velmora.desktop", foreign);
    QFile::link(sandbox.path("nowhere"), autostart() + "/velmora-2.desktop");
    // A user entry of this name would switch the system-wide one off.
    sandbox.makeFile("etc/xdg/autostart/velmora-3.desktop", foreign);

    Locations locations = sandbox.locations();
    locations.ownExecutable = program("velmora");
    sandbox.setLocations(locations);
    ASSERT_TRUE(LoginItem::addLoginItemWithPath(program("velmora"), false));
    EXPECT_EQ(contents("velmora.desktop"), foreign);
    EXPECT_TRUE(contents("velmora-4.desktop").contains("\nName=Velmora\nIcon=velmora\n"))
        << "named as the menu names it";
    EXPECT_TRUE(QFileInfo(autostart() + "/velmora-2.desktop").isSymLink());
    EXPECT_EQ(entryFiles(), QStringList({ "velmora-2.desktop", "velmora-4.desktop", "velmora.desktop" }));
}

TEST_F(LoginItems, ListsAnyValidExecAndSkipsButKeepsTheRest)
{
    writeEntry("a.desktop", entryFor("\"/opt/My App/bin/app\" --flag \"arg two\" %U"));
    writeEntry("b.desktop", entryFor("sh -c 'sleep 5; exec /opt/x'"));
    // As written by hand or by another desktop.
    writeEntry("c.desktop",
        "# by hand\r\n\n[Desktop Entry]\r\n  Type = Application\r\nExec = /opt/gone/app\r\nName[de]=Weg\n");
    // Anything a launcher could read another way is passed over and left as it is.
    const struct {
        const char* fileName;
        QByteArray contents;
    } unreadable[] = {
        { "bad-utf8.desktop", entryFor("/opt/\xff") },
        { "nul.desktop", entryFor(QByteArray("/opt/a\0b", 8)) },
        { "no-exec.desktop", "[Desktop Entry]\nType=Application\n" },
        { "blank-exec.desktop", entryFor("   ") },
        { "empty-program.desktop", entryFor("\"\" app") },
        { "open-quote.desktop", entryFor("\"/opt/app --flag") },
        { "open-single-quote.desktop", entryFor("app 'open") },
        { "link.desktop", "[Desktop Entry]\nType=Link\nURL=https://example.org\n" },
        { "twice.desktop", entryFor("/opt/a") + "Exec=/opt/b\n" },
        { "group-twice.desktop", entryFor("/opt/a") + "[Desktop Entry]\n" },
        { "key-before-group.desktop", "Exec=/opt/a\n" + entryFor("/opt/b") },
        { "no-equals.desktop", entryFor("/opt/a") + "Exec /opt/b\n" },
        { "open-group.desktop", "[Desktop Entry\nExec=/opt/a\n" },
        { "open-locale.desktop", entryFor("/opt/a") + "Name[de=x\n" },
    };
    for (const auto& entry : unreadable)
        writeEntry(entry.fileName, entry.contents);
    ASSERT_EQ(::mkfifo(QFile::encodeName(autostart() + "/pipe.desktop").constData(), 0600), 0);
    writeEntry("latin1.desktop", entryFor("/opt/umlaut"));
    // The sandbox removes its files by name and cannot name one that is not UTF-8.
    const QByteArray latin1 = QFile::encodeName(autostart()) + "/latin1-\xe4.desktop";
    const auto unlinkLatin1 = qScopeGuard([&latin1] { ::unlink(latin1.constData()); });
    ASSERT_EQ(
        std::rename(QFile::encodeName(autostart() + "/latin1.desktop").constData(), latin1.constData()), 0);

    sandbox.clearRecords();
    EXPECT_EQ(listedPaths(),
        QStringList({ "/opt/My App/bin/app", QStandardPaths::findExecutable("sh"), "/opt/gone/app" }));
    const QStringList lines = sandbox.logLines();
    for (const auto& entry : unreadable)
        EXPECT_EQ(lines.filter(QStringLiteral("Login item %1 skipped: ").arg(entry.fileName)).size(), 1)
            << entry.fileName;
    EXPECT_EQ(lines.filter("Login item pipe.desktop skipped: not a regular file").size(), 1);
    EXPECT_EQ(lines.filter("skipped: file name not UTF-8").size(), 1);

    // A vanished program stays removable through the URL made from its stored path.
    EXPECT_TRUE(LoginItem::removeLoginItemWithURL(QUrl::fromLocalFile("/opt/gone/app")));
    ASSERT_TRUE(LoginItem::addLoginItemWithPath(program("app"), false));
    ASSERT_TRUE(LoginItem::removeLoginItemAtIndex(0));
    for (const auto& entry : unreadable)
        EXPECT_EQ(contents(entry.fileName), entry.contents) << entry.fileName;
}

TEST_F(LoginItems, RefusalsAndFailuresAreReportedAndChangeNothing)
{
    const QString app = program("app");
    EXPECT_EQ(LoginItem::allLoginItems(), QVariantList());
    EXPECT_EQ(LoginItem::indexForLoginItemWithPath(app), -1);
    for (const QUrl& url : { QUrl::fromLocalFile(sandbox.path("programs/missing")),
             QUrl::fromLocalFile(sandbox.makeFolder("programs/folder")), QUrl::fromLocalFile("programs/app"),
             QUrl("https://example.org/app"), QUrl() }) {
        EXPECT_EQ(LIAEAddURLAtEnd(url, false), kLIAEFileNotFound) << url.toString().toStdString();
        sandbox.clearRecords();
        EXPECT_FALSE(LoginItem::addLoginItemWithURL(url, false));
        EXPECT_EQ(sandbox.logLines(), QStringList { "Couldn't add login item error -43" });
    }
    EXPECT_EQ(LIAEAddURLAtEnd(QUrl::fromLocalFile(program("bell\x07")), false), kLIAEBadName);
    FailingFileSystem failing;
    // Installed for one scope, so a failed assertion cannot leave it behind for other tests.
    const auto restore = qScopeGuard([] { FileSystem::setCurrent(nullptr); });
    FileSystem::setCurrent(&failing);
    EXPECT_EQ(LIAEAddURLAtEnd(QUrl::fromLocalFile(app), false), kLIAEIOError);
    ASSERT_FALSE(QFileInfo::exists(autostart()));
    FileSystem::setCurrent(nullptr);
    ASSERT_TRUE(LoginItem::addLoginItemWithPath(app, false));
    FileSystem::setCurrent(&failing);
    EXPECT_EQ(LIAERemove(0), kLIAEIOError);
    FileSystem::setCurrent(nullptr);
    EXPECT_EQ(listedPaths(), QStringList { app });

    Locations locations = sandbox.locations();
    locations.autostartFolder = sandbox.makeFile("not-a-folder");
    sandbox.setLocations(locations);
    sandbox.clearRecords();
    EXPECT_FALSE(LoginItem::allLoginItems());
    EXPECT_FALSE(LoginItem::addLoginItemWithPath(app, false));
    EXPECT_FALSE(LoginItem::removeLoginItemAtIndex(0));
    EXPECT_EQ(sandbox.logLines(),
        QStringList({ "Couldn't list login items error -36", "Couldn't add login item error -36",
            "Couldn't remove login intem error -36" }));
}

} // namespace
