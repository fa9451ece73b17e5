// Assembling one pass: each test's partial correlation in ascending variable
// order (a member's from the base, a non-member's from candidate_tests.h),
// its statistic, and the p-values of each kind of test computed together.

#include "stats/ci_engine.h"

#include <cmath>
#include <vector>

#include "numerics/numerics.h"
#include "stats/candidate_tests.h"
#include "stats/cholesky.h"
#include "stats/ci_test.h"

namespace gaussnet {

namespace {

// A test's kind, which is also its place in pvalue_work's arrays.
enum entry_kind : std::uint8_t { non_member_test = 0, member_test = 1, deferred_test = 2 };

// Per entry in test order, and per kind: [0] the non-members' tests, [1] the
// members' (one conditioning variable less).
struct pvalue_work {
    std::vector<std::uint8_t> kinds;
    std::vector<double> statistics[2];
    std::vector<double> pvalues[2];
    error_function_scratch erf;
    student_scratch student;
    std::vector<double> tail_arguments;
    std::vector<int> tail_places;
};

}  // namespace

// Everything an engine reuses from pass to pass.
struct ci_engine_scratch {
    candidate_work candidates;
    pvalue_work pvalues;
    std::vector<double> member_column;
    std::vector<std::uint8_t> flags;
    // The covariance matrix's diagonal, side by side: read along the
    // diagonal itself, every candidate's variance is a cache miss.
    std::vector<double> variances;
};

ci_engine::ci_engine(const test_setting& test, const DoubleMatrix& cov, grouping mode)
    : test_(test),
      n_vars_(static_cast<int>(cov.rows())),
      cov_(cov),
      mode_(mode),
      scratch_(std::make_unique<ci_engine_scratch>()) {
    scratch_->variances.resize(static_cast<std::size_t>(n_vars_));
    for (int v = 0; v < n_vars_; ++v) scratch_->variances[static_cast<std::size_t>(v)] = cov(v, v);
}

ci_engine::ci_engine(ci_engine&&) noexcept = default;
ci_engine::~ci_engine() = default;

void ci_engine::test_pass_plain(int target, const std::uint8_t* member_flags, int member_count, double* pvalues,
                                int* index) {
    const int n = n_vars_;
    std::vector<std::uint8_t>& flags = scratch_->flags;
    flags.assign(member_flags, member_flags + n);
    int entry = 0;
    for (int j = 0; j < n; ++j) {
        if (j == target) continue;
        // A member is tested given the other members.
        const int member = flags[j] == 1 ? 1 : 0;
        flags[j] = 0;
        const double s = ci_statistic(test_, j, target, flags.data(), cov_);
        flags[j] = static_cast<std::uint8_t>(member);
        pvalues[entry] = statistic_pvalue(test_, std::fabs(s), member_count - member);
        index[entry] = j;
        ++entry;
    }
}

namespace {

// A member's test matrix is the base itself (its flag cleared, it stays in
// the base): r from the base's inverse factor.
double member_correlation(const candidate_work& c, int position, std::vector<double>& column) {
    if (!c.base.ok()) not_positive_definite(c.base.order());
    inverse_column(c.base.upper, c.base.diag, position, column);
    return correlation_from_columns(c.base.order(), position, column.data(), c.base.target_position,
                                    c.target.entries.data(), 1);
}

// The largest |r| with which a non-member's test may be deferred, or -1.
double deferrable_correlation(const test_setting& test, int member_count, bool defer) {
    if (!defer || test.kind != test_kind::fisher_z) return -1;
    const fisher_terms terms = fisher_terms_for(test, member_count);
    return fisher_deferrable_correlation(terms.variance, terms.scale);
}

// Files each test by its correlation: a non-member with |r| up to the
// deferrable correlation goes to the deferring pass, with neither its
// statistic nor its p-value formed; every other test's statistic goes to its
// kind's list, in test order.
class test_filer {
public:
    test_filer(const test_setting& test, int member_count, pvalue_work& work, pass_pvalues* deferring)
        : test_(test),
          member_count_(member_count),
          deferrable_(deferrable_correlation(test, member_count, deferring != nullptr)),
          work_(work),
          deferring_(deferring) {
        work.statistics[0].clear();
        work.statistics[1].clear();
    }

    void file(int entry, double r, int member) {
        if (member == non_member_test && std::fabs(r) <= deferrable_) {
            deferring_->defer(entry, r);
            work_.kinds[entry] = deferred_test;
            return;
        }
        work_.kinds[entry] = static_cast<std::uint8_t>(member);
        work_.statistics[member].push_back(std::fabs(statistic_from_correlation(test_, r, member_count_ - member)));
    }

private:
    const test_setting& test_;
    int member_count_;
    double deferrable_;
    pvalue_work& work_;
    pass_pvalues* deferring_;
};

// Every test in ascending variable order, its variable in index[] and its
// correlation filed; the first test that failed ends the run.
void file_tests_in_order(int n_vars, int target, const std::uint8_t* member_flags, ci_engine_scratch& s, int* index,
                         test_filer& filer) {
    const candidate_work& c = s.candidates;
    s.pvalues.kinds.resize(static_cast<std::size_t>(n_vars - 1));
    int entry = 0;
    int position = 0;  // the number of base variables below j
    int slot = 0;      // the number of non-members below j
    for (int j = 0; j < n_vars; ++j) {
        if (j == target) {
            ++position;
            continue;
        }
        if (member_flags[j] == 1) {
            filer.file(entry, member_correlation(c, position++, s.member_column), member_test);
        } else {
            if (c.results.failed[slot]) not_positive_definite(c.base.order() + 1);
            filer.file(entry, c.results.correlations[slot++], non_member_test);
        }
        index[entry++] = j;
    }
}

// The p-values of each kind of test, computed together: statistic_pvalue's
// values, with the terms that depend only on the conditioning-set size formed once.
void pvalues_by_kind(const test_setting& test, int member_count, pvalue_work& work) {
    for (int member = 0; member < 2; ++member) {
        const int cond_size = member_count - member;
        const std::vector<double>& statistics = work.statistics[member];
        std::vector<double>& out = work.pvalues[member];
        out.resize(statistics.size());
        const int count = static_cast<int>(statistics.size());
        switch (test.kind) {
            case test_kind::fisher_z: {
                const fisher_terms terms = fisher_terms_for(test, cond_size);
                normal_upper_tails(statistics.data(), count, terms.variance, terms.scale, out.data(), work.erf,
                                   work.tail_arguments, work.tail_places);
                break;
            }
            case test_kind::student_t: {
                const double df = static_cast<double>(test.n_cases - cond_size - 2);
                student_upper_tails(statistics.data(), count, df, log_beta_part(df * 0.5, 0.5), out.data(),
                                    work.student);
                break;
            }
        }
    }
}

// The p-values in the tests' order; deferred tests get +infinity.
void pvalues_in_order(const pvalue_work& work, double* pvalues) {
    std::size_t next[2] = {0, 0};
    const int entries = static_cast<int>(work.kinds.size());
    for (int e = 0; e < entries; ++e) {
        const int kind = work.kinds[e];
        pvalues[e] = kind == deferred_test ? INFINITY : work.pvalues[kind][next[kind]++];
    }
}

}  // namespace

void ci_engine::test_pass(int target, const std::uint8_t* member_flags, int member_count, double* pvalues, int* index) {
    run_pass(target, member_flags, member_count, pvalues, index, nullptr);
}

pass_pvalues ci_engine::test_pass_deferring(int target, const std::uint8_t* member_flags, int member_count,
                                            pass_pvalues&& storage) {
    pass_pvalues pass = std::move(storage);
    pass.start(n_vars_ - 1, test_, member_count);
    run_pass(target, member_flags, member_count, pass.pvalues.data(), pass.index.data(), &pass);
    return pass;
}

void ci_engine::member_correlations(int target, const std::uint8_t* member_flags, std::vector<double>& out) {
    candidate_work& c = scratch_->candidates;
    factor_base(cov_, target, member_flags, n_vars_, c.base);
    base_target_column(c.base, c.target);
    out.clear();
    for (int position = 0; position < c.base.order(); ++position)
        if (position != c.base.target_position) out.push_back(member_correlation(c, position, scratch_->member_column));
}

void ci_engine::run_pass(int target, const std::uint8_t* member_flags, int member_count, double* pvalues, int* index,
                         pass_pvalues* deferring) {
    ci_engine_scratch& s = *scratch_;
    test_candidates(cov_, s.variances, target, member_flags, mode_, s.candidates);
    test_filer filer(test_, member_count, s.pvalues, deferring);
    file_tests_in_order(n_vars_, target, member_flags, s, index, filer);
    pvalues_by_kind(test_, member_count, s.pvalues);
    pvalues_in_order(s.pvalues, pvalues);
}

}  // namespace gaussnet
