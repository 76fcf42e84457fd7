#pragma once

#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

#include <sys/types.h>

class ImageAndTextCell;
class MTUOutlineView;
class QLabel;
class QPushButton;
class QWidget;
class ResultsTreeModel;
class SimpleTreeNode;
class TreeNode;
namespace Ui {
class FixPage;
}

// The fix page: the results tree with a check box before every path, and
// the removal of the ticked paths. Paths the user may remove go at once;
// those of the privileged categories are collected for one authorised run.
class FixPageController final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FixPageController)

public:
    explicit FixPageController(QWidget* page, QObject* parent = nullptr);
    ~FixPageController() override;

    void fixPageCreateUI();
    // Builds a fresh tree from the results file, every leaf ticked.
    void populateFixPage();
    // The Remove button: warn, authorise, remove, report, return to the overview.
    void fixPageFixButtonClick();
    // One removal pass over the node's subtree; answers whether any pass
    // since the page was filled met a ticked path.
    bool removeDeletableFile(TreeNode* node);
    // Removes a path with the user's own rights; a failure is logged and passed over.
    void removeFile(const QString& path);
    bool isRootUser() const { return m_isRootUser; }
    void setIsRootUser(bool isRootUser) { m_isRootUser = isRootUser; }
    void expandAll();
    void collapseAll();
    // Gives a leaf its check box the first time it is shown.
    void outlineViewWillDisplayCell(TreeNode& item);

    void showSystemPasswordDialogPage();
    bool removePreviligeFiles();
    void destroyRights();
    bool isRunningOnTiger() const;
    void alerForRunningBrowser();

    // The user id the procedure checks for the superuser; getuid unless a test says otherwise.
    void setUserIdSource(std::function<uid_t()> source) { m_userId = std::move(source); }

    SimpleTreeNode* treeData() const { return m_treeData.get(); }
    ResultsTreeModel* model() const { return m_model; }
    MTUOutlineView* fixOutlineView() const;
    QLabel* fixPageTitleText() const;
    QLabel* fixPageTotalSizeText() const;
    QPushButton* fixPageFixButton() const;
    bool bItemsSelected() const { return m_bItemsSelected; }
    bool isAuthenticated() const { return m_isAuthenticated; }
    const std::optional<QStringList>& lockedFileArray() const { return m_lockedFileArray; }
    const std::optional<QStringList>& lockedDirectoryArray() const { return m_lockedDirectoryArray; }

private:
    void showReclaimableSize(qint64 bytes);
    // How many distinct ticked paths are gone, and how many are still there.
    std::pair<int, int> tickedPathsGoneAndLeft() const;

    std::unique_ptr<Ui::FixPage> m_ui;
    std::shared_ptr<SimpleTreeNode> m_treeData;
    bool m_bItemsSelected = false;
    std::optional<QStringList> m_lockedFileArray;
    std::optional<QStringList> m_lockedDirectoryArray;
    // The administrator's authorisation while it is held.
    std::unique_ptr<QObject> m_authRef;
    bool m_isAuthenticated = false;
    bool m_isRootUser = false;
    ResultsTreeModel* m_model;
    ImageAndTextCell* m_cell;
    std::function<uid_t()> m_userId;
};
