#pragma once

#include <QObject>

#include <memory>

class ImageAndTextCell;
class MTUButton;
class QLabel;
class QTreeView;
class PageHost;
class QWidget;
class ResultsTreeModel;
class SimpleTreeNode;
namespace Ui {
class ReviewPage;
}

// The review page: what the last scan found, as an expanded outline under a
// title with the scan's count, and the way on to the fix page. It shows and
// removes nothing else.
class ReviewPageController final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ReviewPageController)

public:
    ReviewPageController(QWidget* page, PageHost& host, QObject* parent = nullptr);
    ~ReviewPageController() override;

    void reviewPageCreateUI();
    // The count of the paths the page lists: call it after populateReviewPage.
    void updateTitleText();
    // Builds a fresh tree from the results file and shows it fully expanded.
    void populateReviewPage();
    void reviewPageFixNowButtonClick();
    void expandAll();
    void collapseAll();

    SimpleTreeNode* treeData() const { return m_treeData.get(); }
    ResultsTreeModel* model() const { return m_model; }
    QTreeView* reviewOutlineView() const;
    QLabel* reviewPageTitleText() const;
    MTUButton* reviewPageFixNowButton() const;

private:
    PageHost& m_host;
    std::unique_ptr<Ui::ReviewPage> m_ui;
    std::shared_ptr<SimpleTreeNode> m_treeData;
    ResultsTreeModel* m_model;
    ImageAndTextCell* m_cell;
};
