// Load for benchmarks that measure under it: one plain spinning thread per core, at normal priority, for as
// long as the object lives.
#pragma once

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace bench_load {

class BusyCores {
public:
    BusyCores() {
        const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
        for (unsigned i = 0; i < cores; ++i)
            spinners_.emplace_back([this] {
                while (!stopping_.load(std::memory_order_relaxed)) {
                }
            });
    }
    ~BusyCores() {
        stopping_.store(true, std::memory_order_relaxed);
        for (auto& spinner : spinners_) spinner.join();
    }
    BusyCores(const BusyCores&) = delete;
    BusyCores& operator=(const BusyCores&) = delete;

private:
    std::atomic<bool> stopping_{false};
    std::vector<std::thread> spinners_;
};

}  // namespace bench_load
