#include "shell/MTUButton.h"
#include "platform/Images.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEnterEvent>
#include <QWidget>

namespace {

qint64 shownAfter(MTUButton& button, QEvent::Type type)
{
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&button, type == QEvent::Enter ? static_cast<QEvent*>(&enter) : &leave);
    return button.icon().isNull() ? 0 : button.icon().cacheKey();
}

TEST(MTUButtonTest, EnteringAndLeavingSwapThePicturesOnceRegistered)
{
    Sandbox sandbox;
    QWidget first;
    QWidget second;
    auto* button = new MTUButton;
    button->setNormalImageName("ScanNow");
    EXPECT_TRUE(button->icon().isNull()) << "naming the pictures must not show one";
    EXPECT_EQ(shownAfter(*button, QEvent::Enter), 0) << "no hover without a registration";
    button->setParent(&first);
    first.show();
    EXPECT_EQ(shownAfter(*button, QEvent::Enter), 0) << "an unset hover name shows no picture";
    EXPECT_EQ(shownAfter(*button, QEvent::Leave), Images::named("ScanNow").cacheKey());

    button->setHoverImageName("ScanNow-hover");
    const int firstTag = button->trackingTag();
    EXPECT_NE(firstTag, 0);
    button->setParent(&second);
    second.show();
    button->show();
    EXPECT_NE(button->trackingTag(), firstTag);
    button->viewDidMoveToWindow();
    button->viewDidMoveToWindow();
    EXPECT_EQ(MTUButton::trackingRegistrationCount(button), 1);
    EXPECT_EQ(shownAfter(*button, QEvent::Enter), Images::named("ScanNow-hover").cacheKey());
    EXPECT_EQ(shownAfter(*button, QEvent::Leave), Images::named("ScanNow").cacheKey());
}

} // namespace
