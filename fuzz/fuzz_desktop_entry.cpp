#include "FuzzSandbox.h"

#include "startup/DesktopEntry.h"

#include <cstddef>
#include <cstdint>

// An autostart entry, written by us or by any other program.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzSandbox::ensure();
    QString reason;
    const auto entry
        = DesktopEntry::parse(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)), &reason);
    if (entry) {
        const QByteArray written = entry->toData();
        // What we write back must read again.
        if (!DesktopEntry::parse(written))
            __builtin_trap();
    }
    return 0;
}
