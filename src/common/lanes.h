#pragma once
// Four doubles side by side in one vector, and how the vector code is built.
// Each lane does exactly the scalar steps of its own value: a multiply and an
// add are never fused (-ffp-contract=off), and a square root or a division is
// correctly rounded in a vector as in a scalar, so every instruction set gives
// the same bits.
//
// Every function that uses the vectors is built for AVX2 and for any x86-64,
// and the processor picks at load time (GAUSSNET_MULTI_ISA). The helpers below
// are always inlined into those builds: a vector passed to a function built for
// another instruction set would change the calling convention between them.
// Defining GAUSSNET_BASELINE_ONLY builds the baseline alone, so that a test
// program can check it on a processor that would pick AVX2.

#include <cstring>

// The helpers are always inlined, so the vector ABI note does not apply.
#pragma GCC diagnostic ignored "-Wpsabi"

#if defined(GAUSSNET_BASELINE_ONLY)
#define GAUSSNET_MULTI_ISA
#else
#define GAUSSNET_MULTI_ISA __attribute__((target_clones("avx2", "default")))
#endif
#define GAUSSNET_LANE_HELPER __attribute__((always_inline)) inline

namespace gaussnet::simd {

inline constexpr int LANES = 4;
typedef double lanes __attribute__((vector_size(LANES * sizeof(double))));
typedef long long lane_mask __attribute__((vector_size(LANES * sizeof(long long))));

GAUSSNET_LANE_HELPER lanes load(const double* p) {
    lanes v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
GAUSSNET_LANE_HELPER void store(double* p, lanes v) { std::memcpy(p, &v, sizeof v); }
// A vector of one value. Inside the loops, write the scalar as an operand
// (a - c * b): it is broadcast to every lane as well, and the AVX2 build then
// loads it straight into a vector, where a vector built by this helper may
// take a shuffle after the load.
GAUSSNET_LANE_HELPER lanes splat(double v) { return lanes{v, v, v, v}; }

}  // namespace gaussnet::simd
