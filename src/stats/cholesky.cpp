#include "stats/cholesky.h"

#include <cmath>
#include <vector>

#include "common/fatal_error.h"
#include "common/text.h"

namespace gaussnet {

bool cholesky_decompose(double* a, int n, double* diag) {
    for (int r = 0; r < n; ++r) {
        double* row_r = a + static_cast<std::ptrdiff_t>(r) * n;
        for (int c = r; c < n; ++c) {
            const double* row_c = a + static_cast<std::ptrdiff_t>(c) * n;
            double s = row_r[c];
            for (int k = r - 1; k >= 0; --k) s = s - row_r[k] * row_c[k];
            if (c == r) {
                if (s <= 0) return false;  // a NaN pivot is not <= 0 and goes on
                diag[r] = std::sqrt(s);
            } else {
                a[static_cast<std::ptrdiff_t>(c) * n + r] = s / diag[r];
            }
        }
    }
    return true;
}

namespace {

// Replaces L (strict lower triangle plus diag) by L^-1 in the lower triangle
// with the diagonal. Column r of the inverse needs only L and itself.
void invert_factor(double* a, int n, const double* diag) {
    for (int r = 0; r < n; ++r) {
        a[static_cast<std::ptrdiff_t>(r) * n + r] = 1 / diag[r];
        for (int c = r + 1; c < n; ++c) {
            const double* row_c = a + static_cast<std::ptrdiff_t>(c) * n;
            double s = 0;
            for (int k = r; k < c; ++k) s = s - row_c[k] * a[static_cast<std::ptrdiff_t>(k) * n + r];
            a[static_cast<std::ptrdiff_t>(c) * n + r] = s / diag[c];
        }
    }
}

void invert_in_place(double* a, int n) {
    const std::size_t cells = static_cast<std::size_t>(n) * static_cast<std::size_t>(n);
    for (int r = 0; r < n; ++r)
        for (int c = r + 1; c < n; ++c) a[static_cast<std::ptrdiff_t>(r) * n + c] = 0;
    std::vector<double> t(cells);
    std::vector<double> m(cells);
    matrix_transpose(a, n, n, t.data());
    matrix_multiply(t.data(), n, n, a, n, m.data());
    for (std::size_t cell = 0; cell < cells; ++cell) a[cell] = m[cell];
}

// L^-1 in a's lower triangle with the diagonal.
void inverse_factor(double* a, int n) {
    std::vector<double> diag(n > 0 ? static_cast<std::size_t>(n) : 0);
    if (!cholesky_decompose(a, n, diag.data())) not_positive_definite(n);
    invert_factor(a, n, diag.data());
}

}  // namespace

double partial_correlation(double* a, int n, int i, int j) {
    inverse_factor(a, n);
    return correlation_from_columns(n, i, a + i, j, a + j, n);
}

void invert_positive_definite(double* a, int n) {
    inverse_factor(a, n);
    invert_in_place(a, n);
}

double correlation_from_columns(int n, int i, const double* column_i, int j, const double* column_j, long stride) {
    double cross = 0;
    for (int k = i > j ? i : j; k < n; ++k) cross = cross + column_i[k * stride] * column_j[k * stride];
    double s_i = 0;
    for (int k = i; k < n; ++k) s_i = s_i + column_i[k * stride] * column_i[k * stride];
    double s_j = 0;
    for (int k = j; k < n; ++k) s_j = s_j + column_j[k * stride] * column_j[k * stride];
    if (cross == 0) return 0.0;
    return -(cross / std::sqrt(s_j * s_i));
}

singular_matrix_error::singular_matrix_error(int order)
    : fatal_error(strprintf("No Cholesky decomposition (%d).", order)), order_(order) {}

void not_positive_definite(int order) { throw singular_matrix_error(order); }

void matrix_transpose(const double* source, int rows, int cols, double* result) {
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c)
            result[static_cast<std::ptrdiff_t>(c) * rows + r] = source[static_cast<std::ptrdiff_t>(r) * cols + c];
}

void matrix_multiply(const double* left, int rows, int inner, const double* right, int cols, double* result) {
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            double s = 0;
            for (int k = 0; k < inner; ++k)
                s = s +
                    left[static_cast<std::ptrdiff_t>(r) * inner + k] * right[static_cast<std::ptrdiff_t>(k) * cols + c];
            result[static_cast<std::ptrdiff_t>(r) * cols + c] = s;
        }
    }
}

}  // namespace gaussnet
