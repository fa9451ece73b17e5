// Placeholder: replaced by the learners.
#include "learners/edge_exclusion.h"
#include "learners/iamb.h"
#include "learners/local_iamb.h"
#include "evaluation/report_structure.h"
#include "stats/covariance.h"
#include "stats/cholesky.h"
#include "stats/ci_test.h"
#include "stats/heap_sort.h"
namespace gaussnet {
void iamb_target(const run_state&, int, int, ByteMatrix&, const DoubleMatrix&) {}
void run_iamb(const run_state&, int) {}
void edge_exclusion(const run_state&) {}
void local_iamb(const run_state&, int, int) {}
void report_structure(const run_state&, ByteMatrix&) {}
bool path_exists(int, int, const std::uint8_t*, std::uint8_t*, const ByteMatrix&) { return false; }
void estimate_covariance(const run_state&, DoubleMatrix&) {}
bool cholesky_decompose(double*, int, double*) { return true; }
double partial_correlation(double*, int, int, int) { return 0; }
void matrix_transpose(const double*, int, int, double*) {}
void matrix_multiply(const double*, int, int, const double*, int, double*) {}
double statistic_from_correlation(const run_state&, double, int) { return 0; }
double ci_statistic(const run_state&, int, int, const std::uint8_t*, const DoubleMatrix&) { return 0; }
double statistic_pvalue(const run_state&, double, int) { return 0; }
void heap_sort3(std::size_t, double*, int*, int*) {}
}  // namespace gaussnet
