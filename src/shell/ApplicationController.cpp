#include "shell/ApplicationController.h"

#include "platform/Alert.h"
#include "platform/Images.h"
#include "platform/Localization.h"
#include "platform/SystemLog.h"
#include "platform/UserDefaults.h"
#include "removal/FixPageController.h"
#include "results/ReviewPageController.h"
#include "scan/ScanPageController.h"
#include "shell/AboutPageController.h"
#include "widgets/Accessibility.h"
#include "shell/MainMenuDelegate.h"
#include "shell/OverviewPageController.h"
#include "startup/OptionsPageController.h"
#include "ui_MainWindow.h"
#include "uninstaller/ToolsPageController.h"

#include <QApplication>
#include <QDialog>
#include <QMainWindow>
#include <QRecursiveMutex>
#include <QStyle>
#include <QVBoxLayout>

namespace {

const char* const kCurrentPageProperty = "current";

// The lookup creates the instance while holding the lock, and creation
// records the instance under the same lock, hence a recursive one.
QRecursiveMutex& classLock()
{
    static QRecursiveMutex lock;
    return lock;
}

ApplicationController*& theInstance()
{
    static ApplicationController* instance = nullptr;
    return instance;
}

} // namespace

ApplicationController::ApplicationController()
    : m_ui(std::make_unique<Ui::MainWindow>())
{
    QMutexLocker locker(&classLock());
    theInstance() = this;

    Localization::installQtTranslations();
    m_mainWindow = new QMainWindow;
    m_ui->setupUi(m_mainWindow);
    m_aboutPanel = new QDialog(m_mainWindow);
    m_ui->navigationLogo->setPixmap(Images::pixmapNamed(QStringLiteral("velmora"), 36));
    Accessibility::setName(m_ui->navigationLogo, QStringLiteral("Velmora"));

    m_overviewPageController = new OverviewPageController(m_ui->overviewPage, *this, this);
    m_scanPageController = new ScanPageController(m_ui->scanPage, *this, this);
    m_reviewPageController = new ReviewPageController(m_ui->reviewPage, *this, this);
    m_optionsPageController = new OptionsPageController(m_ui->optionsPage, *this, this);
    m_toolsPageController = new ToolsPageController(m_ui->toolsPage, *this, this);
    m_fixPageController = new FixPageController(m_ui->fixPage, *this, this);
    m_aboutPageController = new AboutPageController(m_aboutPanel, this);
    m_mainMenuDelegate
        = new MainMenuDelegate(m_ui->aboutAppMenuItem, m_ui->hideAppMenuItem, m_ui->quitAppMenuItem, this);

    connect(m_ui->scanButton, &QPushButton::clicked, this, &ApplicationController::showScanPage);
    connect(m_ui->reviewButton, &QPushButton::clicked, this, &ApplicationController::showReviewPage);
    connect(m_ui->fixButton, &QPushButton::clicked, this, &ApplicationController::showFixPage);
    connect(m_ui->optionsButton, &QPushButton::clicked, this, &ApplicationController::showOptionsPage);
    connect(m_ui->toolsButton, &QPushButton::clicked, this, &ApplicationController::showToolsPage);
    connect(m_ui->aboutAppMenuItem, &QAction::triggered, this, &ApplicationController::showAboutPanel);
    connect(m_ui->hideAppMenuItem, &QAction::triggered, m_mainWindow, &QWidget::showMinimized);
    // Quit ends the program even while the About panel or an alert is open.
    connect(m_ui->quitAppMenuItem, &QAction::triggered, qApp, &QCoreApplication::quit);

    m_mainMenuDelegate->awakeFromNib();
}

ApplicationController::~ApplicationController()
{
    m_fixPageController->destroyRights();
    // The controllers end before the window, so none of them outlives the
    // widgets it holds; the About panel is a child of the window.
    delete m_mainMenuDelegate;
    delete m_aboutPageController;
    delete m_fixPageController;
    delete m_toolsPageController;
    delete m_optionsPageController;
    delete m_reviewPageController;
    delete m_scanPageController;
    delete m_overviewPageController;
    delete m_mainWindow;
    QMutexLocker locker(&classLock());
    if (theInstance() == this)
        theInstance() = nullptr;
}

ApplicationController* ApplicationController::applicationController()
{
    QMutexLocker locker(&classLock());
    if (!theInstance())
        new ApplicationController; // records itself; lives as long as the program
    return theInstance();
}

void ApplicationController::awakeFromNib()
{
    m_mainWindow->setWindowTitle(QStringLiteral("Velmora"));

    Accessibility::setTitle(m_ui->scanButton, Localization::text("SCANTITLE", "Scan"));
    Accessibility::setTitle(m_ui->reviewButton, Localization::text("REVIEWTITLE", "Review"));
    Accessibility::setTitle(m_ui->optionsButton, Localization::text("OPTIONSTITLE", "Options"));
    Accessibility::setTitle(m_ui->fixButton, Localization::text("FIXBUTTONTITLE", "Remove Clutter"));
    Accessibility::setTitle(m_ui->toolsButton, Localization::text("TOOLSTITLE", "Tools"));

    m_ui->editionText->setText(Localization::text("EDITIONTEXT", "October 2009 Edition"));

    m_ui->scanButton->setToolTip(Localization::text("SCANTOOLTIP", "Click to view Scan Page"));
    m_ui->reviewButton->setToolTip(Localization::text("REVIEWTOOLTIP", "Click to review Junk Items"));
    m_ui->fixButton->setToolTip(Localization::text("FIXTOOLTIP", "Click to remove Junk Items"));
    m_ui->optionsButton->setToolTip(formatText(
        Localization::text("OPTIONSTOOLTIP", "Click to set %@ options"), { QStringLiteral("Velmora") }));
    m_ui->toolsButton->setToolTip(Localization::text("TOOLSTOOLTIP", "Click to view Tools Page"));

    m_overviewPageController->overviewPageCreateUI();
    m_scanPageController->scanPageCreateUI();
    m_reviewPageController->reviewPageCreateUI();
    m_optionsPageController->optionsPageCreateUI();
    m_aboutPageController->aboutPanelCreateUI();
    m_fixPageController->fixPageCreateUI();
    m_toolsPageController->toolsPageCreateUI();

    setView(OverviewPage);
    {
        QMutexLocker locker(&classLock());
        theInstance() = this;
    }
    m_bShowOverviewPage = true;
    setEnableFixButton(savedErrorCount() > 0);
}

void ApplicationController::showScanPage()
{
    if (!m_bShowOverviewPage) {
        m_scanPageController->drawScanPage();
        setView(ScanPage);
        return;
    }
    setView(OverviewPage);
    m_overviewPageController->drawOverviewPage();
    m_overviewPageController->overviewPageCreateUI();
}

void ApplicationController::showReviewPage()
{
    displayReviewPage();
}

void ApplicationController::displayReviewPage()
{
    m_reviewPageController->populateReviewPage();
    m_reviewPageController->updateTitleText();
    setView(ReviewPage);
}

void ApplicationController::showFixPage()
{
    if (m_scanPageController->scanning()) {
        setView(ScanPage);
        return;
    }
    setView(FixPage);
    m_fixPageController->populateFixPage();
}

void ApplicationController::showOptionsPage()
{
    setView(OptionsPage);
}

void ApplicationController::showToolsPage()
{
    setView(ToolsPage);
}

void ApplicationController::showAboutPanel()
{
    m_aboutPanel->show();
    m_aboutPanel->raise();
    m_aboutPanel->activateWindow();
}

void ApplicationController::setView(int index)
{
    if (index < 0 || index >= m_ui->pagesTabView->count())
        return;
    m_ui->pagesTabView->setCurrentIndex(index);
    // The button of the page on show is marked by a property the style sheet
    // follows, not by a checked state: a checkable button is announced as a
    // check box, and toggling it through accessibility would change its look
    // without changing the page.
    const QPushButton* current = navigationButtonForPage(index);
    for (QPushButton* button :
        { m_ui->scanButton, m_ui->reviewButton, m_ui->fixButton, m_ui->optionsButton, m_ui->toolsButton }) {
        if (button->property(kCurrentPageProperty).toBool() == (button == current))
            continue;
        button->setProperty(kCurrentPageProperty, button == current);
        button->style()->unpolish(button);
        button->style()->polish(button);
    }
}

QPushButton* ApplicationController::navigationButtonForPage(int index) const
{
    switch (index) {
    case OverviewPage:
    case ScanPage:
        // The overview has no button of its own: Scan leads to it.
        return m_ui->scanButton;
    case ReviewPage:
        return m_ui->reviewButton;
    case OptionsPage:
        return m_ui->optionsButton;
    case ToolsPage:
        return m_ui->toolsButton;
    case FixPage:
        return m_ui->fixButton;
    default:
        return nullptr;
    }
}

QObject* ApplicationController::controllerWithId(int index) const
{
    switch (index) {
    case OverviewPage:
        return m_overviewPageController;
    case ScanPage:
        return m_scanPageController;
    case ReviewPage:
        return m_reviewPageController;
    case OptionsPage:
        return m_optionsPageController;
    case ToolsPage:
        return m_toolsPageController;
    case FixPage:
        return m_fixPageController;
    default:
        return nullptr;
    }
}

void ApplicationController::startScanning()
{
    m_scanPageController->startScanning();
}

void ApplicationController::drawOverviewPage()
{
    m_overviewPageController->drawOverviewPage();
}

void ApplicationController::overviewPageCreateUI()
{
    m_overviewPageController->overviewPageCreateUI();
}

void ApplicationController::setEnableReviewButton(bool enable)
{
    m_ui->reviewButton->setEnabled(enable);
}

void ApplicationController::setEnableFixButton(bool enable)
{
    m_ui->fixButton->setEnabled(enable);
}

void ApplicationController::setEnableOptionsButton(bool enable)
{
    m_ui->optionsButton->setEnabled(enable);
}

void ApplicationController::setEnableOverviewButton(bool)
{
    // The overview is reached through the Scan button; there is no button to enable.
}

void ApplicationController::setEnableNavigation(bool enable)
{
    // The frame's own state, so each button keeps the one its page gave it.
    m_ui->navigationFrame->setEnabled(enable);
}

void ApplicationController::setShowOverviewPage(bool show)
{
    m_bShowOverviewPage = show;
}

qint64 ApplicationController::savedErrorCount() const
{
    return UserDefaults::standardUserDefaults().integerForKey(QStringLiteral("ERRORS_FOUND"));
}

void ApplicationController::setSecuredJunkItemsFound(bool found)
{
    m_securedJunkItemsFound = found;
}

void ApplicationController::showAlert(const QString& message)
{
    Alert::show(message, m_mainWindow);
}

QStackedWidget* ApplicationController::pagesTabView() const
{
    return m_ui->pagesTabView;
}

void ApplicationController::reopen()
{
    const bool visible = m_mainWindow->isVisible() && !m_mainWindow->isMinimized();
    m_mainWindow->raise();
    m_mainWindow->activateWindow();
    applicationShouldHandleReopen(visible);
}

bool ApplicationController::applicationShouldHandleReopen(bool hasVisibleWindows)
{
    if (!hasVisibleWindows) {
        m_mainWindow->setWindowState(m_mainWindow->windowState() & ~Qt::WindowMinimized);
        m_mainWindow->show();
        m_mainWindow->raise();
        m_mainWindow->activateWindow();
    }
    return true;
}

void ApplicationController::applicationShouldTerminate()
{
    m_fixPageController->destroyRights();
    SystemLog::write(QStringLiteral("Velmora Exite Sucessfully"));
}

QPushButton* ApplicationController::scanButton() const
{
    return m_ui->scanButton;
}
QPushButton* ApplicationController::reviewButton() const
{
    return m_ui->reviewButton;
}
QPushButton* ApplicationController::fixButton() const
{
    return m_ui->fixButton;
}
QPushButton* ApplicationController::optionsButton() const
{
    return m_ui->optionsButton;
}
QPushButton* ApplicationController::toolsButton() const
{
    return m_ui->toolsButton;
}
QLabel* ApplicationController::editionText() const
{
    return m_ui->editionText;
}
