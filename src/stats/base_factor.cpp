// The base of a pass: its factor and the target's column of its inverse factor.
#include <algorithm>
#include <vector>

#include "stats/candidate_tests.h"
#include "stats/kernels.h"

namespace gaussnet {

// Column `column` of an inverse factor (rows column..n-1; zero above).
void inverse_column(const square& upper, const std::vector<double>& diag, int column, std::vector<double>& out) {
    const int n = upper.order;
    out.assign(static_cast<std::size_t>(n), 0.0);
    out[column] = 1;  // becomes 1 / diag[column]
    finish_inverse_column(upper.cells.data(), n, diag.data(), n, column, out.data());
}

void factor_base(const DoubleMatrix& cov, int target, const std::uint8_t* member_flags, int n_vars, base_factor& base) {
    base.vars.clear();
    for (int v = 0; v < n_vars; ++v)
        if (v == target || member_flags[v] == 1) base.vars.push_back(v);
    const int n = base.order();
    base.target_position = 0;
    while (base.vars[base.target_position] != target) ++base.target_position;
    base.cov.reset(n);
    base.upper.reset(n);
    base.lower.reset(n);
    base.diag.resize(static_cast<std::size_t>(n));
    base.sums.resize(static_cast<std::size_t>(n));
    for (int r = 0; r < n; ++r) {
        const double* cov_row = cov.row(base.vars[r]);
        double* gathered = base.cov.row(r);
        for (int x = r; x < n; ++x) gathered[x] = cov_row[base.vars[x]];
    }
    base.failed_row =
        factor_upper(base.cov.cells.data(), base.upper.cells.data(), n, n, base.diag.data(), base.sums.data());
    for (int r = 0; r < base.usable_rows(); ++r)
        for (int x = r + 1; x < n; ++x) base.lower.row(x)[r] = base.upper.row(r)[x];
}

// The target's column of X = L^-1, keeping after each row the running entries
// below it (a candidate inserted there continues them). A base that failed
// ends the run at its first member's test; groups tested before that still
// read zeros here.
void base_target_column(const base_factor& base, target_column& column) {
    const int n = base.order();
    const int q = base.target_position;
    column.partial.reset(n + 1);
    column.entries.assign(static_cast<std::size_t>(n), 0.0);
    column.squares.assign(static_cast<std::size_t>(n) + 1, 0.0);
    if (!base.ok()) return;
    std::vector<double>& entries = column.entries;
    entries[q] = 1 / base.diag[q];
    for (int k = q; k < n; ++k) {
        if (k > q) entries[k] = entries[k] / base.diag[k];
        subtract_scaled(entries.data() + k + 1, base.upper.row(k) + k + 1, entries[k], n - k - 1);
        double* partial = column.partial.row(k + 1);
        for (int c = k + 1; c < n; ++c) partial[c] = entries[c];
    }
    double squares = 0;
    for (int p = q + 1; p <= n; ++p) {
        squares = squares + entries[p - 1] * entries[p - 1];
        column.squares[p] = squares;
    }
}

}  // namespace gaussnet
