#include "platform/Localization.h"
#include "platform/UserDefaults.h"
#include "shell/FakePageHost.h"
#include "startup/LoginItem.h"
#include "startup/OptionsPageController.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>

namespace {

// One start of the program: a fresh page over the same sandbox.
struct OptionsPage {
    OptionsPage() { controller.optionsPageCreateUI(); }
    QCheckBox* box() { return page.findChild<QCheckBox*>("optionsPageAddtoStartupButton"); }

    // Sets the box as the program shows the store's state, which is no request to change it.
    void showTicked(bool ticked)
    {
        const QSignalBlocker quiet(box());
        box()->setChecked(ticked);
    }

    QWidget page;
    FakePageHost host;
    OptionsPageController controller { &page, host };
};

class OptionsPageTest : public ::testing::Test {
protected:
    OptionsPageTest() { Localization::setLanguage(QString()); }
    ~OptionsPageTest() override { Localization::setLanguage(m_language); }

    void installProgram() { sandbox.makeFile("usr/bin/velmora", "#!/bin/sh\n"); }
    qint32 ownIndex() const
    {
        return LoginItem::indexForLoginItemWithPath(sandbox.locations().ownExecutable);
    }
    QStringList entryFiles() const
    {
        return QDir(sandbox.locations().autostartFolder).entryList(QDir::Files);
    }
    static void markFirstRunDone() { UserDefaults::standardUserDefaults().setBool(true, "ISFIRSTRUN"); }

    Sandbox sandbox;

private:
    QString m_language = Localization::language();
};

TEST_F(OptionsPageTest, FirstRunRegistersOnceAndShowsTheTexts)
{
    installProgram();
    {
        OptionsPage first;
        EXPECT_TRUE(first.box()->isChecked());
        EXPECT_EQ(first.page.findChild<QLabel*>("optionsPageTitleText")->text(), "Velmora Options");
        EXPECT_EQ(first.box()->text(), "Add to Startup Items");
        EXPECT_EQ(first.box()->toolTip(), "Check if you want Velmora to start when system starts");
        const QPushButton* about = first.page.findChild<QPushButton*>("optionsPageAboutButton");
        EXPECT_EQ(about->text(), "About");
        EXPECT_EQ(about->toolTip(), "About");
        EXPECT_FALSE(about->icon().isNull());
    }
    UserDefaults::reload();
    EXPECT_TRUE(UserDefaults::standardUserDefaults().boolForKey("ISFIRSTRUN"));
    EXPECT_TRUE(UserDefaults::standardUserDefaults().boolForKey("STARTATBOOT"));
    OptionsPage second;
    EXPECT_EQ(entryFiles().size(), 1);
    EXPECT_TRUE(second.box()->isChecked());
}

TEST_F(OptionsPageTest, FirstRunElsewhereIsNotTriedAgain)
{
    EXPECT_FALSE(OptionsPage().box()->isChecked());
    EXPECT_TRUE(sandbox.logged("Couldn't add login item error -43"));
    installProgram();
    sandbox.clearRecords();
    OptionsPage second;
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
    EXPECT_TRUE(entryFiles().isEmpty());
    EXPECT_TRUE(
        sandbox.logged("Could not save the first-run settings; Velmora is not added to the login items"));
}

TEST_F(OptionsPageTest, CheckBoxAddsAndRemovesTheLoginItem)
{
    installProgram();
    markFirstRunDone();
    OptionsPage options;
    ASSERT_FALSE(options.box()->isChecked());
    EXPECT_TRUE(entryFiles().isEmpty()) << "setting the box up must not count as a click";

    options.box()->click();
    EXPECT_EQ(ownIndex(), 0);
    options.box()->click();
    EXPECT_EQ(ownIndex(), -1);

    sandbox.clearRecords();
    options.showTicked(true);
    options.box()->click();
    EXPECT_TRUE(sandbox.logged("optionsPageAddtoStartupClick - Could not get valid loginItems"));

    // Ticking while an item exists adds a second; unticking removes the first only.
    options.box()->click();
    options.showTicked(false);
    options.box()->click();
    options.box()->click();
    EXPECT_EQ(entryFiles(), QStringList { "velmora-2.desktop" });

    Locations locations = sandbox.locations();
    locations.autostartFolder = sandbox.makeFile("not-a-folder");
    sandbox.setLocations(locations);
    sandbox.clearRecords();
    options.showTicked(true);
    options.box()->click();
    EXPECT_EQ(sandbox.logLines(),
        QStringList({ "Couldn't list login items error -36",
            "optionsPageAddtoStartupClick - Could not get valid loginItems" }));
}

TEST_F(OptionsPageTest, AboutButtonBringsUpTheAboutPanel)
{
    markFirstRunDone();
    OptionsPage options;
    options.page.findChild<QPushButton*>("optionsPageAboutButton")->click();
    EXPECT_EQ(options.host.calls, QStringList { "showAboutPanel" });
}

} // namespace
