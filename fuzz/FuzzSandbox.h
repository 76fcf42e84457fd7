#pragma once

#include <QDir>
#include <QFile>
#include <QString>

// Sets the program up once per fuzzing process: locations in a temporary
// folder, log lines swallowed (a fuzzer calls the target millions of times).
class FuzzSandbox final {
public:
    static void ensure();
    // A scratch file inside the sandbox holding the given bytes.
    static QString writeScratch(const char* name, const uint8_t* data, size_t size);
};
