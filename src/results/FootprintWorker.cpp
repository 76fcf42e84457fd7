#include "results/FootprintWorker.h"

#include <utility>

namespace {

// Paths handed over at once, and taken at once: a few hundred make the lock
// rare on both sides without leaving the worker idle long.
constexpr qsizetype kBatch = 256;

} // namespace

FootprintWorker::FootprintWorker()
    : m_thread([this] { work(); })
{
}

FootprintWorker::~FootprintWorker()
{
    if (!m_thread.joinable())
        return;
    {
        const std::lock_guard lock(m_lock);
        m_waiting.clear();
        m_ending = true;
    }
    m_added.notify_one();
    m_thread.join();
}

void FootprintWorker::add(const QString& path)
{
    m_batch.append(path);
    if (m_batch.size() < kBatch)
        return;
    {
        const std::lock_guard lock(m_lock);
        m_waiting.append(std::exchange(m_batch, {}));
    }
    m_added.notify_one();
}

QStringList FootprintWorker::take()
{
    std::unique_lock lock(m_lock);
    m_added.wait(lock, [this] { return !m_waiting.isEmpty() || m_ending; });
    QStringList next = m_waiting.first(std::min(kBatch, m_waiting.size()));
    m_waiting.remove(0, next.size());
    return next;
}

void FootprintWorker::work()
{
    for (QStringList next = take(); !next.isEmpty(); next = take())
        PathSizeCalculator::takeFootprints(next, m_taken);
}

PathSizeCalculator::Footprints FootprintWorker::finish(bool helping)
{
    if (!m_thread.joinable())
        return {};
    PathSizeCalculator::Footprints mine;
    {
        const std::lock_guard lock(m_lock);
        m_waiting.append(std::exchange(m_batch, {}));
        if (!helping)
            m_waiting.clear();
        m_ending = true;
    }
    m_added.notify_one();
    for (QStringList next = take(); !next.isEmpty(); next = take())
        PathSizeCalculator::takeFootprints(next, mine);
    m_thread.join();
    m_taken.insert(mine);
    return std::exchange(m_taken, {});
}
