#include "removal/FixPageController.h"
#include "e2e/SandboxDefinitions.h"
#include "platform/DateFormat.h"
#include "platform/FileSystem.h"
#include "platform/FolderIdentities.h"
#include "platform/Images.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"
#include "removal/BrowserDatabases.h"
#include "removal/ElevationStandIn.h"
#include "results/ImageAndTextCell.h"
#include "results/MTUOutlineView.h"
#include "results/ResultsFixture.h"
#include "results/ResultsTreeModel.h"
#include "results/SimpleNodeData.h"
#include "results/SimpleTreeNode.h"
#include "shell/FakePageHost.h"
#include "shell/MTUButton.h"
#include "support/FakeProcessTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <functional>

namespace {

// Fails to remove the paths it is told, and remembers every removal asked of it.
class RefusingFileSystem final : public FileSystem {
public:
    bool removeFile(const QString& path, QString* error) override
    {
        asked << path;
        return !refused.contains(path) && FileSystem::removeFile(path, error);
    }
    Beneath removeBeneath(const QString& base, const QStringList& inside, const FolderIdentities& kept,
        bool mayBeFolder, QString* reason) override
    {
        const QString path = base + u'/' + inside.join(u'/');
        asked << path;
        return refused.contains(path) ? Beneath::Failed
                                      : FileSystem::removeBeneath(base, inside, kept, mayBeFolder, reason);
    }
    QStringList refused;
    QStringList asked;
};

const QString kSuccess = QStringLiteral("Velmora has removed the junk successfully!");
const QString kNothingTicked = QStringLiteral("Please select items to remove!");
const QString kNoRows
    = QStringLiteral("There are no junk items to be removed. Please scan your system and try again!");

class FixPage : public ResultsFixture {
protected:
    FixPage()
    {
        FileSystem::setCurrent(&fileSystem);
        m_controller.fixPageCreateUI();
        // The shipped definitions with every system folder moved into the sandbox.
        Locations locations = sandbox.locations();
        locations.resourcesFolder = makeSandboxDefinitions(sandbox.root());
        sandbox.setLocations(locations);
    }
    ~FixPage() override { FileSystem::setCurrent(nullptr); }

    FixPageController& page() { return m_controller; }
    // What the window does when the fix page is asked for.
    void open()
    {
        m_page.resize(900, 700);
        m_page.show();
        page().populateFixPage();
        page().setUserIdSource([] { return uid_t(1000); });
        // No browser of the machine running the tests may add its warning.
        page().setProcessTableFolder(sandbox.makeFolder("proc"));
        QCoreApplication::processEvents();
    }
    void remove() { page().fixPageFixButton()->click(); }
    // Unticks a path as the user does, by clicking its check box.
    void untick(const QString& path)
    {
        MTUOutlineView& view = *page().fixOutlineView();
        const TreeNode* node = findNode(*page().treeData(), path);
        ASSERT_NE(node, nullptr);
        const QModelIndex index = page().model()->indexForNode(node);
        view.scrollTo(index);
        QCoreApplication::processEvents();
        ASSERT_FALSE(ResultsTreeModel::payloadOf(node)->iconRep().isNull()) << "shown rows have their box";
        const QPoint box
            = ImageAndTextCell::checkBoxHitBox(QRectF(view.visualRect(index)), QSizeF(view.iconSize()))
                  .center()
                  .toPoint();
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, box);
        ASSERT_FALSE(ResultsTreeModel::payloadOf(node)->isSelected());
    }
    static bool exists(const QString& path)
    {
        return QFileInfo(path).exists() || QFileInfo(path).isSymLink();
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
        EXPECT_TRUE(host.showOverviewPage);
        EXPECT_FALSE(host.reviewEnabled);
        EXPECT_FALSE(host.fixEnabled);
        host.calls.clear(); // so that each removal is judged on its own
    }
    void expectNothingChanged(const QStringList& paths)
    {
        for (const QString& path : paths)
            EXPECT_TRUE(exists(path)) << qPrintable(path);
        EXPECT_TRUE(resultsFileExists());
        EXPECT_EQ(UserDefaults::standardUserDefaults().integerForKey("ERRORS_FOUND"), 7);
        EXPECT_FALSE(UserDefaults::standardUserDefaults().contains("FIXED_COMPLETE_TIME"));
    }

    RefusingFileSystem fileSystem;
    FakePageHost host;

private:
    QWidget m_page;
    FixPageController m_controller { &m_page, host };
};

} // namespace

TEST_F(FixPage, RemovesEveryTickedPathAndReturnsToTheOverview)
{
    const QString file = sandbox.makeFile("home/.cache/opera/cookies.txt");
    const QString folder = sandbox.makeFolder("home/.cache/opera/cache");
    sandbox.makeFile("home/.cache/opera/cache/deep/entry");
    const QString keep = sandbox.makeFile("elsewhere/keep");
    const QString link = sandbox.path("home/.cache/opera/link");
    ASSERT_TRUE(QFile::link(sandbox.path("elsewhere"), link));
    writeResults(results({ { "Cookies", { file } }, { "Internet Cache", { folder, link + "/" } } }));
    open();
    EXPECT_EQ(page().fixPageTitleText()->text(), "Remove these Junk Files now!");
    EXPECT_EQ(page().fixPageFixButton()->text(), "Remove");
    EXPECT_EQ(page().fixPageFixButton()->normalImageName(), "ActionButton");
    EXPECT_EQ(page().fixPageFixButton()->hoverImageName(), "ActionButton-hover");

    remove();
    EXPECT_FALSE(exists(file));
    EXPECT_FALSE(exists(folder));
    EXPECT_FALSE(exists(link)) << "the link itself goes";
    EXPECT_TRUE(exists(keep)) << "what it points to stays";
    EXPECT_EQ(sandbox.alerts(), QStringList({ kSuccess }));
    EXPECT_TRUE(sandbox.logLines().isEmpty()) << qPrintable(sandbox.logLines().join(u'\n'));
    expectBackAtTheOverview();
}

TEST_F(FixPage, OnlyTheTickedPathsGoYetTheResultsAreDone)
{
    const QString a = sandbox.makeFile("home/.cache/opera/a"), b = sandbox.makeFile("home/.cache/opera/b"),
                  c = sandbox.makeFile("home/.cache/opera/c");
    writeResults(results({ { "Cookies", { a, b } }, { "History", { c } } }));
    open();
    for (const QString& path : { a, b, c })
        EXPECT_EQ(ResultsTreeModel::payloadOf(findNode(*page().treeData(), path))->iconRep().cacheKey(),
            Images::named("checked").cacheKey());
    EXPECT_TRUE(ResultsTreeModel::payloadOf(findNode(*page().treeData(), "Cookies"))->iconRep().isNull());

    untick(b);
    remove();
    EXPECT_FALSE(exists(a));
    EXPECT_TRUE(exists(b));
    EXPECT_FALSE(exists(c));
    EXPECT_EQ(fileSystem.asked, QStringList({ c, a, sandbox.locations().resultsFile() }))
        << "depth first, categories as shown";
    EXPECT_EQ(sandbox.alerts(), QStringList({ kSuccess }));
    expectBackAtTheOverview();
}

TEST_F(FixPage, NothingTickedOrNothingListedChangesNothing)
{
    UserDefaults::standardUserDefaults().setInteger(7, "ERRORS_FOUND");
    open();
    remove();
    EXPECT_EQ(sandbox.alerts(), QStringList({ kNoRows })) << "no results file";
    sandbox.clearRecords();

    writeResults(results({ { "Cookies", {} }, { "History", {} } }));
    open();
    EXPECT_EQ(page().model()->rowCount(), 1);
    remove();
    EXPECT_EQ(sandbox.alerts(), QStringList({ kNothingTicked })) << "only the Junk Items row";
    sandbox.clearRecords();

    const QString a = sandbox.makeFile("home/.cache/opera/a"), b = sandbox.makeFile("home/.cache/opera/b");
    writeResults(results({ { "Cookies", { a, b } } }));
    open();
    untick(a);
    untick(b);
    remove();
    EXPECT_EQ(sandbox.alerts(), QStringList({ kNothingTicked }));
    EXPECT_TRUE(fileSystem.asked.isEmpty());
    expectNothingChanged({ a, b });
    EXPECT_TRUE(host.calls.isEmpty()) << "the page stays";
}

TEST_F(FixPage, FailedAndVanishedPathsAreLoggedAndTheRestGoes)
{
    const QString refused = sandbox.makeFile("home/.cache/opera/refused");
    const QString twice = sandbox.makeFile("home/.cache/opera/twice");
    const QString after = sandbox.makeFile("home/.cache/opera/after");
    const QString vanished = sandbox.path("home/.cache/opera/vanished");
    fileSystem.refused << refused;
    writeResults(results({ { "Cookies", { refused, vanished, twice, twice, after } } }));
    open();

    remove();
    EXPECT_TRUE(exists(refused));
    EXPECT_FALSE(exists(twice));
    EXPECT_FALSE(exists(after));
    EXPECT_EQ(sandbox.logLines(),
        QStringList({ "Cannot Remove file " + refused, "Cannot Remove file " + vanished,
            "Cannot Remove file " + twice }));
    EXPECT_EQ(
        sandbox.alerts(), QStringList({ "Velmora has removed 3 junk items. 1 items could not be removed." }));
    expectBackAtTheOverview();
}

TEST_F(FixPage, DatabasesThatHoldTheUsersDataAreCleanedNeverDeleted)
{
    const QString places = sandbox.makeFolder("home/.mozilla/firefox/a.default-release") + "/places.sqlite";
    BrowserDatabases::makePlaces(places);
    const QString webData = sandbox.makeFolder("home/.config/chromium/Default") + "/Web Data";
    BrowserDatabases::makeWebData(webData, BrowserDatabases::WebDataLayout::New);
    const QString history = sandbox.makeFile("home/.config/chromium/Default/History");
    const QString notADatabase
        = sandbox.makeFile("home/.mozilla/firefox/b.default/places.sqlite", "bookmarks");
    writeResults(
        results({ { "History", { places, history, notADatabase } }, { "Form Values", { webData } } }));
    open();

    remove();
    EXPECT_FALSE(exists(history));
    EXPECT_EQ(BrowserDatabases::rows(places, "SELECT count(*) FROM moz_bookmarks WHERE fk NOT NULL"),
        QStringList { "4" });
    EXPECT_EQ(BrowserDatabases::rows(places, "SELECT count(*) FROM moz_historyvisits"), QStringList { "0" });
    EXPECT_EQ(BrowserDatabases::rows(webData, "SELECT count(*) FROM autofill"), QStringList { "0" });
    EXPECT_EQ(BrowserDatabases::rows(webData, "SELECT guid FROM addresses"), QStringList { "addr-1" });
    QFile left(notADatabase);
    ASSERT_TRUE(left.open(QIODevice::ReadOnly)) << "no fallback to deleting";
    EXPECT_EQ(left.readAll(), "bookmarks");
    EXPECT_EQ(
        sandbox.logLines(), QStringList { "Cannot clean " + notADatabase + ": file is not a database" });
    EXPECT_TRUE(fileSystem.asked.contains(history) && !fileSystem.asked.contains(places)
        && !fileSystem.asked.contains(webData) && !fileSystem.asked.contains(notADatabase));
    EXPECT_EQ(
        sandbox.alerts(), QStringList({ "Velmora has removed 3 junk items. 1 items could not be removed." }));
    expectBackAtTheOverview();
}

// Paths of a damaged or edited results file. "{R}" is the sandbox root, which
// stands for "/", "{H}" the home below it; the sandbox definitions name
// ~/.cache/opera, the file ~/.config/opera/Network/Cookies, ~/.cache/thumbnails,
// {R}/var/log and the file {R}/var/cache/apt/pkgcache.bin among others.
TEST_F(FixPage, RemovesOnlyStrictlyInsideTheScannedFolders)
{
    Locations locations = sandbox.locations();
    locations.home = sandbox.makeFolder("home/user");
    sandbox.setLocations(locations);
    const QString R = sandbox.root(), H = locations.home;
    const auto expand = [&](QString text) { return text.replace("{R}", R).replace("{H}", H); };
    const QStringList everywhere { H + "/Documents/thesis.odt", H + "/.cache/opera/keep",
        R + "/outside/canary", R + "/etc/shadow", R + "/var/log/keep.log" };

    enum Outcome { Goes, Refused, Fails };
    struct Row {
        const char* written;
        Outcome outcome;
        QStringList canaries; // besides those that survive every row
        std::function<void()> arrange = [] {};
        const char* category = "Cookies";
        bool root = false;
    };
    const auto file = [&](const QString& path) {
        return [&, path] { sandbox.makeFile(expand(path).mid(R.size() + 1)); };
    };
    const auto link = [&](const QString& at, const QString& to) {
        return [&, at, to] { ASSERT_TRUE(QFile::link(expand(to), expand(at))); };
    };
    const Row rows[] = {
        { "/{H}", Refused, {} },
        { "{H}/", Refused, {} },
        { "~", Refused, {} },
        { "{H}/.cache/../..", Refused, {} },
        { "{H}/.cache/opera/./keep", Refused, {} },
        { "{R}/home", Refused, {} },
        { "{R}", Refused, {} },
        { "{H}/.cache/opera", Refused, {} },
        { "~/.cache/opera/", Refused, {} },
        { "{H}/.cache/opera-other/x", Refused, { "{H}/.cache/opera-other/x" },
            file("{H}/.cache/opera-other/x") },
        { "~/.cache/thumbnails-other/x", Refused, { "{H}/.cache/thumbnails-other/x" },
            file("{H}/.cache/thumbnails-other/x"), "System Cache" },
        { "{H}/.cache/opera/away/canary", Refused, {}, link("{H}/.cache/opera/away", "{R}/outside") },
        { "{H}/.cache/opera/deep/away/canary", Refused, {},
            [&] {
                sandbox.makeFolder(QStringLiteral("home/user/.cache/opera/deep"));
                link("{H}/.cache/opera/deep/away", "{R}/outside")();
            } },
        { "{H}/.cache/opera/to-outside", Goes, {}, link("{H}/.cache/opera/to-outside", "{R}/outside") },
        { "{H}/.cache/opera/to-outside/", Goes, {}, link("{H}/.cache/opera/to-outside", "{R}/outside") },
        { "{H}/.cache/opera/Cache", Goes, {},
            [&] {
                file("{H}/.cache/opera/Cache/data/a")();
                link("{H}/.cache/opera/Cache/data/pictures", "{R}/outside")();
            } },
        { "{H}//.cache/opera/caf\u00e9 \u2615", Goes, {}, file("{H}/.cache/opera/caf\u00e9 \u2615") },
        { "{H}/.cache/opera/it's \"odd\"\n.log", Goes, {}, file("{H}/.cache/opera/it's \"odd\"\n.log") },
        { "~/.config/opera/Network/Cookies", Goes, {}, file("{H}/.config/opera/Network/Cookies") },
        { "{H}/.config/opera/Network/Cookies", Refused, { "{H}/.config/opera/Network/Cookies/inside" },
            file("{H}/.config/opera/Network/Cookies/inside") },
        { "~/.cache/thumbnails/normal/a.png", Goes, {}, file("{H}/.cache/thumbnails/normal/a.png"),
            "System Cache" },
        { "{H}/.cache/opera/gone", Fails, {} },
        { "{R}/var/log/app.log", Goes, {}, file("{R}/var/log/app.log"), "System Logs", true },
        { "{R}/var/log/away/shadow", Refused, {}, link("{R}/var/log/away", "{R}/etc"), "System Logs", true },
        { "{R}/var/log", Refused, {}, [] {}, "System Logs", true },
        { "{R}/var", Refused, {}, [] {}, "System Logs", true },
        { "{R}/var/cache/apt/pkgcache.bin", Goes, {}, file("{R}/var/cache/apt/pkgcache.bin"), "System Cache",
            true },
    };
    for (const Row& row : rows) {
        const QString written = expand(QString::fromUtf8(row.written));
        SCOPED_TRACE(written.toStdString());
        for (const QString& canary : everywhere)
            sandbox.makeFile(canary.mid(R.size() + 1));
        row.arrange();
        sandbox.clearRecords();
        writeResults(results({ { QString::fromLatin1(row.category), { written } } }));
        open();
        page().setIsRootUser(false);
        page().setUserIdSource([root = row.root] { return uid_t(root ? 0 : 1000); });
        EXPECT_EQ(host.secured, row.root) << "no password for the user's own items";

        remove();
        for (const QString& canary : everywhere + row.canaries)
            EXPECT_TRUE(exists(expand(canary))) << qPrintable(canary);
        QString shown = locations.expandTilde(written);
        while (shown.endsWith(u'/'))
            shown.chop(1);
        QStringList lines = sandbox.logLines();
        lines.removeIf(
            [](const QString& line) { return !line.startsWith("Refused") && !line.startsWith("Cannot"); });
        switch (row.outcome) {
        case Goes:
            EXPECT_FALSE(exists(shown));
            EXPECT_EQ(lines, QStringList());
            break;
        case Refused:
            ASSERT_EQ(lines.size(), 1) << qPrintable(lines.join(u'\n'));
            EXPECT_TRUE(lines.first().startsWith("Refused outside the scanned folders: " + shown + " ("))
                << qPrintable(lines.first());
            EXPECT_EQ(sandbox.alerts(),
                QStringList({ "Velmora has removed 0 junk items. 1 items could not be removed." }));
            break;
        case Fails:
            EXPECT_EQ(lines, QStringList({ "Cannot Remove file " + shown }));
            break;
        }
        if (row.outcome != Refused) {
            EXPECT_EQ(sandbox.alerts(), QStringList({ kSuccess }));
        }
    }
}

TEST_F(FixPage, ShowsWhatTheTickedPathsFree)
{
    const QString big = sandbox.makeFile("home/.cache/opera/big", QByteArray(4000, 'x'));
    const QString small = sandbox.makeFile("home/.cache/opera/small", QByteArray(200, 'x'));
    writeResults(results({ { "Cookies", { big, small } } }));
    open();
    waitForSizes(*page().model());
    EXPECT_EQ(page().fixPageTotalSizeText()->text(), ResultsTreeModel::formattedSize(4200) + " can be freed");
    untick(big);
    EXPECT_EQ(page().fixPageTotalSizeText()->text(), ResultsTreeModel::formattedSize(200) + " can be freed");
    EXPECT_EQ(page().fixPageTitleText()->text(), "Remove these Junk Files now!");
}

TEST_F(FixPage, NamesTheRunningBrowsersBeforeAnythingElse)
{
    Locations locations = sandbox.locations();
    locations.resourcesFolder = sandbox.makeFolder("resources");
    sandbox.setLocations(locations);
    sandbox.makeFolder("resources/definitions");
    ASSERT_TRUE(PropertyList::writeXml(QVariantMap { { "Browser Bundle Identifier",
                                           QVariantMap { { "Firefox ESR", "firefox-esr" },
                                               { "Chromium", "chromium" }, { "Opera", "opera" } } } },
        locations.definitionFile("InternetCachePaths")));
    open();
    FakeProcessTable processes(sandbox.path("proc"));
    processes.add(100, "/usr/lib/firefox-esr/firefox-esr");
    processes.add(101, "/usr/lib/firefox-esr/firefox-esr");
    processes.add(102, {}, "chromium");
    processes.add(103, "/usr/bin/bash");

    remove();
    EXPECT_EQ(sandbox.alerts(),
        QStringList({ "The following browsers must be closed before removing junk items. If the browsers are "
                      "not closed, Velmora may not remove entire Web History.\n\nChromium, Firefox ESR ",
            kNoRows }));
}

namespace {

bool processExists(qint64 pid)
{
    return ::kill(pid_t(pid), 0) == 0;
}

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

// The fix page with system logs and caches in folders of the sandbox, which the
// helper started by the stand-in for pkexec may remove from.
class PrivilegedFixPage : public FixPage {
protected:
    PrivilegedFixPage()
    {
        logs = sandbox.makeFolder("var/log");
        caches = sandbox.makeFolder("var/cache/fontconfig");
        standIn.setRoots({ logs }, { caches });
    }
    // The lines of the authorisation and of the authorised runs, in order.
    QStringList authorisationLines() const
    {
        static const QStringList prefixes { "OS Is", "Copy Rights", "Error Creating Initial Authorization",
            "Error from AuthorizationExecuteWithPrivileges", "in Method stringByLaunchingPath" };
        QStringList lines;
        for (const QString& line : sandbox.logLines()) {
            if (std::any_of(prefixes.cbegin(), prefixes.cend(),
                    [&line](const QString& prefix) { return line.startsWith(prefix); }))
                lines << line;
        }
        return lines;
    }

    ElevationStandIn standIn { sandbox };
    QString logs, caches;
};

const QString kLaunch = QStringLiteral("in Method stringByLaunchingPath");

} // namespace

TEST_F(PrivilegedFixPage, RemovesTheTickedPrivilegedPathsThroughTheHelper)
{
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
    standIn.runsHelper();
    open();
    untick(unticked);

    remove();
    for (const QString& path : { cookie, cacheFile, oddLog, emptiedFolder })
        EXPECT_FALSE(exists(path)) << qPrintable(path) << " (files go before folders)";
    EXPECT_TRUE(exists(inFullFolder)) << "folders go only when empty";
    EXPECT_TRUE(exists(unticked));
    EXPECT_TRUE(exists(planted)) << "in the home, yet outside the folders the scan walks";
    EXPECT_TRUE(std::any_of(sandbox.logLines().cbegin(), sandbox.logLines().cend(), [&](const QString& line) {
        return line.startsWith("Refused outside the scanned folders: " + planted);
    }));
    EXPECT_EQ(sorted(page().lockedFileArray().value_or(QStringList())), sorted({ cacheFile, oddLog }))
        << "nothing of the home goes to root";
    EXPECT_EQ(
        sorted(page().lockedDirectoryArray().value_or(QStringList())), sorted({ emptiedFolder, fullFolder }));
    EXPECT_TRUE(page().isAuthenticated());
    EXPECT_EQ(
        authorisationLines(), QStringList({ "OS Is LeaPard", "Copy Rights Successful: ", kLaunch, kLaunch }));
    EXPECT_EQ(
        sandbox.alerts(), QStringList({ "Velmora has removed 4 junk items. 2 items could not be removed." }));
    expectBackAtTheOverview();

    ASSERT_EQ(standIn.starts().size(), 1);
    EXPECT_FALSE(processExists(standIn.starts().first())) << "the grant ends with the click";
    EXPECT_EQ(page().authRef(), nullptr);
}

TEST_F(PrivilegedFixPage, WithoutAuthorisationEverythingElseIsStillRemoved)
{
    struct Row {
        const char* name;
        std::function<void()> arrange;
        int starts;
        QStringList lines;
    };
    const Row rows[] = {
        { "dismissed", [this] { standIn.exitsWith(126); }, 1,
            { "OS Is LeaPard", "Copy Rights Unsuccessful: 126" } },
        { "no elevation command", [this] { QFile::remove(sandbox.locations().elevationCommand); }, 0,
            { "OS Is LeaPard", "Error Creating Initial Authorization: -4", "Copy Rights Unsuccessful: -4" } },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        sandbox.clearRecords();
        const int startsBefore = int(standIn.starts().size());
        const QString cookie = sandbox.makeFile("home/.cache/opera/cookie");
        const QString cache = sandbox.makeFile("var/cache/fontconfig/file");
        const QString cacheFolder = sandbox.makeFolder("var/cache/fontconfig/folder");
        writeResults(results({ { "Cookies", { cookie } }, { "System Cache", { cache, cacheFolder } } }));
        row.arrange();
        open();
        ASSERT_TRUE(host.secured);

        remove();
        EXPECT_FALSE(exists(cookie));
        EXPECT_TRUE(exists(cache));
        EXPECT_TRUE(exists(cacheFolder));
        EXPECT_FALSE(page().isAuthenticated());
        EXPECT_FALSE(page().isRootUser());
        EXPECT_EQ(standIn.starts().size() - startsBefore, row.starts);
        EXPECT_EQ(authorisationLines(), row.lines);
        EXPECT_FALSE(host.secured);
        EXPECT_EQ(sandbox.alerts(),
            QStringList({ "Velmora has removed 1 junk items. 2 items could not be removed." }));
        expectBackAtTheOverview();
    }
}

TEST_F(PrivilegedFixPage, EachClickAsksOnceAndEndsItsGrant)
{
    standIn.runsHelper();
    struct Row {
        const char* name;
        bool ticked;
        QStringList alerts;
    };
    const Row rows[] = {
        { "first click", true, { kSuccess } },
        { "second click", true, { kSuccess } },
        { "nothing ticked", false, { "Please select items to remove!" } },
    };
    qsizetype click = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        sandbox.clearRecords();
        const QString log = sandbox.makeFile(QStringLiteral("var/log/%1.log").arg(click));
        writeResults(results({ { "System Logs", { log } } }));
        open();
        if (!row.ticked)
            untick(log);

        remove();
        EXPECT_EQ(exists(log), !row.ticked);
        ASSERT_EQ(standIn.starts().size(), ++click);
        EXPECT_FALSE(processExists(standIn.starts().last()));
        EXPECT_EQ(
            authorisationLines().mid(0, 2), QStringList({ "OS Is LeaPard", "Copy Rights Successful: " }));
        EXPECT_EQ(sandbox.alerts(), row.alerts);
    }
}

TEST_F(PrivilegedFixPage, AHelperLostDuringTheRunIsLoggedAndTheFoldersAreNotTried)
{
    // Answers that it is ready, then ends at the first request.
    standIn.writeScript("printf 'ready 1\\n1'\nhead -c 1 >/dev/null\n");
    const QString log = sandbox.makeFile("var/log/old.log");
    const QString folder = sandbox.makeFolder("var/log/empty");
    writeResults(results({ { "System Logs", { log, folder } } }));
    open();

    remove();
    EXPECT_TRUE(exists(log));
    EXPECT_TRUE(exists(folder));
    EXPECT_EQ(authorisationLines(),
        QStringList({ "OS Is LeaPard", "Copy Rights Successful: ", kLaunch,
            "Error from AuthorizationExecuteWithPrivileges: -2" }));
    EXPECT_EQ(
        sandbox.alerts(), QStringList({ "Velmora has removed 0 junk items. 2 items could not be removed." }));
    expectBackAtTheOverview();
}

TEST_F(PrivilegedFixPage, TheSuperuserRemovesPrivilegedPathsItselfWithoutAHelper)
{
    const QString cache = sandbox.makeFile("var/cache/fontconfig/file");
    const QString logFolder = sandbox.makeFolder("var/log/app");
    sandbox.makeFile("var/log/app/old.log");
    writeResults(results({ { "System Cache", { cache } }, { "System Library Logs", { logFolder } } }));
    standIn.runsHelper();
    open();
    page().setUserIdSource([] { return uid_t(0); });

    remove();
    EXPECT_TRUE(page().isRootUser());
    EXPECT_TRUE(page().isAuthenticated());
    EXPECT_FALSE(exists(cache));
    EXPECT_FALSE(exists(logFolder));
    EXPECT_TRUE(standIn.starts().isEmpty());
    EXPECT_EQ(page().lockedFileArray(), QStringList());
    EXPECT_EQ(page().lockedDirectoryArray(), QStringList());
    EXPECT_EQ(authorisationLines(), QStringList({ "OS Is LeaPard", "Copy Rights Successful: " }));
    EXPECT_EQ(sandbox.alerts(), QStringList({ kSuccess }));
    expectBackAtTheOverview();
}
