#include "ShellFixture.h"

#include "shell/AboutPageController.h"
#include "shell/MTUButton.h"
#include "shell/MTUTextField.h"

#include <QDesktopServices>
#include <QDialog>
#include <QTest>

namespace {

using AboutPanelTest = ShellFixture;

// Stands in for the desktop's browser while a test clicks a link.
class UrlRecorder final : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public Q_SLOTS:
    void open(const QUrl& url) { opened << url; }
};

} // namespace

TEST_F(AboutPanelTest, TheLinkOpensTheProjectAddressAndCloseHidesThePanel)
{
    ApplicationController& app = start();
    // Until the project has a site of its own, the link must lead nowhere real.
    const QUrl address(AboutPageController::projectAddress());
    EXPECT_TRUE(address.scheme() == "https" && address.host().endsWith(".example.org"))
        << address.toString().toStdString();
    app.showAboutPanel();
    ASSERT_TRUE(app.aboutPanel()->isVisible());
    auto* link = widget<MTUTextField>("aboutPanelLinkTextField");
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler("https", &recorder, "open");
    QTest::mouseClick(
        link, Qt::LeftButton, {}, QPoint(link->contentsRect().left() + 4, link->contentsRect().center().y()));
    QDesktopServices::unsetUrlHandler("https");
    EXPECT_EQ(recorder.opened, QList<QUrl> { address });
    widget<MTUButton>("aboutPanelCloseButton")->click();
    EXPECT_FALSE(app.aboutPanel()->isVisible());
}

#include "AboutPanelTest.moc"
