#include "removal/FixPageController.h"

#include "platform/FileSystem.h"
#include "platform/Images.h"
#include "platform/Localization.h"
#include "platform/Locations.h"
#include "platform/SystemLog.h"
#include "removal/RemovalConfinement.h"
#include "removal/RunningBrowsers.h"
#include "results/ImageAndTextCell.h"
#include "results/MTUOutlineView.h"
#include "results/OutlineViewSupport.h"
#include "results/ResultsTreeModel.h"
#include "results/SimpleNodeData.h"
#include "results/SimpleTreeNode.h"
#include "scan/ScanRecord.h"
#include "widgets/Accessibility.h"
#include "widgets/MTUButton.h"
#include "widgets/PageHost.h"
#include "ui_FixPage.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QProgressBar>
#include <QTimer>

#include <algorithm>
#include <unistd.h>

namespace {

const QString kProductName = QStringLiteral("Velmora");
// Often enough to look alive, rarely enough that drawing costs the removal nothing.
constexpr int kProgressIntervalMs = 50;

} // namespace

FixPageController::FixPageController(QWidget* page, PageHost& host, QObject* parent)
    : QObject(parent)
    , m_host(host)
    , m_ui(std::make_unique<Ui::FixPage>())
    , m_model(new ResultsTreeModel(this))
    , m_cell(new ImageAndTextCell(this))
    , m_progressTimer(new QTimer(this))
    , m_userId(&::getuid)
{
    m_ui->setupUi(page);
    OutlineViewSupport::setUp(*m_ui->fixOutlineView, *m_model, *m_cell);
    m_model->setWillDisplayItem([this](TreeNode& item) { outlineViewWillDisplayCell(item); });
    m_model->setRowNote([this](const TreeNode& leaf) { return removalNote(leaf); });
    connect(m_model, &ResultsTreeModel::tickedBytesChanged, this, &FixPageController::showReclaimableSize);
    connect(m_ui->fixPageFixButton, &QPushButton::clicked, this, &FixPageController::fixPageFixButtonClick);
    m_progressTimer->setInterval(kProgressIntervalMs);
    connect(m_progressTimer, &QTimer::timeout, this, &FixPageController::showProgress);
    m_ui->fixPageProgressBar->hide();
    m_ui->fixPageProgressText->hide();
}

FixPageController::~FixPageController()
{
    // The removal reads nothing of the page, but its end is delivered here.
    destroyRights();
}

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
    m_ui->fixPageTitleText->setText(withoutWidow(
        Localization::text(QStringLiteral("FIXPAGE_TITLE"), QStringLiteral("Remove these Junk Files now!"))));
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
    m_confinement = std::make_unique<RemovalConfinement>(Locations::current());
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

QString FixPageController::removalNote(const TreeNode& leaf) const
{
    // Said in the row so that nobody unticks their history to keep their bookmarks.
    const SimpleNodeData* data = ResultsTreeModel::payloadOf(&leaf);
    const SimpleNodeData* category = ResultsTreeModel::payloadOf(leaf.nodeParent());
    if (!m_confinement || !data || !category
        || !m_confinement->cleansDatabase(Locations::current().expandTilde(data->name()), category->name()))
        return QString();
    return Localization::text(QStringLiteral("DATABASE_CLEANED_NOTE"), QStringLiteral("cleaned, not deleted"));
}

void FixPageController::fixPageFixButtonClick()
{
    if (m_run)
        return;
    PageHost* application = &m_host;
    alerForRunningBrowser();
    if (m_model->rowCount() < 1) {
        application->showAlert(Localization::text(QStringLiteral("FIXPAGE_NOERRORSTOFIX"),
            QStringLiteral("There are no junk items to be removed. Please scan your system and try again!")));
        return;
    }
    QList<RemovalRun::TickedPath> ticked = tickedPaths();
    if (ticked.isEmpty()) {
        application->showAlert(Localization::text(
            QStringLiteral("FIXPAGE_NOITEMSSELECTED"), QStringLiteral("Please select items to remove!")));
        return;
    }
    m_bItemsSelected = true;
    // Only a ticked path that needs an administrator brings the password dialog.
    const bool askForAuthorization = std::any_of(
        ticked.cbegin(), ticked.cend(), [](const RemovalRun::TickedPath& path) { return path.privileged; });
    if (askForAuthorization && m_userId() == 0)
        setIsRootUser(true);
    m_run = std::make_unique<RemovalRun>(std::move(ticked), askForAuthorization, m_isRootUser);
    connect(m_run.get(), &RemovalRun::finished, this, &FixPageController::finishRemoval);
    showRemovalUnderWay(true);
    m_run->start();
}

QList<RemovalRun::TickedPath> FixPageController::tickedPaths() const
{
    return RemovalRun::tickedIn(m_treeData.get());
}

void FixPageController::finishRemoval()
{
    // Stopped and waited for by destroyRights: the run is gone, and nothing is left to say.
    if (!m_run)
        return;
    m_run->wait();
    const std::unique_ptr<RemovalRun> run = std::move(m_run);
    const RemovalRun::Outcome& outcome = run->outcome();
    m_isAuthenticated = outcome.isAuthenticated;
    m_lockedFileArray = outcome.lockedFileArray;
    m_lockedDirectoryArray = outcome.lockedDirectoryArray;
    showRemovalUnderWay(false);
    if (outcome.cancelled) {
        Q_EMIT removalFinished();
        return;
    }

    PageHost* application = &m_host;
    if (application->securedJunkItemsFound())
        application->setSecuredJunkItemsFound(false);
    // Success is only claimed for what is really gone.
    if (outcome.left == 0) {
        application->showAlert(formatText(Localization::text(QStringLiteral("ERRORS_FIXED_SUCCESSFULLY"),
                                              QStringLiteral("%@ has removed the junk successfully!")),
            { kProductName }));
    } else {
        application->showAlert(
            formatText(Localization::text(QStringLiteral("ERRORS_FIXED_PARTIALLY"),
                           QStringLiteral("%@ has removed %d junk items. %d items could not be removed.")),
                { kProductName, QString::number(outcome.gone), QString::number(outcome.left) }));
    }

    // Our own file, in no folder the scan walks: not one for the Remove rule.
    const QString resultsFile = Locations::current().resultsFile();
    const QFileInfo results(resultsFile);
    if (results.exists() || results.isSymLink())
        FileSystem::current().removeFile(resultsFile);

    ScanRecord::removalEnded(0);

    application->setShowOverviewPage(true);
    application->setEnableReviewButton(false);
    application->setEnableFixButton(false);
    application->setView(PageHost::OverviewPage);
    application->drawOverviewPage();
    application->overviewPageCreateUI();
    Q_EMIT removalFinished();
}

void FixPageController::cancelRemoval()
{
    if (RemovalRun* run = m_run.get())
        run->cancel();
}

void FixPageController::showRemovalUnderWay(bool underWay)
{
    // The ticks the run was started with are the ones it removes: they stay as shown.
    m_ui->fixOutlineView->setEnabled(!underWay);
    m_ui->fixPageFixButton->setEnabled(!underWay);
    m_host.setEnableNavigation(!underWay);
    m_ui->fixPageProgressBar->setVisible(underWay);
    m_ui->fixPageProgressText->setVisible(underWay);
    if (underWay) {
        QGuiApplication::setOverrideCursor(Qt::BusyCursor);
        showProgress();
        m_progressTimer->start();
    } else {
        m_progressTimer->stop();
        QGuiApplication::restoreOverrideCursor();
    }
}

void FixPageController::showProgress()
{
    if (!m_run)
        return;
    const RemovalRun::Progress progress = m_run->progress();
    QProgressBar* bar = m_ui->fixPageProgressBar;
    bar->setMaximum(std::max(progress.total, 1));
    bar->setValue(progress.done);
    bar->setFormat(
        formatText(Localization::text(QStringLiteral("FIXPAGE_PROGRESS_COUNT"), QStringLiteral("%d of %d")),
            { QString::number(progress.done), QString::number(progress.total) }));
    QLabel* text = m_ui->fixPageProgressText;
    const QString path = Locations::current().expandTilde(progress.path);
    text->setToolTip(path);
    // The file name and the folder it is in say the most: the middle gives way.
    text->setText(text->fontMetrics().elidedText(path, Qt::ElideMiddle, std::max(text->width(), 1)));
}

void FixPageController::showReclaimableSize(qint64 bytes)
{
    m_ui->fixPageTotalSizeText->setText(formatText(
        Localization::text(QStringLiteral("FIXPAGE_RECLAIMABLE_SIZE"), QStringLiteral("%@ can be freed")),
        { formattedSize(bytes) }));
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

void FixPageController::destroyRights()
{
    // The run holds the helper on its own thread and ends it itself.
    if (!m_run)
        return;
    m_run->cancel();
    m_run->wait();
    m_run.reset();
    showRemovalUnderWay(false);
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
