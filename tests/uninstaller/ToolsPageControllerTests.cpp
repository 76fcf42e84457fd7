#include "platform/FileSystem.h"
#include "platform/Localization.h"
#include "platform/PropertyList.h"
#include "shell/FakePageHost.h"
#include "support/FakeProcessTable.h"
#include "support/QStringPrinting.h"
#include "support/Sandbox.h"
#include "uninstaller/PackageLeftoversModel.h"
#include "uninstaller/SupportFileChoices.h"
#include "uninstaller/ToolsPageController.h"
#include "uninstaller/UninstallConfirmation.h"

#include <gtest/gtest.h>

#include <tuple>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QThread>
#include <QTimeZone>
#include <QWidget>

namespace {

// Deletes for real and records, in order, the removals that happened and those that ran off the
// window's thread.
class RecordingFileSystem final : public FileSystem {
public:
    Beneath removeBeneath(const QString& base, const QStringList& inside, const FolderIdentities& kept,
        bool mayBeFolder, QString* reason) override
    {
        const Beneath result = FileSystem::removeBeneath(base, inside, kept, mayBeFolder, reason);
        if (result == Beneath::Removed)
            removed.append(base + u'/' + inside.join(u'/'));
        if (QThread::currentThread() != QCoreApplication::instance()->thread())
            removedAside.append(base + u'/' + inside.join(u'/'));
        return result;
    }
    QStringList removed;
    QStringList removedAside;
};

class ToolsPageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Localization::setLanguage(QString());
        FileSystem::setCurrent(&fileSystem);
        controller.setProcessTableFolder(processes.folder());
        // The user answers: the items shown are kept, those named in `untick` unticked.
        UninstallConfirmation::setHandler([this](SupportFileChoices& choices) {
            shown = choices.items();
            if (whileAsking)
                whileAsking();
            for (int row = 0; row < choices.rowCount(); ++row) {
                if (untick.contains(choices.items().at(row).path))
                    choices.setData(choices.index(row), Qt::Unchecked, Qt::CheckStateRole);
            }
            return confirm;
        });
    }
    void TearDown() override
    {
        UninstallConfirmation::setHandler({});
        FileSystem::setCurrent(nullptr);
    }

    const Locations& at() const { return sandbox.locations(); }

    // A bundle under the applications folder; no Info.plist when it has neither name nor identifier.
    QString makeBundle(const QString& relative, const QString& name, const QString& identifier = QString())
    {
        const QString contents = sandbox.makeFolder("Applications/" + relative + "/Contents");
        if (!name.isEmpty() || !identifier.isEmpty()) {
            PropertyList::writeXml(
                QVariantMap { { "CFBundleName", name }, { "CFBundleIdentifier", identifier } },
                contents + "/Info.plist");
        }
        return at().applicationsFolder + u'/' + relative;
    }

    // A file with these contents, or a folder with a file inside, at an absolute path below the sandbox.
    QString make(
        const QString& folder, const QString& name, bool asFolder = false, const QByteArray& contents = "x")
    {
        const QString relative = QDir(sandbox.root()).relativeFilePath(folder + u'/' + name);
        sandbox.makeFile(asFolder ? relative + "/data" : relative, contents);
        return folder + u'/' + name;
    }

    static QVariantMap dockTile(const QString& label)
    {
        return { { "tile-data", QVariantMap { { "file-label", label } } } };
    }
    void writeDock(const QVariantMap& preferences)
    {
        QDir().mkpath(QFileInfo(at().dockPreferences).path());
        PropertyList::writeXml(preferences, at().dockPreferences);
    }
    QVariantMap readDock() const { return PropertyList::readDictionary(at().dockPreferences); }

    // A desktop entry that runs `image` and names `icon`.
    QString entryRunning(
        const QString& folder, const QString& name, const QString& image, const QString& icon)
    {
        return make(folder, name, false,
            "[Desktop Entry]\nType=Application\nName=" + name.toUtf8() + "\nIcon=" + icon.toUtf8()
                + "\nExec=\"" + image.toUtf8() + "\" %U\n");
    }

    QStringList appNames() const
    {
        QStringList names;
        for (const ApplicationDetails& row : controller.applicationNamesList())
            names.append(row.appName());
        return names;
    }

    // An empty name keeps the row selected as it is.
    void uninstall(const QString& appName)
    {
        if (!appName.isEmpty())
            page.findChild<QTableView*>("toolsPageApplicationsTableView")
                ->selectRow(int(appNames().indexOf(appName)));
        sandbox.clearRecords();
        page.findChild<QAbstractButton*>("toolsPageUninstallButton")->click();
    }

    QStringList searchCommands() const
    {
        return sandbox.logLines().filter(QRegularExpression("^command = "));
    }

    // A stand-in for a desktop tool on the sandbox's command path: runs `body`
    // after recording its arguments as one line, each followed by "|".
    void standIn(const QString& tool, const QString& body)
    {
        const QString script = sandbox.makeFile("bin/" + tool,
            QStringLiteral("#!/bin/sh\nprintf '%s|' \"$@\" >> '%1'\necho >> '%1'\n%2\n")
                .arg(sandbox.path("calls-" + tool), body)
                .toUtf8());
        QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    // The calls since the last time asked.
    QStringList takeCalls(const QString& tool)
    {
        const QString calls = QString::fromUtf8(Sandbox::contents(sandbox.path("calls-" + tool)));
        QFile::remove(sandbox.path("calls-" + tool));
        return calls.split(u'\n', Qt::SkipEmptyParts);
    }
    Sandbox sandbox;
    RecordingFileSystem fileSystem;
    QList<SupportFileChoices::Item> shown;
    QStringList untick;
    bool confirm = true;
    std::function<void()> whileAsking;
    FakeProcessTable processes { sandbox.path("proc") };
    QWidget page;
    FakePageHost host;
    ToolsPageController controller { &page, host };
};

const QString kSuccess = " successfuly uninstalled!";
const QString kRefusedOwn = "Cannot uninstall application!";
const QString kRefusedRunning = "Please quit the application and try again!";
// An ELF header that marks an AppImage of type 2.
const QByteArray kAppImage = QByteArray::fromHex("7f454c46020101004149020a");

} // namespace

// Uninstall shows the bundle and the exactly named support files of every
// folder, a folder another application's desktop entry names unticked; Cancel
// removes nothing, and then only what stays ticked goes, the bundle first.
TEST_F(ToolsPageTest, RemovesTheBundleThenTheTickedExactlyNamedSupportFiles)
{
    const QString bundle = makeBundle("Foo.app", "Foo", "com.example.foo");
    makeBundle("Bar.app", "Bar");
    makeBundle("Sub/Baz.app", "Baz");
    const QString plist = "com.example.foo.plist";
    // Another application's desktop entry runs a program of that name.
    make(at().systemDesktopEntries, "other.desktop", false,
        "[Desktop Entry]\nType=Application\nName=Other\nExec=/usr/bin/com.example.foo %f\n");
    const QStringList shared { make(at().configHome, plist), make(at().cacheHome, plist),
        make(at().localStartupItems, plist) };
    const QString unticked = make(at().localPreferences, "Foo");
    QStringList removed {
        make(at().autostartFolder, "Foo"),
        make(at().dataHome, "Foo", true),
        make(at().localApplicationSupport, "Foo", true),
        make(at().localCaches, "Foo", true),
    };
    QStringList listed = removed + shared + QStringList { unticked };
    listed.sort();
    removed.sort();
    const QStringList others = shared
        + QStringList { unticked, make(at().configHome, "FooBar"), make(at().configHome, "foo"),
              make(at().configHome, plist + ".bak"), make(at().dataHome + "/Other", "Foo"),
              make(at().cacheHome, "com.example.foo") };
    // Every tile of the label goes; other tiles, one labelled in another case and the rest of the file stay.
    const QVariantMap spacer { { "tile-type", "spacer-tile" } };
    QVariantMap dock { { "persistent-apps",
                           QVariantList { dockTile("Foo"), dockTile("Bar"), spacer, dockTile("Foo"),
                               dockTile("foo"), dockTile("Sub/Baz") } },
        { "tilesize", 48.5 }, { "autohide", true }, { "mod-count", qint64(312) },
        { "trash-full", QByteArray("\x00\x01\xff", 3) },
        { "last-change", QDateTime(QDate(2009, 10, 1), QTime(8, 30), QTimeZone::utc()) },
        { "persistent-others", QVariantList { dockTile("Foo") } } };
    writeDock(dock);
    controller.toolsPageCreateUI();
    auto* table = page.findChild<QTableView*>("toolsPageApplicationsTableView");
    auto* button = page.findChild<QAbstractButton*>("toolsPageUninstallButton");
    EXPECT_FALSE(button->isEnabled()) << "nothing is selected yet";

    confirm = false;
    uninstall("Foo.app");
    EXPECT_TRUE(fileSystem.removed.isEmpty());
    EXPECT_TRUE(sandbox.alerts().isEmpty());
    ASSERT_EQ(shown.size(), listed.size() + 1);
    EXPECT_EQ(shown.at(0).path, bundle);
    EXPECT_GT(shown.at(0).size, 0);
    for (qsizetype i = 0; i < listed.size(); ++i) {
        EXPECT_EQ(shown.at(i + 1).path, listed.at(i));
        EXPECT_EQ(shown.at(i + 1).ticked, !shared.contains(listed.at(i))) << listed.at(i).toStdString();
        EXPECT_EQ(shown.at(i + 1).shared, shared.contains(listed.at(i)));
    }

    // From the keyboard: Tab leaves the table for Uninstall; Enter on the row does what it does.
    page.show();
    table->setFocus();
    QTest::keyClick(table, Qt::Key_Tab);
    EXPECT_NE(QApplication::focusWidget(), table);
    confirm = true;
    untick = { unticked, bundle };
    sandbox.clearRecords();
    QTest::keyClick(table, Qt::Key_Return);
    EXPECT_FALSE(button->isEnabled()) << "the row has gone with its application";
    EXPECT_EQ(sandbox.alerts(), QStringList({ bundle + kSuccess }));
    EXPECT_EQ(fileSystem.removed, QStringList { bundle } + removed)
        << "the application row cannot be unticked";
    EXPECT_EQ(fileSystem.removedAside, QStringList { bundle }) << "the window answers while the bundle goes";
    EXPECT_TRUE(host.navigationEnabled);
    for (const QString& gone : fileSystem.removed)
        EXPECT_FALSE(QFileInfo::exists(gone)) << gone.toStdString();
    for (const QString& kept : others)
        EXPECT_TRUE(QFileInfo::exists(kept)) << kept.toStdString();
    EXPECT_EQ(searchCommands().size(), 16);
    EXPECT_EQ(appNames(), QStringList({ "Bar.app", "Sub/Baz.app" }));
    dock.insert(
        "persistent-apps", QVariantList { dockTile("Bar"), spacer, dockTile("foo"), dockTile("Sub/Baz") });
    EXPECT_EQ(readDock(), dock);
    EXPECT_EQ(sandbox.logLines().constLast(), "No Dock to restart on this desktop");

    // A folder on the way to the bundle becomes a link while the user is asked: nothing behind it goes.
    const QString behind = sandbox.path("behind");
    whileAsking = [&] {
        QDir().rename(at().applicationsFolder + "/Sub", behind);
        QFile::link(behind, at().applicationsFolder + "/Sub");
    };
    fileSystem.removed.clear();
    uninstall("Sub/Baz.app");
    EXPECT_EQ(sandbox.alerts(), QStringList({ "Cannot remove application file!" }));
    EXPECT_TRUE(fileSystem.removed.isEmpty());
    EXPECT_TRUE(QFileInfo::exists(behind + "/Baz.app/Contents/Info.plist"));
    // Its row and its tile stay: the application is still there.
    EXPECT_EQ(appNames(), QStringList({ "Bar.app", "Sub/Baz.app" }));
    EXPECT_EQ(readDock(), dock);

    SupportFileChoices choices(bundle, 1);
    UninstallConfirmation dialog(choices);
    EXPECT_TRUE(dialog.cancelButton()->isDefault());
    EXPECT_FALSE(dialog.removeButton()->isDefault() || dialog.removeButton()->autoDefault());
}

TEST_F(ToolsPageTest, NeverTakesASearchFolderOrASharedNameForASupportFile)
{
    for (const QString& folder :
        { at().configHome, at().autostartFolder, at().localPreferences, at().localStartupItems })
        QDir().mkpath(folder);
    const struct {
        QString bundleName;
        QString identifier;
        QString ownFile; // in the user's caches: found unless the name is shared
        bool taken;
        bool searched = true;
    } cases[] = {
        // Found by the search in /etc and by the search in the folder itself.
        { "xdg", {}, "xdg", true },
        { ".config", {}, {}, false },
        { "autostart", {}, "autostart", false },
        { "keyrings", {}, "keyrings", false },
        { "dconf", {}, "dconf", false },
        { "gtk-3.0", {}, "gtk-3.0", false },
        // Names that would lead out of the search folder are not searched for at all.
        { "..", "a/b", {}, false, false },
        { ".", ".", {}, false, false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bundleName.toStdString());
        const QString own = c.ownFile.isEmpty() ? QString() : make(at().cacheHome, c.ownFile, true);
        const QString bundle = makeBundle(c.bundleName + ".app", c.bundleName, c.identifier);
        sandbox.clearRecords();
        const QStringList expected = !c.searched ? QStringList()
            : c.taken                            ? QStringList { QString(), own }
                                                 : QStringList { QString() };
        EXPECT_EQ(controller.checkForSupportFiles(bundle), expected);
        EXPECT_EQ(sandbox.logged("Not a support file, desktop components share it: " + own),
            !c.taken && !own.isEmpty());
        if (!c.searched) {
            EXPECT_TRUE(searchCommands().isEmpty());
            EXPECT_EQ(sandbox.logLines().size(), 2);
        }
    }
}

// Each kind through the page: listed after the bundles, removed with its own
// command (stand-ins recording what they were asked), its support files gone
// only when the removal worked, and its favourite dropped.
TEST_F(ToolsPageTest, EachKindIsListedAndUninstalledItsOwnWay)
{
    const QString home = at().home;
    standIn("flatpak", R"(case "$1" in
list) printf 'org.example.Notes\tNotes\tuser\norg.example.Paint\tPaint Studio\tsystem\n-rf\tEvil\tuser\n' ;;
ps) echo org.example.Paint ;;
esac)");
    standIn("snap", R"(case "$1" in
list) printf 'Name Version Rev Tracking Publisher Notes\nhello 2.10 42 latest/stable canonical -\nbroken 1 1 latest/stable me -\nbusy 1 1 latest/stable me -\n' ;;
remove) [ "$3" = broken ] && { echo 'error: access denied (polkit dismissed)' >&2; exit 1; } ;;
esac
exit 0)");
    const QString favourites = "['firefox.desktop', 'org.example.Notes.desktop', 'hello_hello.desktop', "
                               "'obsidian.desktop', 'files.desktop']";
    standIn("gsettings", "[ \"$1\" = set ] || echo \"" + favourites + u'"');

    // Bundles: this program under any of its names, ones whose program runs (a 20-character name, more
    // instances than the look-up has room for, replaced on disk while it runs) and ones never listed:
    // a bundle inside a bundle and a folder whose name merely ends in "app".
    const std::tuple<QString, QString, QString> bundles[] = { { "Foo.app", "Foo", {} },
        { "Velmora.app", "Velmora", {} }, { "Renamed.app", "Velmora", {} }, { "Sub/Velmora.app", {}, {} },
        { "Ours.app", "Ours", "velmora" }, { "Runner.app", "Runner", {} },
        { "Twenty.app", "TwentyCharacterName1", {} }, { "Crowd.app", "Crowd", {} },
        { "Updated.app", "Updated", {} }, { "Foo.app/Contents/Inner.app", "Inner", {} } };
    for (const auto& [folder, name, identifier] : bundles)
        makeBundle(folder, name, identifier);
    sandbox.makeFolder("Applications/Webapp/Contents");
    processes.add(500, "/opt/Runner.app/Contents/MacOS/Runner");
    processes.add(501, "/opt/LongName/TwentyCharacterNam");
    processes.add(502, "/opt/Updated/Updated (deleted)");
    for (int pid = 600; pid < 651; ++pid)
        processes.add(pid, "/usr/bin/Crowd");
    const QVariantMap dock { { "persistent-apps",
        QVariantList { dockTile("Velmora"), dockTile("Runner") } } };
    writeDock(dock);
    const QString obsidian = make(home + "/Applications", "Obsidian-1.4.16.AppImage", false, kAppImage);
    const QString busyImage = make(at().optFolder + "/busy", "Busy-2.0-x86_64.AppImage", false, kAppImage);
    const QString oddImage = make(at().userBinFolder, "-x 'q\"\nz.AppImage", false, kAppImage);
    const QString gone = make(at().userBinFolder, "Gone.AppImage", false, kAppImage);
    processes.add(700, "/tmp/.mount_Busy/AppRun");
    processes.setEnvironment(700, { "HOME=/x", "APPIMAGE=" + busyImage });
    processes.add(701, at().snapMount + "/busy/3/usr/bin/busy");

    // The Notes folder is a link: it goes, what it leads to stays.
    const QString notesData = make(sandbox.root(), "elsewhere", true);
    QDir().mkpath(at().flatpakUserData);
    QFile::link(notesData, at().flatpakUserData + "/org.example.Notes");
    const QString helloData = make(at().snapUserData, "hello", true);
    const QString brokenData = make(at().snapUserData, "broken", true);
    make(at().snapDesktopEntries, "hello_hello.desktop", false,
        "[Desktop Entry]\nType=Application\nName=Hello\nExec=hello\n");
    const QString obsidianConfig = make(at().configHome, "obsidian", true);
    const QString obsidianEntry
        = entryRunning(at().userDesktopEntries, "obsidian.desktop", obsidian, "obsidian-icon");
    const QString obsidianIcon = make(at().userIcons + "/hicolor/256x256/apps", "obsidian-icon.png");

    // AppImages whose desktop entries would have them take what is not theirs,
    // each with the icon its entry names.
    const QString apps = "/hicolor/48x48/apps";
    const std::pair<QString, QString> attacks[]
        = { { "Keys", home + "/.ssh/id_ed25519" }, { "Linked", "linked" }, { "Themed", "themed" },
              { "Shared", "shared" }, { "Stray", {} }, { "Swapped", "swapped" } };
    QStringList images, entries, kept; // kept: what no uninstall may touch
    for (const auto& [name, icon] : attacks) {
        images.append(make(at().userBinFolder, name + ".AppImage", false, kAppImage));
        entries.append(icon.isNull()
                ? QString()
                : entryRunning(at().userDesktopEntries, name.toLower() + ".desktop", images.last(), icon));
    }
    // The entry names a path, here a key in the home.
    kept << make(home + "/.ssh", "id_ed25519");
    // Its name leads only to a link in a theme, or into a theme that is a link.
    kept << make(sandbox.root(), "icon-target.png");
    QDir().mkpath(at().userIcons + apps);
    QFile::link(kept.last(), at().userIcons + apps + "/linked.png");
    const QString linkedPixmap = make(at().userPixmaps, "linked.xpm");
    kept << make(sandbox.root() + "/theme/48x48/apps", "themed.svg");
    QFile::link(sandbox.root() + "/theme", at().userIcons + "/linked-theme");
    // Another application's entry names the same icon.
    kept << make(at().userIcons + apps, "shared.png");
    make(at().systemDesktopEntries, "other-shared.desktop", false,
        "[Desktop Entry]\nType=Application\nName=O\nIcon=shared\nExec=o\n");
    // Its entries are a link to one elsewhere and one in a subfolder.
    kept << entryRunning(sandbox.root(), "stray.desktop", images.at(4), "stray")
         << entryRunning(at().userDesktopEntries + "/sub", "stray.desktop", images.at(4), "stray")
         << make(at().userIcons + apps, "stray.png");
    QFile::link(kept.at(kept.size() - 3), at().userDesktopEntries + "/stray.desktop");
    // The theme holding its icon becomes a link while the user is asked.
    kept << make(at().userIcons + "/swap/48x48/apps", "swapped.png");
    const auto swapTheme = [&] {
        QDir().rename(at().userIcons + "/swap", sandbox.root() + "/swapped");
        QFile::link(sandbox.root() + "/swapped", at().userIcons + "/swap");
        kept.last() = sandbox.root() + "/swapped/48x48/apps/swapped.png";
    };

    // What the Notes and hello rows take on disk; Paint Studio has nothing there.
    make(at().flatpakUserInstallation + "/app/org.example.Notes", "files", true, QByteArray(3000, 'n'));
    QDir().mkpath(at().snapMount + "/hello");
    QFile::link("42", at().snapMount + "/hello/current");
    make(at().snapRevisions, "hello_42.snap", false, QByteArray(4200, 'h'));

    QSignalSpy listed(&controller, &ToolsPageController::applicationsListed);
    controller.toolsPageCreateUI();
    // Chosen before the Flatpak and snap rows arrive: the first case uninstalls it.
    page.findChild<QTableView*>("toolsPageApplicationsTableView")
        ->selectRow(int(appNames().indexOf("Obsidian")));
    ASSERT_TRUE(listed.count() == 1 || listed.wait(10000));
    QStringList names = appNames();
    ASSERT_EQ(names.size(), 24) << names.join(u',').toStdString();
    EXPECT_EQ(names.mid(0, 19),
        QStringList({ "Crowd.app", "Foo.app", "Ours.app", "Renamed.app", "Runner.app", "Sub/Velmora.app",
            "Twenty.app", "Updated.app", "Velmora.app", "Obsidian", "-x 'q\"\nz", "Gone", "Keys", "Linked",
            "Shared", "Stray", "Swapped", "Themed", "Busy" }));
    QStringList background = names.mid(19);
    background.sort();
    EXPECT_EQ(background, QStringList({ "Notes", "Paint Studio", "broken", "busy", "hello" }));
    EXPECT_TRUE(sandbox.logged("Ignoring an unexpected line of flatpak list: -rf\tEvil\tuser"));
    // Each row says its kind and, once measured in the background, its installed size.
    const QAbstractItemModel& table = *page.findChild<QTableView*>("toolsPageApplicationsTableView")->model();
    const auto columns = [&](const QString& name) {
        const int row = int(appNames().indexOf(name));
        return table.index(row, 1).data().toString() + " | " + table.index(row, 2).data().toString();
    };
    const std::pair<QString, QString> kinds[]
        = { { "Obsidian", "AppImage | " + formattedSize(kAppImage.size()) },
              { "Notes", "Flatpak (user) | " + formattedSize(3000) },
              { "Paint Studio", "Flatpak (system) | " }, { "hello", "snap | " + formattedSize(4200) } };
    EXPECT_TRUE(QTest::qWaitFor([&] { return !columns("hello").endsWith("| "); }, 10000));
    for (const auto& [name, expected] : kinds)
        EXPECT_EQ(columns(name), expected) << name.toStdString();
    EXPECT_TRUE(columns("Foo.app").startsWith("Bundle | "));
    QFile::remove(gone);
    takeCalls("flatpak"); // the listing's own

    const QString failed = "Cannot remove application file!";
    const struct {
        QString row;
        QString call; // to flatpak or snap, when one is made
        QStringList alerts;
        QStringList removed = {}; // the application (when a file), then its support files
        QString unfavoured = {}; // the favourite dropped, when one is
        std::function<void()> whileAsking = {};
    } cases[] = {
        { QString(), QString(), { obsidian + kSuccess },
            { obsidian, obsidianConfig, obsidianEntry, obsidianIcon }, "obsidian.desktop" },
        { "Notes", "uninstall|--noninteractive|--user|--app|--|org.example.Notes|",
            { "org.example.Notes" + kSuccess }, { at().flatpakUserData + "/org.example.Notes" },
            "org.example.Notes.desktop" },
        { "Paint Studio", {}, { kRefusedRunning } },
        { "hello", "remove|--|hello|", { "hello" + kSuccess }, { helloData }, "hello_hello.desktop" },
        { "broken", "remove|--|broken|", { failed + "\nerror: access denied (polkit dismissed)" } },
        { "busy", {}, { kRefusedRunning } },
        { "Busy", {}, { kRefusedRunning } },
        { "Gone", {}, { failed } },
        { "-x 'q\"\nz", {}, { oddImage + kSuccess }, { oddImage } },
        { "Keys", {}, { images.at(0) + kSuccess }, { images.at(0), entries.at(0) } },
        { "Linked", {}, { images.at(1) + kSuccess }, { images.at(1), entries.at(1), linkedPixmap } },
        { "Themed", {}, { images.at(2) + kSuccess }, { images.at(2), entries.at(2) } },
        { "Shared", {}, { images.at(3) + kSuccess }, { images.at(3), entries.at(3) } },
        { "Stray", {}, { images.at(4) + kSuccess }, { images.at(4) } },
        { "Swapped", QString(), { "Cannot remove preference files!", images.at(5) + kSuccess },
            { images.at(5), entries.at(5) }, {}, swapTheme },
        { "Velmora.app", {}, { kRefusedOwn } },
        { "Renamed.app", {}, { kRefusedOwn } },
        { "Sub/Velmora.app", {}, { kRefusedOwn } },
        { "Ours.app", {}, { kRefusedOwn } },
        { "Runner.app", {}, { kRefusedRunning } },
        { "Twenty.app", {}, { kRefusedRunning } },
        { "Crowd.app", {}, { kRefusedRunning } },
        { "Updated.app", {}, { kRefusedRunning } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.row.toStdString());
        fileSystem.removed.clear();
        whileAsking = c.whileAsking;
        uninstall(c.row);

        EXPECT_EQ(sandbox.alerts(), c.alerts);
        EXPECT_EQ(
            (takeCalls("flatpak") + takeCalls("snap")).filter(QRegularExpression("^(uninstall|remove)")),
            c.call.isEmpty() ? QStringList() : QStringList({ c.call }));
        EXPECT_EQ(fileSystem.removed, c.removed);
        for (const QString& path : c.removed)
            EXPECT_FALSE(QFileInfo(path).isSymLink() || QFileInfo::exists(path)) << path.toStdString();
        EXPECT_EQ(takeCalls("gsettings").filter("set|"),
            c.unfavoured.isEmpty() ? QStringList()
                                   : QStringList { "set|org.gnome.shell|favorite-apps|"
                                       + QString(favourites).remove(", '" + c.unfavoured + u'\'') + u'|' });
        EXPECT_EQ(appNames().contains(c.row),
            !c.alerts.constLast().endsWith(kSuccess) && c.alerts != QStringList { failed });
    }
    for (const QString& path : kept)
        EXPECT_TRUE(QFileInfo(path).isFile()) << path.toStdString();
    EXPECT_TRUE(QFileInfo::exists(notesData + "/data")) << "a link's target stays";
    EXPECT_TRUE(QFileInfo::exists(brokenData)) << "a failed removal keeps the support files";
    EXPECT_TRUE(QFileInfo::exists(busyImage));
    EXPECT_EQ(readDock(), dock) << "a refused application keeps its tile";
}

// What packages leave behind comes in its own section, each with its size:
// exactly what flatpak and snap name as unused or old, and the data folders
// of applications neither lists; the selected ones are confirmed with their
// total, a file with two links in it once, and only the ticked ones go, each
// its own way. No data folder is offered when its tool could not list.
TEST_F(ToolsPageTest, WhatPackagesLeaveBehindIsListedWithItsSizeAndOnlyTheTickedGoes)
{
    standIn("flatpak", R"(case "$1$2" in
list*) printf 'org.example.Notes\tNotes\tuser\norg.evil.Game\tBad\033[8m\tuser\n' ;;
--default-arch) echo x86_64 ;;
uninstall--unused) [ "$3" = --user ] && printf ' 1.\t   \torg.gnome.Platform\t43\tr\n 2.\t   \t-rf\t43\tr\n'
    [ "$3" = --system ] && printf ' 1.\t   \torg.kde.Platform\tx86_64\t5.15\tr\n'
    printf 'Proceed with these changes? [Y/n]: n\n'; exit 1 ;;
esac)");
    standIn("snap", R"([ "$1" = list ] && printf 'Name Version Rev Tracking Publisher Notes\n'\
'hello 2.10 42 latest/stable canonical -\nhello 2.9 41 latest/stable canonical disabled\n'\
'parked 1 7 latest/stable me disabled\nparked 1 6 latest/stable me disabled\n'
exit 0)");
    const QString home = at().home;
    QDir().mkpath(at().snapMount + "/parked");
    QFile::link("7", at().snapMount + "/parked/current");
    make(at().flatpakUserInstallation + "/runtime/org.gnome.Platform/x86_64/43/abc", "files", true,
        QByteArray(3000, 'g'));
    make(at().flatpakSystemInstallation + "/runtime/org.kde.Platform/x86_64/5.15/def", "files", true,
        QByteArray(1500, 'k'));
    make(at().snapRevisions, "hello_41.snap", false, QByteArray(4100, 'h'));
    make(at().snapRevisions, "parked_6.snap", false, QByteArray(600, 'p'));
    const QString goneApp = make(at().flatpakUserData, "org.gone.App", true, QByteArray(2000, 'a'));
    const QString goneSnap = make(at().snapUserData, "gone", true, QByteArray(700, 's'));
    ASSERT_EQ(::link(QFile::encodeName(goneApp + "/data"), QFile::encodeName(goneSnap + "/shared")), 0);
    // Never offered: installed (one of them on a line no row was made of), a
    // link, a name the tool would not give.
    QStringList kept { make(at().flatpakUserData, "org.example.Notes", true),
        make(at().flatpakUserData, "org.evil.Game", true), make(at().snapUserData, "hello", true),
        make(at().snapUserData, "parked", true), make(at().flatpakUserData, "-rf", true),
        make(sandbox.root(), "linked-target", true) };
    QFile::link(kept.last(), at().flatpakUserData + "/org.linked.App");
    // The snap folder becomes a link while the user is asked: the link goes, what it leads to stays.
    kept << make(sandbox.root(), "swapped-target", true);
    whileAsking = [&] {
        QDir(goneSnap).removeRecursively();
        QFile::link(kept.last(), goneSnap);
    };

    QSignalSpy listed(&controller, &ToolsPageController::applicationsListed);
    controller.toolsPageCreateUI();
    ASSERT_TRUE(listed.count() == 1 || listed.wait(10000));
    const QList<PackageLeftover>& rows = controller.leftovers().leftovers();
    const std::pair<QString, qint64> expected[] = { { "runtime/org.gnome.Platform/x86_64/43 (user)", 3000 },
        { "runtime/org.kde.Platform/x86_64/5.15 (system)", 1500 }, { "snap hello, revision 41", 4100 },
        { "snap parked, revision 6", 600 }, { goneApp, 2000 }, { goneSnap, 2700 } };
    ASSERT_EQ(rows.size(), std::size(expected));
    for (qsizetype i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows.at(i).label(), expected[i].first);
        EXPECT_EQ(rows.at(i).footprint().size, expected[i].second) << expected[i].first.toStdString();
    }

    qint64 total = 0;
    UninstallConfirmation::setHandler([&](SupportFileChoices& choices) {
        shown = choices.items();
        choices.setData(choices.index(3), Qt::Unchecked, Qt::CheckStateRole);
        total = choices.tickedSize();
        whileAsking();
        return true;
    });
    page.findChild<QTableView*>("toolsPageLeftoversTableView")->selectAll();
    takeCalls("flatpak");
    takeCalls("snap");
    page.findChild<QAbstractButton*>("toolsPageUninstallButton")->click();
    ASSERT_EQ(shown.size(), std::size(expected));
    EXPECT_TRUE(std::all_of(shown.cbegin(), shown.cend(), [](const auto& item) { return item.ticked; }));
    EXPECT_EQ(total, 3000 + 1500 + 4100 + 2000 + 700) << "the file with two links counts once";
    EXPECT_EQ(takeCalls("flatpak"),
        QStringList({ "uninstall|--noninteractive|--user|--|runtime/org.gnome.Platform/x86_64/43|",
            "uninstall|--noninteractive|--system|--|runtime/org.kde.Platform/x86_64/5.15|" }));
    EXPECT_EQ(takeCalls("snap"), QStringList({ "remove|--revision=41|--|hello|" }));
    EXPECT_EQ(fileSystem.removed, QStringList({ goneApp, goneSnap }));
    EXPECT_FALSE(Sandbox::exists(goneApp) || Sandbox::exists(goneSnap));
    for (const QString& path : kept)
        EXPECT_TRUE(QFileInfo::exists(path + "/data")) << path.toStdString();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows.constFirst().label(), "snap parked, revision 6");

    // A listing that fails offers no data folder of its tool.
    make(at().flatpakUserData, "org.other.Gone", true);
    standIn("flatpak", "exit 1");
    QWidget again;
    ToolsPageController second { &again, host };
    QSignalSpy relisted(&second, &ToolsPageController::applicationsListed);
    second.toolsPageCreateUI();
    ASSERT_TRUE(relisted.count() == 1 || relisted.wait(10000));
    QStringList labels;
    for (const PackageLeftover& leftover : second.leftovers().leftovers())
        labels.append(leftover.label());
    EXPECT_EQ(labels, QStringList({ "snap hello, revision 41", "snap parked, revision 6" }));
}
