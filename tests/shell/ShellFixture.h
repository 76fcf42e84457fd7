#pragma once

#include "shell/ApplicationController.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QMainWindow>

#include <memory>

// A sandbox, and the one application controller built and started the way
// main() does it. Each test gets its own controller, destroyed with the test.
class ShellFixture : public ::testing::Test {
protected:
    ApplicationController& start()
    {
        m_controller.reset(); // one controller at a time
        m_controller = std::make_unique<ApplicationController>();
        m_controller->awakeFromNib();
        return *m_controller;
    }

    template <typename T = QWidget> T* widget(const char* name) const
    {
        // The About panel is a child of the window, so one search covers both.
        T* found = m_controller->window()->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    Sandbox m_sandbox;
    std::unique_ptr<ApplicationController> m_controller;
};
