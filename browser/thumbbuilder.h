// Makes thumbnails on the process's background workers (never more at once than cores). Jobs of one pass
// carry a generation; starting a new pass or cancelling drops the queued jobs of older ones, and their
// results are never delivered. Workers always take the queued job of lowest priority value
// (ties: lowest sequence number), so the grid can put what is nearest to the view first.
#pragma once

#include "browser/thumbcodec.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

struct ThumbJob {
    int sequence = 0;
    std::string path;
    SIZE box { 0, 0 };
    long long priority = 0;
};

struct ThumbJobResult {
    std::uint64_t generation = 0;
    int sequence = 0;
    ThumbOutcome outcome;
};

class ThumbBuilder
{
public:
    // deliver runs on a worker thread for every finished job of the current generation.
    ThumbBuilder(const ThumbCodec &codec, std::function<void(ThumbJobResult &&)> deliver, int threads = 0);
    ~ThumbBuilder();
    ThumbBuilder(const ThumbBuilder &) = delete;
    ThumbBuilder &operator=(const ThumbBuilder &) = delete;

    // Drops whatever is queued and starts a new generation with these jobs; returns it.
    std::uint64_t Start(std::vector<ThumbJob> jobs);
    // Drops queued jobs; results of jobs still running are discarded.
    void Cancel();
    // New priorities for the queued jobs (priorityOf(sequence)).
    void Reprioritise(const std::function<long long(int)> &priorityOf);
    std::uint64_t Generation() const;
    int ThreadCount() const { return m_threadCount; }
    // Jobs queued or running.
    int Pending() const;

private:
    void Run();

    const ThumbCodec &m_codec;
    std::function<void(ThumbJobResult &&)> m_deliver;
    int m_threadCount;
    mutable std::mutex m_mutex;
    std::condition_variable m_idle;
    std::vector<ThumbJob> m_queue;
    std::uint64_t m_generation = 0;
    int m_running = 0;
    bool m_stop = false;
    int m_runners = 0; // posted and not yet finished
};
