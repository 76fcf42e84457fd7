#include "results/ReviewPageController.h"
#include "results/ResultsFixture.h"
#include "results/ResultsTreeModel.h"
#include "results/SimpleNodeData.h"
#include "results/SimpleTreeNode.h"
#include "shell/FakePageHost.h"
#include "shell/MTUButton.h"

#include <QLabel>
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

TEST_F(ReviewPage, ShowsTheResultsFileFullyExpandedAndFixNowOpensTheFixPage)
{
    writeResults(results({ { "Cookies", { "/c/1", "/c/2", "/c/1" } }, { "System Cache", { "/s/1" } } }));
    host.totalErrors = 4; // the scan's count, not the rows of the file
    display();

    EXPECT_EQ(page().reviewPageTitleText()->text(), "Velmora has found 4 Junk Items on your system");
    EXPECT_EQ(outline(*page().treeData()),
        QStringList({ "Junk Items:", "System Cache:", "/s/1", "Cookies:", "/c/1", "/c/2", "/c/1" }));
    EXPECT_TRUE(host.secured);
    const ResultsTreeModel& model = *page().model();
    const QModelIndex junk = model.index(0, 0);
    for (const QModelIndex& group : { junk, model.index(0, 0, junk), model.index(1, 0, junk) })
        EXPECT_TRUE(view().isExpanded(group));
    EXPECT_FALSE(model.index(0, 0, model.index(0, 0, junk)).data(Qt::DecorationRole).isValid())
        << "the review page shows no check boxes";

    page().reviewPageFixNowButton()->click();
    EXPECT_EQ(host.calls, QStringList { "showFixPage" });
}
