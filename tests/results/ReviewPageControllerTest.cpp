#include "results/ReviewPageController.h"
#include "results/ResultsFixture.h"
#include "results/ResultsTreeModel.h"
#include "results/SimpleNodeData.h"
#include "results/SimpleTreeNode.h"
#include "shell/FakePageHost.h"
#include "shell/MTUButton.h"

#include <QLabel>
#include <QPushButton>
#include <QTreeView>

namespace {

class ReviewPage : public ResultsFixture {
protected:
    ReviewPage() { m_controller.reviewPageCreateUI(); }
    ReviewPageController& page() { return m_controller; }
    QTreeView& view() { return *page().reviewOutlineView(); }
    // What the window does when it shows the review page.
    void display()
    {
        page().updateTitleText();
        page().populateReviewPage();
    }

    FakePageHost host;

private:
    QWidget m_page;
    ReviewPageController m_controller { &m_page, host };
};

} // namespace

TEST_F(ReviewPage, ShowsTheResultsFileFullyExpandedUnderOneJunkItemsRow)
{
    writeResults(results({ { "Cookies", { "/c/1", "/c/2", "/c/1" } }, { "System Cache", { "/s/1" } } }));
    host.totalErrors = 4; // the scan's count, not the rows of the file
    display();

    EXPECT_EQ(page().reviewPageTitleText()->text(), "Velmora has found 4 Junk Items on your system");
    EXPECT_EQ(outline(*page().treeData()),
        QStringList({ "Junk Items:", "System Cache:", "/s/1", "Cookies:", "/c/1", "/c/2", "/c/1" }));
    EXPECT_TRUE(host.secured);

    const ResultsTreeModel& model = *page().model();
    ASSERT_EQ(model.rowCount(), 1);
    const QModelIndex junk = model.index(0, 0);
    EXPECT_TRUE(view().isExpanded(junk));
    for (int row = 0; row < model.rowCount(junk); ++row) {
        const QModelIndex category = model.index(row, 0, junk);
        EXPECT_TRUE(view().isExpanded(category)) << row;
        EXPECT_TRUE(view().isFirstColumnSpanned(row, junk)) << "group rows span the width";
        const QModelIndex path = model.index(0, 0, category);
        EXPECT_FALSE(view().isFirstColumnSpanned(0, category));
        EXPECT_FALSE(path.data(Qt::DecorationRole).isValid()) << "the review page shows no check boxes";
    }

    page().collapseAll();
    EXPECT_FALSE(view().isExpanded(junk));
    EXPECT_FALSE(view().isExpanded(model.index(0, 0, junk)));
    page().expandAll();
    EXPECT_TRUE(view().isExpanded(model.index(1, 0, junk)));
}

TEST_F(ReviewPage, WithoutResultsTheOutlineIsEmptyAndTheTitleStays)
{
    display();
    EXPECT_EQ(page().model()->rowCount(), 0);
    page().expandAll();
    page().collapseAll();
    EXPECT_EQ(page().reviewPageTitleText()->text(), "Velmora has found 0 Junk Items on your system");
    EXPECT_TRUE(sandbox.logLines().isEmpty());
}

TEST_F(ReviewPage, FixNowOpensTheFixPageWithItsOwnTree)
{
    writeResults(results({ { "Cookies", { "/c/1" } } }));
    display();
    EXPECT_EQ(page().reviewPageFixNowButton()->text(), "Fix Now!");
    EXPECT_EQ(page().reviewPageFixNowButton()->normalImageName(), "BackToScan");
    EXPECT_EQ(page().reviewPageFixNowButton()->hoverImageName(), "BackToScan-hover");
    page().reviewPageFixNowButton()->click();
    EXPECT_EQ(host.calls, QStringList { "showFixPage" });
}
