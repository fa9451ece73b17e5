#pragma once
// Log-gamma, incomplete gamma and beta functions, and the normal and Student t
// distribution functions on which the p-values rest. None of them stops the
// program: out-of-range arguments and exhausted iteration limits are reported
// on standard error by numerics_error and a defined value flows on.

namespace gaussnet {

inline constexpr int NUMERICS_ITMAX = 100;
inline constexpr double NUMERICS_EPS = 5e-9;
inline constexpr double NUMERICS_TINY = 2.2250738585072014e-308;  // 2^-1022

// Writes "Numerics Error in routine <routine>\n" and "    <message>\n" to standard error.
void numerics_error(const char* routine, const char* message);

double log_gamma(double x);
void gser(double* p_out, double a, double x, double* lg_out);
void gcf(double* q_out, double a, double x, double* lg_out);
double gammp(double a, double x);
double error_function(double x);

double betai(double a, double b, double x);
double betacf(double a, double b, double x);

// betai with its front factor's log-gamma part, (log_gamma(a + b) - log_gamma(a)) - log_gamma(b),
// supplied by the caller; gives the same bits as betai when ln_beta_part is that value.
double betai_with_log_beta(double a, double b, double x, double ln_beta_part);
double log_beta_part(double a, double b);

double normalp(double x, double mean, double variance);
double studtp(double t, double df);
// studtp with the log-gamma part of betai(df * 0.5, 0.5, .) supplied by the caller.
double studtp_with_log_beta(double t, double df, double ln_beta_part);

}  // namespace gaussnet
