#pragma once

#include <QString>

// Starts the test binary as a child in the given role inside the sandbox,
// lets it run for the given number of milliseconds and kills it with SIGKILL.
// Returns false when the child could not be started.
bool runChildAndKill(const char* role, const QString& sandboxRoot, int milliseconds);
