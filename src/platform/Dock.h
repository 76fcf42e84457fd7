#pragma once

// The desktop's application dock, where the platform has one.
class Dock final {
public:
    Dock() = delete;

    // Makes the dock read its preference file again. Linux desktops have no
    // such dock, so this only notes in the log that there was none to restart.
    static void restart();
};
