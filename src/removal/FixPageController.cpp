#include "removal/FixPageController.h"

#include "platform/DateFormat.h"
#include "platform/FileSystem.h"
#include "platform/Images.h"
#include "platform/Localization.h"
#include "platform/Locations.h"
#include "platform/SystemLog.h"
#include "platform/UserDefaults.h"
#include "removal/AuthorizationSession.h"
#include "removal/BrowserDatabaseCleaner.h"
#include "removal/RemovalConfinement.h"
#include "removal/RunningBrowsers.h"
#include "removal/helper/HelperProtocol.h"
#include "results/ImageAndTextCell.h"
#include "results/MTUOutlineView.h"
#include "results/OutlineViewSupport.h"
#include "results/ResultsTreeModel.h"
#include "results/SimpleNodeData.h"
#include "results/SimpleTreeNode.h"
#include "shell/Accessibility.h"
#include "shell/MTUButton.h"
#include "shell/PageHost.h"
#include "support/OneLineTasksWithOutput.h"
#include "ui_FixPage.h"

#include <QFileInfo>
#include <QScopeGuard>
#include <QSet>

#include <unistd.h>

namespace {

const QString kProductName = QStringLiteral("Velmora");

// A dangling link is still there to remove, so existence is the link's own.
bool pathIsThere(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

} // namespace

FixPageController::FixPageController(QWidget* page, PageHost& host, QObject* parent)
    : QObject(parent)
    , m_host(host)
    , m_ui(std::make_unique<Ui::FixPage>())
    , m_model(new ResultsTreeModel(this))
    , m_cell(new ImageAndTextCell(this))
    , m_userId(&::getuid)
{
    m_ui->setupUi(page);
    OutlineViewSupport::setUp(*m_ui->fixOutlineView, *m_model, *m_cell);
    m_model->setWillDisplayItem([this](TreeNode& item) { outlineViewWillDisplayCell(item); });
    connect(m_model, &ResultsTreeModel::tickedBytesChanged, this, &FixPageController::showReclaimableSize);
    connect(m_ui->fixPageFixButton, &QPushButton::clicked, this, &FixPageController::fixPageFixButtonClick);
}

FixPageController::~FixPageController() = default;

MTUOutlineView* FixPageController::fixOutlineView() const
{
    return m_ui->fixOutlineView;
}
QLabel* FixPageController::fixPageTitleText() const
{
    return m_ui->fixPageTitleText;
}
QLabel* FixPageController::fixPageTotalSizeText() const
{
    return m_ui->fixPageTotalSizeText;
}
MTUButton* FixPageController::fixPageFixButton() const
{
    return m_ui->fixPageFixButton;
}

void FixPageController::fixPageCreateUI()
{
    m_ui->fixPageTitleText->setText(
        Localization::text(QStringLiteral("FIXPAGE_TITLE"), QStringLiteral("Remove these Junk Files now!")));
    MTUButton* button = m_ui->fixPageFixButton;
    Accessibility::setTitle(
        button, Localization::text(QStringLiteral("FIXPAGE_FIX_TEXT"), QStringLiteral("Remove")));
    button->setToolTip(
        Localization::text(QStringLiteral("CLICK_TO_FIX"), QStringLiteral("Click to Fix Now!")));
    button->setNormalImageName(QStringLiteral("ActionButton"));
    button->setHoverImageName(QStringLiteral("ActionButton-hover"));
    // The button changes its picture only on hover; until then it shows the normal one.
    button->setIcon(Images::named(QStringLiteral("ActionButton")));
}

void FixPageController::populateFixPage()
{
    m_bItemsSelected = false;
    m_ui->fixPageTotalSizeText->clear();
    bool securedJunkItemsFound = false;
    m_treeData = SimpleTreeNode::treeFromResultsFile(&securedJunkItemsFound);
    if (securedJunkItemsFound)
        m_host.setSecuredJunkItemsFound(true);
    m_model->setRoot(m_treeData);
    OutlineViewSupport::spanGroupRows(*m_ui->fixOutlineView);
    expandAll();
}

void FixPageController::outlineViewWillDisplayCell(TreeNode& item)
{
    // The image is given before the row is drawn, so the row needs no second drawing.
    SimpleNodeData* data = ResultsTreeModel::payloadOf(&item);
    if (!data || data->isGroup() || !data->iconRep().isNull())
        return;
    data->setIconRep(
        Images::named(data->isSelected() ? QStringLiteral("checked") : QStringLiteral("unchecked")));
}

void FixPageController::fixPageFixButtonClick()
{
    PageHost* application = &m_host;
    alerForRunningBrowser();
    // Definitions and home as they are now, not as at the last click.
    m_confinement.reset();
    m_refusedPaths.clear();
    if (m_model->rowCount() < 1) {
        application->showAlert(Localization::text(QStringLiteral("FIXPAGE_NOERRORSTOFIX"),
            QStringLiteral("There are no junk items to be removed. Please scan your system and try again!")));
        return;
    }
    // A grant lasts one click: the next click that needs it asks again.
    const auto endGrant = qScopeGuard([this] { destroyRights(); });
    if (application->securedJunkItemsFound()) {
        if (m_userId() == 0)
            setIsRootUser(true);
        showSystemPasswordDialogPage();
    }
    if (m_isAuthenticated) {
        m_lockedFileArray = QStringList();
        m_lockedDirectoryArray = QStringList();
    }
    m_cleanedDatabases.clear();
    if (!removeDeletableFile(m_treeData.get())) {
        application->showAlert(Localization::text(
            QStringLiteral("FIXPAGE_NOITEMSSELECTED"), QStringLiteral("Please select items to remove!")));
        return;
    }
    if (application->securedJunkItemsFound() && m_isAuthenticated)
        removePreviligeFiles();
    if (application->securedJunkItemsFound())
        application->setSecuredJunkItemsFound(false);

    // Success is only claimed for what is really gone.
    const auto [gone, left] = tickedPathsGoneAndLeft();
    if (left == 0) {
        application->showAlert(formatText(Localization::text(QStringLiteral("ERRORS_FIXED_SUCCESSFULLY"),
                                              QStringLiteral("%@ has removed the junk successfully!")),
            { kProductName }));
    } else {
        application->showAlert(
            formatText(Localization::text(QStringLiteral("ERRORS_FIXED_PARTIALLY"),
                           QStringLiteral("%@ has removed %d junk items. %d items could not be removed.")),
                { kProductName, QString::number(gone), QString::number(left) }));
    }

    // Our own file, in no folder the scan walks: not one for the Remove rule.
    const QString resultsFile = Locations::current().resultsFile();
    if (pathIsThere(resultsFile))
        FileSystem::current().removeFile(resultsFile);

    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    defaults.setObject(DateFormat::stringFromDate(
                           QDateTime::currentDateTime(), QString::fromLatin1(DateFormat::kFullPattern)),
        QStringLiteral("FIXED_COMPLETE_TIME"));
    defaults.setInteger(0, QStringLiteral("ERRORS_FOUND"));
    defaults.synchronize();

    application->setShowOverviewPage(true);
    application->setEnableReviewButton(false);
    application->setEnableFixButton(false);
    application->setView(PageHost::OverviewPage);
    application->drawOverviewPage();
    application->overviewPageCreateUI();
}

bool FixPageController::removeDeletableFile(TreeNode* node)
{
    const SimpleNodeData* data = ResultsTreeModel::payloadOf(node);
    if (!data)
        return m_bItemsSelected;
    if (data->isLeaf()) {
        if (data->isSelected()) {
            m_bItemsSelected = true;
            removeFile(data->name());
        }
        return m_bItemsSelected;
    }
    for (const auto& child : node->children()) {
        const SimpleNodeData* childData = ResultsTreeModel::payloadOf(child.get());
        if (!childData)
            continue;
        if (childData->isGroup()) {
            removeDeletableFile(child.get());
            continue;
        }
        if (!childData->isSelected())
            continue;
        m_bItemsSelected = true;
        const QString path = Locations::current().expandTilde(childData->name());
        QString reason;
        if (m_isRootUser || childData->privilegeToDelete() == 0)
            removeFile(path, data->name());
        else if (!confinement().admits(path, &reason))
            logRefused(path, reason);
        else if (childData->isDirectory() && m_lockedDirectoryArray)
            m_lockedDirectoryArray->append(path);
        else if (!childData->isDirectory() && m_lockedFileArray)
            m_lockedFileArray->append(path);
    }
    return m_bItemsSelected;
}

void FixPageController::removeFile(const QString& path, const QString& category)
{
    QString expanded = Locations::current().expandTilde(path);
    // "link/" would name the folder behind a link; the link itself is what is listed.
    while (expanded.size() > 1 && expanded.endsWith(u'/'))
        expanded.chop(1);
    QString reason;
    FileSystem::Beneath outcome = FileSystem::Beneath::Refused;
    // A database that holds the user's own data is cleaned, never removed; the
    // rule of where removal may reach applies to it all the same.
    if (!confinement().cleansDatabase(expanded, category))
        outcome = confinement().remove(expanded, &reason);
    else if (confinement().admits(expanded, &reason)) {
        if (BrowserDatabaseCleaner::clean(
                expanded, confinement(), BrowserDatabaseCleaner::Options::from(Locations::current())))
            m_cleanedDatabases.insert(expanded);
        return;
    }
    switch (outcome) {
    case FileSystem::Beneath::Removed:
        break;
    case FileSystem::Beneath::Refused:
        m_refusedPaths.insert(Locations::current().expandTilde(path));
        logRefused(expanded, reason);
        break;
    case FileSystem::Beneath::Failed:
        SystemLog::write(QStringLiteral("Cannot Remove file ") + expanded);
        break;
    }
}

const RemovalConfinement& FixPageController::confinement()
{
    if (!m_confinement)
        m_confinement = std::make_unique<RemovalConfinement>(Locations::current());
    return *m_confinement;
}

void FixPageController::logRefused(const QString& path, const QString& reason)
{
    m_refusedPaths.insert(path);
    SystemLog::write(QStringLiteral("Refused outside the scanned folders: %1 (%2)").arg(path, reason));
}

std::pair<int, int> FixPageController::tickedPathsGoneAndLeft() const
{
    QSet<QString> seen;
    int gone = 0;
    int left = 0;
    const std::function<void(const TreeNode*)> visit = [&](const TreeNode* node) {
        for (int i = 0; i < node->numberOfChildren(); ++i) {
            const TreeNode* child = node->childAtIndex(i);
            const SimpleNodeData* data = ResultsTreeModel::payloadOf(child);
            if (!data)
                continue;
            if (data->isGroup()) {
                visit(child);
                continue;
            }
            const QString path = Locations::current().expandTilde(data->name());
            if (!data->isSelected() || seen.contains(path))
                continue;
            seen.insert(path);
            const bool stays
                = (pathIsThere(path) && !m_cleanedDatabases.contains(path)) || m_refusedPaths.contains(path);
            ++(stays ? left : gone);
        }
    };
    if (m_treeData)
        visit(m_treeData.get());
    return { gone, left };
}

void FixPageController::showReclaimableSize(qint64 bytes)
{
    m_ui->fixPageTotalSizeText->setText(formatText(
        Localization::text(QStringLiteral("FIXPAGE_RECLAIMABLE_SIZE"), QStringLiteral("%@ can be freed")),
        { ResultsTreeModel::formattedSize(bytes) }));
}

void FixPageController::expandAll()
{
    OutlineViewSupport::expandAll(*m_ui->fixOutlineView);
}

void FixPageController::collapseAll()
{
    OutlineViewSupport::collapseAll(*m_ui->fixOutlineView);
}

QString FixPageController::passwordDialogMessage()
{
    return Localization::text(QStringLiteral("MAC_PASSWORD_DIALOG_MESSAGE"),
        QStringLiteral(
            "Some of the items detected require an administrative password for your computer to "
            "remove them. If you don't have the password, other junk files will still be removed."));
}

QString FixPageController::rightName()
{
    return Localization::text(QStringLiteral("RIGHT_NAME"), QStringLiteral("Delete privileged files"));
}

void FixPageController::showSystemPasswordDialogPage()
{
    m_isAuthenticated = false;
    if (!m_authRef)
        m_authRef = std::make_unique<AuthorizationSession>();

    // The desktop's polkit agent asks now, before the removal pass, never
    // later when the tools run.
    SystemLog::write(QStringLiteral("OS Is LeaPard"));
    // The superuser holds every right already, and the removal pass deletes
    // privileged paths itself then: a helper would have nothing to do.
    const long status = m_isRootUser ? AuthorizationSession::kSuccess : m_authRef->authorize();
    // Without an elevation command there is no authority to hold an authorisation at all.
    if (status == AuthorizationSession::kCannotStart)
        SystemLog::write(QStringLiteral("Error Creating Initial Authorization: %1").arg(status));
    if (status == AuthorizationSession::kSuccess) {
        SystemLog::write(QStringLiteral("Copy Rights Successful: "));
        m_isAuthenticated = true;
    } else {
        SystemLog::write(QStringLiteral("Copy Rights Unsuccessful: %1").arg(status));
    }
}

bool FixPageController::removePreviligeFiles()
{
    // Files first: a folder can only go once what was listed inside it is gone.
    const std::pair<QString, const std::optional<QStringList>*> runs[] = {
        { QString::fromLatin1(HelperProtocol::kRemoveFileTool), &m_lockedFileArray },
        { QString::fromLatin1(HelperProtocol::kRemoveFolderTool), &m_lockedDirectoryArray },
    };
    for (const auto& [tool, paths] : runs) {
        if (!*paths || (*paths)->isEmpty())
            continue;
        std::optional<TaskError> error;
        if (!OneLineTasksWithOutput::stringByLaunchingPath(tool, **paths, m_authRef.get(), &error)) {
            SystemLog::write(QStringLiteral("Error from AuthorizationExecuteWithPrivileges: %1")
                                 .arg(error ? error->code : AuthorizationSession::kNotAuthorized));
            return false;
        }
    }
    return true;
}

void FixPageController::destroyRights()
{
    if (!m_authRef)
        return;
    m_authRef->destroy();
    m_authRef.reset();
}

// No system this runs on defers the password dialog until the privileged tool starts.
bool FixPageController::isRunningOnTiger() const
{
    return false;
}

void FixPageController::alerForRunningBrowser()
{
    const QStringList running = RunningBrowsers::find(RunningBrowsers::browserTable(), m_processTableFolder);
    if (!running.isEmpty())
        m_host.showAlert(RunningBrowsers::warningText(running));
}
