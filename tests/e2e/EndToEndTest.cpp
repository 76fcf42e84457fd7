#include "e2e/SandboxDefinitions.h"
#include "results/MTUOutlineView.h"
#include "scan/ScanPageController.h"
#include "shell/ApplicationController.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemModel>
#include <QFileInfo>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>

namespace {

template <typename T> T* widget(ApplicationController& app, const char* name)
{
    T* found = app.window()->findChild<T*>(QLatin1String(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

QModelIndex findLeaf(const QAbstractItemModel* model, const QString& name, const QModelIndex& parent = {})
{
    for (int row = 0; row < model->rowCount(parent); ++row) {
        const QModelIndex index = model->index(row, 0, parent);
        if (index.data().toString() == name && model->rowCount(index) == 0)
            return index;
        if (const QModelIndex found = findLeaf(model, name, index); found.isValid())
            return found;
    }
    return {};
}

// One whole road through the real window: first start, scan, review, fix with
// one path unticked, and the files on disk afterwards.
TEST(EndToEnd, ScanReviewUntickRemoveAndBackToTheOverview)
{
    Sandbox sandbox;
    useSandboxDefinitions(sandbox);

    const QString keep = sandbox.makeFile("home/.cache/opera/Cache/Cache_Data/f_000001");
    const QString drop = sandbox.makeFile("home/.cache/opera/Cache/Cache_Data/f_000002");
    const QString cookies = sandbox.makeFile("home/.mozilla/firefox/k3x9.default-release/cookies.sqlite");
    const QString bookmarks = sandbox.makeFile("home/.mozilla/firefox/k3x9.default-release/bookmarks.html");

    ApplicationController app;
    app.awakeFromNib();
    app.window()->show(); // rows get their places on screen only in a shown window
    EXPECT_EQ(widget<QLabel>(app, "overviewPageStatus")->text(), "Never Scanned!");

    QSignalSpy scanEnded(app.scanPageController(), &ScanPageController::scanThreadFinished);
    widget<QAbstractButton>(app, "overviewPageScanNowButton")->click();
    EXPECT_EQ(app.pagesTabView()->currentIndex(), int(ApplicationController::ScanPage));
    ASSERT_TRUE(scanEnded.count() > 0 || scanEnded.wait(60000));
    QCoreApplication::processEvents();
    EXPECT_EQ(app.scanPageController()->nTotalErrorsCount(), 3);

    app.reviewButton()->click();
    EXPECT_EQ(app.pagesTabView()->currentIndex(), int(ApplicationController::ReviewPage));

    widget<QAbstractButton>(app, "reviewPageFixNowButton")->click();
    EXPECT_EQ(app.pagesTabView()->currentIndex(), int(ApplicationController::FixPage));
    auto* outline = widget<MTUOutlineView>(app, "fixOutlineView");
    const QModelIndex keepIndex = findLeaf(outline->model(), keep);
    ASSERT_TRUE(keepIndex.isValid());
    QSignalSpy toggled(outline, &MTUOutlineView::checkBoxToggled);
    // Untick it the way a user does: a click on its check box at the start of the row.
    outline->scrollTo(keepIndex);
    QCoreApplication::processEvents();
    const QRect row = outline->visualRect(keepIndex);
    QTest::mouseClick(outline->viewport(), Qt::LeftButton, {}, QPoint(row.left() + 9, row.center().y()));
    ASSERT_EQ(toggled.count(), 1);

    sandbox.clearRecords();
    widget<QAbstractButton>(app, "fixPageFixButton")->click();

    EXPECT_EQ(app.pagesTabView()->currentIndex(), int(ApplicationController::OverviewPage));
    EXPECT_EQ(widget<QLabel>(app, "overviewPageStatus")->text(), "Recently Scanned!");

    EXPECT_TRUE(QFileInfo::exists(keep)) << "the unticked path must stay";
    EXPECT_FALSE(QFileInfo::exists(drop));
    EXPECT_FALSE(QFileInfo::exists(cookies));
    EXPECT_TRUE(QFileInfo::exists(bookmarks)) << "nothing that was not listed may go";
    EXPECT_FALSE(QFileInfo::exists(sandbox.locations().resultsFile()));
}

} // namespace
