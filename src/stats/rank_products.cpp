#include "stats/rank_products.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "common/lanes.h"
#include "common/parallel.h"

namespace gaussnet {

namespace {

constexpr int STEP = 8;  // cases a vector of 32-bit lanes holds
typedef std::int32_t int_lanes __attribute__((vector_size(STEP * sizeof(std::int32_t))));

constexpr int TILE_ROWS = 4;  // pair sums kept in registers: 4 x 3 vectors
constexpr int TILE_COLUMNS = 3;

GAUSSNET_LANE_HELPER int_lanes load(const std::int32_t* p) {
    int_lanes v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

GAUSSNET_LANE_HELPER std::int64_t lane_total(int_lanes v) {
    std::int64_t total = 0;
    for (int lane = 0; lane < STEP; ++lane) total += v[lane];
    return total;
}

// Cases a 32-bit lane may sum before it could overflow (each adds one
// product of at most (n_cases - 1)^2 a step), at most the whole column.
int flush_cases(int n_cases, int length) {
    const std::int64_t largest = static_cast<std::int64_t>(n_cases - 1) * (n_cases - 1);
    if (largest == 0) return std::max(length, STEP);
    return static_cast<int>(std::clamp<std::int64_t>(INT_MAX / largest * STEP, STEP, std::max(length, STEP)));
}

// sums[r][c] = sum over the cases of rows[r] * columns[c], exactly.
GAUSSNET_MULTI_ISA void tile_products(const std::int32_t* const* rows, const std::int32_t* const* columns, int length,
                                      int flush, std::int64_t sums[TILE_ROWS][TILE_COLUMNS]) {
    for (int r = 0; r < TILE_ROWS; ++r)
        for (int c = 0; c < TILE_COLUMNS; ++c) sums[r][c] = 0;
    for (int k0 = 0; k0 < length; k0 += flush) {
        int_lanes acc[TILE_ROWS][TILE_COLUMNS] = {};
        const int end = std::min(length, k0 + flush);
        for (int k = k0; k < end; k += STEP) {
            int_lanes c[TILE_COLUMNS];
#pragma GCC unroll 4
            for (int t = 0; t < TILE_COLUMNS; ++t) c[t] = load(columns[t] + k);
#pragma GCC unroll 4
            for (int r = 0; r < TILE_ROWS; ++r) {
                const int_lanes a = load(rows[r] + k);
#pragma GCC unroll 4
                for (int t = 0; t < TILE_COLUMNS; ++t) acc[r][t] += a * c[t];
            }
        }
        for (int r = 0; r < TILE_ROWS; ++r)
            for (int c = 0; c < TILE_COLUMNS; ++c) sums[r][c] += lane_total(acc[r][c]);
    }
}

int padded(int count, int multiple) { return (count + multiple - 1) / multiple * multiple; }

// Rows first..first+TILE_ROWS-1 of the covariance (those below n_vars), every
// column from first on. A sum is a quarter of the doubled ranks' products,
// so exact; divided by n_cases as the covariance of the ranks is.
void covariance_band(const centred_rank_columns& ranks, int first, DoubleMatrix& cov) {
    const int n_vars = ranks.vars(), n_cases = ranks.cases();
    const int length = padded(n_cases, STEP), flush = flush_cases(n_cases, length);
    const std::int32_t* rows[TILE_ROWS];
    for (int r = 0; r < TILE_ROWS; ++r) rows[r] = ranks.column(first + r);
    std::int64_t sums[TILE_ROWS][TILE_COLUMNS];
    for (int j = first; j < n_vars; j += TILE_COLUMNS) {
        const std::int32_t* columns[TILE_COLUMNS];
        for (int t = 0; t < TILE_COLUMNS; ++t) columns[t] = ranks.column(j + t);
        tile_products(rows, columns, length, flush, sums);
        for (int r = 0; r < TILE_ROWS; ++r) {
            for (int c = 0; c < TILE_COLUMNS; ++c) {
                const int i = first + r, jc = j + c;
                if (i >= n_vars || jc >= n_vars || jc < i) continue;
                const double value = static_cast<double>(sums[r][c]) * 0.25 / n_cases;
                cov(i, jc) = value;
                cov(jc, i) = value;
            }
        }
    }
}

}  // namespace

centred_rank_columns::centred_rank_columns(int n_cases, int n_vars)
    : n_cases_(n_cases),
      n_vars_(n_vars),
      stride_(padded(n_cases, STEP)),
      cells_(static_cast<std::size_t>(stride_) * (padded(n_vars, TILE_ROWS) + TILE_COLUMNS), 0) {}

void rank_covariance(const centred_rank_columns& ranks, int n_threads, DoubleMatrix& cov) {
    const int bands = (ranks.vars() + TILE_ROWS - 1) / TILE_ROWS;
    parallel_for(n_threads, bands,
                 [&](std::int64_t band, int) { covariance_band(ranks, static_cast<int>(band) * TILE_ROWS, cov); });
}

}  // namespace gaussnet
