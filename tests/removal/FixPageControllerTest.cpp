#include "removal/FixPageController.h"
#include "e2e/SandboxDefinitions.h"
#include "platform/DateFormat.h"
#include "platform/FileSystem.h"
#include "platform/FolderIdentities.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"
#include "removal/ElevationStandIn.h"
#include "results/ImageAndTextCell.h"
#include "results/MTUOutlineView.h"
#include "results/ResultsFixture.h"
#include "results/ResultsTreeModel.h"
#include "results/SimpleNodeData.h"
#include "results/SimpleTreeNode.h"
#include "shell/FakePageHost.h"
#include "support/FakeProcessTable.h"
#include "widgets/MTUButton.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <atomic>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Fails to remove the paths it is told, and remembers every removal of a listed path asked of it.
// Called on the removal's thread, while the page's thread waits for its end.
class RefusingFileSystem final : public FileSystem {
public:
    Beneath removeBeneath(const QString& base, const QStringList& inside, const FolderIdentities& kept,
        bool mayBeFolder, QString* reason) override
    {
        if (whileRemoving)
            whileRemoving();
        // The window must answer meanwhile.
        onWindowThread = onWindowThread || QThread::currentThread() == qApp->thread();
        asked << base + u'/' + inside.join(u'/');
        return refused.contains(asked.last())
            ? Beneath::Failed
            : FileSystem::removeBeneath(base, inside, kept, mayBeFolder, reason);
    }
    QStringList refused;
    QStringList asked;
    std::function<void()> whileRemoving;
    std::atomic<bool> onWindowThread = false;
};

const QString kSuccess = QStringLiteral("Velmora has removed the junk successfully!");
const QString kNothingTicked = QStringLiteral("Please select items to remove!");
const QString kNoRows
    = QStringLiteral("There are no junk items to be removed. Please scan your system and try again!");
const QString kLaunch = QStringLiteral("in Method stringByLaunchingPath");

QString partly(int gone, int left)
{
    return QStringLiteral("Velmora has removed %1 junk items. %2 items could not be removed.")
        .arg(gone)
        .arg(left);
}

class FixPage : public ResultsFixture {
protected:
    FixPage()
    {
        FileSystem::setCurrent(&fileSystem);
        page.fixPageCreateUI();
        // The shipped definitions with every system folder moved into the sandbox.
        Locations locations = sandbox.locations();
        locations.resourcesFolder = makeSandboxDefinitions(sandbox.root());
        sandbox.setLocations(locations);
    }
    ~FixPage() override { FileSystem::setCurrent(nullptr); }

    // What the window does when the fix page is asked for.
    void open(uid_t user = 1000)
    {
        window.resize(900, 700);
        window.show();
        // What a scan left, so that a removal is seen to clear it.
        UserDefaults::standardUserDefaults().setInteger(7, "ERRORS_FOUND");
        page.populateFixPage();
        page.setUserIdSource([user] { return user; });
        // No browser of the machine running the tests may add its warning.
        page.setProcessTableFolder(sandbox.makeFolder("proc"));
        QCoreApplication::processEvents();
    }
    // Clicks Remove and waits for the removal to end, the window answering meanwhile.
    void remove()
    {
        QSignalSpy finished(&page, &FixPageController::removalFinished);
        page.fixPageFixButton()->click();
        if (page.isRemoving()) {
            EXPECT_FALSE(host.navigationEnabled || page.fixPageFixButton()->isEnabled());
            EXPECT_TRUE(window.findChild<QWidget*>("fixPageProgressBar")->isVisible());
            ASSERT_TRUE(finished.wait(30000));
            EXPECT_TRUE(host.navigationEnabled && page.fixPageFixButton()->isEnabled());
        }
        EXPECT_FALSE(fileSystem.onWindowThread);
    }
    // Unticks a path as the user does, by clicking its check box.
    void untick(const QString& path)
    {
        MTUOutlineView& view = *page.fixOutlineView();
        const TreeNode* node = findNode(*page.treeData(), path);
        ASSERT_NE(node, nullptr);
        const QModelIndex index = page.model()->indexForNode(node);
        view.scrollTo(index);
        QCoreApplication::processEvents();
        const QRectF box
            = ImageAndTextCell::checkBoxHitBox(QRectF(view.visualRect(index)), QSizeF(view.iconSize()));
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, box.center().toPoint());
        ASSERT_FALSE(ResultsTreeModel::payloadOf(node)->isSelected());
    }
    void expectBackAtTheOverview()
    {
        EXPECT_FALSE(resultsFileExists());
        UserDefaults& defaults = UserDefaults::standardUserDefaults();
        EXPECT_EQ(defaults.integerForKey("ERRORS_FOUND"), 0);
        const QDateTime fixed = DateFormat::dateFromString(
            defaults.stringForKey("FIXED_COMPLETE_TIME"), QString::fromLatin1(DateFormat::kFullPattern));
        EXPECT_LE(std::abs(fixed.secsTo(QDateTime::currentDateTime())), 5);
        EXPECT_EQ(host.calls, QStringList({ "setView 0", "drawOverviewPage", "overviewPageCreateUI" }));
        EXPECT_TRUE(host.showOverviewPage && !host.reviewEnabled && !host.fixEnabled);
        host.calls.clear(); // so that each removal is judged on its own
    }

    RefusingFileSystem fileSystem;
    FakePageHost host;
    QWidget window;
    FixPageController page { &window, host };
};

} // namespace

TEST_F(FixPage, OnlyTheTickedPathsGoDepthFirstAndFailuresAreLoggedAndCounted)
{
    const QString a = sandbox.makeFile("home/.cache/opera/a", QByteArray(200, 'x')),
                  b = sandbox.makeFile("home/.cache/opera/b", QByteArray(4000, 'x')),
                  c = sandbox.makeFile("home/.cache/opera/c");
    writeResults(results({ { "Cookies", { a, b } }, { "History", { c } } }));
    open();
    waitForSizes(*page.model());
    EXPECT_EQ(page.fixPageTotalSizeText()->text(), formattedSize(4201) + " can be freed");
    untick(b);
    EXPECT_EQ(page.fixPageTotalSizeText()->text(), formattedSize(201) + " can be freed");
    // Space on rows selected as the user does, a click and then Ctrl-clicks: a category's paths all at
    // once, in one change; a path inside a selected category once; all ticked become all unticked.
    QSignalSpy changes(page.model(), &QAbstractItemModel::dataChanged);
    const auto space = [this](const QStringList& rows) {
        MTUOutlineView& view = *page.fixOutlineView();
        Qt::KeyboardModifiers modifiers;
        for (const QString& name : rows) {
            const QModelIndex index = page.model()->indexForNode(findNode(*page.treeData(), name));
            view.scrollTo(index);
            QTest::mouseClick(view.viewport(), Qt::LeftButton, modifiers, view.visualRect(index).center());
            modifiers = Qt::ControlModifier;
        }
        QTest::keyClick(&view, Qt::Key_Space);
        return page.fixPageTotalSizeText()->text();
    };
    EXPECT_EQ(space({ "Cookies" }), formattedSize(4201) + " can be freed");
    EXPECT_EQ(changes.size(), 1);
    EXPECT_EQ(space({ "Cookies", b }), formattedSize(1) + " can be freed");
    EXPECT_EQ(space({ a }), formattedSize(201) + " can be freed");
    remove();
    EXPECT_EQ(QList<bool>({ sandbox.exists(a), sandbox.exists(b), sandbox.exists(c) }),
        QList<bool>({ false, true, false }));
    EXPECT_EQ(fileSystem.asked, QStringList({ c, a })) << "depth first, categories as shown";
    EXPECT_EQ(sandbox.alerts(), QStringList({ kSuccess }));
    expectBackAtTheOverview();

    const QString refused = sandbox.makeFile("home/.cache/opera/refused"),
                  twice = sandbox.makeFile("home/.cache/opera/twice"),
                  after = sandbox.makeFile("home/.cache/opera/after");
    const QString vanished = sandbox.path("home/.cache/opera/vanished");
    // A database that holds the user's data is cleaned, and never deleted when it cannot be.
    const QString notADatabase
        = sandbox.makeFile("home/.mozilla/firefox/b.default/places.sqlite", "bookmarks");
    const QString icons = sandbox.makeFile("home/.mozilla/firefox/b.default/favicons.sqlite", "icons");
    fileSystem.refused << refused;
    writeResults(results({ { "Cookies", { refused, vanished, twice, twice, after } },
        { "History", { notADatabase } }, { "Page Icons", { icons } } }));
    sandbox.clearRecords();
    open();
    const auto row = [this](const QString& path) {
        return page.model()->indexForNode(findNode(*page.treeData(), path)).data().toString();
    };
    EXPECT_EQ(QStringList({ row(notADatabase), row(after) }),
        QStringList({ notADatabase + " (cleaned, not deleted)", after }));
    remove();
    EXPECT_TRUE(sandbox.exists(refused) && sandbox.exists(notADatabase) && sandbox.exists(icons));
    EXPECT_FALSE(sandbox.exists(twice) || sandbox.exists(after));
    EXPECT_EQ(sandbox.logLines(),
        QStringList({ "Cannot clean " + icons
                + ": its bookmarks in places.sqlite cannot be read: file is not a database",
            "Cannot clean " + notADatabase + ": file is not a database", "Cannot Remove file " + refused,
            "Cannot Remove file " + vanished, "Cannot Remove file " + twice }));
    EXPECT_EQ(sandbox.alerts(), QStringList({ partly(3, 3) }));
    expectBackAtTheOverview();

    // The window closes during the first removal: that path goes, no other, and nothing is claimed.
    const QStringList three { sandbox.makeFile("home/.cache/opera/1"),
        sandbox.makeFile("home/.cache/opera/2"), sandbox.makeFile("home/.cache/opera/3") };
    writeResults(results({ { "Cookies", three } }));
    sandbox.clearRecords();
    fileSystem.whileRemoving = [this] { page.cancelRemoval(); };
    open();
    remove();
    EXPECT_EQ(QList<bool>({ sandbox.exists(three[0]), sandbox.exists(three[1]), sandbox.exists(three[2]) }),
        QList<bool>({ false, true, true }));
    EXPECT_EQ(sandbox.logLines(), QStringList({ "Removal stopped after 1 of 3 ticked paths" }));
    EXPECT_TRUE(sandbox.alerts().isEmpty() && host.calls.isEmpty() && resultsFileExists());
    EXPECT_EQ(UserDefaults::standardUserDefaults().integerForKey("ERRORS_FOUND"), 7);
}

TEST_F(FixPage, NothingTickedOrNothingListedChangesNothing)
{
    struct Row {
        const char* name;
        QVariantMap results;
        QStringList alerts;
        QStringList unticked = {};
        // Running programs, "path=short name": the path where it shows, the short name where only it shows,
        // and the kernel's mark on a program updated while it runs. A browser is known by its whole name.
        QStringList processes = {};
    };
    const QString a = sandbox.makeFile("home/.cache/opera/a"), b = sandbox.makeFile("home/.cache/opera/b");
    const Row rows[] = {
        { "no results file", {}, { kNoRows } },
        { "only the Junk Items row", results({ { "Cookies", {} }, { "History", {} } }), { kNothingTicked } },
        { "every box unticked", results({ { "Cookies", { a, b } } }), { kNothingTicked }, { a, b } },
        { "browsers run: each is named once, before all else", {},
            { "The following browsers must be closed before removing junk items. If the browsers are not "
              "closed, Velmora may not remove entire Web History.\n\nChromium, FireFox, FireFox ESR, "
              "Vivaldi ",
                kNoRows },
            {},
            { "/usr/lib/firefox-esr/firefox-esr", "/usr/lib/firefox-esr/firefox-esr", "=vivaldi-bin",
                "/usr/bin/bash=opera", "/snap/chromium/2890/usr/lib/chromium-browser/chrome",
                "/usr/lib/firefox/firefox (deleted)", "/usr/lib/brave/brave-bin-helper" } },
    };
    FakeProcessTable processes(sandbox.path("proc"));
    // The machine's first process is another user's: never a browser of this user's, whatever its name.
    if (struct stat init {}; ::stat("/proc/1", &init) == 0 && init.st_uid != ::getuid()) {
        const QString file = sandbox.locations().definitionFile("InternetCachePaths");
        QVariantMap definitions = PropertyList::readDictionary(file);
        QVariantMap browsers = definitions.value("Browser Bundle Identifier").toMap();
        QFile comm("/proc/1/comm");
        ASSERT_TRUE(comm.open(QIODevice::ReadOnly));
        browsers.insert("Init", QString::fromUtf8(comm.readAll()).trimmed());
        definitions.insert("Browser Bundle Identifier", browsers);
        ASSERT_TRUE(
            PropertyList::writeXml(definitions, file) && QFile::link("/proc/1", sandbox.path("proc/1")));
    }
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        sandbox.clearRecords();
        QFile::remove(sandbox.locations().resultsFile());
        if (!row.results.isEmpty())
            writeResults(row.results);
        int pid = 100;
        for (const QString& process : row.processes)
            processes.add(pid++, process.section(u'=', 0, 0), process.section(u'=', 1));
        open();
        for (const QString& path : row.unticked)
            untick(path);
        remove();
        EXPECT_EQ(sandbox.alerts(), row.alerts);
        EXPECT_TRUE(sandbox.exists(a) && sandbox.exists(b) && fileSystem.asked.isEmpty());
        EXPECT_EQ(resultsFileExists(), !row.results.isEmpty());
        EXPECT_EQ(UserDefaults::standardUserDefaults().integerForKey("ERRORS_FOUND"), 7);
        EXPECT_FALSE(UserDefaults::standardUserDefaults().contains("FIXED_COMPLETE_TIME"));
        EXPECT_TRUE(host.calls.isEmpty()) << "the page stays";
    }
}

// Paths of a damaged or edited results file. "{R}" is the sandbox root, which
// stands for "/", "{H}" the home below it, "{T}" the home's trash, "{U}" the
// user's id, and the mount table names three volumes in {R}/media; the sandbox definitions name
// ~/.cache/opera, the file ~/.config/opera/Network/Cookies, ~/.cache/thumbnails,
// {R}/var/log and the file {R}/var/cache/apt/pkgcache.bin among others.
TEST_F(FixPage, RemovesOnlyStrictlyInsideTheScannedFolders)
{
    Locations locations = sandbox.locations();
    locations.home = sandbox.makeFolder("home/user");
    sandbox.setLocations(locations);
    const QString R = sandbox.root(), H = locations.home, T = locations.userTrash;
    const QString U = QString::number(getuid());
    const auto expand = [&](QString text) {
        return text.replace("{R}", R).replace("{H}", H).replace("{T}", T).replace("{U}", U);
    };
    QByteArray mounts;
    for (const char* volume : { "usb", "plain", "linked" })
        mounts += "30 1 8:1 / " + QFile::encodeName(R) + "/media/" + volume + " rw - ext4 /dev/sdb1 rw\n";
    sandbox.makeFile("proc/self/mountinfo", mounts);
    const QStringList everywhere { "{H}/Documents/thesis.odt", "{H}/.cache/opera/keep", "{R}/outside/canary",
        "{R}/etc/shadow", "{R}/var/log/keep.log" };

    enum Outcome { Goes, Refused, Fails };
    struct Row {
        const char* written;
        Outcome outcome;
        QStringList files {}; // made before the row; they must stay unless the row removes them
        QStringList links {}; // "at>to"
        const char* category = "Cookies";
        QStringList gone {}; // goes with the path, though not below it
    };
    const QString outside = "{R}/outside";
    const Row rows[] = {
        { "/{H}", Refused },
        { "{H}/", Refused },
        { "~", Refused },
        { "{H}/.cache/../..", Refused },
        { "{H}/.cache/opera/./keep", Refused },
        { "{R}/home", Refused },
        { "{R}", Refused },
        { "{H}/.cache/opera", Refused },
        { "~/.cache/opera/", Refused },
        { "{H}/.cache/opera-other/x", Refused, { "{H}/.cache/opera-other/x" } },
        { "~/.cache/thumbnails-other/x", Refused, { "{H}/.cache/thumbnails-other/x" }, {}, "System Cache" },
        { "{H}/.cache/opera/away/canary", Refused, {}, { "{H}/.cache/opera/away>" + outside } },
        { "{H}/.cache/opera/deep/away/canary", Refused, { "{H}/.cache/opera/deep/x" },
            { "{H}/.cache/opera/deep/away>" + outside } },
        { "{H}/.cache/opera/to-outside", Goes, {}, { "{H}/.cache/opera/to-outside>" + outside } },
        { "{H}/.cache/opera/to-outside/", Goes, {}, { "{H}/.cache/opera/to-outside>" + outside } },
        { "{H}/.cache/opera/Cache", Goes, { "{H}/.cache/opera/Cache/data/a" },
            { "{H}/.cache/opera/Cache/data/pictures>" + outside } },
        { "{H}//.cache/opera/caf\u00e9 \u2615", Goes, { "{H}/.cache/opera/caf\u00e9 \u2615" } },
        { "{H}/.cache/opera/it's \"odd\"\n.log", Goes, { "{H}/.cache/opera/it's \"odd\"\n.log" } },
        { "~/.config/opera/Network/Cookies", Goes, { "{H}/.config/opera/Network/Cookies" } },
        { "{H}/.config/opera/Network/Cookies", Refused, { "{H}/.config/opera/Network/Cookies/inside" } },
        { "~/.cache/thumbnails/normal/a.png", Goes, { "{H}/.cache/thumbnails/normal/a.png" }, {},
            "System Cache" },
        { "{H}/.cache/opera/gone", Fails },
        { "{R}/var/log/app.log", Goes, { "{R}/var/log/app.log" }, {}, "System Logs" },
        { "{R}/var/log/places.sqlite", Goes, { "{R}/var/log/places.sqlite" }, {}, "System Logs" },
        { "{H}/.cache/opera/places.sqlite", Goes, { "{H}/.cache/opera/places.sqlite" }, {}, "History" },
        { "{R}/var/log/away/shadow", Refused, {}, { "{R}/var/log/away>{R}/etc" }, "System Logs" },
        { "{R}/var/log", Refused, {}, {}, "System Logs" },
        { "{R}/var", Refused, {}, {}, "System Logs" },
        { "{R}/var/cache/apt/pkgcache.bin", Goes, { "{R}/var/cache/apt/pkgcache.bin" }, {}, "System Cache" },
        { "{T}/files/old", Goes, { "{T}/files/old/a", "{T}/info/old.trashinfo" }, {}, "Trash",
            { "{T}/info/old.trashinfo" } },
        { "{T}/files/-rf\nx", Goes, { "{T}/files/-rf\nx", "{T}/info/-rf\nx.trashinfo" }, {}, "Trash",
            { "{T}/info/-rf\nx.trashinfo" } },
        { "{T}/files/to-outside", Goes, {}, { "{T}/files/to-outside>" + outside }, "Trash" },
        { "{T}/files/info-folder", Goes, { "{T}/files/info-folder", "{T}/info/info-folder.trashinfo/keep" },
            {}, "Trash" },
        { "{T}/files/info-link", Goes, { "{T}/files/info-link" },
            { "{T}/info/info-link.trashinfo>{R}/outside/canary" }, "Trash",
            { "{T}/info/info-link.trashinfo" } },
        { "{T}/files", Refused, {}, {}, "Trash" },
        { "{T}/info/old.trashinfo", Refused, { "{T}/info/old.trashinfo" }, {}, "Trash" },
        { "{R}/media/usb/.Trash-{U}/files/b", Goes,
            { "{R}/media/usb/.Trash-{U}/files/b", "{R}/media/usb/.Trash-{U}/info/b.trashinfo" }, {}, "Trash",
            { "{R}/media/usb/.Trash-{U}/info/b.trashinfo" } },
        { "{R}/media/plain/.Trash/{U}/files/c", Refused, { "{R}/media/plain/.Trash/{U}/files/c" }, {},
            "Trash" },
        { "{R}/media/linked/.Trash-{U}/files/d", Refused, { "{R}/decoy/files/d", "{R}/media/linked/keep" },
            { "{R}/media/linked/.Trash-{U}>{R}/decoy" }, "Trash" },
    };
    for (const Row& row : rows) {
        const QString written = expand(QString::fromUtf8(row.written));
        SCOPED_TRACE(written.toStdString());
        const bool root = QByteArray(row.written).startsWith("{R}/var");
        for (const QString& file : everywhere + row.files)
            sandbox.makeFile(expand(file).mid(R.size() + 1));
        for (const QString& link : row.links)
            ASSERT_TRUE(QFile::link(expand(link.section(u'>', 1)), expand(link.section(u'>', 0, 0))));
        sandbox.clearRecords();
        writeResults(results({ { QString::fromLatin1(row.category), { written } } }));
        open(root ? 0 : 1000);
        page.setIsRootUser(false);
        EXPECT_EQ(host.secured, root) << "no password for the user's own items";

        remove();
        QString shown = locations.expandTilde(written);
        while (shown.endsWith(u'/'))
            shown.chop(1);
        for (const QString& file : everywhere + row.files) {
            if ((row.outcome != Goes || !expand(file).startsWith(QDir::cleanPath(shown)))
                && !row.gone.contains(file)) {
                EXPECT_TRUE(sandbox.exists(expand(file))) << qPrintable(file);
            }
        }
        const QStringList lines = sandbox.logLines().filter(QRegularExpression("^(Refused|Cannot)"));
        const QString line[]
            = { {}, "Refused outside the scanned folders: " + shown + " (", "Cannot Remove file " + shown };
        EXPECT_EQ(lines.size(), row.outcome == Goes ? 0 : 1) << qPrintable(lines.join(u'\n'));
        EXPECT_TRUE(lines.value(0).startsWith(line[row.outcome])) << qPrintable(lines.value(0));
        EXPECT_EQ(sandbox.exists(shown), row.outcome == Refused);
        for (const QString& file : row.gone)
            EXPECT_FALSE(sandbox.exists(expand(file))) << qPrintable(file);
        EXPECT_EQ(sandbox.alerts(), QStringList { row.outcome == Refused ? partly(0, 1) : kSuccess });
    }
}

// The fix page with system logs and caches in folders of the sandbox, which the
// helper started by the stand-in for pkexec may remove from.
class PrivilegedFixPage : public FixPage {
protected:
    PrivilegedFixPage()
    {
        standIn.setRoots({ sandbox.makeFolder("var/log") }, { sandbox.makeFolder("var/cache/fontconfig") });
        QObject::connect(&page, &FixPageController::removalFinished, [this] {
            for (const qint64 pid : standIn.starts())
                EXPECT_FALSE(ElevationStandIn::isRunning(pid))
                    << "the grant ends with the click, before the alert";
        });
    }
    // The lines of the authorisation and of the authorised runs, in order.
    QStringList authorisationLines() const
    {
        return sandbox.logLines().filter(QRegularExpression("^(OS Is|Copy Rights|Error Creating Initial "
                                                            "Authorization|Error from|in Method)"));
    }
    ElevationStandIn standIn { sandbox };
};

// With a helper that works, and with every way it fails to start or answer: the user's own paths go
// all the same, and nothing of the home goes to root.
TEST_F(PrivilegedFixPage, RemovesTheTickedPrivilegedPathsThroughTheHelperOrLeavesThem)
{
    struct Row {
        QString script; // of the stand-in for pkexec; without one there is no elevation command
        QStringList lines; // after "OS Is LeaPard"
        int starts = 1;
    };
    // Answers that it is ready, then ends or speaks out of turn at the first request.
    const QString ready = "printf 'ready 1\\n1'\nhead -c 1 >/dev/null\n";
    const QStringList lost { "Copy Rights Successful: ", kLaunch,
        "Error from AuthorizationExecuteWithPrivileges: -2" };
    const Row rows[] = {
        { {}, { "Copy Rights Successful: ", kLaunch, kLaunch } },
        { "exit 126\n", { "Copy Rights Unsuccessful: 126" } },
        { "exit 127\n", { "Copy Rights Unsuccessful: 127" } },
        { "none", { "Error Creating Initial Authorization: -4", "Copy Rights Unsuccessful: -4" }, 0 },
        { "echo 'Password:'\n", { "Copy Rights Unsuccessful: -2" } },
        { ready, lost },
        { ready + "printf 'what 3\\nnow'\ncat >/dev/null\n", lost },
        { ready + "printf 'out -1\\n'\ncat >/dev/null\n", lost },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.script.toStdString());
        sandbox.clearRecords();
        const qsizetype startsBefore = standIn.starts().size();
        const QString cookie = sandbox.makeFile("home/.cache/opera/cookie");
        const QString cacheFile = sandbox.makeFile("var/cache/fontconfig/app/data.bin");
        const QString oddLog = sandbox.makeFile("var/log/it's \"odd\"\n.log");
        const QString emptiedFolder = sandbox.path("var/cache/fontconfig/app");
        const QString fullFolder = sandbox.makeFolder("var/log/full");
        const QString inFullFolder = sandbox.makeFile("var/log/full/kept.log");
        const QString unticked = sandbox.makeFile("var/log/unticked.log");
        const QString planted = sandbox.makeFile("home/Documents/thesis.odt");
        writeResults(
            results({ { "Cookies", { cookie } }, { "System Cache", { cacheFile, emptiedFolder, planted } },
                { "System Logs", { oddLog, fullFolder, unticked } } }));
        if (row.script.isEmpty())
            standIn.runsHelper();
        else if (row.script == "none")
            QFile::remove(sandbox.locations().elevationCommand);
        else
            standIn.writeScript(row.script);
        open();
        ASSERT_TRUE(host.secured);
        untick(unticked);

        remove();
        const bool helped = row.script.isEmpty();
        EXPECT_FALSE(sandbox.exists(cookie));
        for (const QString& path : { cacheFile, oddLog, emptiedFolder })
            EXPECT_EQ(sandbox.exists(path), !helped) << qPrintable(path) << " (files go before folders)";
        EXPECT_TRUE(sandbox.exists(inFullFolder)) << "folders go only when empty";
        EXPECT_TRUE(sandbox.exists(unticked));
        EXPECT_TRUE(sandbox.exists(planted)) << "in the home, yet outside the folders the scan walks";
        EXPECT_FALSE(sandbox.logLines().filter("Refused outside the scanned folders: " + planted).isEmpty());
        // Kept for the helper once it is granted, whether it then works or not.
        using Paths = std::optional<QStringList>;
        const bool granted = row.lines.first() == "Copy Rights Successful: ";
        EXPECT_EQ(page.lockedFileArray(), granted ? Paths({ oddLog, cacheFile }) : Paths())
            << "nothing of the home goes to root";
        EXPECT_EQ(page.lockedDirectoryArray(), granted ? Paths({ fullFolder, emptiedFolder }) : Paths());
        EXPECT_EQ(standIn.starts().size() - startsBefore, row.starts);
        EXPECT_EQ(authorisationLines(), QStringList { "OS Is LeaPard" } + row.lines);
        EXPECT_EQ(sandbox.alerts(), QStringList({ helped ? partly(4, 2) : partly(1, 5) }));
        expectBackAtTheOverview();
        EXPECT_FALSE(host.secured);
    }

    // No password is asked when every ticked path is the user's own.
    sandbox.clearRecords();
    standIn.runsHelper();
    const qsizetype startsBefore = standIn.starts().size();
    writeResults(results({ { "Cookies", { sandbox.makeFile("home/.cache/opera/cookie") } },
        { "System Logs", { sandbox.makeFile("var/log/unticked.log") } } }));
    open();
    untick(sandbox.path("var/log/unticked.log"));
    remove();
    EXPECT_EQ(standIn.starts().size(), startsBefore);
    EXPECT_EQ(authorisationLines(), QStringList());
    EXPECT_EQ(sandbox.alerts(), QStringList({ kSuccess }));
}
