#include "support/ChildRole.h"

#include <gtest/gtest.h>

#include <QApplication>

#include <cstdlib>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Tests never need a display; a developer may still pick a platform.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int childStatus = 0;
    if (ChildRole::runIfRequested(childStatus))
        return childStatus;
    return RUN_ALL_TESTS();
}
