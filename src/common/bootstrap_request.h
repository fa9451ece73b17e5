#pragma once
// What a bootstrap was asked for: the option values, which the runs, the
// table and the console all read.

#include <cstdint>

namespace gaussnet {

struct bootstrap_request {
    int resamples = 0;  // 0: no bootstrap
    std::uint64_t seed = 1;
    double threshold = 0.5;  // a pair with frequency >= threshold is in the consensus network
};

}  // namespace gaussnet
