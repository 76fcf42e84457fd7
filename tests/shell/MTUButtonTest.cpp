#include "shell/MTUButton.h"
#include "platform/Images.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEnterEvent>
#include <QWidget>

namespace {

void hover(MTUButton& button)
{
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QCoreApplication::sendEvent(&button, &enter);
}

void leave(MTUButton& button)
{
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&button, &leave);
}

qint64 iconKey(const QString& name)
{
    return Images::named(name).cacheKey();
}

} // namespace

TEST(MTUButtonTest, EnteringAndLeavingSwapThePictures)
{
    Sandbox sandbox;
    QWidget window;
    auto* button = new MTUButton(&window);
    button->setNormalImageName(QStringLiteral("ScanNow"));
    button->setHoverImageName(QStringLiteral("ScanNow-hover"));
    EXPECT_TRUE(button->icon().isNull()) << "naming the pictures must not show one";
    window.show();

    hover(*button);
    EXPECT_EQ(button->icon().cacheKey(), iconKey(QStringLiteral("ScanNow-hover")));
    leave(*button);
    EXPECT_EQ(button->icon().cacheKey(), iconKey(QStringLiteral("ScanNow")));
    EXPECT_FALSE(button->icon().isNull());
}

TEST(MTUButtonTest, AnUnsetHoverNameShowsNoPicture)
{
    Sandbox sandbox;
    QWidget window;
    auto* button = new MTUButton(&window);
    button->setNormalImageName(QStringLiteral("ScanNow"));
    button->setIcon(Images::named(QStringLiteral("ScanNow")));
    window.show();
    hover(*button);
    EXPECT_TRUE(button->icon().isNull());
    leave(*button);
    EXPECT_FALSE(button->icon().isNull());
}

TEST(MTUButtonTest, HoldsOneRegistrationWhateverWindowItMovesInto)
{
    Sandbox sandbox;
    QWidget first;
    QWidget second;
    auto* button = new MTUButton;
    button->setHoverImageName(QStringLiteral("ScanNow-hover"));
    EXPECT_EQ(button->trackingTag(), 0);
    EXPECT_EQ(MTUButton::trackingRegistrationCount(button), 0);
    hover(*button);
    EXPECT_TRUE(button->icon().isNull()) << "no hover without a registration";

    button->setParent(&first);
    first.show();
    const int firstTag = button->trackingTag();
    EXPECT_NE(firstTag, 0);
    EXPECT_EQ(MTUButton::trackingRegistrationCount(button), 1);

    button->setParent(&second);
    second.show();
    button->show();
    EXPECT_NE(button->trackingTag(), 0);
    EXPECT_NE(button->trackingTag(), firstTag);
    EXPECT_EQ(MTUButton::trackingRegistrationCount(button), 1);

    button->viewDidMoveToWindow();
    button->viewDidMoveToWindow();
    EXPECT_EQ(MTUButton::trackingRegistrationCount(button), 1);
    delete button;
}
