#include "platform/FileSystem.h"
#include "platform/Localization.h"
#include "platform/PropertyList.h"
#include "shell/FakePageHost.h"
#include "support/FakeProcessTable.h"
#include "support/QStringPrinting.h"
#include "support/Sandbox.h"
#include "uninstaller/SupportFileChoices.h"
#include "uninstaller/ToolsPageController.h"
#include "uninstaller/UninstallConfirmation.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemModelTester>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QWidget>

namespace {

// Deletes for real, records the order, and refuses the paths a test names.
class RecordingFileSystem final : public FileSystem {
public:
    bool removeItem(const QString& path, QString* error) override
    {
        return record(path, error) && FileSystem::removeItem(path, error);
    }
    bool removeFile(const QString& path, QString* error) override
    {
        return record(path, error) && FileSystem::removeFile(path, error);
    }
    QStringList removed;
    QStringList refused;

private:
    bool record(const QString& path, QString* error)
    {
        removed.append(path);
        if (refused.contains(path) && error)
            *error = QStringLiteral("refused by the test");
        return !refused.contains(path);
    }
};

class ToolsPageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_language = Localization::language();
        Localization::setLanguage(QString());
        FileSystem::setCurrent(&fileSystem);
        controller.setProcessTableFolder(processes.folder());
        // The user answers: the items shown are kept, those named in `untick` unticked.
        UninstallConfirmation::setHandler([this](SupportFileChoices& choices) {
            shown = choices.items();
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
        Localization::setLanguage(m_language);
    }

    const Locations& at() const { return sandbox.locations(); }

    // A bundle under the applications folder; no Info.plist when it has neither name nor identifier.
    QString makeBundle(const QString& relative, const QString& name, const QString& identifier = QString())
    {
        const QString contents = sandbox.makeFolder(QStringLiteral("Applications/") + relative + "/Contents");
        QVariantMap info;
        if (!name.isEmpty())
            info.insert(QStringLiteral("CFBundleName"), name);
        if (!identifier.isEmpty())
            info.insert(QStringLiteral("CFBundleIdentifier"), identifier);
        if (!info.isEmpty())
            PropertyList::writeXml(info, contents + QStringLiteral("/Info.plist"));
        return at().applicationsFolder + u'/' + relative;
    }

    // A file, or a folder with a file inside, at an absolute path below the sandbox.
    QString make(const QString& folder, const QString& name, bool asFolder = false)
    {
        const QString relative = QDir(sandbox.root()).relativeFilePath(folder + u'/' + name);
        if (asFolder)
            sandbox.makeFile(relative + QStringLiteral("/data"));
        else
            sandbox.makeFile(relative);
        return folder + u'/' + name;
    }

    void writeDock(const QStringList& labels)
    {
        QVariantList tiles;
        for (const QString& label : labels)
            tiles.append(QVariantMap {
                { QStringLiteral("tile-data"), QVariantMap { { QStringLiteral("file-label"), label } } } });
        QDir().mkpath(QFileInfo(at().dockPreferences).path());
        PropertyList::writeXml(
            QVariantMap { { QStringLiteral("persistent-apps"), tiles } }, at().dockPreferences);
    }

    QStringList dockLabels() const
    {
        QStringList labels;
        const QVariantList tiles = PropertyList::readDictionary(at().dockPreferences)
                                       .value(QStringLiteral("persistent-apps"))
                                       .toList();
        for (const QVariant& tile : tiles)
            labels.append(
                tile.toMap().value(QStringLiteral("tile-data")).toMap().value("file-label").toString());
        return labels;
    }

    QStringList appNames() const
    {
        QStringList names;
        for (const ApplicationDetails& row : controller.applicationNamesList())
            names.append(row.appName());
        return names;
    }

    void uninstall(const QString& appName)
    {
        auto* table = page.findChild<QTableView*>(QStringLiteral("toolsPageApplicationsTableView"));
        table->selectRow(int(appNames().indexOf(appName)));
        sandbox.clearRecords();
        page.findChild<QAbstractButton*>(QStringLiteral("toolsPageUninstallButton"))->click();
    }

    QStringList searchCommands() const
    {
        return sandbox.logLines().filter(QRegularExpression("^command = "));
    }

    // A stand-in for a desktop tool on the sandbox's command path: runs `body`
    // after recording its arguments as one line, each followed by "|".
    void standIn(const QString& tool, const QString& body)
    {
        const QString script = sandbox.makeFile(QStringLiteral("bin/") + tool,
            QStringLiteral("#!/bin/sh\nprintf '%s|' \"$@\" >> '%1'\necho >> '%1'\n%2\n")
                .arg(sandbox.path(QStringLiteral("calls-") + tool), body)
                .toUtf8());
        QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QStringList calls(const QString& tool) const
    {
        QFile file(sandbox.path(QStringLiteral("calls-") + tool));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }
    QString makeAppImage(const QString& folder, const QString& fileName)
    {
        const QString relative = QDir(sandbox.root()).relativeFilePath(folder + u'/' + fileName);
        return sandbox.makeFile(relative,
            QByteArray("\x7f"
                       "ELF\x02\x01\x01\x00"
                       "AI\x02",
                11)
                + "rest");
    }
    void listAll()
    {
        QSignalSpy listed(&controller, &ToolsPageController::applicationsListed);
        controller.toolsPageCreateUI();
        ASSERT_TRUE(listed.count() == 1 || listed.wait(10000));
    }

    Sandbox sandbox;
    RecordingFileSystem fileSystem;
    QList<SupportFileChoices::Item> shown;
    QStringList untick;
    bool confirm = true;
    FakeProcessTable processes { sandbox.path(QStringLiteral("proc")) };
    QWidget page;
    FakePageHost host;
    ToolsPageController controller { &page, host };

private:
    QString m_language;
};

const QString kSuccess = QStringLiteral(" successfuly uninstalled!");
const QString kRefusedOwn = QStringLiteral("Cannot uninstall application!");
const QString kRefusedRunning = QStringLiteral("Please quit the application and try again!");

} // namespace

TEST_F(ToolsPageTest, ListsBundlesInWalkOrderWithoutLookingInsideThem)
{
    makeBundle(QStringLiteral("Alpha.app"), QStringLiteral("Alpha"));
    sandbox.makeFolder(QStringLiteral("Applications/Alpha.app/Contents/Helpers/Inner.app"));
    makeBundle(QStringLiteral("Utilities/Beta.app"), QStringLiteral("Beta"));
    sandbox.makeFolder(QStringLiteral("Applications/Deep/er/Gamma.app"));
    sandbox.makeFile(QStringLiteral("Applications/Plain.app"));
    sandbox.makeFolder(QStringLiteral("Applications/Capital.App"));
    sandbox.makeFolder(QStringLiteral("Applications/Old.app.bak"));
    sandbox.makeFile(QStringLiteral("Applications/notes.txt"));

    controller.toolsPageCreateUI();

    const QStringList expected { QStringLiteral("Alpha.app"), QStringLiteral("Deep/er/Gamma.app"),
        QStringLiteral("Plain.app"), QStringLiteral("Utilities/Beta.app") };
    ASSERT_EQ(appNames(), expected);
    for (const ApplicationDetails& row : controller.applicationNamesList())
        EXPECT_EQ(row.appPath(), at().applicationsFolder + u'/' + row.appName());
    auto* table = page.findChild<QTableView*>(QStringLiteral("toolsPageApplicationsTableView"));
    QAbstractItemModelTester tester(table->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
}

TEST_F(ToolsPageTest, WithoutASelectionOnlyAsksForOne)
{
    controller.toolsPageCreateUI();
    EXPECT_TRUE(controller.applicationNamesList().isEmpty()) << "no applications folder";
    EXPECT_EQ(sandbox.logLines(),
        QStringList({ QStringLiteral("No flatpak command: no flatpak applications listed"),
            QStringLiteral("No snap command: no snap applications listed") }));

    makeBundle(QStringLiteral("Foo.app"), QStringLiteral("Foo"));
    controller.populateApplicationsTableView();
    uninstall(QStringLiteral("none"));

    EXPECT_EQ(sandbox.alerts(), QStringList({ QStringLiteral("Please select application to uninstall!") }));
    EXPECT_TRUE(sandbox.logLines().isEmpty()) << "nothing searched, no Dock step";
    EXPECT_TRUE(fileSystem.removed.isEmpty());
}

TEST_F(ToolsPageTest, RefusesThisProgramAndRunningApplications)
{
    processes.add(500, QStringLiteral("/opt/Runner.app/Contents/MacOS/Runner"));
    processes.add(501, QStringLiteral("/opt/LongName/TwentyCharacterNam"));
    for (int pid = 600; pid < 651; ++pid)
        processes.add(pid, QStringLiteral("/usr/bin/Crowd"));
    writeDock({ QStringLiteral("Velmora"), QStringLiteral("Runner") });

    const struct {
        QString appName;
        QString bundleName;
        QString identifier;
        QString alert;
    } cases[] = {
        { QStringLiteral("Velmora.app"), QStringLiteral("Velmora"), QString(), kRefusedOwn },
        { QStringLiteral("Renamed.app"), QStringLiteral("Velmora"), QString(), kRefusedOwn },
        { QStringLiteral("Sub/Velmora.app"), QString(), QString(), kRefusedOwn },
        { QStringLiteral("Ours.app"), QStringLiteral("Ours"), QStringLiteral("velmora"), kRefusedOwn },
        { QStringLiteral("Runner.app"), QStringLiteral("Runner"), QString(), kRefusedRunning },
        { QStringLiteral("Twenty.app"), QStringLiteral("TwentyCharacterName1"), QString(), kRefusedRunning },
        { QStringLiteral("Crowd.app"), QStringLiteral("Crowd"), QString(), kRefusedRunning },
    };
    for (const auto& c : cases)
        makeBundle(c.appName, c.bundleName, c.identifier);
    controller.toolsPageCreateUI();

    for (const auto& c : cases) {
        uninstall(c.appName);
        EXPECT_EQ(sandbox.alerts(), QStringList({ c.alert })) << c.appName.toStdString();
        EXPECT_TRUE(searchCommands().isEmpty());
    }
    EXPECT_TRUE(fileSystem.removed.isEmpty());
    EXPECT_EQ(controller.applicationNamesList().size(), std::size(cases));
    EXPECT_EQ(dockLabels(), QStringList({ QStringLiteral("Velmora"), QStringLiteral("Runner") }));
}

TEST_F(ToolsPageTest, DeletesTheBundleThenTheExactlyNamedSupportFilesOfEveryFolder)
{
    const QString bundle
        = makeBundle(QStringLiteral("Foo.app"), QStringLiteral("Foo"), QStringLiteral("com.example.foo"));
    makeBundle(QStringLiteral("Bar.app"), QStringLiteral("Bar"));
    const QString plist = QStringLiteral("com.example.foo.plist");
    QStringList supportFiles {
        make(at().configHome, plist),
        make(at().autostartFolder, QStringLiteral("Foo")),
        make(at().dataHome, QStringLiteral("Foo"), true),
        make(at().cacheHome, plist),
        make(at().localPreferences, QStringLiteral("Foo")),
        make(at().localStartupItems, plist),
        make(at().localApplicationSupport, QStringLiteral("Foo"), true),
        make(at().localCaches, QStringLiteral("Foo"), true),
    };
    const QStringList others { make(at().configHome, QStringLiteral("FooBar")), make(at().configHome, "foo"),
        make(at().configHome, plist + QStringLiteral(".bak")),
        make(at().dataHome + "/Other", QStringLiteral("Foo")),
        make(at().cacheHome, QStringLiteral("com.example.foo")) };
    writeDock({ QStringLiteral("Foo"), QStringLiteral("Bar"), QStringLiteral("Foo") });
    controller.toolsPageCreateUI();

    uninstall(QStringLiteral("Foo.app"));

    EXPECT_EQ(sandbox.alerts(), QStringList({ bundle + kSuccess }));
    ASSERT_FALSE(fileSystem.removed.isEmpty());
    EXPECT_EQ(fileSystem.removed.first(), bundle);
    supportFiles.sort();
    EXPECT_EQ(fileSystem.removed.mid(1), supportFiles);
    for (const QString& gone : supportFiles + QStringList { bundle })
        EXPECT_FALSE(QFileInfo::exists(gone)) << gone.toStdString();
    for (const QString& kept : others)
        EXPECT_TRUE(QFileInfo::exists(kept)) << kept.toStdString();
    EXPECT_EQ(searchCommands().size(), 16);
    EXPECT_EQ(appNames(), QStringList({ QStringLiteral("Bar.app") }));
    EXPECT_EQ(dockLabels(), QStringList({ QStringLiteral("Bar") }));
    EXPECT_TRUE(sandbox.logged(QStringLiteral("Foo.app remove from DOCK")));
    EXPECT_EQ(sandbox.logLines().constLast(), QStringLiteral("No Dock to restart on this desktop"));
}

TEST_F(ToolsPageTest, NeverTakesASearchFolderOrASharedNameForASupportFile)
{
    for (const QString& folder :
        { at().configHome, at().autostartFolder, at().localPreferences, at().localStartupItems })
        QDir().mkpath(folder);
    const struct {
        QString bundleName;
        QString ownFile; // in the user's caches: found unless the name is shared
        bool taken;
    } cases[] = {
        // Found by the search in /etc and by the search in the folder itself.
        { QStringLiteral("xdg"), QStringLiteral("xdg"), true },
        { QStringLiteral(".config"), QString(), false },
        { QStringLiteral("autostart"), QStringLiteral("autostart"), false },
        { QStringLiteral("keyrings"), QStringLiteral("keyrings"), false },
        { QStringLiteral("dconf"), QStringLiteral("dconf"), false },
        { QStringLiteral("gtk-3.0"), QStringLiteral("gtk-3.0"), false },
    };
    for (const auto& c : cases) {
        const QString own = c.ownFile.isEmpty() ? QString() : make(at().cacheHome, c.ownFile, true);
        const QString bundle = makeBundle(c.bundleName + QStringLiteral(".app"), c.bundleName);
        sandbox.clearRecords();
        const QStringList expected = c.taken ? QStringList { QString(), own } : QStringList { QString() };
        EXPECT_EQ(controller.checkForSupportFiles(bundle), expected) << c.bundleName.toStdString();
        EXPECT_EQ(sandbox.logged(QStringLiteral("Not a support file, desktop components share it: ") + own),
            !c.taken && !own.isEmpty());
    }
}

TEST_F(ToolsPageTest, NamesThatWouldLeaveTheSearchFolderAreNotSearchedFor)
{
    const QString bundle = makeBundle(QStringLiteral("Odd.app"), QStringLiteral(".."), QStringLiteral("a/b"));
    const QString dotBundle = makeBundle(QStringLiteral("Dot.app"), QStringLiteral("."), QStringLiteral("."));
    for (const QString& path : { bundle, dotBundle }) {
        sandbox.clearRecords();
        EXPECT_TRUE(controller.checkForSupportFiles(path).isEmpty());
        EXPECT_TRUE(searchCommands().isEmpty());
        EXPECT_EQ(sandbox.logLines().size(), 2);
    }
}

// Each kind through the page: listed after the bundles, removed with its own
// command (stand-ins recording what they were asked), its support files gone
// only when the removal worked, and its favourite dropped.
TEST_F(ToolsPageTest, EachKindIsListedAndUninstalledItsOwnWay)
{
    const QString home = at().home;
    standIn(QStringLiteral("flatpak"),
        QStringLiteral(
            "case \"$1\" in\n"
            "list) printf 'org.example.Notes\\tNotes\\tuser\\norg.example.Paint\\tPaint Studio\\tsystem\\n"
            "-rf\\tEvil\\tuser\\n' ;;\n"
            "ps) echo org.example.Paint ;;\n"
            "esac"));
    standIn(QStringLiteral("snap"),
        QStringLiteral(
            "case \"$1\" in\n"
            "list) printf 'Name Version Rev Tracking Publisher Notes\\n"
            "core22 1 1 latest/stable canonical base\\ngtk-common-themes 1 1 latest/stable canonical -\\n"
            "hello 2.10 42 latest/stable canonical -\\nbroken 1 1 latest/stable me -\\n"
            "busy 1 1 latest/stable me -\\n' ;;\n"
            "remove) [ \"$3\" = broken ] && { echo 'error: access denied (polkit dismissed)' >&2; exit 1; } "
            ";;\n"
            "esac\nexit 0"));
    standIn(QStringLiteral("gsettings"),
        QStringLiteral("[ \"$1\" = set ] || echo \"['firefox.desktop', 'org.example.Notes.desktop', "
                       "'hello_hello.desktop', 'obsidian.desktop', 'files.desktop']\""));

    makeBundle(QStringLiteral("Foo.app"), QStringLiteral("Foo"));
    const QString obsidian = makeAppImage(home + QStringLiteral("/Applications"), "Obsidian-1.4.16.AppImage");
    const QString busyImage
        = makeAppImage(at().optFolder + QStringLiteral("/busy"), "Busy-2.0-x86_64.AppImage");
    const QString oddImage = makeAppImage(at().userBinFolder, QStringLiteral("-x 'q\"\nz.AppImage"));
    const QString gone = makeAppImage(at().userBinFolder, QStringLiteral("Gone.AppImage"));
    processes.add(700, QStringLiteral("/tmp/.mount_Busy/AppRun"));
    processes.setEnvironment(700, { QStringLiteral("HOME=/x"), QStringLiteral("APPIMAGE=") + busyImage });
    processes.add(701, at().snapMount + QStringLiteral("/busy/3/usr/bin/busy"));

    // The Notes folder is a link: it goes, what it leads to stays.
    const QString notesData = make(sandbox.root(), QStringLiteral("elsewhere"), true);
    QDir().mkpath(at().flatpakUserData);
    QFile::link(notesData, at().flatpakUserData + QStringLiteral("/org.example.Notes"));
    const QString helloData = make(at().snapUserData, QStringLiteral("hello"), true);
    const QString brokenData = make(at().snapUserData, QStringLiteral("broken"), true);
    sandbox.makeFile(QDir(sandbox.root()).relativeFilePath(at().snapDesktopEntries) + "/hello_hello.desktop",
        "[Desktop Entry]\nType=Application\nName=Hello\nExec=hello\n");
    const QString obsidianConfig = make(at().configHome, QStringLiteral("obsidian"), true);
    const QString obsidianEntry = make(at().userDesktopEntries, QStringLiteral("obsidian.desktop"));
    QFile entry(obsidianEntry);
    ASSERT_TRUE(entry.open(QIODevice::WriteOnly));
    entry.write("[Desktop Entry]\nType=Application\nName=Obsidian\nIcon=obsidian-icon\nExec=\""
        + obsidian.toUtf8() + "\" %U\n");
    entry.close();
    const QString obsidianIcon
        = make(at().userIcons + QStringLiteral("/hicolor/256x256/apps"), "obsidian-icon.png");

    listAll();
    QStringList names = appNames();
    ASSERT_EQ(names.size(), 10) << names.join(u',').toStdString();
    EXPECT_EQ(names.mid(0, 5),
        QStringList({ QStringLiteral("Foo.app"), QStringLiteral("Obsidian"), QStringLiteral("-x 'q\"\nz"),
            QStringLiteral("Gone"), QStringLiteral("Busy") }));
    QStringList background = names.mid(5);
    background.sort();
    EXPECT_EQ(background,
        QStringList({ QStringLiteral("Notes"), QStringLiteral("Paint Studio"), QStringLiteral("broken"),
            QStringLiteral("busy"), QStringLiteral("hello") }));
    EXPECT_TRUE(
        sandbox.logged(QStringLiteral("Ignoring an unexpected line of flatpak list: -rf\tEvil\tuser")));
    QFile::remove(gone);

    const QString failed = QStringLiteral("Cannot remove application file!");
    const struct {
        QString row;
        QString tool; // its command's expected call, when one is made
        QString call;
        QString alert;
        QStringList removed; // the application (when a file), then its support files
        QStringList favourites; // what is written back, when anything is
    } cases[] = {
        { QStringLiteral("Notes"), QStringLiteral("flatpak"),
            QStringLiteral("uninstall|--noninteractive|--user|--|org.example.Notes|"),
            QStringLiteral("org.example.Notes") + kSuccess,
            { at().flatpakUserData + QStringLiteral("/org.example.Notes") },
            { QStringLiteral(
                "['firefox.desktop', 'hello_hello.desktop', 'obsidian.desktop', 'files.desktop']") } },
        { QStringLiteral("Paint Studio"), QStringLiteral("flatpak"), QString(), kRefusedRunning, {}, {} },
        { QStringLiteral("hello"), QStringLiteral("snap"), QStringLiteral("remove|--|hello|"),
            QStringLiteral("hello") + kSuccess, { helloData },
            { QStringLiteral(
                "['firefox.desktop', 'org.example.Notes.desktop', 'obsidian.desktop', 'files.desktop']") } },
        { QStringLiteral("broken"), QStringLiteral("snap"), QStringLiteral("remove|--|broken|"),
            failed + QStringLiteral("\nerror: access denied (polkit dismissed)"), {}, {} },
        { QStringLiteral("busy"), QStringLiteral("snap"), QString(), kRefusedRunning, {}, {} },
        { QStringLiteral("Busy"), QString(), QString(), kRefusedRunning, {}, {} },
        { QStringLiteral("Gone"), QString(), QString(), failed, {}, {} },
        { QStringLiteral("-x 'q\"\nz"), QString(), QString(), oddImage + kSuccess, { oddImage }, {} },
        { QStringLiteral("Obsidian"), QString(), QString(), obsidian + kSuccess,
            { obsidian, obsidianConfig, obsidianEntry, obsidianIcon },
            { QStringLiteral("['firefox.desktop', 'org.example.Notes.desktop', 'hello_hello.desktop', "
                             "'files.desktop']") } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.row.toStdString());
        const QStringList before = c.tool.isEmpty() ? QStringList() : calls(c.tool);
        const QStringList gsettingsBefore = calls(QStringLiteral("gsettings"));
        fileSystem.removed.clear();
        uninstall(c.row);

        EXPECT_EQ(sandbox.alerts(), QStringList({ c.alert }));
        if (!c.tool.isEmpty()) {
            const QStringList made
                = calls(c.tool).mid(before.size()).filter(QRegularExpression("^(uninstall|remove)"));
            EXPECT_EQ(made, c.call.isEmpty() ? QStringList() : QStringList({ c.call }));
        }
        QStringList removed = c.removed;
        EXPECT_EQ(fileSystem.removed, removed);
        for (const QString& path : removed)
            EXPECT_FALSE(QFileInfo(path).isSymLink() || QFileInfo::exists(path)) << path.toStdString();
        const QStringList written
            = calls(QStringLiteral("gsettings")).mid(gsettingsBefore.size()).filter("set|");
        QStringList expectedWrites;
        for (const QString& value : c.favourites)
            expectedWrites.append(QStringLiteral("set|org.gnome.shell|favorite-apps|") + value + u'|');
        EXPECT_EQ(written, expectedWrites);
        EXPECT_EQ(appNames().contains(c.row), !c.alert.endsWith(kSuccess) && c.alert != failed);
    }
    EXPECT_TRUE(QFileInfo::exists(notesData + QStringLiteral("/data"))) << "a link's target stays";
    EXPECT_TRUE(QFileInfo::exists(brokenData)) << "a failed removal keeps the support files";
    EXPECT_TRUE(QFileInfo::exists(busyImage));
}

// Uninstall shows what it found; only what stays ticked goes, a folder another

// Uninstall shows what it found; only what stays ticked goes, a folder another
// application's desktop entry names comes unticked, and Cancel removes nothing.
TEST_F(ToolsPageTest, RemovesOnlyWhatTheConfirmationLeftTicked)
{
    const QString bundle
        = makeBundle(QStringLiteral("Foo.app"), QStringLiteral("Foo"), QStringLiteral("com.example.foo"));
    const QString preferences = make(at().configHome, QStringLiteral("com.example.foo.plist"));
    const QString cache = make(at().cacheHome, QStringLiteral("com.example.foo.plist"));
    const QString shared = make(at().dataHome, QStringLiteral("Foo"), true);
    make(at().systemDesktopEntries, QStringLiteral("other.desktop"));
    QFile other(at().systemDesktopEntries + QStringLiteral("/other.desktop"));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.write("[Desktop Entry]\nType=Application\nName=Other\nExec=/usr/bin/foo %f\n");
    other.close();
    controller.toolsPageCreateUI();

    confirm = false;
    uninstall(QStringLiteral("Foo.app"));
    EXPECT_TRUE(fileSystem.removed.isEmpty());
    EXPECT_TRUE(sandbox.alerts().isEmpty());
    ASSERT_EQ(shown.size(), 4);
    EXPECT_EQ(shown.at(0).path, bundle);
    EXPECT_GT(shown.at(0).size, 0);
    const QList<std::pair<QString, bool>> expected { { cache, true }, { preferences, true },
        { shared, false } };
    for (qsizetype i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(shown.at(i + 1).path, expected.at(i).first);
        EXPECT_EQ(shown.at(i + 1).ticked, expected.at(i).second);
        EXPECT_EQ(shown.at(i + 1).shared, !expected.at(i).second);
    }

    confirm = true;
    untick = { cache, bundle };
    uninstall(QStringLiteral("Foo.app"));
    EXPECT_EQ(fileSystem.removed, QStringList({ bundle, preferences }))
        << "the application row cannot be unticked";
    EXPECT_TRUE(QFileInfo::exists(cache));
    EXPECT_TRUE(QFileInfo::exists(shared));

    SupportFileChoices choices(bundle, 1);
    UninstallConfirmation dialog(choices);
    EXPECT_TRUE(dialog.cancelButton()->isDefault());
    EXPECT_FALSE(dialog.removeButton()->isDefault() || dialog.removeButton()->autoDefault());
}
