// Figures for the Remove button on a large list: every listed path removed on
// its own, as the fix page does, once by spelling (FileSystem::removeItem) and
// once through the scanned-folders rule, which opens each folder on the way
// relative to the one before it; and one folder of the same files removed whole.

#include "platform/FileSystem.h"
#include "platform/FolderIdentities.h"
#include "platform/Locations.h"
#include "platform/PropertyList.h"
#include "removal/RemovalConfinement.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kFolders = 100;
constexpr int kFilesPerFolder = 1000; // 100,000 files
constexpr int kDepth = 3; // folders between the walked folder and each file's folder

// Creates the files below `root` and answers their paths.
QStringList makeTree(const QString& root)
{
    QStringList paths;
    paths.reserve(kFolders * kFilesPerFolder);
    for (int f = 0; f < kFolders; ++f) {
        QString folder = root;
        for (int d = 0; d < kDepth; ++d)
            folder += QStringLiteral("/level%1").arg(d);
        folder += QStringLiteral("/folder%1").arg(f);
        QDir().mkpath(folder);
        for (int i = 0; i < kFilesPerFolder; ++i) {
            const QString path = folder + QStringLiteral("/entry%1").arg(i);
            const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (fd < 0 || ::write(fd, "x", 1) != 1)
                std::printf("could not write %s\n", qPrintable(path));
            if (fd >= 0)
                ::close(fd);
            paths.append(path);
        }
    }
    // Otherwise the removal pays for writing back what was just created.
    ::sync();
    return paths;
}

void report(const char* what, const QElapsedTimer& timer, int failures)
{
    const double ms = timer.nsecsElapsed() / 1e6;
    std::printf("  %-44s %7.0f ms, %6.1f us per path, %d not removed\n", what, ms,
        ms * 1000.0 / (kFolders * kFilesPerFolder), failures);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    if (!folder.isValid()) {
        std::printf("no temporary folder: %s\n", qPrintable(folder.errorString()));
        return 1;
    }
    Locations locations = Locations::sandbox(folder.path());
    locations.resourcesFolder = folder.path() + QStringLiteral("/resources");
    QDir().mkpath(locations.resourcesFolder + QStringLiteral("/definitions"));
    const QString cache = locations.home + QStringLiteral("/.cache/app");
    PropertyList::writeXml(QVariantMap { { QStringLiteral("System Cache"), QVariantList { cache } } },
        locations.definitionFile(QStringLiteral("SystemCachePaths")));
    Locations::setCurrent(locations);
    std::printf("removal: %d files of 1 byte, %d folders deep below the walked folder\n",
        kFolders * kFilesPerFolder, kDepth + 1);

    QElapsedTimer timer;
    QStringList paths = makeTree(cache);
    timer.start();
    int failures = 0;
    for (const QString& path : paths)
        failures += FileSystem::current().removeItem(path) ? 0 : 1;
    report("each path, by spelling (removeItem):", timer, failures);

    paths = makeTree(cache);
    timer.restart();
    const RemovalConfinement confinement(locations);
    failures = 0;
    for (const QString& path : paths)
        failures += confinement.remove(path) == FileSystem::Beneath::Removed ? 0 : 1;
    report("each path, inside the scanned folders:", timer, failures);

    makeTree(cache);
    timer.restart();
    failures = FileSystem::current().removeItem(cache + QStringLiteral("/level0")) ? 0 : 1;
    report("one folder, by spelling (removeItem):", timer, failures);

    makeTree(cache);
    timer.restart();
    FolderIdentities kept;
    kept.insertWithAncestors(locations.home);
    failures = FileSystem::current().removeBeneath(cache, { QStringLiteral("level0") }, kept, true)
            == FileSystem::Beneath::Removed
        ? 0
        : 1;
    report("one folder, inside the scanned folders:", timer, failures);
    return 0;
}
