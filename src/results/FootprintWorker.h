#pragma once

#include "results/PathSizeCalculator.h"

#include <QStringList>

#include <condition_variable>
#include <mutex>
#include <thread>

// Takes the footprints of paths on a thread of its own while they are still
// being found, so that sizing a long list costs little more than finding it.
// Paths are handed over from one thread; finish() is called on that thread.
//
// Only footprints are taken here, each a path's own: how the paths of a list
// share linked files and folders is settled afterwards, in the list's order,
// by PathSizeCalculator::measureAll, so a total never depends on which thread
// was quicker.
class FootprintWorker final {
    Q_DISABLE_COPY_MOVE(FootprintWorker)

public:
    FootprintWorker();
    // Abandons what is still waiting and waits for the thread.
    ~FootprintWorker();

    void add(const QString& path);
    // Every footprint taken (nothing after the first call). With `helping`,
    // what is still waiting is measured on this thread too, beside the
    // worker's; otherwise it is left for whoever measures the list.
    PathSizeCalculator::Footprints finish(bool helping);

private:
    void work();
    // The next paths waiting, empty once the worker has been told to end.
    QStringList take();

    std::mutex m_lock;
    std::condition_variable m_added;
    QStringList m_waiting; // guarded by m_lock
    bool m_ending = false; // guarded by m_lock
    QStringList m_batch; // this side's, handed over whole
    PathSizeCalculator::Footprints m_taken; // the worker's until it is joined
    std::thread m_thread;
};
