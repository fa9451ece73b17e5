#pragma once
// Elapsed wall-clock time of a run in whole seconds, truncated. A monotonic
// clock, so that the figure means elapsed time whatever the processor count.

#include <chrono>

namespace gaussnet {

class run_timer {
public:
    run_timer() : start_(std::chrono::steady_clock::now()) {}
    int elapsed_seconds() const { return static_cast<int>(elapsed_milliseconds() / 1000); }
    long long elapsed_milliseconds() const {
        const auto elapsed = std::chrono::steady_clock::now() - start_;
        return static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
    }

private:
    std::chrono::steady_clock::time_point start_;
};

}  // namespace gaussnet
