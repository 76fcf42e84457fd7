#include "FuzzSandbox.h"

#include "platform/Locations.h"
#include "scan/ScanDefinitions.h"

#include <cstddef>
#include <cstdint>

// The three definition files, as the scan and the browser warning read them.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzSandbox::ensure();
    const QString folder = Locations::current().home + QStringLiteral("/resources/definitions");
    static const bool made = [&] {
        Locations locations = Locations::current();
        locations.resourcesFolder = Locations::current().home + QStringLiteral("/resources");
        Locations::setCurrent(locations);
        return QDir().mkpath(folder);
    }();
    Q_UNUSED(made);
    for (const QString& name :
        { ScanDefinitions::kInternetCachePaths, ScanDefinitions::kSysLogPaths, ScanDefinitions::kSystemCachePaths }) {
        QFile file(folder + u'/' + name + QStringLiteral(".plist"));
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    const QVariantMap internet = ScanDefinitions::load(Locations::current(), ScanDefinitions::kInternetCachePaths);
    (void)ScanDefinitions::browserPaths(internet, QStringLiteral("Cookies"), QStringLiteral("FireFox"));
    (void)ScanDefinitions::browserExecutables(internet);
    (void)ScanDefinitions::logPaths(ScanDefinitions::load(Locations::current(), ScanDefinitions::kSysLogPaths));
    (void)ScanDefinitions::systemCachePaths(
        ScanDefinitions::load(Locations::current(), ScanDefinitions::kSystemCachePaths));
    return 0;
}
