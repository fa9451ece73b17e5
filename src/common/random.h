#pragma once
// The random numbers of the simulator and the bootstrap. Everything here uses only integer
// arithmetic and the IEEE operations +, -, *, / and sqrt (all correctly
// rounded), so the same seed gives the same numbers with every compiler,
// standard library and processor. The standard library's distributions are
// avoided on purpose: their algorithms differ between implementations.
//
//   splitmix64   turns the 64-bit seed into generator states.
//   xoshiro256** the generator itself (period 2^256 - 1).
//   uniform01    the top 53 bits of one draw, scaled into [0, 1).
//   normal       Marsaglia's polar method, with a logarithm of our own.

#include <cstdint>

namespace gaussnet {

class splitmix64 {
public:
    explicit splitmix64(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next();

private:
    std::uint64_t state_;
};

class xoshiro256ss {
public:
    // The state is four consecutive outputs of splitmix64, which cannot all be
    // zero (splitmix64's output function is a bijection).
    explicit xoshiro256ss(splitmix64& seeder);
    xoshiro256ss(std::uint64_t s0, std::uint64_t s1, std::uint64_t s2, std::uint64_t s3);

    std::uint64_t next();
    // Uniform in [0, 1): the top 53 bits times 2^-53, exact in a double.
    double uniform01() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }
    // Uniform integer in [0, bound), bound > 0, by rejection: no modulo bias.
    std::uint64_t below(std::uint64_t bound);
    // A fair coin from the top bit (the best-mixed bit of xoshiro256**).
    bool coin() { return (next() >> 63) != 0; }

private:
    std::uint64_t s_[4];
};

// Natural logarithm of a positive, finite x from +, -, *, / only: the math
// library's log may differ in the last bit between platforms (and between
// code paths chosen at run time for the same platform). Accurate to a few
// units in the last place, which is plenty for a sampler.
double portable_log(double x);

// Standard normal deviates by the polar method; each accepted pair gives two
// deviates, the second kept for the next call.
class normal_sampler {
public:
    double next(xoshiro256ss& rng);

private:
    double spare_ = 0.0;
    bool has_spare_ = false;
};

}  // namespace gaussnet
