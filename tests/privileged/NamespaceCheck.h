#pragma once

#include <string>

// Why the root-only cases cannot run here, empty when they can: they run
// only as root inside the private mount namespace run-in-namespace.sh
// prepares, with every system folder an empty tmpfs and / read-only.
std::string whyNotConfined();
