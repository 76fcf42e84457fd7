#include "platform/Localization.h"
#include "platform/UserDefaults.h"
#include "shell/ApplicationController.h"
#include "startup/LoginItem.h"
#include "startup/OptionsPageController.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QWidget>

#include <memory>

namespace {

// One start of the program: a fresh page and controller over the same sandbox.
struct OptionsPage {
    QWidget page;
    OptionsPageController controller { &page };

    QCheckBox* startupBox() { return page.findChild<QCheckBox*>("optionsPageAddtoStartupButton"); }
    QPushButton* aboutButton() { return page.findChild<QPushButton*>("optionsPageAboutButton"); }
    QLabel* title() { return page.findChild<QLabel*>("optionsPageTitleText"); }
};

class OptionsPageTest : public ::testing::Test {
protected:
    OptionsPageTest()
        : m_language(Localization::language())
    {
        Localization::setLanguage(QString());
    }
    ~OptionsPageTest() override { Localization::setLanguage(m_language); }

    QString installProgram() { return sandbox.makeFile("usr/bin/velmora", "#!/bin/sh\n"); }
    QString ownPath() const { return sandbox.locations().ownExecutable; }
    QStringList entryFiles() const
    {
        return QDir(sandbox.locations().autostartFolder).entryList({ "*.desktop" }, QDir::Files);
    }
    static void markFirstRunDone()
    {
        UserDefaults::standardUserDefaults().setBool(true, "ISFIRSTRUN");
    }

    Sandbox sandbox;

private:
    QString m_language;
};

TEST_F(OptionsPageTest, ShowsItsTextsInEnglishWithoutATable)
{
    markFirstRunDone();
    OptionsPage options;
    options.controller.optionsPageCreateUI();
    EXPECT_EQ(options.title()->text(), "Velmora Options");
    EXPECT_EQ(options.startupBox()->text(), "Add to Startup Items");
    EXPECT_EQ(options.startupBox()->toolTip(), "Check if you want Velmora to start when system starts");
    EXPECT_EQ(options.aboutButton()->text(), "About");
    EXPECT_EQ(options.aboutButton()->toolTip(), "About");
    EXPECT_FALSE(options.aboutButton()->icon().isNull());
}

TEST_F(OptionsPageTest, FirstRunRegistersOnceOnly)
{
    installProgram();
    {
        OptionsPage first;
        first.controller.optionsPageCreateUI();
        EXPECT_TRUE(first.startupBox()->isChecked());
    }
    UserDefaults::reload();
    EXPECT_TRUE(UserDefaults::standardUserDefaults().boolForKey("ISFIRSTRUN"));
    EXPECT_TRUE(UserDefaults::standardUserDefaults().boolForKey("STARTATBOOT"));
    EXPECT_EQ(LoginItem::indexForLoginItemWithPath(ownPath()), 0);

    OptionsPage second;
    second.controller.optionsPageCreateUI();
    EXPECT_EQ(entryFiles().size(), 1);
    EXPECT_TRUE(second.startupBox()->isChecked());
}

TEST_F(OptionsPageTest, FirstRunElsewhereIsNotTriedAgain)
{
    {
        OptionsPage first;
        first.controller.optionsPageCreateUI();
        EXPECT_FALSE(first.startupBox()->isChecked());
    }
    EXPECT_TRUE(sandbox.logged("Couldn't add login item error -43"));
    EXPECT_TRUE(UserDefaults::standardUserDefaults().boolForKey("ISFIRSTRUN"));

    installProgram();
    sandbox.clearRecords();
    OptionsPage second;
    second.controller.optionsPageCreateUI();
    EXPECT_TRUE(entryFiles().isEmpty());
    EXPECT_TRUE(sandbox.logLines().isEmpty());
}

TEST_F(OptionsPageTest, FirstRunThatCannotBeSavedRegistersNothing)
{
    installProgram();
    Locations locations = sandbox.locations();
    locations.userDefaultsFile = sandbox.makeFile("blocker") + "/Velmora.conf";
    sandbox.setLocations(locations);

    OptionsPage options;
    options.controller.optionsPageCreateUI();
    EXPECT_TRUE(entryFiles().isEmpty());
    EXPECT_TRUE(
        sandbox.logged("Could not save the first-run settings; Velmora is not added to the login items"));
    EXPECT_FALSE(options.startupBox()->isChecked());
}

TEST_F(OptionsPageTest, CheckBoxAddsAndRemovesTheLoginItem)
{
    installProgram();
    markFirstRunDone();
    OptionsPage options;
    options.controller.optionsPageCreateUI();
    ASSERT_FALSE(options.startupBox()->isChecked());
    EXPECT_TRUE(entryFiles().isEmpty()) << "setting the box up must not count as a click";

    options.startupBox()->click();
    EXPECT_EQ(LoginItem::indexForLoginItemWithPath(ownPath()), 0);

    options.startupBox()->click();
    EXPECT_EQ(LoginItem::indexForLoginItemWithPath(ownPath()), -1);
    EXPECT_TRUE(entryFiles().isEmpty());

    sandbox.clearRecords();
    options.startupBox()->setChecked(true);
    options.startupBox()->click();
    EXPECT_TRUE(sandbox.logged("optionsPageAddtoStartupClick - Could not get valid loginItems"));
}

TEST_F(OptionsPageTest, TickingTwiceLeavesOneItemAfterUnticking)
{
    installProgram();
    markFirstRunDone();
    OptionsPage options;
    options.controller.optionsPageCreateUI();
    options.startupBox()->click();
    options.startupBox()->setChecked(false);
    options.startupBox()->click();
    ASSERT_EQ(entryFiles().size(), 2);

    options.startupBox()->click();
    EXPECT_EQ(entryFiles(), QStringList { "velmora-2.desktop" });
    EXPECT_FALSE(options.startupBox()->isChecked());
}

TEST_F(OptionsPageTest, UntickingWhenTheListCannotBeRead)
{
    installProgram();
    markFirstRunDone();
    OptionsPage options;
    options.controller.optionsPageCreateUI();
    options.startupBox()->setChecked(true);

    Locations locations = sandbox.locations();
    locations.autostartFolder = sandbox.makeFile("not-a-folder");
    sandbox.setLocations(locations);
    sandbox.clearRecords();
    options.startupBox()->click();
    EXPECT_EQ(sandbox.logLines(), QStringList({ "Couldn't list login items error -36",
                                      "optionsPageAddtoStartupClick - Could not get valid loginItems" }));
}

TEST_F(OptionsPageTest, AboutButtonBringsUpTheAboutPanel)
{
    markFirstRunDone();
    auto application = std::make_unique<ApplicationController>();
    QWidget* page = application->pagesTabView()->widget(ApplicationController::OptionsPage);
    application->optionsPageController()->optionsPageCreateUI();
    ASSERT_FALSE(application->aboutPanel()->isVisible());

    page->findChild<QPushButton*>("optionsPageAboutButton")->click();
    EXPECT_TRUE(application->aboutPanel()->isVisible());
    application->aboutPanel()->hide();
}

} // namespace
