#pragma once

#include <functional>

class QWidget;

// Runs one blocking step (a package tool, the removal of a large folder) on a
// thread of its own while the calling thread's window keeps painting and
// answering, and returns once the step has ended. Meanwhile `busy` is
// disabled and the pointer shows that the program works; the caller disables
// whatever else must not be used. When the program quits meanwhile the call
// still waits for the step, which is never cut off halfway.
class BackgroundTask final {
public:
    BackgroundTask() = delete;

    static void runAndWait(const std::function<void()>& step, QWidget* busy);
};
