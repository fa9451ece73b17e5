// Normal and Student t distribution functions (lower-tail probabilities).

#include <cmath>

#include "numerics/numerics.h"

namespace gaussnet {

namespace {

// A valid df and t within NUMERICS_EPS of 0 (bounds included) give exactly 0.5.
inline bool studtp_tie(double t, double df) {
    return df > 0 && t >= -NUMERICS_EPS && t <= NUMERICS_EPS;
}

// The incomplete beta argument df / (df + t t).
inline double studtp_u(double t, double df) {
    return df / (df + t * t);
}

}  // namespace

double normalp_with_scale(double x, double mean, double variance, double scale) {
    if (!(variance > 0)) {
        // Go on without the tie test: the result is NaN, after a second report.
        numerics_error("normalp", "Invalid v parameter");
    } else if (x >= mean - NUMERICS_EPS && x <= mean + NUMERICS_EPS) {
        return 0.5;
    }
    const double z = (x - mean) / scale;
    return (error_function(z) + 1) * 0.5;
}

void normal_upper_tails(const double* x, int count, double variance, double scale, double* out,
                        error_function_scratch& scratch, std::vector<double>& z, std::vector<int>& at) {
    if (!(variance > 0)) {
        for (int i = 0; i < count; ++i) out[i] = 1 - normalp_with_scale(x[i], 0.0, variance, scale);
        return;
    }
    z.clear();
    at.clear();
    for (int i = 0; i < count; ++i) {
        if (x[i] >= 0.0 - NUMERICS_EPS && x[i] <= 0.0 + NUMERICS_EPS) {
            out[i] = 1 - 0.5;  // the tie
        } else {
            z.push_back((x[i] - 0.0) / scale);
            at.push_back(i);
        }
    }
    const int n = static_cast<int>(z.size());
    // The error functions land in z itself, read before they are written.
    error_function_many(z.data(), n, z.data(), scratch);
    for (int k = 0; k < n; ++k) out[at[k]] = 1 - (z[k] + 1) * 0.5;
}

double normalp(double x, double mean, double variance) {
    return normalp_with_scale(x, mean, variance, std::sqrt(variance + variance));
}

double studtp_with_log_beta(double t, double df, double ln_beta_part) {
    const bool valid = df > 0;
    // An invalid df skips the tie test and takes the upper-tail form whatever the sign of t.
    if (!valid) numerics_error("studtp", "Invalid v parameter");
    else if (studtp_tie(t, df)) return 0.5;
    const double ib = betai_with_log_beta(df * 0.5, 0.5, studtp_u(t, df), ln_beta_part);
    if (valid && !(t > 0)) return 0.5 * ib;
    return 1 - 0.5 * ib;
}

double studtp(double t, double df) {
    // The log-gamma part is formed only when betai will use it.
    const bool needs_part = !studtp_tie(t, df) && betai_needs_log_beta(studtp_u(t, df));
    const double part = needs_part ? log_beta_part(df * 0.5, 0.5) : 0.0;
    return studtp_with_log_beta(t, df, part);
}

}  // namespace gaussnet
