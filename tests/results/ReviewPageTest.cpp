#include "results/ResultsFixture.h"
#include "results/ResultsTreeModel.h"
#include "results/ReviewPageController.h"
#include "results/SimpleNodeData.h"
#include "results/TreeNode.h"
#include "shell/FakePageHost.h"

#include <QFile>
#include <QLabel>
#include <QTreeView>
#include <QWidget>

#include <unistd.h>

using ReviewPage = ResultsFixture;

// Totals count every byte once, as du does, whatever the list repeats; the
// title counts what the stored results list, though no scan ran in this process.
TEST_F(ReviewPage, TotalsCountEveryByteOnceAndTheTitleCountsTheStoredPaths)
{
    const QString folder = sandbox.makeFolder("home/.cache/app/folder");
    const QString inside = sandbox.makeFile("home/.cache/app/folder/inside", QByteArray(100, 'x'));
    sandbox.makeFile("home/.cache/app/folder/more", QByteArray(1000, 'x'));
    const QString file = sandbox.makeFile("home/.cache/app/file", QByteArray(10, 'x'));
    const QString hardLink = sandbox.path("home/.cache/app/hard-link");
    ASSERT_EQ(::link(QFile::encodeName(file).constData(), QFile::encodeName(hardLink).constData()), 0);
    const QString symlink = sandbox.path("home/.cache/app/symlink");
    ASSERT_TRUE(QFile::link(folder, symlink));
    const qint64 linkSize = QFile::encodeName(folder).size(); // a link holds its target's name

    struct Row {
        const char* name;
        QVariantMap results;
        QStringList unticked;
        QStringList totals; // "group=bytes"
        qint64 ticked;
    };
    const Row rows[] = {
        { "a folder and a file in it", results({ { "Internet Cache", { folder, inside } } }), {},
            { "Junk Items=1100", "Internet Cache=1100" }, 1100 },
        { "the folder unticked", results({ { "Internet Cache", { folder, inside } } }), { folder },
            { "Internet Cache=1100" }, 100 },
        { "the file listed in another category",
            results({ { "Internet Cache", { folder } }, { "Cookies", { inside } } }), {},
            { "Junk Items=1100", "Internet Cache=1100", "Cookies=0" }, 1100 },
        { "five spellings of one file",
            results({ { "Cookies",
                { inside, folder + "//inside/", folder + "/./inside", folder + "/../folder/inside",
                    "~/.cache/app/folder/inside" } } }),
            {}, { "Cookies=100" }, 100 },
        { "two links of one file", results({ { "Cookies", { file, hardLink } } }), {}, { "Cookies=10" }, 10 },
        { "a link to a folder, and a file behind it",
            results({ { "Cookies", { symlink + "/", symlink + "/inside" } } }), {},
            { QString("Cookies=%1").arg(linkSize + 100) }, linkSize + 100 },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        writeResults(row.results);
        FakePageHost host;
        QWidget window;
        ReviewPageController page(&window, host);
        page.populateReviewPage();
        page.updateTitleText();
        auto& model = *qobject_cast<ResultsTreeModel*>(page.reviewOutlineView()->model());
        int listed = 0;
        for (const QVariant& paths : row.results)
            listed += int(paths.toList().size());
        EXPECT_EQ(page.reviewPageTitleText()->text(),
            QString("Velmora has found %1 Junk Items on your system").arg(listed));

        waitForSizes(model);
        for (const QString& path : row.unticked) {
            TreeNode* node = findNode(*model.root(), path);
            ResultsTreeModel::payloadOf(node)->setSelected(false);
            model.reloadItem(node);
        }
        for (const QString& total : row.totals) {
            const TreeNode* group = findNode(*model.root(), total.section(u'=', 0, 0));
            EXPECT_EQ(ResultsTreeModel::payloadOf(group)->byteSize(), total.section(u'=', 1).toLongLong())
                << qPrintable(total);
        }
        EXPECT_EQ(model.tickedBytes(), row.ticked);
    }
}
