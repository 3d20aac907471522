// Row bands over std::thread (included by dibcore.h).
#pragma once

#include <thread>
#include <vector>

namespace dib
{

template <class F> void ParallelBands(int count, int bands, F &&fn)
{
    if (bands > count)
        bands = count;
    if (bands <= 1) {
        if (count > 0)
            fn(0, 0, count);
        return;
    }
    std::vector<std::thread> threads;
    threads.reserve(static_cast<std::size_t>(bands - 1));
    auto edge = [&](int i) { return static_cast<int>(static_cast<long long>(count) * i / bands); };
    for (int i = 1; i < bands; ++i) {
        try {
            threads.emplace_back([&fn, i, b = edge(i), e = edge(i + 1)] { fn(i, b, e); });
        } catch (...) {
            // No thread to be had: this thread does the part itself.
            fn(i, edge(i), edge(i + 1));
        }
    }
    fn(0, 0, edge(1));
    for (auto &t : threads)
        t.join();
}

} // namespace dib
