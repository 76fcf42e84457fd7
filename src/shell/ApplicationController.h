#pragma once

#include "widgets/PageHost.h"

#include <QObject>

#include <memory>

class QDialog;
class QMainWindow;
class QPushButton;
class QLabel;
class QStackedWidget;
class QWidget;
namespace Ui {
class MainWindow;
}
class OverviewPageController;
class ScanPageController;
class ReviewPageController;
class FixPageController;
class ToolsPageController;
class AboutPageController;
class OptionsPageController;
class MainMenuDelegate;

// The centre of the one main window: builds the window and its page
// controllers, switches pages, enables navigation and shows alerts for
// every page. There is one instance, reached through applicationController();
// the pages know it only as their PageHost.
class ApplicationController final : public QObject, public PageHost {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ApplicationController)

public:
    // Builds the window and the controllers and records itself as the one instance.
    ApplicationController();
    ~ApplicationController() override;

    // The one instance; creates it when none exists yet.
    static ApplicationController* applicationController();

    // The start-up sequence, once the window is built.
    void awakeFromNib();

    void showScanPage();
    void showReviewPage();
    void displayReviewPage() override;
    void showFixPage() override;
    void showOptionsPage();
    void showToolsPage();
    void showAboutPanel() override;

    void setView(int index) override;
    QObject* controllerWithId(int index) const;

    void setEnableReviewButton(bool enable) override;
    void setEnableFixButton(bool enable) override;
    void setEnableOptionsButton(bool enable) override;
    void setEnableOverviewButton(bool enable) override;
    void setEnableNavigation(bool enable) override;
    void setShowOverviewPage(bool show) override;
    bool showOverviewPage() const { return m_bShowOverviewPage; }
    qint64 savedErrorCount() const;
    bool securedJunkItemsFound() const override { return m_securedJunkItemsFound; }
    void setSecuredJunkItemsFound(bool found) override;

    void showAlert(const QString& message) override;

    void startScanning() override;
    void drawOverviewPage() override;
    void overviewPageCreateUI() override;

    QMainWindow* window() const { return m_mainWindow; }
    QMainWindow* appWindow() const { return m_mainWindow; }
    void setAppWindow(QMainWindow* window) { m_mainWindow = window; }
    QDialog* aboutPanel() const { return m_aboutPanel; }
    QStackedWidget* pagesTabView() const;

    // The program was started again: the window comes forward, as the desktop
    // would bring forward any application opened again, then the reopen handler runs.
    void reopen();
    // Shows the window when it is hidden or minimised; always agrees.
    bool applicationShouldHandleReopen(bool hasVisibleWindows);
    // Frees what the fix page holds and logs the farewell line; never refuses.
    void applicationShouldTerminate();

    OverviewPageController* overviewPageController() const { return m_overviewPageController; }
    ScanPageController* scanPageController() const { return m_scanPageController; }
    ReviewPageController* reviewPageController() const { return m_reviewPageController; }
    FixPageController* fixPageController() const { return m_fixPageController; }
    ToolsPageController* toolsPageController() const { return m_toolsPageController; }
    AboutPageController* aboutPageController() const { return m_aboutPageController; }
    OptionsPageController* optionsPageController() const { return m_optionsPageController; }

    QPushButton* scanButton() const;
    QPushButton* reviewButton() const;
    QPushButton* fixButton() const;
    QPushButton* optionsButton() const;
    QPushButton* toolsButton() const;
    QLabel* editionText() const;

private:
    QPushButton* navigationButtonForPage(int index) const;

    std::unique_ptr<Ui::MainWindow> m_ui;
    QMainWindow* m_mainWindow = nullptr;
    QDialog* m_aboutPanel = nullptr;
    OverviewPageController* m_overviewPageController = nullptr;
    ScanPageController* m_scanPageController = nullptr;
    ReviewPageController* m_reviewPageController = nullptr;
    FixPageController* m_fixPageController = nullptr;
    ToolsPageController* m_toolsPageController = nullptr;
    AboutPageController* m_aboutPageController = nullptr;
    OptionsPageController* m_optionsPageController = nullptr;
    MainMenuDelegate* m_mainMenuDelegate = nullptr;
    bool m_securedJunkItemsFound = false;
    bool m_bShowOverviewPage = false;
};
