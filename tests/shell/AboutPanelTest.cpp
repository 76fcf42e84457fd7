#include "ShellFixture.h"

#include "shell/AboutPageController.h"
#include "shell/MTUButton.h"
#include "shell/MTUTextField.h"

#include <QDesktopServices>
#include <QDialog>
#include <QLabel>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

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

// The first run of link-styled text in a rich-text label, as Qt reads it.
QTextCharFormat linkFormat(const QString& html)
{
    QTextDocument document;
    document.setHtml(html);
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().isAnchor())
                return it.fragment().charFormat();
        }
    }
    return {};
}

} // namespace

TEST_F(AboutPanelTest, PanelShowsItsTextsAndLinksTheProjectAddress)
{
    ApplicationController& app = start();
    const QString address = AboutPageController::projectAddress();
    // Until the project has a site of its own, the link must lead nowhere real.
    const QUrl url(address);
    EXPECT_EQ(url.scheme(), QStringLiteral("https"));
    EXPECT_TRUE(url.host().endsWith(QStringLiteral(".example.org"))) << address.toStdString();

    auto* close = widget<MTUButton>("aboutPanelCloseButton");
    EXPECT_EQ(close->text(), QStringLiteral("Close"));
    EXPECT_EQ(close->toolTip(), QStringLiteral("Close"));
    EXPECT_EQ(close->normalImageName(), QStringLiteral("about"));
    EXPECT_EQ(close->hoverImageName(), QStringLiteral("about-hover"));
    EXPECT_EQ(widget<QLabel>("aboutPanelEditionText")->text(), QStringLiteral("October 2009 Edition"));
    EXPECT_TRUE(widget<QLabel>("aboutPanelCopyRight")->text().contains(QStringLiteral("Velmora")));
    EXPECT_FALSE(widget<QLabel>("aboutPanelWarningText")->text().isEmpty());

    auto* link = widget<MTUTextField>("aboutPanelLinkTextField");
    EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
    const QTextCharFormat format = linkFormat(link->text());
    EXPECT_EQ(format.anchorHref(), address);
    EXPECT_EQ(format.foreground().color(), QColor(Qt::blue));
    EXPECT_TRUE(format.fontUnderline());

    // Filling the panel again gives the same panel.
    const QString firstLink = link->text();
    app.aboutPageController()->aboutPanelCreateUI();
    EXPECT_EQ(link->text(), firstLink);
}

TEST_F(AboutPanelTest, CloseHidesThePanel)
{
    ApplicationController& app = start();
    app.showAboutPanel();
    ASSERT_TRUE(app.aboutPanel()->isVisible());
    widget<MTUButton>("aboutPanelCloseButton")->click();
    EXPECT_FALSE(app.aboutPanel()->isVisible());
}

TEST_F(AboutPanelTest, ClickingTheLinkOpensTheProjectAddress)
{
    ApplicationController& app = start();
    app.showAboutPanel();
    auto* link = widget<MTUTextField>("aboutPanelLinkTextField");
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &recorder, "open");
    const QPoint onText(link->contentsRect().left() + 4, link->contentsRect().center().y());
    QTest::mouseClick(link, Qt::LeftButton, {}, onText);
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    EXPECT_EQ(recorder.opened, QList<QUrl> { QUrl(AboutPageController::projectAddress()) });
}

#include "AboutPanelTest.moc"
