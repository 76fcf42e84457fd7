#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QStringList>

#include <atomic>
#include <functional>
#include <thread>
#include <utility>

// Measures what removing each path would free, on a thread of its own so
// that a long list shows at once and its sizes follow. Results arrive in
// order, in batches, on the thread that owns this object.
//
// A list may name a folder and paths inside it, the same path in two
// spellings, or two links of one file; a total over the list counts each byte
// once. So each path gets, beside its own size, what it adds to such a total
// and the listed folder it lies in, if any.
class PathSizeCalculator final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PathSizeCalculator)

public:
    struct Measured {
        qint64 size = -1; // the path's own size, as sizeOfPath gives it
        // What the path adds to a total over the list when the listed folder
        // it lies in is not counted: its size less the files with several
        // links that an earlier path, not lying in a listed folder, holds too.
        qint64 added = -1;
        int firstOccurrence = -1; // the first path naming the same file
        int container = -1; // the first path naming the innermost listed folder it lies in
    };

    explicit PathSizeCalculator(QObject* parent = nullptr);
    // Abandons a running measurement and waits for its thread.
    ~PathSizeCalculator() override;

    // Abandons any running measurement; nothing of it is delivered afterwards.
    void start(const QStringList& paths);
    void cancel();
    bool isRunning() const { return m_running; }

    // A file's or link's own size, the total of everything below a folder
    // (links not followed, unreadable folders counted as empty, a file with
    // several links once, nothing counted beyond a mount point, bind mounts
    // included); -1 when nothing is there. A trailing "/" does not lead
    // through a link. Stops early, answering what it has, once `cancelled` is set.
    static qint64 sizeOfPath(const QString& path, const std::atomic<bool>* cancelled = nullptr);

    // What a path holds, kept so that a total over several paths counts a
    // file with several links once however many of them hold it.
    using LinkedFiles = QHash<QPair<quint64, quint64>, qint64>; // device and inode: size
    struct Footprint {
        qint64 size = -1; // as sizeOfPath gives it
        LinkedFiles linked; // the files with more than one link among it
    };
    static Footprint footprintOfPath(const QString& path, const std::atomic<bool>* cancelled = nullptr);
    // The total of the footprints that are there, each linked file once.
    static qint64 totalOf(const QList<Footprint>& footprints);

    // Footprints taken ahead of measuring a list, by path as the list names
    // it. A list of a few hundred thousand paths shares their texts with the
    // paths that were handed over, so the storage of a text finds its
    // footprint without hashing it; the text itself is compared before the
    // footprint is used, and a text not shared is simply measured again.
    class Footprints final {
    public:
        void insert(const QString& path, const Footprint& footprint)
        {
            m_byText.insert(path.constData(), { path, footprint });
        }
        void insert(const Footprints& other) { m_byText.insert(other.m_byText); }
        const Footprint* find(const QString& path) const
        {
            const auto found = m_byText.constFind(path.constData());
            return found != m_byText.cend() && found->first == path ? &found->second : nullptr;
        }

    private:
        // Each text is held, so its storage names no other text while it is here.
        QHash<const QChar*, std::pair<QString, Footprint>> m_byText;
    };
    // Each path's footprint into `into`; one folder is kept open while its paths follow each other.
    static void takeFootprints(const QStringList& paths, Footprints& into);

    // What start() delivers, found on the calling thread: `measured(i, found)`
    // hears of paths[i], in order. False when `cancelled` stopped it early.
    // A path found in `taken` is not looked at again; what is measured does
    // not depend on which footprints were taken ahead.
    static bool measureEach(const QStringList& paths, const std::atomic<bool>* cancelled,
        const std::function<void(int, const Measured&)>& measured, const Footprints* taken = nullptr);
    // Every path's at once.
    static QList<Measured> measureAll(const QStringList& paths, const Footprints& taken = {});

Q_SIGNALS:
    // measured[i] is what was found for paths[first + i].
    void sizesMeasured(int first, const QList<PathSizeCalculator::Measured>& measured);
    void finished();

private:
    void measure(quint64 run, QStringList paths);

    std::thread m_worker;
    std::atomic<bool> m_cancelled { false };
    quint64 m_run = 0;
    bool m_running = false;
};
