#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <thread>
#include <vector>

namespace quillveil {

/// Calls `work(i)` for every i in [0, count) on as many threads as the machine has cores,
/// each taking the next index when done with its last; returns when all are done.
template <class Work> void ForEachInParallel(std::size_t count, Work work)
{
    const std::size_t threads =
        std::min<std::size_t>(count, std::max(1u, std::thread::hardware_concurrency()));
    std::atomic<std::size_t> next{0};
    const auto worker = [&] {
        for (std::size_t i = next++; i < count; i = next++)
            work(i);
    };
    std::vector<std::jthread> pool;
    for (std::size_t t = 1; t < threads; ++t)
        pool.emplace_back(worker);
    worker();
}

} // namespace quillveil
