// Normal and Student t distribution functions (lower-tail probabilities).

#include <cmath>

#include "numerics/numerics.h"

namespace gaussnet {

namespace {

// A valid df and t within NUMERICS_EPS of 0 (bounds included) give exactly 0.5.
inline bool studtp_tie(double t, double df) { return df > 0 && t >= -NUMERICS_EPS && t <= NUMERICS_EPS; }

// The incomplete beta argument df / (df + t t).
inline double studtp_u(double t, double df) { return df / (df + t * t); }

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

namespace {

// Sends each positive statistic to the branch of its continued fraction
// (below the threshold the fraction at u, at or above it the swapped one at
// 1 - u) with its front factor; the ties and the few odd ones are done here.
void split_student_branches(const double* t, int count, double df, double ln_beta_part, double* out,
                            student_scratch& scratch) {
    const double a = df * 0.5;
    const double b = 0.5;
    const double threshold = (a + 1) / ((a + b) + 2);
    for (auto& branch : scratch.branches) {
        branch.x.clear();
        branch.front.clear();
        branch.at.clear();
    }
    for (int i = 0; i < count; ++i) {
        if (studtp_tie(t[i], df)) {
            out[i] = 1 - 0.5;
            continue;
        }
        const double u = studtp_u(t[i], df);
        if (!(t[i] > 0) || std::isnan(u) || !betai_needs_log_beta(u)) {
            out[i] = 1 - studtp_with_log_beta(t[i], df, ln_beta_part);  // the few odd ones
            continue;
        }
        double L = ln_beta_part;
        L = a * std::log(u) + L;
        L = b * std::log(1 - u) + L;
        student_scratch::branch& branch = scratch.branches[u < threshold ? 0 : 1];
        branch.x.push_back(u < threshold ? u : 1 - u);
        branch.front.push_back(std::exp(L));
        branch.at.push_back(i);
    }
}

// Each branch's continued fractions side by side, and their tails.
void finish_student_branches(double df, double* out, student_scratch& scratch) {
    const double a = df * 0.5;
    const double b = 0.5;
    for (int which = 0; which < 2; ++which) {
        student_scratch::branch& branch = scratch.branches[which];
        const int n = static_cast<int>(branch.x.size());
        branch.fraction.resize(branch.x.size());
        if (which == 0) {
            betacf_many(a, b, branch.x.data(), n, branch.fraction.data());
        } else {
            betacf_many(b, a, branch.x.data(), n, branch.fraction.data());
        }
        for (int k = 0; k < n; ++k) {
            const double f = branch.front[k];
            const double ib = which == 0 ? f * branch.fraction[k] / a : 1 - f * branch.fraction[k] / b;
            out[branch.at[k]] = 1 - (1 - 0.5 * ib);
        }
    }
}

}  // namespace

// A Student t lower tail's continued-fraction work for the positive statistics
// of one pass, with df and its log-beta part fixed; the rest one at a time.
void student_upper_tails(const double* t, int count, double df, double ln_beta_part, double* out,
                         student_scratch& scratch) {
    if (!(df > 0)) {
        for (int i = 0; i < count; ++i) out[i] = 1 - studtp_with_log_beta(t[i], df, ln_beta_part);
        return;
    }
    split_student_branches(t, count, df, ln_beta_part, out, scratch);
    finish_student_branches(df, out, scratch);
}

double studtp(double t, double df) {
    // The log-gamma part is formed only when betai will use it.
    const bool needs_part = !studtp_tie(t, df) && betai_needs_log_beta(studtp_u(t, df));
    const double part = needs_part ? log_beta_part(df * 0.5, 0.5) : 0.0;
    return studtp_with_log_beta(t, df, part);
}

}  // namespace gaussnet
