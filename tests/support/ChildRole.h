#pragma once

#include <QProcessEnvironment>
#include <QString>

#include <functional>

// Lets a test start the test binary itself as a child doing one job (a scan,
// a run of adds), so that it can be killed at a random moment. A role is
// registered at static-initialisation time and chosen by the environment.
class ChildRole final {
public:
    using Body = std::function<int(const QString& sandboxRoot)>;

    // Registers a role; returns true so it can initialise a static.
    static bool add(const char* name, Body body);
    // In main: when the environment names a role, runs it and returns its status.
    static bool runIfRequested(int& status);
    // The environment of a child playing the role in the sandbox.
    static QProcessEnvironment environmentFor(const char* name, const QString& sandboxRoot);
};
