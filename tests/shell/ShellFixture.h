#pragma once

#include "platform/Localization.h"
#include "shell/ApplicationController.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QMainWindow>

#include <memory>

// The English defaults for as long as it lives, whatever the machine's language.
class EnglishTexts final {
public:
    EnglishTexts()
        : m_previousLanguage(Localization::language())
    {
        Localization::setLanguage(QString());
    }
    ~EnglishTexts() { Localization::setLanguage(m_previousLanguage); }
    Q_DISABLE_COPY_MOVE(EnglishTexts)

private:
    QString m_previousLanguage;
};

// A sandbox with the English texts, and the one application controller built
// and started the way main() does it. Each test gets its own controller,
// destroyed with the test.
class ShellFixture : public ::testing::Test {
protected:
    ApplicationController& start()
    {
        m_controller.reset(); // one controller at a time
        m_controller = std::make_unique<ApplicationController>();
        m_controller->awakeFromNib();
        return *m_controller;
    }

    template <typename T> T* widget(const char* name) const
    {
        // The About panel is a child of the window, so one search covers both.
        T* found = m_controller->window()->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    EnglishTexts m_english;
    Sandbox m_sandbox;
    std::unique_ptr<ApplicationController> m_controller;
};
