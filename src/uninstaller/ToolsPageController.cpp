#include "uninstaller/ToolsPageController.h"

#include "platform/DirectoryEnumerator.h"
#include "platform/Dock.h"
#include "platform/FileSystem.h"
#include "platform/Images.h"
#include "platform/Localization.h"
#include "platform/Locations.h"
#include "platform/SystemLog.h"
#include "results/PathSizeCalculator.h"
#include "widgets/Accessibility.h"
#include "widgets/PageHost.h"
#include "support/ApplicationUtility.h"
#include "support/BackgroundTask.h"
#include "ui_ToolsPage.h"
#include "uninstaller/AppImageFiles.h"
#include "uninstaller/ApplicationBundle.h"
#include "uninstaller/ApplicationsTableModel.h"
#include "uninstaller/DockPreferenceFile.h"
#include "uninstaller/FavouriteApps.h"
#include "uninstaller/GetPID.h"
#include "uninstaller/InstalledSizes.h"
#include "uninstaller/PackageLeftoversModel.h"
#include "uninstaller/PackageListing.h"
#include "uninstaller/PackageUninstall.h"
#include "uninstaller/RichTextItemDelegate.h"
#include "uninstaller/SupportFileChoices.h"
#include "uninstaller/SupportFileRemoval.h"
#include "uninstaller/SupportFileSearch.h"
#include "uninstaller/UninstallConfirmation.h"

#include <QDir>
#include <QFile>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QItemSelectionModel>
#include <QPixmap>
#include <QTableView>

#include <algorithm>
#include <array>

namespace {

constexpr int kIconSize = 14;
constexpr unsigned kRunningProcessRoom = 50;
const QString kOwnBundleName = QStringLiteral("Velmora");
const QString kActionButtonImage = QStringLiteral("ActionButton");
const QString kActionButtonHoverImage = QStringLiteral("ActionButton-hover");

// The extension of a path's last component; a leading dot starts no extension.
QString pathExtension(const QString& path)
{
    const QString name = path.section(u'/', -1);
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot > 0 ? name.mid(dot + 1) : QString();
}

QString deletingPathExtension(const QString& path)
{
    const QString extension = pathExtension(path);
    return extension.isEmpty() ? path : path.chopped(extension.size() + 1);
}

} // namespace

ToolsPageController::ToolsPageController(QWidget* page, PageHost& host, QObject* parent)
    : QObject(parent)
    , m_host(host)
    , m_ui(std::make_unique<Ui::ToolsPage>())
    , m_sizes(new InstalledSizes(this))
    , m_page(page)
    , m_model(new ApplicationsTableModel(*this, this))
    , m_processTableFolder("/proc")
    , m_packages(new PackageListing(this))
    , m_leftovers(new PackageLeftoversModel(this))
{
    m_ui->setupUi(m_page);
    QTableView* applications = m_ui->toolsPageApplicationsTableView;
    QTableView* leftovers = m_ui->toolsPageLeftoversTableView;
    applications->setModel(m_model);
    applications->setItemDelegateForColumn(ApplicationsTableModel::NameColumn, new RichTextItemDelegate(applications));
    applications->horizontalHeader()->setSectionResizeMode(ApplicationsTableModel::NameColumn, QHeaderView::Stretch);
    for (const int column : { int(ApplicationsTableModel::KindColumn), int(ApplicationsTableModel::SizeColumn) })
        applications->horizontalHeader()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    connect(m_sizes, &InstalledSizes::measured, m_model, &ApplicationsTableModel::reloadSizes);
    leftovers->setModel(m_leftovers);
    leftovers->horizontalHeader()->setSectionResizeMode(
        PackageLeftoversModel::ItemColumn, QHeaderView::Stretch);
    leftovers->horizontalHeader()->setSectionResizeMode(
        PackageLeftoversModel::SizeColumn, QHeaderView::ResizeToContents);
    // Uninstall acts on one section at a time: choosing in one clears the other.
    connect(applications->selectionModel(), &QItemSelectionModel::selectionChanged, leftovers,
        [this, applications, leftovers] {
            if (applications->selectionModel()->hasSelection())
                leftovers->clearSelection();
            enableUninstall();
        });
    connect(leftovers->selectionModel(), &QItemSelectionModel::selectionChanged, applications,
        [this, applications, leftovers] {
            if (leftovers->selectionModel()->hasSelection())
                applications->clearSelection();
            enableUninstall();
        });
    // A reset or a removal of rows drops the selection without saying so.
    connect(m_model, &QAbstractItemModel::modelReset, this, &ToolsPageController::enableUninstall);
    connect(m_leftovers, &QAbstractItemModel::rowsRemoved, this, &ToolsPageController::enableUninstall);
    for (QTableView* table : { applications, leftovers }) {
        // Tab leaves the table for the next control rather than walking its cells.
        table->setTabKeyNavigation(false);
        table->installEventFilter(this);
    }
    enableUninstall();
    connect(m_ui->toolsPageUninstallButton, &QPushButton::clicked, this,
        &ToolsPageController::toolsPageUninstallButtonClick);
    connect(m_packages, &PackageListing::rowsFound, this, &ToolsPageController::appendRows);
    connect(m_packages, &PackageListing::leftoversFound, m_leftovers, &PackageLeftoversModel::append);
    connect(m_packages, &PackageListing::finished, this, &ToolsPageController::applicationsListed);
}

ToolsPageController::~ToolsPageController() = default;

void ToolsPageController::setapplicationNamesList(const QList<ApplicationDetails>& applicationNamesList)
{
    m_applicationNamesList = applicationNamesList;
    m_model->reloadData();
}

void ToolsPageController::toolsPageCreateUI()
{
    Accessibility::setTitle(
        m_ui->toolsPageUninstallButton, Localization::text("TOOLSPAGE_UNINSTALL_BUTTON_TITLE", "Uninstall"));
    m_ui->toolsPageUninstallButton->setToolTip(
        Localization::text("TOOLS_UNINSTALL_TOOLTIP", "Click to Uninstall selected application!"));
    m_ui->toolsPageUninstallButton->setNormalImageName(kActionButtonImage);
    m_ui->toolsPageUninstallButton->setHoverImageName(kActionButtonHoverImage);
    m_ui->toolsPageUninstallButton->setIcon(Images::named(kActionButtonImage));
    m_ui->toolsPageTitleText->setText(
        Localization::text("TOOLSPAGE_TITLE", "Uninstall applications with a single mouse click!"));
    m_ui->toolsPageMessage->setText(Localization::text("TOOLSPAGE_MESSGAE",
        "Cleaning up unnecessary applications will help keep your system running at optimal speed."));
    populateApplicationsTableView();
}

void ToolsPageController::populateApplicationsTableView()
{
    const QString root = Locations::current().applicationsFolder;
    const QFileInfo rootInfo(root);
    // A missing folder is the usual case on Linux and merely gives no rows.
    if (rootInfo.exists() && !(rootInfo.isDir() && rootInfo.isReadable()))
        SystemLog::write(QStringLiteral("Cannot read the applications folder %1").arg(root));

    DirectoryEnumerator walk(root);
    while (const auto relative = walk.nextObject()) {
        const QString fullPath = root + u'/' + *relative;
        if (pathExtension(fullPath) != QStringLiteral("app"))
            continue;
        const QString displayName
            = QStringLiteral("   ") + deletingPathExtension(relative->section(u'/', -1));
        ApplicationDetails details;
        details.setAppName(*relative);
        details.setAppNameWithIcon(
            ApplicationUtility::updatedString(displayName, applicationIconImage(fullPath)));
        details.setAppPath(fullPath);
        m_applicationNamesList.append(details);
        // A bundle's contents are its own business, not more applications.
        if (QFileInfo(fullPath).isDir())
            walk.skipDescendents();
    }
    m_applicationNamesList.append(AppImageFiles::rows());
    m_model->reloadData();
    m_sizes->measure(m_applicationNamesList);
    if (!m_packages->isRunning())
        m_packages->start();
}

void ToolsPageController::appendRows(const QList<ApplicationDetails>& rows)
{
    // They arrive while the user may already have chosen a row.
    m_model->appendRows(int(rows.size()), [&] { m_applicationNamesList.append(rows); });
    m_sizes->measure(rows);
}

int ToolsPageController::numberOfRowsInTableView() const
{
    return int(m_applicationNamesList.size());
}

QString ToolsPageController::tableView(int /*column*/, int row) const
{
    if (row < 0 || row >= m_applicationNamesList.size())
        return {};
    return m_applicationNamesList.at(row).appNameWithIcon();
}

const ApplicationDetails* ToolsPageController::applicationAt(int row) const
{
    return row >= 0 && row < m_applicationNamesList.size() ? &m_applicationNamesList.at(row) : nullptr;
}

qint64 ToolsPageController::installedSize(const ApplicationDetails& application) const
{
    return m_sizes->size(application);
}

QIcon ToolsPageController::applicationIconImage(const QString& path)
{
    // The file browser would show a bundle as a plain folder; an application
    // icon says better what the row is. Plain files keep their own icon.
    const QFileInfo file(path);
    QIcon icon = file.isDir() ? QIcon::fromTheme(QStringLiteral("application-x-executable"))
                              : QFileIconProvider().icon(file);
    if (icon.isNull())
        icon = Images::named(QStringLiteral("GenericApplication"));
    QPixmap pixmap = icon.pixmap(QSize(kIconSize, kIconSize), 1.0);
    if (pixmap.isNull())
        return {};
    if (pixmap.size() != QSize(kIconSize, kIconSize))
        pixmap = pixmap.scaled(kIconSize, kIconSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return QIcon(pixmap);
}

void ToolsPageController::toolsPageUninstallButtonClick()
{
    QList<int> leftovers;
    for (const QModelIndex& index : m_ui->toolsPageLeftoversTableView->selectionModel()->selectedRows())
        leftovers.append(index.row());
    if (!leftovers.isEmpty()) {
        std::sort(leftovers.begin(), leftovers.end());
        uninstallLeftovers(leftovers);
        return;
    }
    const int row = selectedRow();
    if (row < 0) {
        showAlert(
            Localization::text("SELECT_APPLICATION_TO_UNINSTALL", "Please select application to uninstall!"));
        return;
    }
    const ApplicationDetails application = m_applicationNamesList.at(row);
    if (application.kind() != ApplicationKind::Bundle) {
        uninstallPackage(row);
        return;
    }
    if (!canUninstallApplication(application.appPath()))
        return;
    checkForSupportFiles(application.appPath());
    const QString bundle = Locations::current().expandTilde(application.appPath());
    if (!confirmRemoval(bundle, PathSizeCalculator::sizeOfPath(bundle)))
        return;
    const bool uninstalled = uninstallSelectedApp(application.appPath());
    // The tile goes even when the bundle stayed: the user asked for the application to go.
    removeFromDockPrefrenceFile(application.appName());
    if (uninstalled) {
        m_applicationNamesList.removeAt(row);
        m_model->reloadData();
    }
}

bool ToolsPageController::canUninstallApplication(const QString& path)
{
    const QString bundlePath = Locations::current().expandTilde(path);
    const ApplicationBundle bundle(bundlePath);
    const QString bundleName = bundle.bundleName();
    const QString ownIdentifier = QFileInfo(Locations::current().ownExecutable).fileName();
    const bool isThisProgram = bundleName == kOwnBundleName
        || QFileInfo(bundlePath).fileName() == kOwnBundleName + QStringLiteral(".app")
        || (!ownIdentifier.isEmpty() && bundle.bundleIdentifier() == ownIdentifier);
    if (isThisProgram) {
        showAlert(Localization::text("CANNOT_UNINSTALL_APPLICATION", "Cannot uninstall application!"));
        return false;
    }
    if (checkIfApplicationRunning(bundleName)) {
        showAlert(Localization::text(
            "CANNOT_UNINSTALL_RUNNING_APPLICATION", "Please quit the application and try again!"));
        return false;
    }
    return true;
}

bool ToolsPageController::checkIfApplicationRunning(const QString& bundleName) const
{
    if (bundleName.isEmpty())
        return false;
    std::array<pid_t, kRunningProcessRoom> ids {};
    unsigned matches = 0;
    const int result = GetAllPIDsForProcessName(bundleName.toUtf8().constData(), ids.data(),
        kRunningProcessRoom, &matches, nullptr, m_processTableFolder.constData());
    if (result == kProcessTableUnreadable || result == kOutOfMemory)
        SystemLog::write(QStringLiteral("Cannot read the process table to look for %1").arg(bundleName));
    // More instances than the list has room for are still running ones.
    return result == kPIDsFound || result == kTooManyProcesses;
}

QStringList ToolsPageController::checkForSupportFiles(const QString& path)
{
    const QStringList folders = searchFolders();
    const ApplicationBundle bundle(Locations::current().expandTilde(path));

    QStringList names;
    const auto addSearchName = [&names](const QString& name, const QString& suffix) {
        if (name.isEmpty())
            return;
        if (SupportFileSearch::isSearchableName(name))
            names.append(name + suffix);
        else
            SystemLog::write(QStringLiteral("Not searching for support files named after \"%1\"").arg(name));
    };
    addSearchName(bundle.bundleIdentifier(), QStringLiteral(".plist"));
    addSearchName(bundle.bundleName(), QString());

    // Every search reports the empty string besides its hits, unless nothing was searched.
    m_supportFileslist = names.isEmpty() ? QStringList() : QStringList { QString() };
    takeSupportFiles(SupportFileSearch::namedIn(names, folders));
    return m_supportFileslist;
}

bool ToolsPageController::uninstallSelectedApp(const QString& path)
{
    // From the applications folder down, no link followed on the way: a
    // folder on the way swapped for a link leads nowhere.
    const Locations& l = Locations::current();
    const QString relative = QDir(l.applicationsFolder).relativeFilePath(l.expandTilde(path));
    const QStringList inside = relative.split(u'/');
    QString error = QStringLiteral("not in the applications folder");
    bool removed = false;
    if (!relative.isEmpty() && !inside.contains(QStringLiteral("..")))
        runWhileBusy([&] {
            removed = SupportFileRemoval(l).remove({ l.applicationsFolder, inside }, &error)
                == FileSystem::Beneath::Removed;
        });
    if (!removed) {
        SystemLog::write(QStringLiteral("Cannot remove %1: %2").arg(path, error));
        showAlert(Localization::text("CANNOT_REMOVE_APPLICATION", "Cannot remove application file!"));
        return false;
    }
    removeSupportFiles();
    m_model->reloadData();
    showAlert(path + Localization::text("APPLICATION_SUCCESSFULLY_UNINSTALL", " successfuly uninstalled!"));
    return true;
}

void ToolsPageController::removeFromDockPrefrenceFile(const QString& appName)
{
    DockPreferenceFile::removeTiles(
        Locations::current().dockPreferences, deletingPathExtension(appName), appName);
    Dock::restart();
}

void ToolsPageController::uninstallPackage(int row)
{
    const ApplicationDetails application = m_applicationNamesList.at(row);
    const PackageUninstall steps(application, QFile::decodeName(m_processTableFolder));
    if (steps.isThisProgram()) {
        showAlert(Localization::text("CANNOT_UNINSTALL_APPLICATION", "Cannot uninstall application!"));
        return;
    }
    if (steps.isRunning()) {
        showAlert(Localization::text(
            "CANNOT_UNINSTALL_RUNNING_APPLICATION", "Please quit the application and try again!"));
        return;
    }
    if (!steps.isStillThere()) {
        SystemLog::write(QStringLiteral("%1 has gone since it was listed").arg(application.appPath()));
        showAlert(Localization::text("CANNOT_REMOVE_APPLICATION", "Cannot remove application file!"));
        m_applicationNamesList.removeAt(row);
        m_model->reloadData();
        return;
    }
    m_supportFileslist.clear();
    takeSupportFiles(steps.supportFiles());
    if (!confirmRemoval(steps.description(), steps.size()))
        return;
    const QStringList desktopIds = steps.desktopIds();
    PackageUninstall::Outcome outcome;
    runWhileBusy([&] { outcome = steps.removeApplication(); });
    if (!outcome.removed) {
        SystemLog::write(QStringLiteral("Cannot remove %1: %2").arg(application.appPath(), outcome.message));
        showAlert(Localization::text("CANNOT_REMOVE_APPLICATION", "Cannot remove application file!") + u'\n'
            + outcome.message);
        return;
    }
    removeSupportFiles();
    FavouriteApps::remove(desktopIds);
    m_applicationNamesList.removeAt(row);
    m_model->reloadData();
    showAlert(application.appPath()
        + Localization::text("APPLICATION_SUCCESSFULLY_UNINSTALL", " successfuly uninstalled!"));
}

void ToolsPageController::uninstallLeftovers(const QList<int>& rows)
{
    SupportFileChoices choices;
    for (const int row : rows)
        choices.addItem(
            m_leftovers->leftovers().at(row).label(), m_leftovers->leftovers().at(row).footprint());
    if (!UninstallConfirmation::confirm(choices, m_page)) {
        SystemLog::write(QStringLiteral("Removal of what packages left behind cancelled"));
        return;
    }
    QList<int> removed;
    QStringList failures;
    for (const int ticked : choices.tickedRows()) {
        const PackageLeftover& leftover = m_leftovers->leftovers().at(rows.at(ticked));
        PackageUninstall::Outcome outcome;
        runWhileBusy([&] { outcome = leftover.remove(); });
        if (outcome.removed) {
            removed.append(rows.at(ticked));
            continue;
        }
        SystemLog::write(QStringLiteral("Cannot remove %1: %2").arg(leftover.label(), outcome.message));
        failures.append(leftover.label() + QStringLiteral(": ") + outcome.message);
    }
    m_leftovers->remove(removed);
    if (!failures.isEmpty())
        showAlert(Localization::text("CANNOT_REMOVE_APPLICATION", "Cannot remove application file!") + u'\n'
            + failures.join(u'\n'));
}

void ToolsPageController::runWhileBusy(const std::function<void()>& step)
{
    // A package tool may take minutes; the window answers meanwhile, but no page can be left.
    m_host.setEnableNavigation(false);
    BackgroundTask::runAndWait(step, m_page);
    m_host.setEnableNavigation(true);
}

void ToolsPageController::takeSupportFiles(const QList<SupportFileSearch::Found>& found)
{
    m_supportFiles = found;
    for (const SupportFileSearch::Found& file : found)
        m_supportFileslist.append(file.path());
}

void ToolsPageController::removeSupportFiles()
{
    const SupportFileRemoval removal(Locations::current());
    QString error;
    for (const SupportFileSearch::Found& supportFile : std::as_const(m_supportFiles)) {
        SystemLog::write(supportFile.path());
        if (removal.remove(supportFile, &error) != FileSystem::Beneath::Removed) {
            SystemLog::write(QStringLiteral("Cannot remove %1: %2").arg(supportFile.path(), error));
            showAlert(Localization::text("CANNOT_REMOVE_PREFERENCES", "Cannot remove preference files!"));
        }
    }
}

bool ToolsPageController::confirmRemoval(const QString& application, qint64 size)
{
    SupportFileChoices choices(application, size);
    for (const SupportFileSearch::Found& file : std::as_const(m_supportFiles))
        choices.addSupportFile(file.path(), file.shared);
    if (!UninstallConfirmation::confirm(choices, m_page)) {
        SystemLog::write(QStringLiteral("Uninstall of %1 cancelled").arg(application));
        return false;
    }
    m_supportFileslist = choices.tickedSupportFiles();
    m_supportFiles.removeIf(
        [this](const SupportFileSearch::Found& file) { return !m_supportFileslist.contains(file.path()); });
    return true;
}

void ToolsPageController::setProcessTableFolder(const QString& folder)
{
    m_processTableFolder = QFile::encodeName(folder);
}

void ToolsPageController::enableUninstall()
{
    m_ui->toolsPageUninstallButton->setEnabled(
        m_ui->toolsPageApplicationsTableView->selectionModel()->hasSelection()
        || m_ui->toolsPageLeftoversTableView->selectionModel()->hasSelection());
}

bool ToolsPageController::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
        || !m_ui->toolsPageUninstallButton->isEnabled())
        return QObject::eventFilter(watched, event);
    // Through the button, so that nothing the mouse could not do happens.
    m_ui->toolsPageUninstallButton->click();
    return true;
}

int ToolsPageController::selectedRow() const
{
    const QItemSelectionModel* selection = m_ui->toolsPageApplicationsTableView->selectionModel();
    const QModelIndexList rows = selection ? selection->selectedRows() : QModelIndexList();
    if (rows.isEmpty() || rows.first().row() >= m_applicationNamesList.size())
        return -1;
    return rows.first().row();
}

// The user's and the machine's preferences, startup items, application
// support and caches; a folder named twice is searched once.
QStringList ToolsPageController::searchFolders() const
{
    const Locations& l = Locations::current();
    QStringList folders;
    for (const QString& folder : { l.configHome, l.autostartFolder, l.dataHome, l.cacheHome,
             l.localPreferences, l.localStartupItems, l.localApplicationSupport, l.localCaches }) {
        if (!folder.isEmpty())
            folders.append(QDir::cleanPath(l.expandTilde(folder)));
    }
    folders.sort();
    folders.removeDuplicates();
    return folders;
}

void ToolsPageController::showAlert(const QString& message) const
{
    m_host.showAlert(message);
}
