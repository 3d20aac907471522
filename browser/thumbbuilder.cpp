#include "browser/thumbbuilder.h"

#include "platform/cpus.h"
#include "platform/workpool.h"

#include <algorithm>

ThumbBuilder::ThumbBuilder(
    const ThumbCodec &codec, std::function<void(ThumbJobResult &&)> deliver, int threads)
    : m_codec(codec)
    , m_deliver(std::move(deliver))
{
    int cores = UsableCpuCount();
    m_threadCount = threads > 0 ? std::min(threads, cores) : cores;
}

ThumbBuilder::~ThumbBuilder()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
        m_queue.clear();
        ++m_generation;
    }
    // Runners still making a thumbnail hold this object: wait until the last has left.
    std::unique_lock<std::mutex> lock(m_mutex);
    m_idle.wait(lock, [this] { return m_runners == 0; });
}

std::uint64_t ThumbBuilder::Start(std::vector<ThumbJob> jobs)
{
    std::uint64_t generation;
    int more = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        generation = ++m_generation;
        m_queue = std::move(jobs);
        more = std::max(0, std::min<int>(m_threadCount, static_cast<int>(m_queue.size())) - m_runners);
        m_runners += more;
    }
    // Runners go to the process's background workers; each takes jobs until the queue is empty.
    for (int i = 0; i < more; ++i)
        workpool::Post([this] { Run(); });
    return generation;
}

void ThumbBuilder::Cancel()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_queue.clear();
    ++m_generation;
}

void ThumbBuilder::Reprioritise(const std::function<long long(int)> &priorityOf)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto &job : m_queue)
        job.priority = priorityOf(job.sequence);
}

std::uint64_t ThumbBuilder::Generation() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_generation;
}

int ThumbBuilder::Pending() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<int>(m_queue.size()) + m_running;
}

void ThumbBuilder::Run()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        if (m_stop || m_queue.empty()) {
            if (--m_runners == 0)
                m_idle.notify_all();
            return;
        }
        auto best
            = std::min_element(m_queue.begin(), m_queue.end(), [](const ThumbJob &a, const ThumbJob &b) {
                  return a.priority != b.priority ? a.priority < b.priority : a.sequence < b.sequence;
              });
        ThumbJob job = std::move(*best);
        m_queue.erase(best);
        std::uint64_t generation = m_generation;
        ++m_running;
        lock.unlock();

        ThumbJobResult result;
        result.generation = generation;
        result.sequence = job.sequence;
        result.outcome = MakeThumbnail(m_codec, job.path, job.box);

        lock.lock();
        --m_running;
        bool current = generation == m_generation && !m_stop;
        if (current) {
            // Delivered outside the lock; the receiver checks the generation again on its side.
            lock.unlock();
            m_deliver(std::move(result));
            lock.lock();
        }
    }
}
