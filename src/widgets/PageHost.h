#pragma once

#include <QtGlobal>

class QString;

// What a page may ask of the window that holds it: switch pages, enable the
// navigation buttons, show an alert, share the one flag between the results
// tree and the fix page, and reach the few operations of other pages that a
// page starts. Pages get it when they are built and know nothing else of the
// window or of each other, so each can be built and tested on its own.
class PageHost {
public:
    // Page indices of the window; 2 is held by no page.
    enum Page { OverviewPage = 0, ScanPage = 1, ReviewPage = 3, OptionsPage = 4, ToolsPage = 5, FixPage = 6 };

    PageHost() = default;
    virtual ~PageHost() = default;
    Q_DISABLE_COPY_MOVE(PageHost)

    virtual void setView(int index) = 0;
    virtual void setEnableReviewButton(bool enable) = 0;
    virtual void setEnableFixButton(bool enable) = 0;
    virtual void setEnableOptionsButton(bool enable) = 0;
    virtual void setEnableOverviewButton(bool enable) = 0;
    // Every navigation button at once, for as long as a page must not be left;
    // enabling again gives each button back the state it had.
    virtual void setEnableNavigation(bool enable) = 0;
    virtual void setShowOverviewPage(bool show) = 0;
    virtual bool securedJunkItemsFound() const = 0;
    virtual void setSecuredJunkItemsFound(bool found) = 0;
    // A modal information message with one "OK" button; returns once it is dismissed.
    virtual void showAlert(const QString& message) = 0;

    virtual void displayReviewPage() = 0;
    virtual void showFixPage() = 0;
    virtual void showAboutPanel() = 0;

    // Operations of other pages, carried out by the page that owns them.
    virtual void startScanning() = 0;
    virtual void drawOverviewPage() = 0;
    virtual void overviewPageCreateUI() = 0;
};
