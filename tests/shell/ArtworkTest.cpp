#include "ShellFixture.h"

#include "platform/Images.h"
#include "shell/MTUButton.h"

#include <QCoreApplication>
#include <QEnterEvent>
#include <QSvgRenderer>

namespace {

using ArtworkTest = ShellFixture;

QString imageFile(const QString& name)
{
    return Locations::current().resourcesFolder + QStringLiteral("/images/") + name + QStringLiteral(".svg");
}

} // namespace

TEST_F(ArtworkTest, EveryImageNameIsADrawingAndHoverKeepsTheFrame)
{
    const char* const pairs[] = { "ScanNow", "Stop", "about", "close", "BackToScan", "ActionButton" };
    const char* const singles[]
        = { "Arrow", "RightMark", "checked", "unchecked", "velmora", "GenericApplication" };
    QStringList names;
    for (const char* name : pairs)
        names << QLatin1String(name) << QLatin1String(name) + QStringLiteral("-hover");
    for (const char* name : singles)
        names << QLatin1String(name);

    for (const QString& name : std::as_const(names)) {
        QSvgRenderer drawing(imageFile(name));
        EXPECT_TRUE(drawing.isValid()) << name.toStdString();
        EXPECT_FALSE(Images::named(name).isNull()) << name.toStdString();
    }
    // A hover picture drawn on another frame would make the button jump under the mouse.
    for (const char* name : pairs) {
        const QString normal = QLatin1String(name);
        EXPECT_EQ(QSvgRenderer(imageFile(normal)).viewBoxF(),
            QSvgRenderer(imageFile(normal + QStringLiteral("-hover"))).viewBoxF())
            << name;
    }
    // Check boxes sit in rows of text: they must match each other exactly.
    EXPECT_EQ(QSvgRenderer(imageFile(QStringLiteral("checked"))).defaultSize(),
        QSvgRenderer(imageFile(QStringLiteral("unchecked"))).defaultSize());
}

TEST_F(ArtworkTest, ActionButtonsOfTheBuiltPagesSwapTheirPictures)
{
    ApplicationController& app = start();
    app.window()->show();
    app.showAboutPanel();
    struct Row {
        int page; // -1: the About panel
        const char* objectName;
        const char* image;
    };
    const Row buttons[] = {
        { ApplicationController::OverviewPage, "overviewPageScanNowButton", "ScanNow" },
        { -1, "aboutPanelCloseButton", "about" },
        { ApplicationController::OptionsPage, "optionsPageAboutButton", "close" },
        { ApplicationController::ToolsPage, "toolsPageUninstallButton", "ActionButton" },
    };
    for (const auto& [page, objectName, image] : buttons) {
        if (page >= 0)
            app.setView(page); // a button follows the mouse once its page is up
        auto* button = widget<MTUButton>(objectName);
        ASSERT_NE(button, nullptr);
        const QString normal = QLatin1String(image);
        const QString hover = normal + QStringLiteral("-hover");
        EXPECT_EQ(button->icon().cacheKey(), Images::named(normal).cacheKey()) << objectName;
        EXPECT_EQ(button->hoverImageName(), hover) << objectName;

        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
        QCoreApplication::sendEvent(button, &enter);
        EXPECT_EQ(button->icon().cacheKey(), Images::named(hover).cacheKey()) << objectName;
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(button, &leave);
        EXPECT_EQ(button->icon().cacheKey(), Images::named(normal).cacheKey()) << objectName;
    }
}
