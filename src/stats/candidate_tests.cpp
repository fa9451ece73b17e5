// Every non-member of a pass: the lane groups, their shared products and
// columns, and the groups' or lone candidates' factorisations.
#include <algorithm>
#include <cstring>
#include <vector>

#include "stats/candidate_tests.h"
#include "stats/cholesky.h"
#include "stats/kernels.h"

namespace gaussnet {

namespace {

// A lone candidate (a group of one) is factorised on its own, vectorised
// across columns, when at least this many rows of E follow its position: the
// lanes would repeat it four times, and on long rows that costs more than
// the latency they share. Nearer the end the lockstep kernel is faster.
constexpr int LONE_CANDIDATE_ROWS = 48;

// The base products are tabulated while the table (in doubles) stays in the
// second-level cache beside the groups' work; a larger table costs more in
// misses than forming the products again.
constexpr std::size_t MAX_PRODUCT_TABLE = std::size_t{1} << 16;

// The non-members (the runs between consecutive base variables) and their groups.
void plan_lane_groups(const base_factor& base, int n_vars, lane_plan& plan) {
    const int order = base.order();
    plan.candidates.resize(static_cast<std::size_t>(n_vars - order));
    int* next = plan.candidates.data();
    int from = 0;
    for (int b = 0; b <= order; ++b) {
        const int until = b < order ? base.vars[b] : n_vars;
        for (int v = from; v < until; ++v) *next++ = v;
        from = until + 1;
    }
    const int width = static_cast<int>(plan.candidates.size());
    plan.groups.clear();
    plan.positions.clear();
    int position = 0;
    for (int slot = 0; slot < width;) {
        while (position < order && base.vars[position] < plan.candidates[slot]) ++position;
        int count = 1;
        while (count < GROUP_LANES && slot + count < width &&
               (position == order || plan.candidates[slot + count] < base.vars[position]))
            ++count;
        plan.groups.push_back({slot, count, position});
        plan.positions.push_back(position);
        slot += count;
    }
    plan.block = static_cast<std::size_t>(order) * GROUP_LANES;
}

// Each group's covariances with the base variables, lanes fastest. The
// covariance matrix is exactly symmetric; it is read along the base
// variables' rows, which stay in cache, rather than along the candidates'.
void gather_candidate_covariances(const DoubleMatrix& cov, const base_factor& base, lane_plan& plan) {
    const int order = base.order();
    plan.cov.resize(plan.groups.size() * plan.block + GROUP_PADDING);
    plan.base_cov_rows.resize(static_cast<std::size_t>(order));
    for (int x = 0; x < order; ++x) plan.base_cov_rows[x] = cov.row(base.vars[x]);
    double* out = plan.cov.data();
    for (const lane_group& group : plan.groups) {
        int lanes[GROUP_LANES];
        for (int lane = 0; lane < GROUP_LANES; ++lane) lanes[lane] = plan.candidate(group, lane);
        const bool consecutive = lanes[GROUP_LANES - 1] == lanes[0] + GROUP_LANES - 1;  // the usual case
        for (int x = 0; x < order; ++x) {
            const double* cov_row = plan.base_cov_rows[x];
            if (consecutive) {
                std::memcpy(out + x * GROUP_LANES, cov_row + lanes[0], GROUP_LANES * sizeof(double));
            } else {
                for (int lane = 0; lane < GROUP_LANES; ++lane) out[x * GROUP_LANES + lane] = cov_row[lanes[lane]];
            }
        }
        out += plan.block;
    }
}

// Every group's w: the forward solve, the groups side by side.
void solve_candidate_columns(const base_factor& base, lane_plan& plan) {
    plan.columns.resize(plan.groups.size() * plan.block);
    solve_group_columns({base.lower.cells.data(), base.order(), base.diag.data(), base.usable_rows(),
                         plan.positions.data(), static_cast<int>(plan.groups.size()), plan.cov.data(), plan.block},
                        plan.columns.data());
}

// The base products of the candidates' later rows, once per pass, when
// several groups share them and the table is small enough.
void tabulate_base_products(const base_factor& base, const lane_plan& plan, product_table& table) {
    const int nb = base.order();
    table.rows.resize(static_cast<std::size_t>(nb));
    const std::size_t size =
        base_product_table(base.upper.cells.data(), nb, base.usable_rows(), table.rows.data(), nullptr);
    if (size > MAX_PRODUCT_TABLE || plan.groups.size() < 2) {
        table.products.clear();
        return;
    }
    // The last row's spare columns are read past its end.
    table.products.resize(size + KERNEL_BLOCK * static_cast<std::size_t>(nb));
    base_product_table(base.upper.cells.data(), nb, base.usable_rows(), table.rows.data(), table.products.data());
}

// The target's column in every lane of a group: restarted below the
// candidates or, above them, the base's down to them with the base's running
// entries below (final already above p).
void start_target_columns(const base_factor& base, const target_column& target, const lane_plan& plan, int g,
                          std::vector<double>& columns) {
    const int n = base.order() + 1;
    const int p = plan.groups[g].position, q = base.target_position;
    double* column = columns.data();
    if (q < p) {
        const double* w = plan.group_columns(g);
        double s[GROUP_LANES] = {};
        for (int k = q; k < p; ++k) {
            const double entry = target.entries[k];
            for (int lane = 0; lane < GROUP_LANES; ++lane) {
                column[k * GROUP_LANES + lane] = entry;
                s[lane] = s[lane] - w[k * GROUP_LANES + lane] * entry;
            }
        }
        for (int lane = 0; lane < GROUP_LANES; ++lane) column[p * GROUP_LANES + lane] = s[lane];
        const double* partial = target.partial.row(p);
        for (int c = p + 1; c < n; ++c)
            for (int lane = 0; lane < GROUP_LANES; ++lane) column[c * GROUP_LANES + lane] = partial[c - 1];
    } else {
        std::fill(columns.begin() + (q + 1) * GROUP_LANES, columns.end(), 0.0);
        for (int lane = 0; lane < GROUP_LANES; ++lane) column[(q + 1) * GROUP_LANES + lane] = 1;
    }
}

// A group's scratch and its starting columns: the candidates' from their own
// row, the target's as above. Only the entries from a column's first row on are read.
lane_group_data prepare_group(const std::vector<double>& variances, const base_factor& base,
                              const target_column& target, const lane_plan& plan, int g, group_work& work) {
    const int n = base.order() + 1;
    const std::size_t cells = static_cast<std::size_t>(n) * GROUP_LANES;
    const lane_group& group = plan.groups[g];
    const int p = group.position;
    work.group = g;
    work.upper.resize(cells * n + GROUP_PADDING);
    work.diag.resize(cells);
    work.sums.resize(cells + GROUP_PADDING);
    work.column_i.resize(cells);
    work.column_j.resize(cells);
    for (int lane = 0; lane < GROUP_LANES; ++lane) {
        const int candidate = plan.candidate(group, lane);
        work.variances[lane] = variances[static_cast<std::size_t>(candidate)];
        work.failed[lane] = -1;
    }
    std::fill(work.column_i.begin() + p * GROUP_LANES, work.column_i.end(), 0.0);
    for (int lane = 0; lane < GROUP_LANES; ++lane) work.column_i[p * GROUP_LANES + lane] = 1;
    start_target_columns(base, target, plan, g, work.column_j);
    return {plan.group_columns(g), plan.group_cov(g), work.variances,       work.upper.data(),    work.diag.data(),
            work.sums.data(),      work.failed,       work.column_i.data(), work.column_j.data(), work.r};
}

// Computes groups prepared at one position, side by side (their data in data[0..count)).
void compute_groups(const candidate_work& w, lane_group_data* data, int count) {
    const base_factor& base = w.base;
    const int n = base.order() + 1;
    const int p = w.plan.groups[w.groups[0].group].position, q = base.target_position;
    const group_base shared{n,
                            p,
                            base.upper.cells.data(),
                            base.cov.cells.data(),
                            w.products.products.empty() ? nullptr : w.products.products.data(),
                            w.products.rows.data()};
    factor_groups(shared, data, count);
    // The target's column continues from the candidates' row when it lies above them.
    const int j = q < p ? q : q + 1;
    finish_group_columns(n, p, q < p ? p : j, data, count);
    const square_sum j_squares = q < p ? square_sum{w.target.squares[p], p} : square_sum{0.0, j};
    group_pair_correlations(n, p, j, j_squares, data, count);
}

// The groups prepared but not yet computed (all at one position): groups at
// one position share the kernel's loops, MAX_GROUPS at a time.
class pending_groups {
public:
    // Prepares group g, computing the waiting group first when it lies at
    // another position (it then goes alone).
    void add(const std::vector<double>& variances, int g, candidate_work& w) {
        if (count_ == 1 && w.plan.groups[w.groups[0].group].position != w.plan.groups[g].position) flush(w);
        data_[count_] = prepare_group(variances, w.base, w.target, w.plan, g, w.groups[count_]);
        if (++count_ == MAX_GROUPS) flush(w);
    }

    // Computes the waiting groups and stores their results.
    void flush(candidate_work& w) {
        if (count_ == 0) return;
        compute_groups(w, data_, count_);
        for (int i = 0; i < count_; ++i) {
            const lane_group& group = w.plan.groups[w.groups[i].group];
            for (int lane = 0; lane < group.count; ++lane) {
                w.results.failed[group.first_slot + lane] = w.groups[i].failed[lane] >= 0;
                w.results.correlations[group.first_slot + lane] = w.groups[i].r[lane];
            }
        }
        count_ = 0;
    }

private:
    lane_group_data data_[MAX_GROUPS];
    int count_ = 0;
};

enum class group_route { failed_base, alone, lanes };

group_route route_of(const base_factor& base, const lane_group& group, candidate_grouping mode) {
    // The rows above the candidates are the base's: a failure there is the base's.
    if (!base.ok() && base.failed_row < group.position) return group_route::failed_base;
    if (mode == candidate_grouping::never) return group_route::alone;
    if (mode == candidate_grouping::always) return group_route::lanes;
    const bool lone = group.count == 1 && base.order() - group.position >= LONE_CANDIDATE_ROWS;
    return lone ? group_route::alone : group_route::lanes;
}

// A group's candidates one at a time.
void test_alone(const std::vector<double>& variances, int g, candidate_work& w) {
    const lane_group& group = w.plan.groups[g];
    for (int i = 0; i < group.count; ++i) {
        bool failed = false;
        const int candidate = w.plan.candidates[group.first_slot + i];
        w.results.correlations[group.first_slot + i] = single_candidate(
            w.base, w.target, w.plan, g, i, variances[static_cast<std::size_t>(candidate)], w.single, failed);
        w.results.failed[group.first_slot + i] = failed;
    }
}

// Every non-member's partial correlation with the target (or its failure),
// a group's candidates side by side where that pays.
void test_groups(const std::vector<double>& variances, candidate_grouping mode, candidate_work& w) {
    const std::size_t width = w.plan.candidates.size();
    // Every slot is written below (a failed one's correlation is never read).
    w.results.correlations.resize(width);
    w.results.failed.resize(width);
    pending_groups pending;
    for (int g = 0; g < static_cast<int>(w.plan.groups.size()); ++g) {
        const lane_group& group = w.plan.groups[g];
        switch (route_of(w.base, group, mode)) {
            case group_route::failed_base:
                for (int i = 0; i < group.count; ++i) w.results.failed[group.first_slot + i] = 1;
                break;
            case group_route::alone:
                test_alone(variances, g, w);
                break;
            case group_route::lanes:
                pending.add(variances, g, w);
                break;
        }
    }
    pending.flush(w);
}

}  // namespace

void test_candidates(const DoubleMatrix& cov, const std::vector<double>& variances, int target,
                     const std::uint8_t* member_flags, candidate_grouping mode, candidate_work& work) {
    const int n_vars = static_cast<int>(cov.rows());
    factor_base(cov, target, member_flags, n_vars, work.base);
    base_target_column(work.base, work.target);
    plan_lane_groups(work.base, n_vars, work.plan);
    tabulate_base_products(work.base, work.plan, work.products);
    gather_candidate_covariances(cov, work.base, work.plan);
    solve_candidate_columns(work.base, work.plan);
    test_groups(variances, mode, work);
}

}  // namespace gaussnet
