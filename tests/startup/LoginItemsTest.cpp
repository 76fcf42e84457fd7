#include "platform/FileSystem.h"
#include "startup/DesktopEntry.h"
#include "startup/ExecCommandLine.h"
#include "startup/LoginItem.h"
#include "startup/LoginItemsAE.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class FailingFileSystem final : public FileSystem {
public:
    bool removeFile(const QString&, QString* error) override
    {
        if (error)
            *error = QStringLiteral("refused by the test");
        return false;
    }
    bool createPath(const QString&) override { return false; }
};

// Installed for one scope, so a failed assertion cannot leave it behind for other tests.
class InstalledFileSystem final {
public:
    explicit InstalledFileSystem(FileSystem& fileSystem) { FileSystem::setCurrent(&fileSystem); }
    ~InstalledFileSystem() { FileSystem::setCurrent(nullptr); }
    InstalledFileSystem(const InstalledFileSystem&) = delete;
    InstalledFileSystem& operator=(const InstalledFileSystem&) = delete;
};

// The sandbox removes its files by name and cannot name one that is not UTF-8.
struct UnlinkOnExit {
    QByteArray path;
    ~UnlinkOnExit() { ::unlink(path.constData()); }
};

class LoginItems : public ::testing::Test {
protected:
    // An executable file inside the sandbox: the login item's program.
    QString program(const QString& name)
    {
        const QString path = sandbox.makeFile(QStringLiteral("programs/") + name, "#!/bin/sh\n");
        QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner);
        return path;
    }

    QString autostart() const { return sandbox.locations().autostartFolder; }

    QString writeEntry(const QString& fileName, const QByteArray& contents)
    {
        return sandbox.makeFile(QStringLiteral("home/.config/autostart/") + fileName, contents);
    }

    static QByteArray entryFor(const QString& exec)
    {
        return "[Desktop Entry]\nType=Application\nName=Other\nExec=" + exec.toUtf8() + "\n";
    }

    QStringList entryFiles() const
    {
        return QDir(autostart()).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    }

    QByteArray contents(const QString& fileName) const
    {
        QFile file(autostart() + u'/' + fileName);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // The listed programs, as paths; fails the test when the list cannot be read.
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

TEST_F(LoginItems, NoFolderMeansAnEmptyList)
{
    std::optional<QVariantList> items;
    EXPECT_EQ(LIAECopyLoginItems(items), kLIAENoError);
    ASSERT_TRUE(items);
    EXPECT_TRUE(items->isEmpty());
    EXPECT_EQ(LoginItem::indexForLoginItemWithPath(program("app")), -1);
    EXPECT_TRUE(sandbox.logLines().isEmpty());
}

TEST_F(LoginItems, AddingWhatIsNoFileWritesNothing)
{
    const struct {
        const char* name;
        QUrl url;
    } rows[] = {
        { "missing file", QUrl::fromLocalFile(sandbox.path("programs/missing")) },
        { "folder", QUrl::fromLocalFile(sandbox.makeFolder("programs/folder")) },
        { "relative path", QUrl::fromLocalFile("programs/app") },
        { "web address", QUrl("https://example.org/app") },
        { "empty", QUrl() },
    };
    program("app");
    for (const auto& row : rows) {
        EXPECT_EQ(LIAEAddURLAtEnd(row.url, false), kLIAEFileNotFound) << row.name;
        sandbox.clearRecords();
        EXPECT_FALSE(LoginItem::addLoginItemWithURL(row.url, false)) << row.name;
        EXPECT_EQ(sandbox.logLines(), QStringList { "Couldn't add login item error -43" }) << row.name;
    }
    EXPECT_FALSE(QFileInfo::exists(autostart()));
}

TEST_F(LoginItems, AddedItemsComeLastInAStableOrder)
{
    writeEntry("zeta.desktop", entryFor("/opt/zeta"));
    writeEntry("alpha.desktop", entryFor("/opt/alpha"));
    const QString first = program("first");
    const QString second = program("second");

    ASSERT_TRUE(LoginItem::addLoginItemWithPath(second, false));
    ASSERT_TRUE(LoginItem::addLoginItemWithPath(first, true));
    // Names sorting first must not move an added item ahead of earlier ones.
    const QStringList expected = { "/opt/alpha", "/opt/zeta", second, first };
    EXPECT_EQ(listedPaths(), expected);
    EXPECT_EQ(listedPaths(), expected);

    const std::optional<QVariantList> items = LoginItem::allLoginItems();
    ASSERT_TRUE(items);
    EXPECT_FALSE(items->at(2).toMap().value("Hidden").toBool());
    EXPECT_TRUE(items->at(3).toMap().value("Hidden").toBool());
    EXPECT_FALSE(items->at(0).toMap().value("Hidden").toBool());

    const std::optional<DesktopEntry> written = DesktopEntry::parse(contents("first.desktop"));
    ASSERT_TRUE(written);
    EXPECT_EQ(written->value(DesktopEntry::kMainGroup, "Type"), "Application");
    EXPECT_EQ(written->value(DesktopEntry::kMainGroup, "X-Velmora-Hidden"), "true");
    EXPECT_TRUE(written->value(DesktopEntry::kMainGroup, "Hidden").isNull());
    EXPECT_EQ(entryFiles().filter(QStringLiteral(".velmora")), QStringList()) << "staging file left behind";
}

TEST_F(LoginItems, SamePathTwiceGivesTwoItemsAndRemovesTheFirst)
{
    const QString app = program("app");
    ASSERT_TRUE(LoginItem::addLoginItemWithPath(app, false));
    ASSERT_TRUE(LoginItem::addLoginItemWithPath(app, false));
    EXPECT_EQ(listedPaths(), QStringList({ app, app }));
    EXPECT_EQ(entryFiles(), QStringList({ "app-2.desktop", "app.desktop" }));

    EXPECT_EQ(LoginItem::indexForLoginItemWithPath(app), 0);
    EXPECT_TRUE(LoginItem::removeLoginItemWithPath(app));
    EXPECT_EQ(entryFiles(), QStringList { "app-2.desktop" });
    EXPECT_EQ(listedPaths(), QStringList { app });
    // A differently spelled path names the same item.
    EXPECT_EQ(LoginItem::indexForLoginItemWithPath(sandbox.path("programs//./app")), 0);
}

TEST_F(LoginItems, RemovesByIndexAndNothingElse)
{
    const QByteArray other = entryFor("/opt/other");
    writeEntry("other.desktop", other);
    writeEntry("deleted.desktop", "[Desktop Entry]\nHidden=true\n");
    const QString app = program("app");
    ASSERT_TRUE(LoginItem::addLoginItemWithPath(app, false));

    for (const qint32 index : { -1, 2, 1000 }) {
        EXPECT_EQ(LIAERemove(index), kLIAENoSuchItem) << index;
        sandbox.clearRecords();
        EXPECT_FALSE(LoginItem::removeLoginItemAtIndex(index));
        EXPECT_EQ(sandbox.logLines(), QStringList { "Couldn't remove login intem error -1728" });
    }
    EXPECT_EQ(entryFiles(), QStringList({ "app.desktop", "deleted.desktop", "other.desktop" }));

    // Index 0 is the first listed item; the deleted entry before it in name order is not counted.
    ASSERT_TRUE(LoginItem::removeLoginItemAtIndex(0));
    EXPECT_EQ(entryFiles(), QStringList({ "app.desktop", "deleted.desktop" }));
    EXPECT_EQ(listedPaths(), QStringList { app });
}

TEST_F(LoginItems, RemovingAnUnknownItemOnlyLogsTheListedOnes)
{
    writeEntry("other.desktop", entryFor("\"/opt/My App/run\" --flag"));
    writeEntry("second.desktop", entryFor("/opt/second"));
    sandbox.clearRecords();
    EXPECT_FALSE(LoginItem::removeLoginItemWithPath(program("app")));
    EXPECT_EQ(sandbox.logLines(), QStringList({ "file:///opt/My%20App/run", "file:///opt/second" }));
    EXPECT_EQ(entryFiles().size(), 2);
}

TEST_F(LoginItems, HiddenMeansOpenedHiddenNeverDeleted)
{
    writeEntry("a-ours-hidden.desktop", entryFor("/opt/a") + "X-Velmora-Hidden=true\n");
    writeEntry("b-deleted.desktop", entryFor("/opt/b") + "Hidden=true\n");
    writeEntry("c-shown.desktop", entryFor("/opt/c") + "Hidden=false\nX-Velmora-Hidden=yes\n");
    const std::optional<QVariantList> items = LoginItem::allLoginItems();
    ASSERT_TRUE(items);
    ASSERT_EQ(items->size(), 2);
    EXPECT_EQ(items->at(0).toMap().value("URL").toUrl(), QUrl::fromLocalFile("/opt/a"));
    EXPECT_TRUE(items->at(0).toMap().value("Hidden").toBool());
    EXPECT_EQ(items->at(1).toMap().value("URL").toUrl(), QUrl::fromLocalFile("/opt/c"));
    EXPECT_FALSE(items->at(1).toMap().value("Hidden").toBool());
}

TEST_F(LoginItems, NeverTakesAnotherProgramsFileName)
{
    const QByteArray foreign = entryFor("/opt/someone-else");
    writeEntry("velmora.desktop", foreign);
    QFile::link(sandbox.path("nowhere"), autostart() + "/velmora-2.desktop");
    // A user entry of this name would switch the system-wide one off.
    sandbox.makeFile("etc/xdg/autostart/velmora-3.desktop", foreign);

    const QString velmora = program("velmora");
    ASSERT_TRUE(LoginItem::addLoginItemWithPath(velmora, false));
    EXPECT_EQ(contents("velmora.desktop"), foreign);
    EXPECT_TRUE(QFileInfo(autostart() + "/velmora-2.desktop").isSymLink());
    EXPECT_EQ(listedPaths().last(), velmora);
    EXPECT_TRUE(QFileInfo::exists(autostart() + "/velmora-4.desktop"));
}

TEST_F(LoginItems, EntriesThatCannotBeReadAreSkippedAndKept)
{
    const struct {
        const char* fileName;
        QByteArray contents;
    } malformed[] = {
        { "bad-utf8.desktop", "[Desktop Entry]\nType=Application\nExec=/opt/\xff\n" },
        { "no-exec.desktop", "[Desktop Entry]\nType=Application\nName=x\n" },
        { "open-quote.desktop", entryFor("\"/opt/app --flag") },
        { "link-type.desktop", "[Desktop Entry]\nType=Link\nURL=https://example.org\n" },
        { "no-group.desktop", "# nothing here\n" },
        { "twice.desktop", entryFor("/opt/a") + "Exec=/opt/b\n" },
    };
    for (const auto& entry : malformed)
        writeEntry(entry.fileName, entry.contents);
    writeEntry("good.desktop", entryFor("/opt/good"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(autostart() + "/pipe.desktop").constData(), 0600), 0);
    const QString latin1 = writeEntry("latin1.desktop", entryFor("/opt/umlaut"));
    const QByteArray latin1Name = QFile::encodeName(autostart()) + "/latin1-\xe4.desktop";
    ASSERT_EQ(::rename(QFile::encodeName(latin1).constData(), latin1Name.constData()), 0);
    const UnlinkOnExit cleanUp { latin1Name };

    sandbox.clearRecords();
    EXPECT_EQ(listedPaths(), QStringList { "/opt/good" });
    const QStringList lines = sandbox.logLines();
    for (const auto& entry : malformed) {
        EXPECT_EQ(lines.filter(QStringLiteral("Login item %1 skipped: ").arg(entry.fileName)).size(), 1)
            << entry.fileName << "\n" << lines.join('\n').toStdString();
    }
    EXPECT_EQ(lines.filter("Login item pipe.desktop skipped: not a regular file").size(), 1);
    EXPECT_EQ(lines.filter("skipped: file name not UTF-8").size(), 1);

    ASSERT_TRUE(LoginItem::addLoginItemWithPath(program("app"), false));
    ASSERT_TRUE(LoginItem::removeLoginItemAtIndex(0));
    for (const auto& entry : malformed)
        EXPECT_EQ(contents(entry.fileName), entry.contents) << entry.fileName;
}

TEST_F(LoginItems, ListsTheProgramOfAnyValidExecLine)
{
    writeEntry("a.desktop", entryFor("\"/opt/My App/bin/app\" --flag \"arg two\" %U"));
    writeEntry("b.desktop", entryFor("sh -c 'sleep 5; exec /opt/x'"));
    writeEntry("c.desktop", entryFor("/opt/100%%/app"));
    writeEntry("d.desktop", entryFor("no-such-program-anywhere --x"));
    writeEntry("e.desktop", entryFor("/opt/gone/app"));
    EXPECT_EQ(listedPaths(), QStringList({ "/opt/My App/bin/app", QStandardPaths::findExecutable("sh"),
                                 "/opt/100%/app", "no-such-program-anywhere", "/opt/gone/app" }));
    // A vanished program stays removable through the URL made from its stored path.
    EXPECT_TRUE(LoginItem::removeLoginItemWithURL(QUrl::fromLocalFile("/opt/gone/app")));
    EXPECT_FALSE(QFileInfo::exists(autostart() + "/e.desktop"));
}

TEST_F(LoginItems, HostileProgramPathsComeBackAsTheyWent)
{
    const QString names[] = {
        "My App", "it's", "say \"hi\"", "$HOME", "`id`", "back\\slash", "new\nline", "tab\tand cr\r",
        "100%", "%f", "Übung-программа", "#~();|&<>*?", " padded ",
    };
    const bool canValidate = !QStandardPaths::findExecutable("desktop-file-validate").isEmpty();
    for (const QString& name : names) {
        const QString path = program(name);
        const QStringList before = entryFiles();
        sandbox.clearRecords();
        ASSERT_TRUE(LoginItem::addLoginItemWithPath(path, false))
            << sandbox.logLines().join('\n').toStdString();
        QStringList added = entryFiles();
        added.removeIf([&](const QString& fileName) { return before.contains(fileName); });
        ASSERT_EQ(added.size(), 1);
        const qint32 index = LoginItem::indexForLoginItemWithPath(path);
        EXPECT_EQ(index, listedPaths().size() - 1) << name.toStdString();
        EXPECT_EQ(sandbox.logLines().filter("\n").size(), 0) << "a log line was split";

        if (canValidate) {
            QProcess validate;
            validate.start("desktop-file-validate", { autostart() + u'/' + added.first() });
            ASSERT_TRUE(validate.waitForFinished(30000));
            EXPECT_EQ(validate.exitCode(), 0)
                << name.toStdString() << validate.readAllStandardOutput().toStdString();
        }
    }
    if (!canValidate)
        GTEST_SKIP() << "desktop-file-validate is not installed; entries were only read back";
}

TEST_F(LoginItems, PathsADesktopEntryCannotCarryAreRefused)
{
    const QString path = program(QString::fromUtf8("bell\x07"));
    EXPECT_EQ(LIAEAddURLAtEnd(QUrl::fromLocalFile(path), false), kLIAEBadName);
    EXPECT_FALSE(QFileInfo::exists(autostart()));
}

TEST_F(LoginItems, AFolderThatCannotBeListedFailsEveryCall)
{
    Locations locations = sandbox.locations();
    locations.autostartFolder = sandbox.makeFile("not-a-folder");
    sandbox.setLocations(locations);

    EXPECT_FALSE(LoginItem::allLoginItems());
    EXPECT_EQ(LoginItem::indexForLoginItemWithPath(program("app")), -1);
    EXPECT_FALSE(LoginItem::addLoginItemWithPath(program("app"), false));
    EXPECT_FALSE(LoginItem::removeLoginItemAtIndex(0));
    EXPECT_EQ(sandbox.logLines(),
        QStringList({ "Couldn't list login items error -36", "Couldn't list login items error -36",
            "Couldn't add login item error -36", "Couldn't remove login intem error -36" }));
}

TEST_F(LoginItems, WriteAndRemoveFailuresAreReported)
{
    const QString app = program("app");
    FailingFileSystem failing;
    {
        InstalledFileSystem installed(failing);
        EXPECT_EQ(LIAEAddURLAtEnd(QUrl::fromLocalFile(app), false), kLIAEIOError);
    }
    ASSERT_TRUE(LoginItem::addLoginItemWithPath(app, false));
    sandbox.clearRecords();
    {
        InstalledFileSystem installed(failing);
        EXPECT_FALSE(LoginItem::removeLoginItemWithPath(app));
    }
    EXPECT_TRUE(sandbox.logged("Couldn't remove login intem error -36"));
    EXPECT_EQ(listedPaths(), QStringList { app });
}

} // namespace
