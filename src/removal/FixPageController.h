#pragma once

#include "removal/RemovalRun.h"

#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

#include <sys/types.h>

class ImageAndTextCell;
class MTUButton;
class MTUOutlineView;
class QLabel;
class PageHost;
class RemovalConfinement;
class QTimer;
class QWidget;
class ResultsTreeModel;
class SimpleTreeNode;
class TreeNode;
namespace Ui {
class FixPage;
}

// The fix page: the results tree with a check box before every path, and
// the removal of the ticked paths. The removal runs off the main thread (see
// RemovalRun) while the page shows how far it got; paths the user may remove
// go at once, those of the privileged categories are collected for one
// authorised run, and the closing alert comes when everything has ended.
class FixPageController final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FixPageController)

public:
    FixPageController(QWidget* page, PageHost& host, QObject* parent = nullptr);
    // Waits for a running removal to finish the path it is at, then stop.
    ~FixPageController() override;

    void fixPageCreateUI();
    // Builds a fresh tree from the results file, every leaf ticked.
    void populateFixPage();
    // The Remove button: warn, then start the removal of what is ticked; the
    // report and the return to the overview follow when it ends.
    void fixPageFixButtonClick();
    bool isRemoving() const { return bool(m_run); }
    // Thread-safe: a running removal finishes its current path and stops,
    // with no closing alert; the results file stays, holding what is left.
    void cancelRemoval();
    bool isRootUser() const { return m_isRootUser; }
    void setIsRootUser(bool isRootUser) { m_isRootUser = isRootUser; }
    void expandAll();
    void collapseAll();
    // Gives a leaf its check box the first time it is shown.
    void outlineViewWillDisplayCell(TreeNode& item);
    // What a leaf's row adds to its path: whether removal cleans it rather than deleting it.
    QString removalNote(const TreeNode& leaf) const;

    // Ends the privileged helper, if one runs: a running removal is stopped
    // after its current path and waited for. Safe to call at any time.
    void destroyRights();
    bool isRunningOnTiger() const;
    // Names the running browsers in one alert before a removal.
    void alerForRunningBrowser();

    // The explanation of the password dialog and the name of the right it
    // grants. The dialog shows the polkit action's copy of both, which must
    // say the same in English.
    static QString passwordDialogMessage();
    static QString rightName();

    // The user id the procedure checks for the superuser; getuid unless a test says otherwise.
    void setUserIdSource(std::function<uid_t()> source) { m_userId = std::move(source); }
    // The process table the browser warning reads; /proc unless a test says otherwise.
    void setProcessTableFolder(const QString& folder) { m_processTableFolder = folder; }

    SimpleTreeNode* treeData() const { return m_treeData.get(); }
    ResultsTreeModel* model() const { return m_model; }
    MTUOutlineView* fixOutlineView() const;
    QLabel* fixPageTitleText() const;
    QLabel* fixPageTotalSizeText() const;
    MTUButton* fixPageFixButton() const;
    bool bItemsSelected() const { return m_bItemsSelected; }
    bool isAuthenticated() const { return m_isAuthenticated; }
    const std::optional<QStringList>& lockedFileArray() const { return m_lockedFileArray; }
    const std::optional<QStringList>& lockedDirectoryArray() const { return m_lockedDirectoryArray; }

Q_SIGNALS:
    // A removal has ended, stopped or not, and the page has said so.
    void removalFinished();

private:
    // The ticked leaves in the order the page lists them, depth first.
    QList<RemovalRun::TickedPath> tickedPaths() const;
    void finishRemoval();
    void showRemovalUnderWay(bool underWay);
    void showProgress();
    void showReclaimableSize(qint64 bytes);

    PageHost& m_host;
    std::unique_ptr<Ui::FixPage> m_ui;
    std::shared_ptr<SimpleTreeNode> m_treeData;
    bool m_bItemsSelected = false;
    std::optional<QStringList> m_lockedFileArray;
    std::optional<QStringList> m_lockedDirectoryArray;
    bool m_isAuthenticated = false;
    bool m_isRootUser = false;
    ResultsTreeModel* m_model;
    ImageAndTextCell* m_cell;
    QTimer* m_progressTimer;
    std::function<uid_t()> m_userId;
    QString m_processTableFolder = QStringLiteral("/proc");
    // The click under way, if any.
    std::unique_ptr<RemovalRun> m_run;
    // Knows which listed databases are cleaned rather than removed, for their rows.
    std::unique_ptr<RemovalConfinement> m_confinement;
};
