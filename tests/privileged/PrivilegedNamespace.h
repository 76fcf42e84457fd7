#pragma once

#include <string>

// Why the root-only cases cannot run here, empty when they can: they run only
// as root inside the private mount namespace run-in-namespace.sh prepares,
// whose system folders are empty tmpfs and whose other file systems are read-only.
std::string whyNotConfined();
