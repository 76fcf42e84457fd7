// Scan speed and memory on a generated tree: a real scan through the scan page
// controller, with the window shown on whatever platform Qt runs on (use
// QT_QPA_PLATFORM=offscreen without a display), next to the same walks
// without the page, and the trash phase's cost per item next to the cache
// walk's. Prints its figures; asserts nothing.
//
// bench_scan --home DIR scans DIR as the home folder with the installed
// definitions instead, so the scan can be timed against another cleaner on the
// same tree; it prints "FOUND <n>" and "SECONDS <s>".
//
// bench_scan --each-alone [TRIES] builds only the cache and the trash and
// compares their cost per item, TRIES times in turn (default 15), for profiling.

#include "cli/CommandLine.h"
#include "platform/Locations.h"
#include "platform/PropertyList.h"
#include "platform/SystemLog.h"
#include "platform/UserDefaults.h"
#include "results/ResultsTreeModel.h"
#include "results/ReviewPageController.h"
#include "scan/JunkScanner.h"
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
#include <QTemporaryDir>
#include <QTextStream>
#include <QTreeView>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

constexpr int kCacheFiles = 100000;
constexpr int kHistoryFiles = 20000;
constexpr int kLogFiles = 500;
constexpr int kSystemCacheFiles = 2000;
constexpr int kTrashedFiles = 100000;
constexpr int kPerFolder = 1000;
constexpr int kRuns = 3;
constexpr int kEachAloneTries = 5;

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

// A trash of single files, each with its info file, as the desktop leaves it.
void makeTrash(const QString& trash, int count)
{
    QDir().mkpath(trash + QStringLiteral("/files"));
    QDir().mkpath(trash + QStringLiteral("/info"));
    for (int i = 0; i < count; ++i) {
        const QByteArray name = QByteArray::number(i, 16) + ".txt";
        const QByteArray info = "[Trash Info]\nPath=/home/user/" + name + "\nDeletionDate=2026-01-01T10:00:00\n";
        for (const auto& [path, contents] : { std::pair(QFile::encodeName(trash) + "/files/" + name, QByteArray()),
                 std::pair(QFile::encodeName(trash) + "/info/" + name + ".trashinfo", info) }) {
            const int fd = ::open(path.constData(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
            if (fd >= 0 && ::write(fd, contents.constData(), size_t(contents.size())) >= 0)
                ::close(fd);
        }
    }
}

double peakMemoryMegabytes()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

class SilentReporter final : public ScanReporter {
    void reportBrowserItem(const ScanInfo&) override { }
    void reportLogEntry(const ScanInfo&) override { }
    void reportSystemCacheItem(const ScanInfo&) override { }
    void reportTrashItem(const ScanInfo&) override { }
    void reportNoInternetCacheItems() override { }
    void reportNoSystemCacheItems() override { }
    void reportNoTrashItems() override { }
    void showLogsStateImage(const QString&) override { }
    void showSystemCacheStateImage(const QString&) override { }
    void showTrashStateImage(const QString&) override { }
};

// The walks alone, without the page, storing as a scan does: what the page
// adds is the rest.
double walkOnlySeconds(const Locations& locations, const QVariantMap& internet, int& recorded)
{
    ScanState state;
    state.bScanning = true;
    SilentReporter reporter;
    QFile::remove(locations.resultsFile());
    QElapsedTimer timer;
    timer.start();
    JunkScanner scanner(state, reporter, locations);
    const QVariantMap cache = internet.value(QStringLiteral("Internet Cache")).toMap();
    scanner.scanBrowserCache(
        cache.value(QStringLiteral("Opera")).toStringList(), QStringLiteral("Internet Cache"));
    const QVariantMap history = internet.value(QStringLiteral("History")).toMap();
    scanner.scanBrowserOtherCategories(
        history.value(QStringLiteral("Opera")).toStringList(), QStringLiteral("History"));
    scanner.scanSystemLogs();
    scanner.scanSystemCache();
    scanner.scanTrash();
    scanner.writeResults();
    recorded = state.nTotalErrorsCount;
    return timer.nsecsElapsed() / 1e9;
}

// One phase on its own, from an empty results file, storing as a scan does:
// microseconds per item found. In a whole scan a later phase also pays for
// rewriting what the earlier ones stored, which is the results file's cost,
// not the phase's.
template <typename Phase> double microsecondsPerItem(const Locations& locations, Phase phase)
{
    ScanState state;
    state.bScanning = true;
    SilentReporter reporter;
    QFile::remove(locations.resultsFile());
    JunkScanner scanner(state, reporter, locations);
    QElapsedTimer timer;
    timer.start();
    phase(scanner);
    return timer.nsecsElapsed() / 1e3 / std::max(1, state.nTotalErrorsCount.load());
}

struct EachAlone {
    double cacheBest = 0;
    double cacheMedian = 0;
    double trashBest = 0;
    double trashMedian = 0;
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The cache walk and the trash phase taken in turn, so that both meet the
// same machine: on a shared machine the best and the median of a few tries.
EachAlone eachAlone(const Locations& locations, int tries)
{
    std::vector<double> cache;
    std::vector<double> trash;
    for (int attempt = 0; attempt < tries; ++attempt) {
        cache.push_back(microsecondsPerItem(locations, [](JunkScanner& scanner) {
            scanner.scanBrowserCache({ QStringLiteral("~/.cache/opera") }, QStringLiteral("Internet Cache"));
        }));
        trash.push_back(microsecondsPerItem(locations, [](JunkScanner& scanner) { scanner.scanTrash(); }));
    }
    return { *std::min_element(cache.begin(), cache.end()), median(cache),
        *std::min_element(trash.begin(), trash.end()), median(trash) };
}

void printEachAlone(const EachAlone& each)
{
    std::printf("  each alone, best (median): cache walk %.2f (%.2f) us per item, trash phase %.2f (%.2f) us "
                "per item, %.2f (%.2f) times\n",
        each.cacheBest, each.cacheMedian, each.trashBest, each.trashMedian, each.trashBest / each.cacheBest,
        each.trashMedian / each.cacheMedian);
}

// Counts the paints of one widget.
class PaintCounter final : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

// One whole scan through the page, as Scan Now starts it; seconds.
double scanThroughThePage(ScanPageController* scan)
{
    QEventLoop loop;
    QObject::connect(scan, &ScanPageController::scanThreadFinished, &loop, &QEventLoop::quit);
    QElapsedTimer timer;
    timer.start();
    scan->startScanning();
    loop.exec();
    return timer.nsecsElapsed() / 1e9;
}

// The review page opened on what the scan stored, until every size has
// arrived: with the scan, what a user of the window waits for before seeing
// what can be freed, as `velmora --scan` reports it. Seconds.
double reviewSizes(ApplicationController& controller)
{
    QElapsedTimer timer;
    timer.start();
    controller.displayReviewPage();
    auto* model
        = qobject_cast<ResultsTreeModel*>(controller.reviewPageController()->reviewOutlineView()->model());
    if (model && !model->sizesMeasured()) {
        QEventLoop loop;
        QObject::connect(model, &ResultsTreeModel::sizesMeasuringFinished, &loop, &QEventLoop::quit);
        loop.exec();
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    controller.setView(ApplicationController::ScanPage);
    return seconds;
}

// `velmora --scan` in this process, its report written to memory; seconds,
// and the report's last line.
double scanFromTheCommandLine(QString& totalLine)
{
    QString out;
    QString err;
    QString input;
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    QTextStream inStream(&input);
    CommandLine::Console console { outStream, errStream, inStream };
    QElapsedTimer timer;
    timer.start();
    CommandLine::run({ QStringLiteral("velmora"), QStringLiteral("--scan") }, console);
    const double seconds = timer.nsecsElapsed() / 1e9;
    totalLine = out.trimmed().section(u'\n', -1);
    return seconds;
}

int scanHome(const QString& home)
{
    QTemporaryDir state;
    const Locations installed = Locations::fromEnvironment();
    Locations locations = Locations::sandbox(state.path());
    locations.home = QDir(home).absolutePath();
    locations.resourcesFolder = installed.resourcesFolder;
    locations.secureLog = installed.secureLog;
    locations.systemLog = installed.systemLog;
    Locations::setCurrent(locations);
    UserDefaults::reload();
    SystemLog::setSink([](const QString&) {});

    ApplicationController controller;
    controller.awakeFromNib();
    controller.window()->show();
    controller.setView(ApplicationController::ScanPage);
    QCoreApplication::processEvents();
    const double seconds = scanThroughThePage(controller.scanPageController());
    std::printf("FOUND %d\nSECONDS %.3f\n", controller.scanPageController()->nTotalErrorsCount(), seconds);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const qsizetype homeOption = arguments.indexOf(QStringLiteral("--home"));
    if (homeOption > 0) {
        if (homeOption + 1 >= arguments.size() || !QFileInfo(arguments[homeOption + 1]).isDir()) {
            std::fprintf(stderr, "usage: bench_scan [--home DIR]\n");
            return 2;
        }
        return scanHome(arguments[homeOption + 1]);
    }
    const qsizetype eachAloneOption = arguments.indexOf(QStringLiteral("--each-alone"));

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
    makeTrash(locations.userTrash, kTrashedFiles);
    if (eachAloneOption > 0) {
        // The window makes this folder; without it every store would fail and be timed failing.
        QDir().mkpath(locations.resultsFolder);
        const int tries = eachAloneOption + 1 < arguments.size() ? arguments[eachAloneOption + 1].toInt() : 15;
        std::printf("fixture: %d files in %.1f s\n", kCacheFiles + 2 * kTrashedFiles, timer.nsecsElapsed() / 1e9);
        std::fflush(stdout);
        printEachAlone(eachAlone(locations, std::max(1, tries)));
        return 0;
    }
    makeFiles(home + QStringLiteral("/.config/opera/History"), kHistoryFiles);
    makeFiles(root + QStringLiteral("/var/log"), kLogFiles);
    makeFiles(home + QStringLiteral("/.cache/thumbnails"), kSystemCacheFiles);
    const int fixtureFiles = kCacheFiles + kHistoryFiles + kLogFiles + kSystemCacheFiles + 2 * kTrashedFiles;
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

    ApplicationController controller;
    controller.awakeFromNib();
    controller.window()->resize(800, 600);
    if (!qEnvironmentVariableIsSet("VELMORA_BENCH_HIDDEN"))
        controller.window()->show();
    controller.setView(ApplicationController::ScanPage);
    ScanPageController* scan = controller.scanPageController();
    QCoreApplication::processEvents();

    // How often the page's path line is really painted during a scan.
    PaintCounter paintCounter;
    if (QWidget* pathLine
        = controller.window()->findChild<QWidget*>(QStringLiteral("scanPageScanDescription")))
        pathLine->installEventFilter(&paintCounter);

    // The machine may be shared: each run times the walks alone next to the whole scan.
    for (int run = 1; run <= kRuns; ++run) {
        int walked = 0;
        const double walkSeconds = walkOnlySeconds(locations, internet, walked);
        const EachAlone each = eachAlone(locations, kEachAloneTries);

        paintCounter.paints = 0;
        const qint64 bytesBefore = ScanResultsFile::totalBytesWritten();
        const double scanSeconds = scanThroughThePage(scan);
        const qint64 written = ScanResultsFile::totalBytesWritten() - bytesBefore;
        const qint64 finalSize = QFileInfo(locations.resultsFile()).size();
        const int recorded = scan->nTotalErrorsCount();
        const double reviewSeconds = reviewSizes(controller);
        QString commandLineTotal;
        const double commandLineSeconds = scanFromTheCommandLine(commandLineTotal);

        const double walkPerPath = walkSeconds * 1e6 / walked;
        const double scanPerPath = scanSeconds * 1e6 / recorded;
        std::printf("run %d:\n", run);
        std::printf(
            "  walks alone: %d paths in %.2f s, %.1f us per path\n", walked, walkSeconds, walkPerPath);
        std::printf("  whole scan through the page: %d paths in %.2f s, %.1f us per path\n", recorded,
            scanSeconds, scanPerPath);
        std::printf("  whole scan / walks alone: %.2f\n", scanPerPath / walkPerPath);
        std::printf("  velmora --scan, sizes and report included: %.2f s, %.2f times the page's scan\n",
            commandLineSeconds, commandLineSeconds / scanSeconds);
        std::printf("  the page's scan and the review's sizes: %.2f s; velmora --scan %.2f times that\n",
            scanSeconds + reviewSeconds, commandLineSeconds / (scanSeconds + reviewSeconds));
        std::printf("  its report ends: %s\n", qPrintable(commandLineTotal));
        printEachAlone(each);
        std::printf("  page paints of the path line: %d\n", paintCounter.paints);
        std::printf("  results file: %lld bytes final, %lld bytes written (%.2f times the final size)\n",
            static_cast<long long>(finalSize), static_cast<long long>(written),
            double(written) / double(finalSize));
        std::printf("  peak memory so far: %.1f MB\n", peakMemoryMegabytes());
    }
    std::printf("log lines: %d\n", int(logLines));
    return 0;
}
