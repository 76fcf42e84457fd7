#pragma once

#include <QtGlobal>

// Keeps other processes of the same user out of this one while it holds
// something they must not reach, such as the pipe to a helper running as root.
class ProcessProtection final {
public:
    // After this, no process of the user may ptrace this one or open the files
    // under /proc/<pid> (its fd/N links included). Stays so for the rest of the
    // run. False, with a log line, when the system refused.
    static bool forbidInspection();

    Q_DISABLE_COPY_MOVE(ProcessProtection)
    ProcessProtection() = delete;
};
