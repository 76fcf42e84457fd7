#include "results/PathSizeCalculator.h"

#include "platform/MountIdentity.h"
#include "results/PathIndex.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QPair>

#include <algorithm>
#include <chrono>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

constexpr int kBatchSize = 512;
constexpr auto kBatchInterval = std::chrono::milliseconds(100);
constexpr int kNiceness = 10;

using LinkedFiles = PathSizeCalculator::LinkedFiles;

// What measuring needs to know of an entry, in one call: its type, size,
// links and identity, and the mount it is reached through (nothing when the
// kernel does not tell, which counts as another mount).
struct Status {
    mode_t mode = 0;
    qint64 size = 0;
    quint64 links = 0;
    QPair<quint64, quint64> identity; // device and inode
    std::optional<std::uint64_t> mount;
};

std::optional<Status> statusOf(int folder, const char* name)
{
    struct statx status { };
    if (statx(folder, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT,
            STATX_TYPE | STATX_SIZE | STATX_NLINK | STATX_INO | STATX_MNT_ID, &status)
        != 0)
        return std::nullopt;
    return Status { mode_t(status.stx_mode), qint64(status.stx_size), status.stx_nlink,
        { quint64(makedev(status.stx_dev_major, status.stx_dev_minor)), status.stx_ino },
        status.stx_mask & STATX_MNT_ID ? std::optional<std::uint64_t>(status.stx_mnt_id) : std::nullopt };
}

// A file's size, or nothing when another link of it has been counted in `linked` already.
qint64 sizeOnce(const Status& info, LinkedFiles& linked)
{
    if (info.links < 2)
        return info.size;
    if (linked.contains(info.identity))
        return 0;
    linked.insert(info.identity, info.size);
    return info.size;
}

// Folders are read one at a time, with the list of subfolders kept in
// memory, so a deep tree never holds more than one folder open. Only what lies
// on the root's own mount counts, as only that would be removed.
qint64 folderTotal(
    const QByteArray& root, std::uint64_t mount, const std::atomic<bool>* cancelled, LinkedFiles& linked)
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
            const std::optional<Status> info = statusOf(fd, name);
            if (!info)
                continue;
            if (S_ISDIR(info->mode))
                pending.append(folder + '/' + name);
            else if (info->mount == mount) // a file bind-mounted here is not ours
                total += sizeOnce(*info, linked);
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

// The folder the paths being measured lie in, kept open while the next path
// lies in it too: a list from a walk names thousands of files of one folder.
class OpenFolder final {
public:
    OpenFolder() = default;
    OpenFolder(const OpenFolder&) = delete;
    OpenFolder& operator=(const OpenFolder&) = delete;
    ~OpenFolder()
    {
        if (m_fd >= 0)
            close(m_fd);
    }

    // The open folder, or -1 when it cannot be opened; links on the way are followed.
    int open(const QByteArray& path)
    {
        if (m_opened && path == m_path)
            return m_fd;
        if (m_fd >= 0)
            close(m_fd);
        m_path = path;
        m_opened = true;
        m_fd = ::open(path.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        m_mount = m_fd >= 0 ? MountIdentity::of(m_fd) : std::nullopt;
        return m_fd;
    }
    std::optional<std::uint64_t> mount() const { return m_mount; }

private:
    QByteArray m_path;
    bool m_opened = false;
    int m_fd = -1;
    std::optional<std::uint64_t> m_mount;
};

PathSizeCalculator::Footprint footprintIn(
    OpenFolder& folders, const QString& path, const std::atomic<bool>* cancelled)
{
    const QByteArray written = nativeName(path);
    const qsizetype slash = written.lastIndexOf('/');
    const QByteArray name = written.mid(slash + 1);
    const int folder = folders.open(slash < 0 ? QByteArray(".")
            : slash == 0                      ? QByteArray("/")
                                              : written.left(slash));
    PathSizeCalculator::Footprint footprint;
    const std::optional<Status> info
        = folder < 0 || name.isEmpty() ? std::nullopt : statusOf(folder, name.constData());
    if (!info)
        return footprint;
    // A mount point frees nothing: no removal enters or removes one.
    const std::optional<std::uint64_t> mount = folders.mount();
    footprint.size = 0;
    if (mount && mount == info->mount)
        footprint.size = S_ISDIR(info->mode) ? folderTotal(written, *mount, cancelled, footprint.linked)
                                             : sizeOnce(*info, footprint.linked);
    return footprint;
}

// No "//" and no "/." before "/", "." or the end: then no component is
// empty, "." or "..". A name beginning with two dots ("/..foo") makes the path
// suspect too, and the slow check settles it. Without branches and in fixed
// blocks, so that GCC at -O2 takes many characters at once: a list from a
// scan names hundreds of thousands of paths.
bool surelyClean(QStringView path)
{
    const char16_t* units = path.utf16();
    const qsizetype size = path.size();
    if (size < 2)
        return false;
    const auto suspect = [units](qsizetype i) {
        const char16_t after = units[i + 2];
        return unsigned(units[i] == u'/')
            & (unsigned(units[i + 1] == u'/')
                | (unsigned(units[i + 1] == u'.') & (unsigned(after == u'/') | unsigned(after == u'.'))));
    };
    constexpr qsizetype kBlock = 16;
    unsigned found = unsigned(units[size - 2] == u'/') & unsigned(units[size - 1] == u'.');
    qsizetype i = 0;
    for (; i + kBlock <= size - 2; i += kBlock) {
        for (qsizetype j = 0; j < kBlock; ++j)
            found |= suspect(i + j);
    }
    for (; i < size - 2; ++i)
        found |= suspect(i);
    return found == 0;
}

// The path as QDir::cleanPath writes it. A list from a scan names
// hundreds of thousands of paths that are clean already, which are taken as
// they are rather than copied.
QString cleanName(const QString& path)
{
    const qsizetype size = path.size();
    bool clean = path.startsWith(u'/') && (size == 1 || !path.endsWith(u'/'));
    if (clean && surelyClean(path))
        return path;
    for (qsizetype i = 0; clean && i < size; ++i) {
        if (path.at(i) != u'/')
            continue;
        // An empty component, "." or "..".
        const QStringView next = QStringView(path).mid(i + 1, 3);
        clean = !(next.startsWith(u'/') || next == u"." || next.startsWith(u"./") || next == u".."
            || next == u"../");
    }
    return clean ? path : QDir::cleanPath(path);
}

bool isCancelled(const std::atomic<bool>* cancelled)
{
    return cancelled && cancelled->load(std::memory_order_relaxed);
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
    OpenFolder folder;
    return footprintIn(folder, path, cancelled);
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

void PathSizeCalculator::takeFootprints(const QStringList& paths, Footprints& into)
{
    OpenFolder folder;
    for (const QString& path : paths)
        into.insert(path, footprintIn(folder, path, nullptr));
}

bool PathSizeCalculator::measureEach(const QStringList& paths, const std::atomic<bool>* cancelled,
    const std::function<void(int, const Measured&)>& measured, const Footprints* taken)
{
    // Spellings of one path ("a//b/", "a/./b") are one path; which listed
    // folders hold which paths is known before anything is measured.
    QStringList names;
    names.reserve(paths.size());
    for (const QString& path : paths)
        names.append(cleanName(path));
    PathIndex firstByName(names);
    QList<Measured> found(paths.size());
    for (int i = 0; i < paths.size(); ++i)
        found[i].firstOccurrence = firstByName.insert(i);
    QHash<int, bool> isFolder;
    // Paths of one folder, as a walk lists them, lie in the same listed folders.
    QStringView lastFolder;
    int lastContainer = -1;
    for (int i = 0; i < paths.size(); ++i) {
        if (isCancelled(cancelled))
            return false;
        if (found[i].firstOccurrence != i)
            continue;
        const QStringView parent
            = QStringView(names.at(i)).left(std::max<qsizetype>(names.at(i).lastIndexOf(u'/'), 0));
        if (i > 0 && parent == lastFolder) {
            found[i].container = lastContainer;
            continue;
        }
        QString above = names.at(i);
        while (found[i].container < 0 && above.lastIndexOf(u'/') > 0) {
            above.truncate(above.lastIndexOf(u'/'));
            const int listed = firstByName.find(above);
            if (listed < 0)
                continue;
            // A listed link to a folder holds nothing of what lies behind it.
            auto folder = isFolder.constFind(listed);
            if (folder == isFolder.cend())
                folder = isFolder.insert(listed, isRealFolder(above));
            if (*folder)
                found[i].container = listed;
        }
        lastFolder = parent;
        lastContainer = found[i].container;
    }

    LinkedFiles counted;
    OpenFolder folder;
    for (int i = 0; i < paths.size(); ++i) {
        if (isCancelled(cancelled))
            return false;
        Measured& path = found[i];
        if (path.firstOccurrence == i) {
            const Footprint* ahead = taken ? taken->find(paths.at(i)) : nullptr;
            const Footprint footprint = ahead ? *ahead : footprintIn(folder, paths.at(i), cancelled);
            path.size = footprint.size;
            path.added = path.size;
            const LinkedFiles& linked = footprint.linked;
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
        measured(i, path);
    }
    return !isCancelled(cancelled);
}

QList<PathSizeCalculator::Measured> PathSizeCalculator::measureAll(
    const QStringList& paths, const Footprints& taken)
{
    QList<Measured> all;
    all.reserve(paths.size());
    measureEach(
        paths, nullptr, [&all](int, const Measured& path) { all.append(path); }, &taken);
    return all;
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

    QList<Measured> batch;
    int first = 0;
    auto lastDelivery = std::chrono::steady_clock::now();
    const bool whole = measureEach(paths, &m_cancelled, [&](int i, const Measured& path) {
        batch.append(path);
        const auto now = std::chrono::steady_clock::now();
        if (batch.size() >= kBatchSize || now - lastDelivery >= kBatchInterval) {
            deliver(first, std::exchange(batch, {}));
            first = i + 1;
            lastDelivery = now;
        }
    });
    if (!whole)
        return;
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
