#include "results/PathSizeCalculator.h"

#include "platform/MountIdentity.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QPair>

#include <chrono>
#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kBatchSize = 512;
constexpr auto kBatchInterval = std::chrono::milliseconds(100);
constexpr int kNiceness = 10;

using LinkedFiles = PathSizeCalculator::LinkedFiles;

// A file's size, or nothing when another link of it has been counted in `linked` already.
qint64 sizeOnce(const struct stat& info, LinkedFiles& linked)
{
    if (info.st_nlink < 2)
        return info.st_size;
    const QPair<quint64, quint64> identity { quint64(info.st_dev), quint64(info.st_ino) };
    if (linked.contains(identity))
        return 0;
    linked.insert(identity, info.st_size);
    return info.st_size;
}

// Folders are read one at a time, with the list of subfolders kept in
// memory, so a deep tree never holds more than one folder open. Only what lies
// on the root's own mount counts, as only that would be removed.
qint64 folderTotal(const QByteArray& root, std::uint64_t mount, const std::atomic<bool>* cancelled,
    LinkedFiles& linked)
{
    qint64 total = 0;
    QList<QByteArray> pending { root };
    while (!pending.isEmpty()) {
        if (cancelled && cancelled->load(std::memory_order_relaxed))
            break;
        const QByteArray folder = pending.takeLast();
        // A folder swapped for a link or mounted on since it was listed is not read.
        const int fd = open(folder.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        DIR* dir = fd >= 0 && MountIdentity::of(fd) == mount ? fdopendir(fd) : nullptr;
        if (!dir) {
            if (fd >= 0)
                close(fd);
            continue;
        }
        while (const dirent* entry = readdir(dir)) {
            // Checked for every entry: a cancelling main thread waits for this loop.
            if (cancelled && cancelled->load(std::memory_order_relaxed))
                break;
            const char* name = entry->d_name;
            if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
                continue;
            struct stat info { };
            if (fstatat(fd, name, &info, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            if (S_ISDIR(info.st_mode))
                pending.append(folder + '/' + name);
            else if (MountIdentity::of(fd, name) == mount) // a file bind-mounted here is not ours
                total += sizeOnce(info, linked);
        }
        closedir(dir);
    }
    return total;
}

// The path with its trailing "/" gone, which would otherwise lead through a link.
QByteArray nativeName(const QString& path)
{
    QByteArray native = QFile::encodeName(path);
    while (native.size() > 1 && native.endsWith('/'))
        native.chop(1);
    return native;
}

qint64 sizeOf(const QString& path, const std::atomic<bool>* cancelled, LinkedFiles& linked)
{
    PathSizeCalculator::Footprint footprint = PathSizeCalculator::footprintOfPath(path, cancelled);
    linked = std::move(footprint.linked);
    return footprint.size;
}

bool isRealFolder(const QString& path)
{
    struct stat info { };
    return lstat(nativeName(path).constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

PathSizeCalculator::PathSizeCalculator(QObject* parent)
    : QObject(parent)
{
}

PathSizeCalculator::~PathSizeCalculator()
{
    cancel();
}

void PathSizeCalculator::start(const QStringList& paths)
{
    cancel();
    m_cancelled = false;
    m_running = true;
    const quint64 run = ++m_run;
    m_worker = std::thread([this, run, paths] { measure(run, paths); });
}

void PathSizeCalculator::cancel()
{
    m_cancelled = true;
    if (m_worker.joinable())
        m_worker.join();
    m_running = false;
}

qint64 PathSizeCalculator::sizeOfPath(const QString& path, const std::atomic<bool>* cancelled)
{
    return footprintOfPath(path, cancelled).size;
}

PathSizeCalculator::Footprint PathSizeCalculator::footprintOfPath(
    const QString& path, const std::atomic<bool>* cancelled)
{
    QString written = path;
    while (written.size() > 1 && written.endsWith(u'/'))
        written.chop(1);
    const QFileInfo item(written);
    const QByteArray name = QFile::encodeName(item.fileName());
    const int folder = open(QFile::encodeName(item.path()).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    Footprint footprint;
    struct stat info { };
    if (folder < 0 || name.isEmpty() || fstatat(folder, name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        if (folder >= 0)
            close(folder);
        return footprint;
    }
    // A mount point frees nothing: no removal enters or removes one.
    const std::optional<std::uint64_t> mount = MountIdentity::of(folder);
    footprint.size = 0;
    if (mount && mount == MountIdentity::of(folder, name.constData()))
        footprint.size = S_ISDIR(info.st_mode)
            ? folderTotal(QFile::encodeName(written), *mount, cancelled, footprint.linked)
            : sizeOnce(info, footprint.linked);
    close(folder);
    return footprint;
}

qint64 PathSizeCalculator::totalOf(const QList<Footprint>& footprints)
{
    qint64 total = 0;
    LinkedFiles counted;
    for (const Footprint& footprint : footprints) {
        if (footprint.size < 0)
            continue;
        total += footprint.size;
        // Each footprint counted its linked files once already; another one holding them adds nothing.
        for (auto file = footprint.linked.cbegin(); file != footprint.linked.cend(); ++file) {
            if (counted.contains(file.key()))
                total -= file.value();
            else
                counted.insert(file.key(), file.value());
        }
    }
    return total;
}

void PathSizeCalculator::measure(quint64 run, QStringList paths)
{
    // Sizes are a courtesy: they give way to the outline and to everything
    // else the machine does. A lower nice value rather than the idle class,
    // so that a cancelled run still gets the moments it needs to end while
    // the main thread waits for it. (On Linux the nice value is per thread.)
    setpriority(PRIO_PROCESS, pid_t(gettid()), kNiceness);
    // Runs on the worker: only the posted deliveries touch this object's
    // state, and they run on its own thread, after checking the run is current.
    const auto deliver = [this, run](int first, QList<Measured> measured) {
        QMetaObject::invokeMethod(
            this,
            [this, run, first, measured = std::move(measured)] {
                if (run == m_run && !m_cancelled)
                    Q_EMIT sizesMeasured(first, measured);
            },
            Qt::QueuedConnection);
    };

    // Spellings of one path ("a//b/", "a/./b") are one path; which listed
    // folders hold which paths is known before anything is measured.
    QHash<QString, int> firstByName;
    QList<Measured> found(paths.size());
    QStringList names(paths.size());
    for (int i = 0; i < paths.size(); ++i) {
        const QString& name = names[i] = QDir::cleanPath(paths.at(i));
        auto known = firstByName.constFind(name);
        if (known == firstByName.cend())
            known = firstByName.insert(name, i);
        found[i].firstOccurrence = *known;
    }
    QHash<int, bool> isFolder;
    for (int i = 0; i < paths.size(); ++i) {
        if (m_cancelled.load(std::memory_order_relaxed))
            return;
        if (found[i].firstOccurrence != i)
            continue;
        QString above = names.at(i);
        while (found[i].container < 0 && above.lastIndexOf(u'/') > 0) {
            above.truncate(above.lastIndexOf(u'/'));
            const auto listed = firstByName.constFind(above);
            if (listed == firstByName.cend())
                continue;
            // A listed link to a folder holds nothing of what lies behind it.
            auto folder = isFolder.constFind(*listed);
            if (folder == isFolder.cend())
                folder = isFolder.insert(*listed, isRealFolder(above));
            if (*folder)
                found[i].container = *listed;
        }
    }

    LinkedFiles counted;
    QList<Measured> batch;
    int first = 0;
    auto lastDelivery = std::chrono::steady_clock::now();
    for (int i = 0; i < paths.size(); ++i) {
        if (m_cancelled.load(std::memory_order_relaxed))
            return;
        Measured& path = found[i];
        if (path.firstOccurrence == i) {
            LinkedFiles linked;
            path.size = sizeOf(paths.at(i), &m_cancelled, linked);
            path.added = path.size;
            for (auto file = linked.cbegin(); file != linked.cend(); ++file) {
                if (counted.contains(file.key()))
                    path.added -= file.value();
                else if (path.container < 0)
                    counted.insert(file.key(), file.value());
            }
        } else {
            const Measured& earlier = found.at(path.firstOccurrence);
            path.size = earlier.size;
            path.added = earlier.added;
            path.container = earlier.container;
        }
        batch.append(path);
        const auto now = std::chrono::steady_clock::now();
        if (batch.size() >= kBatchSize || now - lastDelivery >= kBatchInterval) {
            deliver(first, std::exchange(batch, {}));
            first = i + 1;
            lastDelivery = now;
        }
    }
    if (!batch.isEmpty())
        deliver(first, std::move(batch));
    QMetaObject::invokeMethod(
        this,
        [this, run] {
            if (run != m_run || m_cancelled)
                return;
            m_running = false;
            Q_EMIT finished();
        },
        Qt::QueuedConnection);
}
