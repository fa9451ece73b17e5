// Log-gamma, the incomplete gamma function and the error function.

#include <cmath>

#include "numerics/lanes.h"
#include "numerics/numerics.h"

namespace gaussnet {

namespace {

using namespace lanes_detail;

// Starting value of the continued fraction's running numerator.
constexpr double TINY_RECIPROCAL = 0x1p+1022;
static_assert(TINY_RECIPROCAL * NUMERICS_TINY == 1.0);

constexpr const char* ITMAX_MESSAGE = "a too large, NUMERICS_ITMAX too small";

// Lanczos-type series coefficients; c3 ends in ...2460166.
constexpr double LG_COEFF[6] = {76.18009172947146,  -86.50532032941678,   24.01409824083091,
                                -1.231739572460166, 0.001208650973866179, -5.395239384953e-06};
// One unit in the last place above the double nearest to sqrt(2 pi).
constexpr double LG_FACTOR = 2.5066282746310007;

// exp((a * log(x) - x) - g), the common front factor of both evaluators.
inline double gamma_front(double a, double x, double g) { return std::exp((a * std::log(x) - x) - g); }

}  // namespace

double log_gamma(double x) {
    const double y = x + 5.5;
    const double t = y - (x + 0.5) * std::log(y);
    double s = 1.000000000190015;
    double z = x;
    for (const double c : LG_COEFF) {
        z = z + 1;
        s = s + c / z;
    }
    return std::log(LG_FACTOR * s / x) - t;
}

namespace {

// The evaluators with ln Gamma(a) already known as g. They are the reference
// paths: series_lanes and fraction_lanes take the same steps in four lanes
// for a = 1/2, bit for bit (the bit-for-bit tests compare them).
void series_with_log_gamma(double* p_out, double a, double x, double g) {
    if (x <= 0) {
        if (x < 0) numerics_error("gser", "x less than 0");
        *p_out = 0.0;
        return;
    }
    double ap = a;
    double del = 1 / a;
    double sum = del;
    for (int n = 1; n <= NUMERICS_ITMAX; ++n) {
        ap = ap + 1;
        del = del * (x / ap);
        sum = sum + del;
        if (std::fabs(del) < std::fabs(sum) * NUMERICS_EPS) {
            *p_out = sum * gamma_front(a, x, g);
            return;
        }
    }
    // Not converged: the last partial sum still yields a value.
    numerics_error("gser", ITMAX_MESSAGE);
    *p_out = sum * gamma_front(a, x, g);
}

void fraction_with_log_gamma(double* q_out, double a, double x, double g) {
    double b = (x + 1) - a;
    double c = TINY_RECIPROCAL;
    double d = 1 / b;
    double h = d;
    bool converged = false;
    for (int i = 1; i <= NUMERICS_ITMAX && !converged; ++i) {
        const double di = i;
        const double an = (di - a) * (-di);
        b = b + 2;
        d = floor_tiny(an * d + b);
        c = floor_tiny(b + an / c);
        d = 1 / d;
        const double del = d * c;
        h = h * del;
        converged = std::fabs(del - 1) < NUMERICS_EPS;
    }
    if (!converged) numerics_error("gcf", ITMAX_MESSAGE);
    *q_out = gamma_front(a, x, g) * h;
}

// gammp with ln Gamma(a) supplied: log_gamma of the same argument always
// gives the same value, so a caller may compute it once.
double gammp_with_log_gamma(double a, double x, double g) {
    // A NaN argument fails both tests and reaches the continued fraction.
    if (x < 0 || a <= 0) {
        numerics_error("gammp", "Invalid arguments");
        return 0.0;
    }
    if (x < a + 1) {
        double p = 0;
        series_with_log_gamma(&p, a, x, g);
        return p;
    }
    double q = 0;
    fraction_with_log_gamma(&q, a, x, g);
    return 1 - q;
}

}  // namespace

void gser(double* p_out, double a, double x, double* lg_out) {
    const double g = log_gamma(a);
    *lg_out = g;
    series_with_log_gamma(p_out, a, x, g);
}

void gcf(double* q_out, double a, double x, double* lg_out) {
    const double g = log_gamma(a);
    *lg_out = g;
    fraction_with_log_gamma(q_out, a, x, g);
}

double gammp(double a, double x) {
    // ln Gamma(a) is computed only when an evaluator is used.
    if (x < 0 || a <= 0) return gammp_with_log_gamma(a, x, 0.0);
    return gammp_with_log_gamma(a, x, log_gamma(a));
}

double error_function(double x) {
    const double p = gammp_with_log_gamma(0.5, x * x, log_gamma_half());
    return x < 0 ? -p : p;
}

double log_gamma_half() {
    static const double value = log_gamma(0.5);
    return value;
}

namespace {

// The series of P(1/2, x) for four arguments.
GAUSSNET_MULTI_ISA void series_lanes(const double* x, double* p_out, int live) {
    constexpr double a = 0.5;
    const lanes xv = {x[0], x[1], x[2], x[3]};
    lanes ap = splat(a);
    lanes del = splat(1 / a);
    lanes sum = del;
    lanes result = sum;
    lane_mask done = {0, 0, 0, 0};
    for (int n = 1; n <= NUMERICS_ITMAX && !all_set(done); ++n) {
        ap = ap + 1;
        del = del * (xv / ap);
        sum = sum + del;
        const lane_mask converged = magnitude(del) < magnitude(sum) * NUMERICS_EPS;
        keep_converged(converged, sum, result, done);
    }
    for (int g = 0; g < live; ++g) {  // the others repeat an argument to fill the vector
        if (done[g] == 0) {
            numerics_error("gser", ITMAX_MESSAGE);
            result[g] = sum[g];  // the last partial sum
        }
        p_out[g] = result[g] * gamma_front(a, x[g], log_gamma_half());
    }
}

// The continued fraction of Q(1/2, x) for four arguments, then P = 1 - Q.
GAUSSNET_MULTI_ISA void fraction_lanes(const double* x, double* p_out, int live) {
    constexpr double a = 0.5;
    const lanes xv = {x[0], x[1], x[2], x[3]};
    lanes b = (xv + 1) - a;
    lanes c = splat(TINY_RECIPROCAL);
    lanes d = 1 / b;
    lanes h = d;
    lanes result = h;
    lane_mask done = {0, 0, 0, 0};
    for (int i = 1; i <= NUMERICS_ITMAX && !all_set(done); ++i) {
        const double di = i;
        const lanes an = splat((di - a) * (-di));
        b = b + 2;
        d = floor_tiny(an * d + b);
        c = floor_tiny(b + an / c);
        d = 1 / d;
        const lanes del = d * c;
        h = h * del;
        const lane_mask converged = magnitude(del - 1) < splat(NUMERICS_EPS);
        keep_converged(converged, h, result, done);
    }
    for (int g = 0; g < live; ++g) {  // the others repeat an argument to fill the vector
        if (done[g] == 0) {
            numerics_error("gcf", ITMAX_MESSAGE);
            result[g] = h[g];  // after the last iteration
        }
        p_out[g] = 1 - gamma_front(a, x[g], log_gamma_half()) * result[g];
    }
}

}  // namespace

void error_function_many(const double* z, int count, double* out, error_function_scratch& scratch) {
    scratch.squares.resize(static_cast<std::size_t>(count));
    scratch.series.clear();
    scratch.fraction.clear();
    for (int i = 0; i < count; ++i) {
        const double square = z[i] * z[i];
        scratch.squares[i] = square;
        if (z[i] < 0 || square <= 0) {
            out[i] = error_function(z[i]);  // the few odd ones, one at a time
        } else if (square < 0.5 + 1) {
            scratch.series.push_back(i);
        } else {
            scratch.fraction.push_back(i);  // also a NaN, which fails every comparison
        }
    }
    auto run = [&](const std::vector<int>& at, void (*evaluate)(const double*, double*, int)) {
        in_lane_groups(
            static_cast<int>(at.size()), [&](int k) { return scratch.squares[at[k]]; }, evaluate,
            [&](int k, double value) { out[at[k]] = value; });
    };
    run(scratch.series, series_lanes);
    run(scratch.fraction, fraction_lanes);
}

}  // namespace gaussnet
