#include "e2e/SandboxDefinitions.h"
#include "removal/BrowserDatabases.h"
#include "scan/ScanPageController.h"
#include "shell/ApplicationController.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDir>
#include <QFileInfo>
#include <QMainWindow>
#include <QSignalSpy>
#include <QStackedWidget>

namespace {

// A home as the browsers leave it, scanned and cleaned with the shipped definitions.
TEST(EndToEnd, EveryBrowserIsScannedAndRemovalKeepsBookmarksAddressesAndSearchEngines)
{
    Sandbox sandbox;
    useSandboxDefinitions(sandbox);
    const QString home = sandbox.locations().home;

    QStringList junk;
    QStringList kept;
    const auto files = [&](QStringList* list, const QString& folder, const QStringList& names) {
        for (const QString& name : names)
            *list << sandbox.makeFile(
                QDir(sandbox.root()).relativeFilePath(home + u'/' + folder + u'/' + name));
    };
    for (const char* profile : { ".mozilla/firefox/k3x9.default-release-1732624945171",
             "snap/firefox/common/.mozilla/firefox/ab12.default",
             ".var/app/org.mozilla.firefox/.mozilla/firefox/cd34.default-release" }) {
        files(&junk, profile, { "cookies.sqlite", "formhistory.sqlite" });
        files(&kept, profile, { "key4.db", "bookmarkbackups/bookmarks-2026-01-01.jsonlz4" });
    }
    for (const char* cache : { ".cache/mozilla/firefox/k3x9.default-release-1732624945171",
             ".cache/chromium/Default", ".cache/google-chrome/Default",
             ".cache/BraveSoftware/Brave-Browser/Default", ".cache/microsoft-edge/Default",
             ".cache/vivaldi/Default", "snap/chromium/common/.cache/chromium/Default" })
        files(&junk, cache, { "Cache/Cache_Data/f_000001" });
    for (const char* userData : { ".config/chromium", ".config/google-chrome",
             ".config/BraveSoftware/Brave-Browser", ".config/microsoft-edge", ".config/vivaldi",
             "snap/chromium/common/chromium", ".var/app/org.chromium.Chromium/config/chromium" }) {
        files(
            &junk, QString::fromLatin1(userData) + "/Default", { "History", "Favicons", "Network/Cookies" });
        files(&junk, QString::fromLatin1(userData) + "/Profile 1", { "Visited Links", "Top Sites" });
        files(
            &kept, QString::fromLatin1(userData) + "/Default", { "Bookmarks", "Login Data", "Preferences" });
        files(&kept, QString::fromLatin1(userData), { "Local State" });
    }
    const QString places = home + "/.mozilla/firefox/k3x9.default-release-1732624945171/places.sqlite";
    BrowserDatabases::makePlaces(places);
    const QString webData = home + "/.config/google-chrome/Default/Web Data";
    BrowserDatabases::makeWebData(webData, BrowserDatabases::WebDataLayout::New);

    ApplicationController app;
    app.awakeFromNib();
    QSignalSpy scanEnded(app.scanPageController(), &ScanPageController::scanThreadFinished);
    app.scanPageController()->startScanning();
    ASSERT_TRUE(scanEnded.count() > 0 || scanEnded.wait(60000));
    // The two databases, and the Firefox cache's two folders: that walk lists everything in a profile.
    EXPECT_EQ(app.scanPageController()->nTotalErrorsCount(), junk.size() + 4);

    app.showFixPage();
    ASSERT_EQ(app.pagesTabView()->currentIndex(), int(ApplicationController::FixPage));
    app.window()->findChild<QAbstractButton*>("fixPageFixButton")->click();

    ASSERT_FALSE(sandbox.alerts().isEmpty());
    EXPECT_EQ(sandbox.alerts().last(), "Velmora has removed the junk successfully!");
    for (const QString& path : junk)
        EXPECT_FALSE(QFileInfo::exists(path)) << qPrintable(path);
    for (const QString& path : kept)
        EXPECT_TRUE(QFileInfo::exists(path)) << qPrintable(path);
    EXPECT_EQ(BrowserDatabases::rows(places, "SELECT count(*) FROM moz_bookmarks WHERE fk NOT NULL"),
        QStringList { "4" });
    EXPECT_EQ(BrowserDatabases::rows(places, "SELECT count(*) FROM moz_historyvisits"), QStringList { "0" });
    EXPECT_EQ(BrowserDatabases::rows(webData, "SELECT count(*) FROM autofill"), QStringList { "0" });
    EXPECT_EQ(BrowserDatabases::rows(webData, "SELECT guid FROM addresses"), QStringList { "addr-1" });
    EXPECT_EQ(
        BrowserDatabases::rows(webData, "SELECT short_name FROM keywords"), QStringList { "DuckDuckGo" });
}

} // namespace
