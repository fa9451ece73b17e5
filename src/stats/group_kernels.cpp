#include "stats/group_kernels.h"

namespace gaussnet {

namespace {

const group_kernel_set& chosen_kernels() {
    static const group_kernel_set& set = __builtin_cpu_supports("avx2") ? avx2::kernels : baseline::kernels;
    return set;
}

}  // namespace

void factor_group(const group_factor_input& in, double* upper, double* diag, double* sums, int* failed) {
    chosen_kernels().factor_group(in, upper, diag, sums, failed);
}

void factor_twin_groups(const group_factor_input& in_a, double* upper_a, double* diag_a, double* sums_a, int* failed_a,
                        const group_factor_input& in_b, double* upper_b, double* diag_b, double* sums_b,
                        int* failed_b) {
    chosen_kernels().factor_twin_groups(in_a, upper_a, diag_a, sums_a, failed_a, in_b, upper_b, diag_b, sums_b,
                                        failed_b);
}

void solve_group_columns(const group_solve_input& in, double* columns) {
    chosen_kernels().solve_group_columns(in, columns);
}

void group_pair_correlation(int n, int i, const double* column_i, int j, const double* column_j,
                            const square_sum& j_sum, double* r) {
    chosen_kernels().group_pair_correlation(n, i, column_i, j, column_j, j_sum, r);
}

void twin_pair_correlation(int n, int i, int j, const square_sum& j_sum, const double* const* column_i,
                           const double* const* column_j, double* const* r) {
    chosen_kernels().twin_pair_correlation(n, i, j, j_sum, column_i, column_j, r);
}

void finish_group_columns(const double* upper, const double* diag, int n, int from_a, double* column_a, int from_b,
                          double* column_b) {
    chosen_kernels().finish_group_columns(upper, diag, n, from_a, column_a, from_b, column_b);
}

void finish_twin_group_columns(const twin_columns& a, const twin_columns& b, int n, int from_a, int from_b) {
    chosen_kernels().finish_twin_group_columns(a, b, n, from_a, from_b);
}

std::size_t base_product_table(const double* base_upper, int nb, int rows, std::size_t* product_rows,
                               double* products) {
    std::size_t size = 0;
    for (int r = 0; r < nb; ++r) {
        const std::size_t columns = static_cast<std::size_t>(nb - r) + 7;
        if (products == nullptr) {
            product_rows[r] = size;
        } else {
            double* out = products + product_rows[r];
            for (int k = 0; k < r && k < rows; ++k) {
                const double* row = base_upper + static_cast<long>(k) * nb;
                const double c = row[r];
                for (int x = r; x < nb; ++x) out[static_cast<std::size_t>(x - r) * r + k] = c * row[x];
            }
        }
        size += columns * static_cast<std::size_t>(r);
    }
    return size;
}

}  // namespace gaussnet
