#include "startup/OptionsPageController.h"
#include "platform/UserDefaults.h"
#include "shell/FakePageHost.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>

namespace {

// One start of the program: a fresh page over the same sandbox.
struct OptionsPage {
    OptionsPage() { controller.optionsPageCreateUI(); }
    QCheckBox* box() { return page.findChild<QCheckBox*>("optionsPageAddtoStartupButton"); }
    QWidget page;
    FakePageHost host;
    OptionsPageController controller { &page, host };
};

// The first start registers the program once, and only once a save of that fact worked.
TEST(OptionsPage, FirstRunRegistersOnceWhenItCanBeRemembered)
{
    const struct {
        const char* name;
        bool installed;
        bool savable;
        int entriesAfterTwoStarts;
        const char* logged;
    } rows[] = {
        { "installed", true, true, 1, nullptr },
        { "not installed: not tried again once installed", false, true, 0,
            "Couldn't add login item error -43" },
        { "settings cannot be saved", true, false, 0,
            "Could not save the first-run settings; Velmora is not added to the login items" },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Sandbox sandbox;
        if (!row.savable) {
            Locations locations = sandbox.locations();
            locations.userDefaultsFile = sandbox.makeFile("blocker") + "/Velmora.conf";
            sandbox.setLocations(locations);
        }
        const auto install = [&] { sandbox.makeFile("usr/bin/velmora", "#!/bin/sh\n"); };
        if (row.installed)
            install();
        const bool firstTicked = OptionsPage().box()->isChecked();
        EXPECT_EQ(row.logged != nullptr, sandbox.logged(QString::fromLatin1(row.logged)));
        install();
        UserDefaults::reload();
        const bool secondTicked = OptionsPage().box()->isChecked();
        EXPECT_TRUE(
            !row.savable || (firstTicked == secondTicked && firstTicked == (row.entriesAfterTwoStarts == 1)));
        EXPECT_EQ(QDir(Locations::current().autostartFolder).entryList(QDir::Files).size(),
            row.entriesAfterTwoStarts);
    }
}

} // namespace
