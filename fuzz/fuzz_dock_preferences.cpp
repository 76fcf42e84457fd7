#include "FuzzSandbox.h"

#include "uninstaller/DockPreferenceFile.h"

#include <cstddef>
#include <cstdint>

// The Dock's preference file, edited when an application is uninstalled.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path = FuzzSandbox::writeScratch("com.apple.dock.plist", data, size);
    (void)DockPreferenceFile::removeTiles(path, QStringLiteral("Foo"), QStringLiteral("Foo.app"));
    return 0;
}
