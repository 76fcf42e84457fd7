#pragma once

#include <QString>

#include <functional>

// The one function for the log lines users and administrators read: a
// time-stamped line on standard error and the message in the system journal.
// Safe to call from any thread.
class SystemLog final {
public:
    static void write(const QString& message);

    // Tests capture the messages instead; an empty sink restores the real log.
    using Sink = std::function<void(const QString& message)>;
    static void setSink(Sink sink);
};
