// Figures for the two platform services whose cost grows with the machine:
// the results file (written whole after every finding, read by the review and
// fix pages) and the directory walk under every scan definition.

#include "platform/DirectoryEnumerator.h"
#include "platform/PropertyList.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kPaths = 100000;
constexpr int kRuns = 5;
constexpr int kTopFolders = 50;
constexpr int kSubFolders = 20;
constexpr int kFilesPerFolder = 50; // 50 x 20 x 50 = 50,000 files

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Category names and path shapes as a scan of a well-used home folder gives them.
QVariantMap resultsLikeDictionary()
{
    const char* categories[] = { "Internet Cache", "Cookies", "History", "Downloads List", "Form Values",
        "Page Icons", "UserLibraryLogs", "System Library Logs", "System Logs", "System Cache" };
    QVariantMap root;
    for (int c = 0; c < 10; ++c) {
        QVariantList paths;
        const int count = c == 0 ? kPaths - 9 * (kPaths / 20) : kPaths / 20;
        paths.reserve(count);
        for (int i = 0; i < count; ++i)
            paths.append(
                QStringLiteral("/home/someone/.cache/mozilla/firefox/k3v9x2lq.default-release/cache2/"
                               "entries/%1%2")
                    .arg(c)
                    .arg(quint64(i) * 0x9E3779B97F4A7C15ull, 16, 16, QLatin1Char('0')));
        root.insert(QString::fromLatin1(categories[c]), paths);
    }
    return root;
}

void benchResultsFile(const QString& folder)
{
    const QVariantMap root = resultsLikeDictionary();
    const QString file = folder + QStringLiteral("/ScanResults.plist");
    std::vector<double> writes;
    std::vector<double> reads;
    qsizetype pathsRead = 0;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer timer;
        timer.start();
        if (!PropertyList::writeXml(root, file)) {
            std::printf("results file: could not write %s\n", qPrintable(file));
            return;
        }
        writes.push_back(timer.nsecsElapsed() / 1e6);

        timer.restart();
        const QVariantMap back = PropertyList::readDictionary(file);
        pathsRead = 0;
        for (const QVariant& paths : back)
            pathsRead += PropertyList::stringMembers(paths).size();
        reads.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::printf(
        "results file: %d paths in 10 categories, %.1f MB of XML\n", kPaths, QFileInfo(file).size() / 1e6);
    std::printf("  write (build XML, save atomically): median %.0f ms, best %.0f ms over %d runs\n",
        median(writes), *std::min_element(writes.begin(), writes.end()), kRuns);
    std::printf("  read back (parse, string members):  median %.0f ms, best %.0f ms; %lld paths read\n",
        median(reads), *std::min_element(reads.begin(), reads.end()), static_cast<long long>(pathsRead));
}

bool makeTree(const QString& root)
{
    for (int top = 0; top < kTopFolders; ++top) {
        for (int sub = 0; sub < kSubFolders; ++sub) {
            const QString folder = QStringLiteral("%1/top%2/sub%3").arg(root).arg(top).arg(sub);
            if (!QDir().mkpath(folder))
                return false;
            const QByteArray base = QFile::encodeName(folder);
            for (int f = 0; f < kFilesPerFolder; ++f) {
                const QByteArray name = base + "/file" + QByteArray::number(f) + ".cache";
                const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
                if (fd < 0)
                    return false;
                ::close(fd);
            }
        }
    }
    return true;
}

void benchDirectoryWalk(const QString& folder)
{
    const QString root = folder + QStringLiteral("/tree");
    QElapsedTimer timer;
    timer.start();
    if (!makeTree(root)) {
        std::printf("directory walk: could not create the tree under %s\n", qPrintable(root));
        return;
    }
    std::printf("directory walk: %d files in %d folders, created in %.0f ms\n",
        kTopFolders * kSubFolders * kFilesPerFolder, kTopFolders * (kSubFolders + 1),
        timer.nsecsElapsed() / 1e6);

    std::vector<double> rates;
    long long entries = 0;
    for (int run = 0; run < kRuns; ++run) {
        timer.restart();
        entries = 0;
        DirectoryEnumerator enumerator(root);
        while (enumerator.nextObject())
            ++entries;
        rates.push_back(entries / (timer.nsecsElapsed() / 1e9));
    }
    std::printf("  DirectoryEnumerator: %lld entries, median %.0f entries/s, best %.0f entries/s\n", entries,
        median(rates), *std::max_element(rates.begin(), rates.end()));

    // The unsorted standard walk, for scale: what the sorting, the decoding
    // check and the link guard cost.
    std::vector<double> plain;
    for (int run = 0; run < kRuns; ++run) {
        timer.restart();
        long long count = 0;
        for (auto it = std::filesystem::recursive_directory_iterator(root.toStdString());
             it != std::filesystem::recursive_directory_iterator(); ++it)
            ++count;
        plain.push_back(count / (timer.nsecsElapsed() / 1e9));
    }
    std::printf("  std::filesystem::recursive_directory_iterator: median %.0f entries/s\n", median(plain));
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
    benchResultsFile(folder.path());
    benchDirectoryWalk(folder.path());
    return 0;
}
