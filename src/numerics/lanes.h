#pragma once
// Shared by the special functions: the floor of the continued fractions, and
// four arguments side by side in vector lanes, each lane doing exactly the
// scalar steps (a multiply and an add are never fused).
//
// The vector type and its build are common/lanes.h's.

#include <cmath>

#include "common/lanes.h"
#include "numerics/numerics.h"

namespace gaussnet::lanes_detail {

using namespace simd;

// A value of magnitude below the floor becomes +floor whatever its sign; NaN passes.
GAUSSNET_LANE_HELPER double floor_tiny(double v) { return std::fabs(v) < NUMERICS_TINY ? NUMERICS_TINY : v; }

GAUSSNET_LANE_HELPER lanes magnitude(lanes v) { return (lanes)((lane_mask)v & 0x7fffffffffffffffLL); }
GAUSSNET_LANE_HELPER lanes choose(lane_mask mask, lanes yes, lanes no) {
    return (lanes)(((lane_mask)yes & mask) | ((lane_mask)no & ~mask));
}
GAUSSNET_LANE_HELPER bool all_set(lane_mask mask) { return (mask[0] & mask[1] & mask[2] & mask[3]) != 0; }
GAUSSNET_LANE_HELPER lanes floor_tiny(lanes v) {
    return choose(magnitude(v) < splat(NUMERICS_TINY), splat(NUMERICS_TINY), v);
}

// Lanes that converge at this step keep this step's value.
GAUSSNET_LANE_HELPER void keep_converged(lane_mask converged, lanes value, lanes& result, lane_mask& done) {
    result = choose(converged & ~done, value, result);
    done = done | converged;
}

// Runs count arguments four at a time, the last group padded with a copy of
// its last argument: evaluate(x, out, live) is told how many lanes are real,
// and only their results are handed to store(i, value).
template <typename Argument, typename Evaluate, typename Store>
void in_lane_groups(int count, Argument argument, Evaluate evaluate, Store store) {
    for (int first = 0; first < count; first += LANES) {
        const int live = count - first < LANES ? count - first : LANES;
        double x[LANES], out[LANES];
        for (int g = 0; g < LANES; ++g) x[g] = argument(first + (g < live ? g : live - 1));
        evaluate(x, out, live);
        for (int g = 0; g < live; ++g) store(first + g, out[g]);
    }
}

}  // namespace gaussnet::lanes_detail
