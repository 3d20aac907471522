#include "browser/thumbbuilder.h"

#include "platform/cpus.h"
#include "platform/threadpriority.h"

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
    m_wake.notify_all();
    for (auto &t : m_threads)
        t.join();
}

std::uint64_t ThumbBuilder::Start(std::vector<ThumbJob> jobs)
{
    std::uint64_t generation;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        generation = ++m_generation;
        m_queue = std::move(jobs);
        // Threads start on first use and then stay for later passes.
        int wanted = std::min<int>(m_threadCount, static_cast<int>(m_queue.size()));
        while (static_cast<int>(m_threads.size()) < wanted)
            m_threads.emplace_back([this] { Run(); });
    }
    m_wake.notify_all();
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
    // The window's thread comes first: it paints what the workers make.
    SetCurrentThreadBackground();
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stop || !m_queue.empty(); });
        if (m_stop)
            return;
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
