#include "platform/FileSystem.h"
#include "platform/Localization.h"
#include "platform/PropertyList.h"
#include "shell/FakePageHost.h"
#include "support/QStringPrinting.h"
#include "support/Sandbox.h"
#include "support/FakeProcessTable.h"
#include "uninstaller/ToolsPageController.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemModelTester>
#include <QDir>
#include <QFileInfo>
#include <QTableView>
#include <QTextDocument>
#include <QWidget>

namespace {

// Deletes for real, records the order, and refuses the paths a test names.
class RecordingFileSystem final : public FileSystem {
public:
    bool removeItem(const QString& path, QString* error) override
    {
        removed.append(path);
        if (refused.contains(path)) {
            if (error)
                *error = QStringLiteral("refused by the test");
            return false;
        }
        return FileSystem::removeItem(path, error);
    }
    QStringList removed;
    QStringList refused;
};

QString plainLabel(const QString& richText)
{
    QTextDocument document;
    document.setHtml(richText);
    return document.toPlainText();
}

class ToolsPageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_language = Localization::language();
        Localization::setLanguage(QString());
        FileSystem::setCurrent(&fileSystem);
        controller.setProcessTableFolder(processes.folder());
    }
    void TearDown() override
    {
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

    Sandbox sandbox;
    RecordingFileSystem fileSystem;
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
    const QChar image(QChar::ObjectReplacementCharacter);
    EXPECT_EQ(plainLabel(controller.tableView(0, 0)), image + QStringLiteral("   Alpha"));
    EXPECT_EQ(plainLabel(controller.tableView(0, 1)), image + QStringLiteral("   Gamma"));

    auto* table = page.findChild<QTableView*>(QStringLiteral("toolsPageApplicationsTableView"));
    QAbstractItemModelTester tester(table->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    EXPECT_EQ(table->model()->rowCount(), 4);
    EXPECT_EQ(table->model()->index(3, 0).data().toString(),
        controller.applicationNamesList().at(3).appNameWithIcon());
    EXPECT_EQ(page.findChild<QAbstractButton*>(QStringLiteral("toolsPageUninstallButton"))->text(),
        QStringLiteral("Uninstall"));
}

TEST_F(ToolsPageTest, WithoutASelectionOnlyAsksForOne)
{
    controller.toolsPageCreateUI();
    EXPECT_TRUE(controller.applicationNamesList().isEmpty()) << "no applications folder";
    EXPECT_TRUE(sandbox.logLines().isEmpty());

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

TEST_F(ToolsPageTest, NeverTakesASearchFolderForASupportFile)
{
    for (const QString& folder :
        { at().configHome, at().autostartFolder, at().localPreferences, at().localStartupItems })
        QDir().mkpath(folder);
    const QString ownFile = make(at().cacheHome, QStringLiteral("autostart"));
    // Found by the searches in the preference folders and in the startup folders themselves.
    makeBundle(QStringLiteral("Autostart.app"), QStringLiteral("autostart"));
    makeBundle(QStringLiteral("Config.app"), QStringLiteral(".config"));

    EXPECT_EQ(controller.checkForSupportFiles(at().applicationsFolder + QStringLiteral("/Autostart.app")),
        QStringList({ QString(), ownFile }));
    EXPECT_EQ(controller.checkForSupportFiles(at().applicationsFolder + QStringLiteral("/Config.app")),
        QStringList({ QString() }));
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

TEST_F(ToolsPageTest, ABundleThatStaysKeepsItsFilesAndRowButLosesItsDockTile)
{
    const QString bundle = makeBundle(QStringLiteral("Foo.app"), QStringLiteral("Foo"));
    const QString support = make(at().dataHome, QStringLiteral("Foo"), true);
    writeDock({ QStringLiteral("Foo"), QStringLiteral("Bar") });
    fileSystem.refused.append(bundle);
    controller.toolsPageCreateUI();

    uninstall(QStringLiteral("Foo.app"));

    EXPECT_EQ(sandbox.alerts(), QStringList({ QStringLiteral("Cannot remove application file!") }));
    EXPECT_EQ(fileSystem.removed, QStringList({ bundle }));
    EXPECT_TRUE(QFileInfo::exists(support));
    EXPECT_EQ(appNames(), QStringList({ QStringLiteral("Foo.app") }));
    EXPECT_EQ(dockLabels(), QStringList({ QStringLiteral("Bar") }));
    EXPECT_TRUE(sandbox.logged(QStringLiteral("No Dock to restart on this desktop")));
}

TEST_F(ToolsPageTest, ASupportFileThatStaysIsReportedBeforeTheSuccess)
{
    const QString bundle = makeBundle(QStringLiteral("Utilities/Foo.app"), QStringLiteral("Foo"));
    const QString stays = make(at().dataHome, QStringLiteral("Foo"), true);
    const QString goes = make(at().cacheHome, QStringLiteral("Foo"), true);
    fileSystem.refused.append(stays);
    writeDock({ QStringLiteral("Foo") });
    controller.toolsPageCreateUI();

    uninstall(QStringLiteral("Utilities/Foo.app"));

    EXPECT_EQ(sandbox.alerts(),
        QStringList({ QStringLiteral("Cannot remove preference files!"), bundle + kSuccess }));
    EXPECT_TRUE(QFileInfo::exists(stays));
    EXPECT_FALSE(QFileInfo::exists(goes));
    EXPECT_TRUE(controller.applicationNamesList().isEmpty());
    EXPECT_EQ(dockLabels(), QStringList({ QStringLiteral("Foo") })) << "the tile label keeps the subfolder";
    EXPECT_TRUE(sandbox.logged(QStringLiteral("File exists")));
}
