#pragma once

#include <QObject>

#include <memory>

class QButtonGroup;
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
// every page. There is one instance, reached through applicationController().
class ApplicationController final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ApplicationController)

public:
    // Page indices of the stacked pages; 2 is held by no page.
    enum Page { OverviewPage = 0, ScanPage = 1, ReviewPage = 3, OptionsPage = 4, ToolsPage = 5, FixPage = 6 };

    // Builds the window and the controllers and records itself as the one instance.
    ApplicationController();
    ~ApplicationController() override;

    // The one instance; creates it when none exists yet.
    static ApplicationController* applicationController();

    // The start-up sequence, once the window is built.
    void awakeFromNib();

    void showScanPage();
    void showReviewPage();
    void displayReviewPage();
    void showFixPage();
    void showOptionsPage();
    void showToolsPage();
    void showAboutPanel();

    void setView(int index);
    QObject* controllerWithId(int index) const;

    void setEnableReviewButton(bool enable);
    void setEnableFixButton(bool enable);
    void setEnableOptionsButton(bool enable);
    void setEnableOverviewButton(bool enable);
    void setShowOverviewPage(bool show);
    bool showOverviewPage() const { return m_bShowOverviewPage; }
    qint64 savedErrorCount() const;
    bool securedJunkItemsFound() const { return m_securedJunkItemsFound; }
    void setSecuredJunkItemsFound(bool found);

    // A modal information message with one "OK" button.
    void showAlert(const QString& message);

    QMainWindow* window() const { return m_mainWindow; }
    QMainWindow* appWindow() const { return m_mainWindow; }
    void setAppWindow(QMainWindow* window) { m_mainWindow = window; }
    QDialog* aboutPanel() const { return m_aboutPanel; }
    QStackedWidget* pagesTabView() const;

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
    QButtonGroup* m_navigationGroup = nullptr;
    bool m_securedJunkItemsFound = false;
    bool m_bShowOverviewPage = false;
};
