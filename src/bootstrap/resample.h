#pragma once
// Bootstrap resamples of the cases: n_cases cases drawn with replacement,
// each resample from a random stream of its own, so that a resample's cases
// depend only on the seed and its number, never on which thread or process
// draws it or in what order.

#include <cstdint>

#include "common/matrix.h"
#include "common/random.h"

namespace gaussnet {

// The stream of resample `index` under `seed`: xoshiro256** started from four
// outputs of splitmix64 seeded with (the first output of splitmix64(seed)) + index.
xoshiro256ss resample_stream(std::uint64_t seed, std::int64_t index);

// Fills out (resized to data's shape when it differs) with the resample's
// cases: row k is data's row below(n_cases), the k-th draw of the stream.
void draw_resample(const FloatMatrix& data, std::uint64_t seed, std::int64_t index, FloatMatrix& out);

}  // namespace gaussnet
