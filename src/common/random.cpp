#include "common/random.h"

#include <array>
#include <cmath>
#include <cstddef>

namespace gaussnet {

namespace {

std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

// 1/k for the logarithm's series, rounded once at compile time.
constexpr auto reciprocals = [] {
    std::array<double, 26> r{};
    for (int k = 1; k < 26; ++k) r[static_cast<std::size_t>(k)] = 1.0 / k;
    return r;
}();

}  // namespace

std::uint64_t splitmix64::next() {
    std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

xoshiro256ss::xoshiro256ss(splitmix64& seeder) {
    for (auto& word : s_) word = seeder.next();
}

xoshiro256ss::xoshiro256ss(std::uint64_t s0, std::uint64_t s1, std::uint64_t s2, std::uint64_t s3)
    : s_{s0, s1, s2, s3} {}

std::uint64_t xoshiro256ss::next() {
    const std::uint64_t result = rotl(s_[1] * 5, 7) * 9;
    const std::uint64_t t = s_[1] << 17;
    s_[2] ^= s_[0];
    s_[3] ^= s_[1];
    s_[1] ^= s_[2];
    s_[0] ^= s_[3];
    s_[2] ^= t;
    s_[3] = rotl(s_[3], 45);
    return result;
}

std::uint64_t xoshiro256ss::below(std::uint64_t bound) {
    // Values under 2^64 mod bound would make the low residues more likely.
    const std::uint64_t threshold = (0 - bound) % bound;
    for (;;) {
        const std::uint64_t x = next();
        if (x >= threshold) return x % bound;
    }
}

double portable_log(double x) {
    // x = m * 2^e with m in [sqrt(1/2), sqrt(2)); frexp and ldexp are exact.
    int e = 0;
    double m = std::frexp(x, &e);  // m in [0.5, 1)
    if (m < 0.70710678118654752440) {
        m *= 2.0;
        e -= 1;
    }
    // log(m) = 2 atanh(t) = 2 (t + t^3/3 + t^5/5 + ...), t = (m-1)/(m+1),
    // |t| <= 0.1716: 13 odd terms bring the truncation below 2^-60.
    const double t = (m - 1.0) / (m + 1.0);
    const double t2 = t * t;
    double series = 0.0;
    for (int k = 25; k >= 3; k -= 2) series = (series + reciprocals[static_cast<std::size_t>(k)]) * t2;
    const double log_m = 2.0 * t + 2.0 * t * series;
    // ln 2 split so that e * ln2_hi is exact for |e| < 2^11.
    constexpr double ln2_hi = 0x1.62e42fefa3800p-1;
    constexpr double ln2_lo = 0x1.ef35793c76730p-45;
    const double de = static_cast<double>(e);
    return de * ln2_hi + (log_m + de * ln2_lo);
}

double normal_sampler::next(xoshiro256ss& rng) {
    if (has_spare_) {
        has_spare_ = false;
        return spare_;
    }
    double u = 0.0;
    double v = 0.0;
    double s = 0.0;
    do {
        u = 2.0 * rng.uniform01() - 1.0;
        v = 2.0 * rng.uniform01() - 1.0;
        s = u * u + v * v;
    } while (s >= 1.0 || s == 0.0);
    const double factor = std::sqrt(-2.0 * portable_log(s) / s);
    spare_ = v * factor;
    has_spare_ = true;
    return u * factor;
}

}  // namespace gaussnet
