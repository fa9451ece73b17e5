#include "stats/covariance.h"

#include <algorithm>
#include <vector>

#include "common/lanes.h"
#include "common/parallel.h"

namespace gaussnet {

namespace {

using namespace simd;

std::vector<double> column_means(const FloatMatrix& data) {
    const int n = static_cast<int>(data.cols());
    const int n_cases = static_cast<int>(data.rows());
    std::vector<double> sums(static_cast<std::size_t>(n), 0.0);
    // Each column is summed case by case in file order; the columns are independent.
    for (int k = 0; k < n_cases; ++k) {
        const float* row = data.row(k);
        for (int i = 0; i < n; ++i) sums[i] = sums[i] + static_cast<double>(row[i]);
    }
    for (int i = 0; i < n; ++i) sums[i] = sums[i] / n_cases;
    return sums;
}

constexpr int BAND_ROWS = 16;  // rows of the covariance per task
constexpr int TILE_ROWS = 4;   // pair sums kept in registers: 4 rows x 8 columns
constexpr int TILE_COLUMNS = 8;
constexpr int CASE_BLOCK = 32;  // cases centred at a time

// Adds cases 0..cases-1 of the centred block to the sums of rows ti..ti+3
// (band-relative) and every block of eight columns from the diagonal's on:
// each sum gains d_i * d_j case by case, in order.
GAUSSNET_MULTI_ISA void add_tile_row(const double* centred, int width, int cases, int ti, double* sums) {
    for (int j = ti / TILE_COLUMNS * TILE_COLUMNS; j < width; j += TILE_COLUMNS) {
        lanes acc[TILE_ROWS][2];
        for (int r = 0; r < TILE_ROWS; ++r) {
            acc[r][0] = load(sums + (ti + r) * width + j);
            acc[r][1] = load(sums + (ti + r) * width + j + 4);
        }
        for (int k = 0; k < cases; ++k) {
            const double* row = centred + static_cast<std::ptrdiff_t>(k) * width;
            const lanes c0 = load(row + j), c1 = load(row + j + 4);
            for (int r = 0; r < TILE_ROWS; ++r) {
                const double d = row[ti + r];
                acc[r][0] = acc[r][0] + d * c0;
                acc[r][1] = acc[r][1] + d * c1;
            }
        }
        for (int r = 0; r < TILE_ROWS; ++r) {
            store(sums + (ti + r) * width + j, acc[r][0]);
            store(sums + (ti + r) * width + j + 4, acc[r][1]);
        }
    }
}

// Rows first..first+BAND_ROWS-1 (those below n_vars) of the covariance, with
// every column from first on. The band's sums and centred cases have a width
// padded with zero columns, so whole tiles never need a remainder; sums of
// pairs below the diagonal or past the last variable are formed and dropped.
void covariance_band(const FloatMatrix& data, const std::vector<double>& means, int first, DoubleMatrix& cov) {
    const int n = static_cast<int>(data.cols());
    const int n_cases = static_cast<int>(data.rows());
    const int used = n - first;
    const int width = (used + TILE_COLUMNS - 1) / TILE_COLUMNS * TILE_COLUMNS + TILE_COLUMNS;
    std::vector<double> sums(static_cast<std::size_t>(BAND_ROWS) * width, 0.0);
    std::vector<double> centred(static_cast<std::size_t>(CASE_BLOCK) * width, 0.0);
    for (int k0 = 0; k0 < n_cases; k0 += CASE_BLOCK) {
        const int cases = std::min(CASE_BLOCK, n_cases - k0);
        for (int k = 0; k < cases; ++k) {
            const float* row = data.row(k0 + k);
            double* out = centred.data() + static_cast<std::ptrdiff_t>(k) * width;
            for (int j = 0; j < used; ++j) out[j] = static_cast<double>(row[first + j]) - means[first + j];
        }
        for (int ti = 0; ti < BAND_ROWS; ti += TILE_ROWS) add_tile_row(centred.data(), width, cases, ti, sums.data());
    }
    for (int b = 0; b < BAND_ROWS && b < used; ++b) {
        const int i = first + b;
        for (int j = b; j < used; ++j) {
            const double value = sums[static_cast<std::size_t>(b) * width + j] / n_cases;
            cov(i, first + j) = value;
            cov(first + j, i) = value;
        }
    }
}

}  // namespace

void estimate_covariance(const FloatMatrix& data, int n_threads, DoubleMatrix& cov) {
    const int n = static_cast<int>(data.cols());
    if (n <= 0) return;
    const std::vector<double> means = column_means(data);
    const int bands = (n + BAND_ROWS - 1) / BAND_ROWS;
    parallel_for(n_threads, bands, [&](std::int64_t band, int) {
        covariance_band(data, means, static_cast<int>(band) * BAND_ROWS, cov);
    });
}

}  // namespace gaussnet
