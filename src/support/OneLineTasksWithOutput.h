#pragma once

#include "support/TaskError.h"

#include <QString>
#include <QStringList>

#include <optional>

class AuthorizationSession;

// Runs a program to its end and answers what it wrote to its standard output.
// An error out-value, when given, is set to nothing or to what went wrong.
class OneLineTasksWithOutput final {
public:
    OneLineTasksWithOutput() = delete;

    // With the user's rights. Nothing when the program could not be started
    // (error -1 with the system's reason) or its output is not UTF-8; anything
    // it wrote to standard error gives error -2 with that text under
    // "standardError", and the output is still answered.
    static std::optional<QString> stringByLaunchingPath(
        const QString& path, const QStringList& arguments, std::optional<TaskError>* error = nullptr);

    // As the superuser, through the privileged helper of an authorised session.
    // Nothing, with the session's status as the error code, when the tool could
    // not be run; otherwise its output, empty when it wrote none. The tool's
    // exit status and its complaints do not make an error.
    static std::optional<QString> stringByLaunchingPath(const QString& path, const QStringList& arguments,
        AuthorizationSession* authorization, std::optional<TaskError>* error);
};
