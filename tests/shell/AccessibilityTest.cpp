#include "ShellFixture.h"

#include "platform/UserDefaults.h"
#include "scan/ScanPageController.h"
#include "scan/ScanTestSupport.h"
#include "startup/LoginItem.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QCheckBox>
#include <QDialog>
#include <QStackedWidget>
#include <QTest>

#include <functional>

namespace {

using AccessibilityTest = ShellFixture;

} // namespace

// A screen reader, the keyboard and the mouse reach the same operation of every
// control: a navigation button is a button to press, not a box to tick, and the
// start-up box changes the login items however it is toggled.
TEST_F(AccessibilityTest, EveryControlActsTheSameClickedKeyedOrPressedByAnAssistant)
{
    m_sandbox.makeFile(QStringLiteral("usr/bin/velmora"), "#!/bin/sh\n");
    UserDefaults::standardUserDefaults().setBool(true, QStringLiteral("ISFIRSTRUN"));
    useDefinitions(m_sandbox, {}, { QStringLiteral("~/no-logs") }, { QStringLiteral("~/no-cache") });
    ApplicationController& app = start();
    app.window()->show();
    const auto page = [&app] { return app.pagesTabView()->currentIndex(); };
    auto* box = widget<QCheckBox>("optionsPageAddtoStartupButton");
    bool wasTicked = false;
    // A scan counts once its thread has ended: until then another start is only deferred.
    int scansEnded = 0;
    int scansEndedBefore = 0;
    QObject::connect(app.scanPageController(), &ScanPageController::scanThreadFinished, &app,
        [&scansEnded] { ++scansEnded; });
    const auto alerted
        = [this](const char* text) { return m_sandbox.alerts().contains(QLatin1String(text)); };

    struct Row {
        const char* control;
        int showFirst; // the page the control is on; 2 is an empty page
        std::function<bool()> acted;
    };
    const Row rows[] = {
        { "scanButton", 2, [&] { return page() == PageHost::OverviewPage; } },
        { "fixButton", 2, [&] { return page() == PageHost::FixPage; } },
        { "toolsButton", 2, [&] { return page() == PageHost::ToolsPage; } },
        { "reviewPageFixNowButton", PageHost::ReviewPage, [&] { return page() == PageHost::FixPage; } },
        { "fixPageFixButton", PageHost::FixPage,
            [&] {
                return alerted(
                    "There are no junk items to be removed. Please scan your system and try again!");
            } },
        { "optionsPageAddtoStartupButton", PageHost::OptionsPage,
            [&] {
                const bool listed
                    = LoginItem::indexForLoginItemWithPath(m_sandbox.locations().ownExecutable) >= 0;
                return box->isChecked() != wasTicked && listed == box->isChecked();
            } },
        { "optionsPageAboutButton", PageHost::OptionsPage, [&] { return app.aboutPanel()->isVisible(); } },
        { "aboutPanelCloseButton", PageHost::OptionsPage, [&] { return !app.aboutPanel()->isVisible(); } },
        { "overviewPageScanNowButton", PageHost::OverviewPage,
            [&] { return page() == PageHost::ScanPage && scansEnded > scansEndedBefore; } },
    };
    const std::pair<const char*, std::function<void(QAbstractButton*)>> drivers[] = {
        { "clicked",
            [](QAbstractButton* control) {
                // A check box takes clicks on its box and its words, which start at its left edge.
                const int middle = control->height() / 2;
                const bool box = qobject_cast<QCheckBox*>(control) != nullptr;
                QTest::mouseClick(
                    control, Qt::LeftButton, {}, box ? QPoint(middle, middle) : control->rect().center());
            } },
        { "keyed", [](QAbstractButton* control) { QTest::keyClick(control, Qt::Key_Space); } },
        { "assistant",
            [](QAbstractButton* control) {
                QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
                const bool box = qobject_cast<QCheckBox*>(control) != nullptr;
                EXPECT_EQ(accessible->role(), box ? QAccessible::CheckBox : QAccessible::Button);
                const QString action = box ? QAccessibleActionInterface::toggleAction()
                                           : QAccessibleActionInterface::pressAction();
                ASSERT_TRUE(accessible->actionInterface()->actionNames().contains(action));
                accessible->actionInterface()->doAction(action);
            } },
    };
    for (const auto& [driver, act] : drivers) {
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(driver) + " " + row.control);
            // Each row starts from a window whose navigation leads everywhere.
            app.setEnableReviewButton(true);
            app.setEnableFixButton(true);
            app.setShowOverviewPage(true);
            app.setView(row.showFirst);
            m_sandbox.clearRecords();
            wasTicked = box->isChecked();
            scansEndedBefore = scansEnded;
            act(widget<QAbstractButton>(row.control));
            EXPECT_TRUE(QTest::qWaitFor(row.acted, 5000));
        }
    }
}
