#pragma once
// Log-gamma, incomplete gamma and beta functions, and the normal and Student t
// distribution functions on which the p-values rest. None of them stops the
// program: out-of-range arguments and exhausted iteration limits are reported
// by numerics_error (to the process's diagnostic sink, by default standard
// error) and a defined value flows on.
//
// Every routine performs its arithmetic in one fixed order (summation order,
// grouping, constants), so that results are reproducible to the last bit.

#include <vector>

namespace gaussnet {

inline constexpr int NUMERICS_ITMAX = 100;
inline constexpr double NUMERICS_EPS = 5e-9;
// The smallest normal double, 2^-1022: the floor of the continued fractions'
// running numerator and denominator.
inline constexpr double NUMERICS_TINY = 0x1p-1022;

// Writes "Numerics Error in routine <routine>\n" and "    <message>\n" to the calling
// thread's run (current_context(), common/run_context.h).
void numerics_error(const char* routine, const char* message);

// ln Gamma(x) for x > 0; tests nothing and never reports.
double log_gamma(double x);
// Series for P(a, x), for x < a + 1. Stores ln Gamma(a) through lg_out first, always.
void gser(double* p_out, double a, double x, double* lg_out);
// Continued fraction for Q(a, x) = 1 - P(a, x), for x >= a + 1. Stores ln Gamma(a) through lg_out first.
void gcf(double* q_out, double a, double x, double* lg_out);
// Regularised lower incomplete gamma function P(a, x), for a > 0 and x >= 0.
double gammp(double a, double x);
// erf(x), as P(1/2, x^2) with the sign of x.
double error_function(double x);

// Scratch of error_function_many, reused from call to call.
struct error_function_scratch {
    std::vector<double> squares;
    std::vector<int> series;
    std::vector<int> fraction;
};

// error_function of count arguments, bit for bit, four evaluated side by side
// (reports may come in another order).
void error_function_many(const double* z, int count, double* out, error_function_scratch& scratch);

// log_gamma(0.5), computed once.
double log_gamma_half();

// Regularised incomplete beta function I_x(a, b), for a > 0, b > 0 and 0 <= x <= 1.
double betai(double a, double b, double x);
// Continued fraction of the incomplete beta function, for x below (a + 1) / (a + b + 2).
double betacf(double a, double b, double x);
// betacf(a, b, x[i]) for count arguments, bit for bit, four side by side.
void betacf_many(double a, double b, const double* x, int count, double* out);

// betai with its front factor's log-gamma part, (log_gamma(a + b) - log_gamma(a)) - log_gamma(b),
// supplied by the caller; gives the same bits as betai when ln_beta_part is that value.
// The part is read only where betai_needs_log_beta(x) holds.
double betai_with_log_beta(double a, double b, double x, double ln_beta_part);
// (log_gamma(a + b) - log_gamma(a)) - log_gamma(b), in that order.
double log_beta_part(double a, double b);
// True when betai forms its front factor at x from the log-gamma part: for x strictly
// inside (0, 1), and for NaN. Elsewhere the factor is 0 or x is rejected.
inline bool betai_needs_log_beta(double x) { return !(x < 0 || x > 1) && !(x == 0 || x == 1); }

// Lower-tail probability of a normal distribution with the given mean and variance.
double normalp(double x, double mean, double variance);
// The standard normal quantile: x with normalp(x, 0, 1) = p, for 0 < p < 1
// (-inf at 0, +inf at 1; outside [0, 1] or NaN reported, NaN returned).
double normal_quantile(double p);
// normalp with its scale, sqrt(variance + variance), supplied by the caller.
double normalp_with_scale(double x, double mean, double variance, double scale);

// out[i] = 1 - normalp_with_scale(x[i], 0, variance, scale), bit for bit, the
// error functions evaluated side by side. z is scratch.
void normal_upper_tails(const double* x, int count, double variance, double scale, double* out,
                        error_function_scratch& scratch, std::vector<double>& z, std::vector<int>& at);
// Contract (proved in docs/deferred-pvalues.md, step 1): an upper tail from
// normal_upper_tails (variance > 0) whose x lies in the tie band, or has
// y = (x / scale)^2 below NORMAL_UPPER_TAIL_SERIES_CUT, is above
// NORMAL_UPPER_TAIL_FLOOR and its evaluation reports nothing.
inline constexpr double NORMAL_UPPER_TAIL_FLOOR = 0.04;
inline constexpr double NORMAL_UPPER_TAIL_SERIES_CUT = 1.4;

// The same below the lower cut, with the higher floor (docs/deferred-pvalues.md, step 1).
inline constexpr double NORMAL_UPPER_TAIL_RANKING_FLOOR = 0.053;
inline constexpr double NORMAL_UPPER_TAIL_RANKING_CUT = 1.3;

// Below the series cut and outside the tie band, a computed tail is within
// this of (1 - P(1/2, y)) / 2 (docs/deferred-pvalues.md, step 1).
inline constexpr double NORMAL_UPPER_TAIL_SERIES_ERROR = 2.5e-9;

// Lower-tail probability of Student's t distribution with df degrees of freedom (any positive real).
double studtp(double t, double df);
// studtp with the log-gamma part of betai(df * 0.5, 0.5, .) supplied by the caller,
// that is log_beta_part(df * 0.5, 0.5); gives the same bits as studtp with that value.
double studtp_with_log_beta(double t, double df, double ln_beta_part);

// Scratch of student_upper_tails, reused from call to call.
struct student_scratch {
    struct branch {
        std::vector<double> x, front, fraction;
        std::vector<int> at;
    };
    branch branches[2];  // the direct and the swapped continued fraction
};

// out[i] = 1 - studtp_with_log_beta(t[i], df, ln_beta_part), bit for bit, the
// continued fractions evaluated side by side (reports may come in another order).
void student_upper_tails(const double* t, int count, double df, double ln_beta_part, double* out,
                         student_scratch& scratch);

}  // namespace gaussnet
