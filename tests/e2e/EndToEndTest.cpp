#include "e2e/SandboxDefinitions.h"
#include "removal/FixPageController.h"
#include "results/MTUOutlineView.h"
#include "scan/ScanPageController.h"
#include "shell/ShellFixture.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <QTreeView>

namespace {

using EndToEnd = ShellFixture;

// One whole road through the real window with the shipped definitions, over a
// home as every browser leaves it: first start, scan, review, fix with one path
// unticked, and the files afterwards. How the fix page cleans the databases
// that hold bookmarks is its own test's.
TEST_F(EndToEnd, ScanReviewUntickAndRemoveKeepEveryBrowsersBookmarksAndLogins)
{
    useSandboxDefinitions(m_sandbox);
    const QString home = m_sandbox.locations().home;

    QStringList junk;
    QStringList kept;
    const auto files = [&](QStringList* list, const QString& folder, const QStringList& names) {
        for (const QString& name : names)
            *list << m_sandbox.makeFile("home/" + folder + u'/' + name);
    };
    // "Work" is found only through profiles.ini, as a profile the user named is.
    kept << m_sandbox.makeFile(
        "home/.mozilla/firefox/profiles.ini", "[Profile0]\nName=Work\nIsRelative=1\nPath=Work\n");
    for (const QString& profile : QStringList { ".mozilla/firefox/k3x9.default-release-1732624945171",
             "snap/firefox/common/.mozilla/firefox/ab12.default",
             ".var/app/org.mozilla.firefox/.mozilla/firefox/cd34.default-release", ".mozilla/firefox/Work",
             ".config/mozilla/firefox/ef56.default-release", ".librewolf/gh78.default-default" }) {
        files(&junk, profile, { "cookies.sqlite", "formhistory.sqlite" });
        files(&kept, profile, { "key4.db", "bookmarks.html", "bookmarkbackups/bookmarks.jsonlz4" });
    }
    for (const QString& cache : QStringList { ".cache/mozilla/firefox/k3x9.default-release-1732624945171",
             ".cache/chromium/Default", ".cache/google-chrome/Default",
             ".cache/BraveSoftware/Brave-Browser/Default", ".cache/microsoft-edge/Default",
             ".cache/vivaldi/Default", "snap/chromium/common/.cache/chromium/Default", ".cache/opera",
             ".cache/librewolf/gh78.default-default" })
        files(&junk, cache, { "Cache/Cache_Data/f_000001" });
    // A snap's own home is the revision "current" leads to.
    QDir().mkpath(home + "/snap/brave/x1");
    ASSERT_TRUE(QFile::link("x1", home + "/snap/brave/current"));
    for (const QString& userData : QStringList { ".config/chromium", ".config/google-chrome",
             ".config/BraveSoftware/Brave-Browser", ".config/microsoft-edge", ".config/vivaldi",
             "snap/chromium/common/chromium", ".var/app/org.chromium.Chromium/config/chromium",
             "snap/brave/current/.config/BraveSoftware/Brave-Browser" }) {
        files(&junk, userData + "/Default",
            { "History", "Network/Cookies", "Code Cache/js/index", "GPUCache/data_0" });
        files(&junk, userData, { "ShaderCache/data_0" });
        files(&junk, userData + "/Profile 1", { "Visited Links", "Top Sites" });
        files(&kept, userData + "/Default", { "Bookmarks", "Login Data", "Preferences" });
        files(&kept, userData, { "Local State" });
        // Not a person's profile.
        files(&kept, userData + "/Guest Profile", { "History" });
    }
    // A profile that is a link leads out of the browser's folder: nothing there goes.
    files(&kept, "elsewhere", { "History" });
    ASSERT_TRUE(QFile::link(home + "/elsewhere", home + "/.config/chromium/Profile 2"));
    files(&kept, ".cache/opera/Cache/Cache_Data", { "f_000002" });

    ApplicationController& app = start();
    app.window()->show(); // rows get their places on screen only in a shown window
    EXPECT_EQ(widget<QLabel>("overviewPageStatus")->text(), "Never Scanned!");

    QSignalSpy scanEnded(app.scanPageController(), &ScanPageController::scanThreadFinished);
    widget<QAbstractButton>("overviewPageScanNowButton")->click();
    EXPECT_EQ(app.pagesTabView()->currentIndex(), int(ApplicationController::ScanPage));
    ASSERT_TRUE(scanEnded.count() > 0 || scanEnded.wait(60000));
    QCoreApplication::processEvents();
    // The path to be unticked, and the Firefox and LibreWolf caches' two folders each: that walk lists
    // everything in a profile.
    EXPECT_EQ(app.scanPageController()->nTotalErrorsCount(), junk.size() + 5);

    app.reviewButton()->click();
    EXPECT_EQ(app.pagesTabView()->currentIndex(), int(ApplicationController::ReviewPage));
    EXPECT_EQ(widget<QLabel>("reviewPageTitleText")->text(),
        QString("Velmora has found %1 Junk Items on your system").arg(junk.size() + 5));
    // Shown fully expanded, without check boxes.
    const auto* review = widget<QTreeView>("reviewOutlineView");
    const QModelIndex group = review->model()->index(0, 0, review->model()->index(0, 0));
    EXPECT_TRUE(review->isExpanded(group.parent()) && review->isExpanded(group));
    EXPECT_FALSE(review->model()->index(0, 0, group).data(Qt::DecorationRole).isValid());
    widget<QAbstractButton>("reviewPageFixNowButton")->click();
    EXPECT_EQ(app.pagesTabView()->currentIndex(), int(ApplicationController::FixPage));
    auto* outline = widget<MTUOutlineView>("fixOutlineView");
    const QModelIndexList rows = outline->model()->match(outline->model()->index(0, 0), Qt::DisplayRole,
        kept.last(), 1, Qt::MatchExactly | Qt::MatchRecursive);
    ASSERT_EQ(rows.size(), 1);
    const QModelIndex keepIndex = rows.first();
    QSignalSpy toggled(outline, &MTUOutlineView::checkBoxToggled);
    // Untick it the way a user does: a click on its check box at the start of the row.
    outline->scrollTo(keepIndex);
    QCoreApplication::processEvents();
    const QRect row = outline->visualRect(keepIndex);
    QTest::mouseClick(outline->viewport(), Qt::LeftButton, {}, QPoint(row.left() + 9, row.center().y()));
    ASSERT_EQ(toggled.count(), 1);

    QSignalSpy removed(app.fixPageController(), &FixPageController::removalFinished);
    widget<QAbstractButton>("fixPageFixButton")->click();
    EXPECT_FALSE(app.scanButton()->isEnabled()) << "no page can be left while the removal runs";
    ASSERT_TRUE(removed.wait(60000));

    ASSERT_FALSE(m_sandbox.alerts().isEmpty());
    EXPECT_EQ(m_sandbox.alerts().last(), "Velmora has removed the junk successfully!");
    EXPECT_EQ(app.pagesTabView()->currentIndex(), int(ApplicationController::OverviewPage));
    EXPECT_EQ(widget<QLabel>("overviewPageStatus")->text(), "Recently Scanned!");
    for (const QString& path : junk)
        EXPECT_FALSE(QFileInfo::exists(path)) << qPrintable(path);
    for (const QString& path : kept)
        EXPECT_TRUE(QFileInfo::exists(path)) << qPrintable(path);
    EXPECT_FALSE(QFileInfo::exists(m_sandbox.locations().resultsFile()));
}

} // namespace
