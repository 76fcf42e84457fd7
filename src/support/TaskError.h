#pragma once

#include <QString>
#include <QVariantMap>

// What a child process run reports when it could not give its answer cleanly.
struct TaskError final {
    static constexpr auto kDomain = "com.apple.NSTask.OneLineTasksWithOutput";
    // User information keys.
    static constexpr auto kDescriptionKey = "NSLocalizedDescription";
    static constexpr auto kStandardErrorKey = "standardError";

    QString domain;
    long code = 0;
    QVariantMap userInfo;
};
