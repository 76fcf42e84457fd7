#include "removal/FixPageController.h"
#include "platform/DateFormat.h"
#include "platform/FileSystem.h"
#include "platform/Images.h"
#include "platform/UserDefaults.h"
#include "results/ImageAndTextCell.h"
#include "results/MTUOutlineView.h"
#include "results/ResultsFixture.h"
#include "results/ResultsTreeModel.h"
#include "results/SimpleNodeData.h"
#include "results/SimpleTreeNode.h"
#include "shell/ApplicationController.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>

#include <cstdlib>

namespace {

// Refuses to remove the paths it is told, and remembers every removal asked of it.
class RefusingFileSystem final : public FileSystem {
public:
    bool removeItem(const QString& path, QString* error) override
    {
        asked << path;
        return !refused.contains(path) && FileSystem::removeItem(path, error);
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
    FixPage() { FileSystem::setCurrent(&fileSystem); }
    ~FixPage() override { FileSystem::setCurrent(nullptr); }

    FixPageController& page() { return *application().fixPageController(); }
    void open()
    {
        application().window()->resize(900, 700);
        application().window()->show();
        application().showFixPage();
        page().setUserIdSource([] { return uid_t(1000); });
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
        EXPECT_EQ(application().pagesTabView()->currentIndex(), int(ApplicationController::OverviewPage));
        EXPECT_TRUE(application().showOverviewPage());
        EXPECT_FALSE(application().reviewButton()->isEnabled());
        EXPECT_FALSE(application().fixButton()->isEnabled());
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
};

} // namespace

TEST_F(FixPage, RemovesEveryTickedPathAndReturnsToTheOverview)
{
    const QString file = sandbox.makeFile("junk/cookies.txt");
    const QString folder = sandbox.makeFolder("junk/cache");
    sandbox.makeFile("junk/cache/deep/entry");
    const QString keep = sandbox.makeFile("elsewhere/keep");
    const QString link = sandbox.path("junk/link");
    ASSERT_TRUE(QFile::link(sandbox.path("elsewhere"), link));
    writeResults(results({ { "Cookies", { file } }, { "Internet Cache", { folder, link + "/" } } }));
    open();
    EXPECT_EQ(page().fixPageTitleText()->text(), "Remove these Junk Files now!");
    EXPECT_EQ(page().fixPageFixButton()->text(), "Remove");

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
    const QString a = sandbox.makeFile("junk/a"), b = sandbox.makeFile("junk/b"),
                  c = sandbox.makeFile("junk/c");
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

    const QString a = sandbox.makeFile("junk/a"), b = sandbox.makeFile("junk/b");
    writeResults(results({ { "Cookies", { a, b } } }));
    open();
    untick(a);
    untick(b);
    remove();
    EXPECT_EQ(sandbox.alerts(), QStringList({ kNothingTicked }));
    EXPECT_TRUE(fileSystem.asked.isEmpty());
    expectNothingChanged({ a, b });
    EXPECT_EQ(application().pagesTabView()->currentIndex(), int(ApplicationController::FixPage));
}

TEST_F(FixPage, WithoutAnAdministratorPrivilegedPathsStayAndTheAlertSaysSo)
{
    const QString cookie = sandbox.makeFile("junk/cookie");
    const QString cache = sandbox.makeFile("system/cache/file");
    const QString cacheFolder = sandbox.makeFolder("system/cache/folder");
    writeResults(results({ { "Cookies", { cookie } }, { "System Cache", { cache, cacheFolder } } }));
    open();
    ASSERT_TRUE(application().securedJunkItemsFound());

    remove();
    EXPECT_FALSE(exists(cookie));
    EXPECT_TRUE(exists(cache));
    EXPECT_TRUE(exists(cacheFolder));
    EXPECT_FALSE(page().isAuthenticated());
    EXPECT_FALSE(page().isRootUser());
    EXPECT_FALSE(page().lockedFileArray().has_value()) << "nothing is collected for a run that cannot happen";
    EXPECT_FALSE(application().securedJunkItemsFound());
    EXPECT_EQ(
        sandbox.alerts(), QStringList({ "Velmora has removed 1 junk items. 2 items could not be removed." }));
    expectBackAtTheOverview();
}

TEST_F(FixPage, TheSuperuserRemovesPrivilegedPathsDirectly)
{
    const QString cache = sandbox.makeFile("system/cache/file");
    const QString logs = sandbox.makeFolder("system/logs");
    sandbox.makeFile("system/logs/old.log");
    writeResults(results({ { "System Cache", { cache } }, { "System Library Logs", { logs } } }));
    open();
    page().setUserIdSource([] { return uid_t(0); });

    remove();
    EXPECT_TRUE(page().isRootUser());
    EXPECT_FALSE(exists(cache));
    EXPECT_FALSE(exists(logs));
    EXPECT_EQ(sandbox.alerts(), QStringList({ kSuccess }));
    expectBackAtTheOverview();
}

TEST_F(FixPage, FailedAndVanishedPathsAreLoggedAndTheRestGoes)
{
    const QString refused = sandbox.makeFile("junk/refused");
    const QString twice = sandbox.makeFile("junk/twice");
    const QString after = sandbox.makeFile("junk/after");
    const QString vanished = sandbox.path("junk/vanished");
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

TEST_F(FixPage, RemovalRefusesNamesThatDoNotSayWhatTheyRemove)
{
    open();
    const QString home = sandbox.locations().home;
    sandbox.makeFile("home/inside");
    const QString previousFolder = QDir::currentPath();
    QDir::setCurrent(home);
    for (const QString& path : { QStringLiteral("inside"), QStringLiteral("/"), QStringLiteral("~"), home,
             QString::fromUtf8("/tmp\0/x", 7) }) {
        sandbox.clearRecords();
        page().removeFile(path);
        EXPECT_EQ(sandbox.logLines().size(), 1) << qPrintable(path);
        EXPECT_TRUE(sandbox.logLines().value(0).startsWith("Cannot Remove file ")) << qPrintable(path);
    }
    QDir::setCurrent(previousFolder);
    EXPECT_TRUE(fileSystem.asked.isEmpty());
    EXPECT_TRUE(exists(home + "/inside"));
}

TEST_F(FixPage, ShowsWhatTheTickedPathsFree)
{
    const QString big = sandbox.makeFile("junk/big", QByteArray(4000, 'x'));
    const QString small = sandbox.makeFile("junk/small", QByteArray(200, 'x'));
    writeResults(results({ { "Cookies", { big, small } } }));
    open();
    waitForSizes(*page().model());
    EXPECT_EQ(page().fixPageTotalSizeText()->text(), ResultsTreeModel::formattedSize(4200) + " can be freed");
    untick(big);
    EXPECT_EQ(page().fixPageTotalSizeText()->text(), ResultsTreeModel::formattedSize(200) + " can be freed");
    EXPECT_EQ(page().fixPageTitleText()->text(), "Remove these Junk Files now!");
}
