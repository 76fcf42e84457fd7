// Scan speed and memory on a generated tree: a real scan through the scan page
// controller, with the window shown on whatever platform Qt runs on (use
// QT_QPA_PLATFORM=offscreen without a display). Prints its figures; asserts nothing.

#include "platform/Locations.h"
#include "platform/PropertyList.h"
#include "platform/SystemLog.h"
#include "platform/UserDefaults.h"
#include "scan/JunkScanner.h"
#include "scan/ScanInfo.h"
#include "scan/ScanPageController.h"
#include "scan/ScanReporter.h"
#include "scan/ScanResultsFile.h"
#include "scan/ScanState.h"
#include "shell/ApplicationController.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QMainWindow>
#include <QProcess>
#include <QTemporaryDir>

#include <atomic>
#include <cstdio>
#include <fcntl.h>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kCacheFiles = 100000;
constexpr int kHistoryFiles = 20000;
constexpr int kLogFiles = 500;
constexpr int kSystemCacheFiles = 2000;
constexpr int kPerFolder = 1000;
constexpr int kBareCalls = 20000;
constexpr int kRuns = 3;

// Files in folders of kPerFolder, named like a browser's cache entries.
void makeFiles(const QString& root, int count)
{
    for (int i = 0; i < count; ++i) {
        const QString folder = root + QStringLiteral("/%1").arg(i / kPerFolder, 2, 16, QChar(u'0'));
        if (i % kPerFolder == 0)
            QDir().mkpath(folder);
        const QByteArray path
            = QFile::encodeName(folder + QStringLiteral("/%1_0").arg(i, 8, 16, QChar(u'0')));
        const int fd = ::open(path.constData(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
        if (fd >= 0)
            ::close(fd);
    }
}

long peakMemoryKb()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The cost of one main-thread call that waits, with nothing to do in it.
double bareWaitedCallMicroseconds()
{
    QObject target;
    std::atomic<bool> done { false };
    QElapsedTimer timer;
    timer.start();
    std::thread caller([&] {
        for (int i = 0; i < kBareCalls; ++i)
            QMetaObject::invokeMethod(
                &target, [] {}, Qt::BlockingQueuedConnection);
        done = true;
        QMetaObject::invokeMethod(
            &target, [] {}, Qt::QueuedConnection);
    });
    while (!done)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    caller.join();
    return double(timer.nsecsElapsed()) / 1000.0 / kBareCalls;
}

class SilentReporter final : public ScanReporter {
    void reportBrowserItem(const ScanInfo&) override { }
    void reportLogEntry(const ScanInfo&) override { }
    void reportSystemCacheItem(const ScanInfo&) override { }
    void reportNoInternetCacheItems() override { }
    void reportNoSystemCacheItems() override { }
    void showLogsStateImage(const QString&) override { }
    void showSystemCacheStateImage(const QString&) override { }
};

// The walks alone, without the page: what the reports add is the rest.
double walkOnlyMilliseconds(const Locations& locations, const QVariantMap& internet, int& recorded)
{
    ScanState state;
    state.bScanning = true;
    SilentReporter reporter;
    QFile::remove(locations.resultsFile());
    JunkScanner scanner(state, reporter, locations);
    QElapsedTimer timer;
    timer.start();
    const QVariantMap cache = internet.value(QStringLiteral("Internet Cache")).toMap();
    scanner.scanBrowserCache(
        cache.value(QStringLiteral("Opera")).toStringList(), QStringLiteral("Internet Cache"));
    const QVariantMap history = internet.value(QStringLiteral("History")).toMap();
    scanner.scanBrowserOtherCategories(
        history.value(QStringLiteral("Opera")).toStringList(), QStringLiteral("History"));
    scanner.scanSystemLogs();
    scanner.scanSystemCache();
    recorded = state.nTotalErrorsCount;
    return double(timer.nsecsElapsed()) / 1e6;
}

// Rewriting the whole file after every recorded path, as the file-or-folder
// walk was first designed: seconds and bytes for n paths.
std::pair<double, qint64> rewriteAfterEveryPath(const QString& file, int n)
{
    QFile::remove(file);
    ScanResultsFile results(file);
    results.load();
    QStringList paths;
    const qint64 bytesBefore = ScanResultsFile::totalBytesWritten();
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < n; ++i) {
        paths.append(
            QStringLiteral("/home/user/.config/opera/History/%1/%2_0").arg(i / kPerFolder).arg(i, 8, 16));
        results.setPaths(QStringLiteral("History"), paths);
        results.write();
    }
    return { double(timer.nsecsElapsed()) / 1e9, ScanResultsFile::totalBytesWritten() - bytesBefore };
}

// What one report costs the main thread: the texts set and the page painted
// again, as the event loop does between two reports.
double pageReportMicroseconds(ScanPageController* scan, const QString& root)
{
    ScanInfo info;
    info.setCategory(QStringLiteral("Cache"));
    // As during a scan, when the path line follows every report.
    scan->setScanning(true);
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < kBareCalls; ++i) {
        info.setDescription(
            root + QStringLiteral("/home/.cache/opera/%1/%2_0").arg(i / kPerFolder).arg(i, 8, 16));
        scan->updateScanPageUIWithCachInfo(info);
        QCoreApplication::processEvents();
    }
    scan->setScanning(false);
    return double(timer.nsecsElapsed()) / 1000.0 / kBareCalls;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QTemporaryDir fixture;
    const QString root = fixture.path();

    Locations locations = Locations::sandbox(root);
    locations.resourcesFolder = root + QStringLiteral("/resources");
    QDir().mkpath(locations.resourcesFolder + QStringLiteral("/definitions"));
    QFile::link(QStringLiteral(VELMORA_SOURCE_RESOURCES "/images"),
        locations.resourcesFolder + QStringLiteral("/images"));
    Locations::setCurrent(locations);
    UserDefaults::reload();
    std::atomic<int> logLines { 0 };
    SystemLog::setSink([&](const QString&) { ++logLines; });

    QElapsedTimer timer;
    timer.start();
    const QString home = locations.home;
    makeFiles(home + QStringLiteral("/.cache/opera"), kCacheFiles);
    makeFiles(home + QStringLiteral("/.config/opera/History"), kHistoryFiles);
    makeFiles(root + QStringLiteral("/var/log"), kLogFiles);
    makeFiles(home + QStringLiteral("/.cache/thumbnails"), kSystemCacheFiles);
    const int fixtureFiles = kCacheFiles + kHistoryFiles + kLogFiles + kSystemCacheFiles;
    std::printf("fixture: %d files in %.1f s\n", fixtureFiles, timer.nsecsElapsed() / 1e9);

    const QVariantMap internet = {
        { "Internet Cache", QVariantMap { { "Opera", QStringList { "~/.cache/opera" } } } },
        { "History", QVariantMap { { "Opera", QStringList { "~/.config/opera/History" } } } },
    };
    PropertyList::writeXml(internet, locations.definitionFile(QStringLiteral("InternetCachePaths")));
    PropertyList::writeXml(QVariantMap { { "LogPaths", QStringList { root + QStringLiteral("/var/log") } } },
        locations.definitionFile(QStringLiteral("SysLogPaths")));
    PropertyList::writeXml(QVariantMap { { "System Cache", QStringList { "~/.cache/thumbnails" } } },
        locations.definitionFile(QStringLiteral("SystemCachePaths")));

    QProcess find;
    find.setStandardOutputFile(QProcess::nullDevice());
    timer.restart();
    find.start(QStringLiteral("find"), { root, QStringLiteral("-type"), QStringLiteral("f") });
    find.waitForFinished(-1);
    const double findSeconds = timer.nsecsElapsed() / 1e9;

    ApplicationController controller;
    controller.awakeFromNib();
    controller.window()->resize(800, 600);
    if (!qEnvironmentVariableIsSet("VELMORA_BENCH_HIDDEN"))
        controller.window()->show();
    controller.setView(ApplicationController::ScanPage);
    ScanPageController* scan = controller.scanPageController();
    QCoreApplication::processEvents();

    const double report = pageReportMicroseconds(scan, root);

    // How often the page's path line is really painted during a scan.
    class PaintCounter final : public QObject {
    public:
        int paints = 0;
        bool eventFilter(QObject*, QEvent* event) override
        {
            paints += event->type() == QEvent::Paint;
            return false;
        }
    } paintCounter;
    if (QWidget* pathLine
        = controller.window()->findChild<QWidget*>(QStringLiteral("scanPageScanDescription")))
        pathLine->installEventFilter(&paintCounter);

    // The machine is shared: each run is timed with a bare call measured next to it.
    for (int run = 1; run <= kRuns; ++run) {
        const double bare = bareWaitedCallMicroseconds();
        paintCounter.paints = 0;
        const qint64 bytesBefore = ScanResultsFile::totalBytesWritten();
        QEventLoop loop;
        QObject::connect(scan, &ScanPageController::scanThreadFinished, &loop, &QEventLoop::quit);
        timer.restart();
        scan->startScanning();
        loop.exec();
        const double seconds = timer.nsecsElapsed() / 1e9;
        const qint64 written = ScanResultsFile::totalBytesWritten() - bytesBefore;
        const qint64 finalSize = QFileInfo(locations.resultsFile()).size();
        const int recorded = scan->nTotalErrorsCount();
        const double perPath = seconds * 1e6 / recorded;
        const double bareAfter = bareWaitedCallMicroseconds();

        std::printf("scan %d: %d recorded paths in %.2f s wall\n", run, recorded, seconds);
        std::printf(
            "  %.0f recorded paths per second, %.1f us per recorded path\n", recorded / seconds, perPath);
        std::printf(
            "  bare waited main-thread call: %.1f us before, %.1f us after; per path / bare call: %.2f\n",
            bare, bareAfter, perPath / ((bare + bareAfter) / 2));
        std::printf("  the path line was painted %d times\n", paintCounter.paints);
        std::printf("  results file: %lld bytes final, %lld bytes written (%.2f times the final size)\n",
            static_cast<long long>(finalSize), static_cast<long long>(written),
            double(written) / double(finalSize));
    }
    std::printf("peak memory of the scans: %.1f MB\n", peakMemoryKb() / 1024.0);
    std::printf(
        "a report followed by a paint of the page, as at every report without the paced panel: %.1f us\n",
        report);
    std::printf("log lines: %d\n", int(logLines));
    std::printf("find %s -type f: %.2f s\n", qPrintable(root), findSeconds);

    int walked = 0;
    const double walkMs = walkOnlyMilliseconds(locations, internet, walked);
    std::printf("walks without the page: %d paths in %.2f s, %.1f us per path\n", walked, walkMs / 1000,
        walkMs * 1000 / walked);

    std::printf("rewriting the whole file after every path (history walk as first designed):\n");
    std::pair<double, qint64> last;
    for (int n : { 1000, 2000, 4000 }) {
        last = rewriteAfterEveryPath(locations.resultsFile(), n);
        std::printf("  %5d paths: %.2f s, %.1f MB written\n", n, last.first, last.second / 1e6);
    }
    const double growth = double(kHistoryFiles) / 4000;
    std::printf("  %5d paths (4000 times %.0f): about %.0f s and %.1f GB\n", kHistoryFiles, growth * growth,
        last.first * growth * growth, last.second * growth * growth / 1e9);
    return 0;
}
