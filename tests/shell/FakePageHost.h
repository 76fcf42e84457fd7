#pragma once

#include "platform/Alert.h"
#include "widgets/PageHost.h"

#include <QString>
#include <QStringList>

// The window a page lives in, as far as the page can tell: keeps what the page
// asked for, and writes every request down in order. Alerts go through the one
// alert function, as the real window sends them, so a sandbox records them.
class FakePageHost final : public PageHost {
public:
    void setView(int index) override { calls << QStringLiteral("setView %1").arg(index); }
    void setEnableReviewButton(bool enable) override { reviewEnabled = enable; }
    void setEnableFixButton(bool enable) override { fixEnabled = enable; }
    void setEnableOptionsButton(bool) override { }
    void setEnableOverviewButton(bool) override { }
    void setEnableNavigation(bool enable) override { navigationEnabled = enable; }
    void setShowOverviewPage(bool show) override { showOverviewPage = show; }
    bool securedJunkItemsFound() const override { return secured; }
    void setSecuredJunkItemsFound(bool found) override { secured = found; }
    void showAlert(const QString& message) override { Alert::show(message); }
    void displayReviewPage() override { calls << QStringLiteral("displayReviewPage"); }
    void showFixPage() override { calls << QStringLiteral("showFixPage"); }
    void showAboutPanel() override { calls << QStringLiteral("showAboutPanel"); }
    void startScanning() override { calls << QStringLiteral("startScanning"); }
    void drawOverviewPage() override { calls << QStringLiteral("drawOverviewPage"); }
    void overviewPageCreateUI() override { calls << QStringLiteral("overviewPageCreateUI"); }

    bool reviewEnabled = true;
    bool fixEnabled = true;
    bool navigationEnabled = true;
    bool showOverviewPage = true;
    bool secured = false;
    QStringList calls;
};
