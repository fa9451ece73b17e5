// The regularised incomplete beta function and its continued fraction.

#include <cmath>

#include "numerics/lanes.h"
#include "numerics/numerics.h"

namespace gaussnet {

namespace {

using namespace lanes_detail;

// One Lentz step: d = 1 / (1 + aa d), c = 1 + aa / c, both floored; returns d c.
inline double lentz_step(double aa, double& c, double& d) {
    d = floor_tiny(1 + aa * d);
    c = floor_tiny(1 + aa / c);
    d = 1 / d;
    return d * c;
}

}  // namespace

double log_beta_part(double a, double b) { return (log_gamma(a + b) - log_gamma(a)) - log_gamma(b); }

// The reference path: betacf_lanes takes the same steps in four lanes, bit
// for bit (the bit-for-bit tests compare the two).
double betacf(double a, double b, double x) {
    const double s = a + b;
    const double p = a + 1;
    const double q = a - 1;
    double c = 1;
    double d = 1 / floor_tiny(1 - s * x / p);
    double h = d;
    for (int m = 1; m <= NUMERICS_ITMAX; ++m) {
        const double dm = m;
        const double m2 = 2 * dm;
        // The even step's factor goes into h untested; convergence is judged on the odd step.
        double aa = dm * (b - dm) * x / ((q + m2) * (a + m2));
        h = h * lentz_step(aa, c, d);
        aa = -(a + dm) * (s + dm) * x / ((a + m2) * (p + m2));
        const double del = lentz_step(aa, c, d);
        h = h * del;
        if (std::fabs(del - 1) < NUMERICS_EPS) return h;
    }
    numerics_error("betacf", "a or b too big, or NUMERICS_ITMAX too small");
    return h;
}

double betai_with_log_beta(double a, double b, double x, double ln_beta_part) {
    // A NaN x fails both tests and goes on to NaN.
    if (x < 0 || x > 1) {
        numerics_error("betai", "Bad x");
        return 0.0;
    }
    double f = 0;
    if (betai_needs_log_beta(x)) {
        double L = ln_beta_part;
        L = a * std::log(x) + L;
        L = b * std::log(1 - x) + L;
        f = std::exp(L);
    }
    if (x < (a + 1) / ((a + b) + 2)) return f * betacf(a, b, x) / a;
    // At or above the threshold (or NaN) the swapped fraction converges faster.
    return 1 - f * betacf(b, a, 1 - x) / b;
}

namespace {

// The same step in every lane.
GAUSSNET_LANE_HELPER lanes lentz_step(lanes aa, lanes& c, lanes& d) {
    d = floor_tiny(1 + aa * d);
    c = floor_tiny(1 + aa / c);
    d = 1 / d;
    return d * c;
}

// Four continued fractions side by side with the same a and b; each lane keeps
// the value of the step at which it converged.
GAUSSNET_MULTI_ISA void betacf_lanes(double a, double b, const double* x, double* out, int live) {
    const double s = a + b;
    const double p = a + 1;
    const double q = a - 1;
    const lanes xv = {x[0], x[1], x[2], x[3]};
    lanes c = splat(1);
    lanes d = 1 / floor_tiny(1 - s * xv / p);
    lanes h = d;
    lanes result = h;
    lane_mask done = {0, 0, 0, 0};
    for (int m = 1; m <= NUMERICS_ITMAX && !all_set(done); ++m) {
        const double dm = m;
        const double m2 = 2 * dm;
        lanes aa = dm * (b - dm) * xv / ((q + m2) * (a + m2));
        h = h * lentz_step(aa, c, d);
        aa = -(a + dm) * (s + dm) * xv / ((a + m2) * (p + m2));
        const lanes del = lentz_step(aa, c, d);
        h = h * del;
        const lane_mask converged = magnitude(del - 1) < splat(NUMERICS_EPS);
        keep_converged(converged, h, result, done);
    }
    // Only the live lanes report: the others repeat an argument to fill the vector.
    for (int g = 0; g < live; ++g) {
        if (done[g] == 0) {
            numerics_error("betacf", "a or b too big, or NUMERICS_ITMAX too small");
            result[g] = h[g];
        }
        out[g] = result[g];
    }
}

}  // namespace

void betacf_many(double a, double b, const double* x, int count, double* out) {
    in_lane_groups(
        count, [x](int i) { return x[i]; },
        [a, b](const double* lane_x, double* lane_out, int live) { betacf_lanes(a, b, lane_x, lane_out, live); },
        [out](int i, double value) { out[i] = value; });
}

double betai(double a, double b, double x) {
    // The log-gamma part is formed only where the front factor uses it.
    const double part = betai_needs_log_beta(x) ? log_beta_part(a, b) : 0.0;
    return betai_with_log_beta(a, b, x, part);
}

}  // namespace gaussnet
