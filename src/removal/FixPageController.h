#pragma once

#include <QObject>
#include <QSet>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

#include <sys/types.h>

class AuthorizationSession;
class ImageAndTextCell;
class MTUButton;
class MTUOutlineView;
class QLabel;
class PageHost;
class RemovalConfinement;
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
    FixPageController(QWidget* page, PageHost& host, QObject* parent = nullptr);
    ~FixPageController() override;

    void fixPageCreateUI();
    // Builds a fresh tree from the results file, every leaf ticked.
    void populateFixPage();
    // The Remove button: warn, authorise, remove, report, return to the overview.
    void fixPageFixButtonClick();
    // One removal pass over the node's subtree; answers whether any pass
    // since the page was filled met a ticked path.
    bool removeDeletableFile(TreeNode* node);
    // Removes a path with the user's own rights, only inside the folders the
    // scan walks (see RemovalConfinement); a failure or refusal is logged and passed over.
    // A browser database listed under its own category is cleaned instead.
    void removeFile(const QString& path, const QString& category = QString());
    bool isRootUser() const { return m_isRootUser; }
    void setIsRootUser(bool isRootUser) { m_isRootUser = isRootUser; }
    void expandAll();
    void collapseAll();
    // Gives a leaf its check box the first time it is shown.
    void outlineViewWillDisplayCell(TreeNode& item);

    // Asks for an administrator's authorisation: at most one password dialog,
    // none while the helper of an earlier click still runs or when we are the
    // superuser. Leaves isAuthenticated telling whether it was granted.
    void showSystemPasswordDialogPage();
    // Has the authorised helper remove the collected files, then the collected
    // folders; false when a run could not be made (the folders are then not tried).
    bool removePreviligeFiles();
    // Ends the privileged helper, if one runs. Safe to call at any time.
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
    AuthorizationSession* authRef() const { return m_authRef.get(); }

private:
    void showReclaimableSize(qint64 bytes);
    // How many distinct ticked paths are gone, and how many are still there.
    std::pair<int, int> tickedPathsGoneAndLeft() const;
    // The rule of the current click, read from the definitions when first needed.
    const RemovalConfinement& confinement();
    void logRefused(const QString& path, const QString& reason);

    PageHost& m_host;
    std::unique_ptr<Ui::FixPage> m_ui;
    std::shared_ptr<SimpleTreeNode> m_treeData;
    bool m_bItemsSelected = false;
    std::unique_ptr<RemovalConfinement> m_confinement;
    // Refused by the rule this click: still junk, counted as left even when nothing is there.
    QSet<QString> m_refusedPaths;
    std::optional<QStringList> m_lockedFileArray;
    std::optional<QStringList> m_lockedDirectoryArray;
    // Created by the first request and kept, with its helper, until destroyRights.
    std::unique_ptr<AuthorizationSession> m_authRef;
    bool m_isAuthenticated = false;
    bool m_isRootUser = false;
    ResultsTreeModel* m_model;
    ImageAndTextCell* m_cell;
    std::function<uid_t()> m_userId;
    // Databases that hold the user's data as well are cleaned, not removed;
    // one cleaned in this click is still there but counts as removed.
    QSet<QString> m_cleanedDatabases;
    QString m_processTableFolder = QStringLiteral("/proc");
};
