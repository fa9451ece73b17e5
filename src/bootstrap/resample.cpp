#include "bootstrap/resample.h"

#include <algorithm>

namespace gaussnet {

xoshiro256ss resample_stream(std::uint64_t seed, std::int64_t index) {
    splitmix64 key(seed);
    splitmix64 seeder(key.next() + static_cast<std::uint64_t>(index));
    return xoshiro256ss(seeder);
}

void draw_resample(const FloatMatrix& data, std::uint64_t seed, std::int64_t index, FloatMatrix& out) {
    if (out.rows() != data.rows() || out.cols() != data.cols()) out = FloatMatrix(data.rows(), data.cols());
    if (data.rows() == 0) return;
    xoshiro256ss stream = resample_stream(seed, index);
    const std::uint64_t n_cases = static_cast<std::uint64_t>(data.rows());
    for (std::int64_t k = 0; k < data.rows(); ++k) {
        const float* source = data.row(static_cast<std::int64_t>(stream.below(n_cases)));
        std::copy(source, source + data.cols(), out.row(k));
    }
}

}  // namespace gaussnet
