#include "results/ReviewPageController.h"
#include "results/ResultsFixture.h"
#include "results/ResultsTreeModel.h"
#include "results/SimpleTreeNode.h"
#include "shell/FakePageHost.h"
#include "shell/MTUButton.h"

#include <QLabel>
#include <QTreeView>

using ReviewPage = ResultsFixture;

TEST_F(ReviewPage, ShowsTheResultsFileFullyExpandedAndFixNowOpensTheFixPage)
{
    writeResults(results({ { "Cookies", { "/c/1", "/c/2", "/c/1" } }, { "System Cache", { "/s/1" } } }));
    FakePageHost host;
    host.totalErrors = 4; // the scan's count, not the rows of the file
    QWidget parent;
    ReviewPageController page(&parent, host);
    page.reviewPageCreateUI();
    // What the window does when it shows the review page.
    page.updateTitleText();
    page.populateReviewPage();

    EXPECT_EQ(page.reviewPageTitleText()->text(), "Velmora has found 4 Junk Items on your system");
    EXPECT_EQ(outline(*page.treeData()),
        QStringList({ "Junk Items:", "System Cache:", "/s/1", "Cookies:", "/c/1", "/c/2", "/c/1" }));
    EXPECT_TRUE(host.secured);
    const ResultsTreeModel& model = *page.model();
    const QModelIndex junk = model.index(0, 0);
    for (const QModelIndex& group : { junk, model.index(0, 0, junk), model.index(1, 0, junk) })
        EXPECT_TRUE(page.reviewOutlineView()->isExpanded(group));
    EXPECT_FALSE(model.index(0, 0, model.index(0, 0, junk)).data(Qt::DecorationRole).isValid())
        << "the review page shows no check boxes";

    page.reviewPageFixNowButton()->click();
    EXPECT_EQ(host.calls, QStringList { "showFixPage" });
}
