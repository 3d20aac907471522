#include "platform/workpool.h"

#include "platform/cpus.h"
#include "platform/threadpriority.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#if defined(__unix__)
#include <pthread.h>
#endif

namespace workpool
{
namespace
{

// One ParallelFor call. Bands are claimed through `next`, by workers and by the caller alike.
struct Batch {
    const std::function<void(int, int, int)> *fn = nullptr;
    int count = 0;
    int bands = 0;
    std::atomic<int> next { 1 };
    int finished = 0; // under mutex
    std::exception_ptr error;
    std::mutex mutex;
    std::condition_variable allDone;

    int Edge(int band) const { return static_cast<int>(static_cast<std::int64_t>(count) * band / bands); }

    // Claims and runs bands until none is left.
    void RunClaimed()
    {
        for (int band = next.fetch_add(1); band < bands; band = next.fetch_add(1))
            Run(band);
    }

    void Run(int band)
    {
        std::exception_ptr caught;
        try {
            (*fn)(band, Edge(band), Edge(band + 1));
        } catch (...) {
            caught = std::current_exception();
        }
        std::lock_guard<std::mutex> lock(mutex);
        if (caught && !error)
            error = caught;
        if (++finished == bands)
            allDone.notify_all();
    }
};

class Pool
{
public:
    explicit Pool(int workers)
        : m_wanted(workers)
    {
    }

    // Offers the batch to up to `helpers` workers, starting them on first use.
    void Offer(const std::shared_ptr<Batch> &batch, int helpers)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        StartWorkers();
        if (m_threads == 0)
            return;
        for (int i = 0; i < helpers && i < m_threads; ++i)
            m_queue.push_back(batch);
        m_wake.notify_all();
    }

    // Queues a plain job for the workers; false when there is no worker to run it.
    bool Queue(std::function<void()> job)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        StartWorkers();
        if (m_threads == 0)
            return false;
        m_jobs.push_back(std::move(job));
        m_wake.notify_one();
        return true;
    }

private:
    void StartWorkers()
    {
        while (m_threads < m_wanted) {
            try {
                std::thread(&Pool::WorkerLoop, this).detach();
            } catch (const std::system_error &) {
                m_wanted = m_threads; // no more threads to be had: callers do the work
                break;
            }
            ++m_threads;
        }
    }

    void WorkerLoop()
    {
        for (;;) {
            std::shared_ptr<Batch> batch;
            std::function<void()> job;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_wake.wait(lock, [this] { return !m_queue.empty() || !m_jobs.empty(); });
                if (!m_queue.empty()) {
                    batch = std::move(m_queue.front());
                    m_queue.pop_front();
                } else {
                    job = std::move(m_jobs.front());
                    m_jobs.pop_front();
                }
            }
            if (batch) {
                batch->RunClaimed();
                continue;
            }
            try {
                job();
            } catch (...) {
                // A job reports its own failures; one that throws must not end the worker.
            }
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::shared_ptr<Batch>> m_queue;
    std::deque<std::function<void()>> m_jobs;
    int m_wanted;
    int m_threads = 0;
};

// The background lane: plain jobs in posting order.
class Background
{
public:
    explicit Background(int workers)
        : m_wanted(workers)
    {
    }

    void Post(std::function<void()> job, bool first)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (m_idle == 0 && m_threads < m_wanted) {
            try {
                std::thread(&Background::WorkerLoop, this).detach();
                ++m_threads;
                ++m_idle;
            } catch (const std::system_error &) {
                m_wanted = m_threads; // no more threads to be had
            }
        }
        if (m_threads == 0) {
            // Not a single worker: the job runs on the poster's thread.
            lock.unlock();
            job();
            return;
        }
        if (first)
            m_queue.push_front(std::move(job));
        else
            m_queue.push_back(std::move(job));
        m_wake.notify_one();
    }

private:
    void WorkerLoop()
    {
        SetCurrentThreadBackground();
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [this] { return !m_queue.empty(); });
            std::function<void()> job = std::move(m_queue.front());
            m_queue.pop_front();
            --m_idle;
            lock.unlock();
            try {
                job();
            } catch (...) {
                // A job reports its own failures; one that throws must not end the worker.
            }
            job = nullptr;
            lock.lock();
            ++m_idle;
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_queue;
    int m_wanted;
    int m_threads = 0;
    int m_idle = 0;
};

std::atomic<Pool *> g_pool { nullptr };
std::atomic<Background *> g_background { nullptr };
std::once_flag g_once;

#if defined(__unix__)
// A forked child has only the forking thread: it gets a pool of its own, and the parent's (whose
// lock a worker may have held at the fork) is left alone.
void AfterForkInChild()
{
    g_pool.store(new Pool(Capacity() - 1));
    g_background.store(new Background(Capacity()));
}
#endif

Pool &Instance()
{
    std::call_once(g_once, [] {
        // Never deleted: workers may still be waiting when static objects are destroyed at exit.
        g_pool.store(new Pool(Capacity() - 1));
        g_background.store(new Background(Capacity()));
#if defined(__unix__)
        pthread_atfork(nullptr, nullptr, AfterForkInChild);
#endif
    });
    return *g_pool.load();
}

} // namespace

void Post(std::function<void()> job)
{
    Instance();
    g_background.load()->Post(std::move(job), false);
}

void PostFirst(std::function<void()> job)
{
    Instance();
    g_background.load()->Post(std::move(job), true);
}

void PostNow(std::function<void()> job)
{
    // The pool's workers may all be gone to the bands; a job with nowhere to run goes first on
    // the background lane.
    auto shared = std::make_shared<std::function<void()>>(std::move(job));
    if (!Instance().Queue([shared] { (*shared)(); }))
        g_background.load()->Post([shared] { (*shared)(); }, true);
}

int Capacity()
{
    return UsableCpuCount();
}

void ParallelFor(int count, int bands, const std::function<void(int, int, int)> &fn)
{
    if (bands > count)
        bands = count;
    if (bands <= 1) {
        if (count > 0)
            fn(0, 0, count);
        return;
    }
    auto batch = std::make_shared<Batch>();
    batch->fn = &fn;
    batch->count = count;
    batch->bands = bands;
    Instance().Offer(batch, bands - 1);
    batch->Run(0);
    batch->RunClaimed();
    std::unique_lock<std::mutex> lock(batch->mutex);
    batch->allDone.wait(lock, [&] { return batch->finished == bands; });
    if (batch->error)
        std::rethrow_exception(batch->error);
}

} // namespace workpool
