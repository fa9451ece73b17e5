#pragma once
// The p-values of one pass of tests as a value: what a deferring pass
// returns. Contract: a deferred entry is a non-member's Fisher z test whose
// p-value is certainly above NORMAL_UPPER_TAIL_FLOOR; it holds +infinity until
// complete() writes the p-value test_pass gives (docs/deferred-pvalues.md).

#include <span>
#include <vector>

#include "common/test_setting.h"
#include "numerics/numerics.h"

namespace gaussnet {

// A view of a pass's deferred tests (valid while the pass is unchanged).
struct deferred_tests {
    const int* entries = nullptr;          // their entries in the pass, ascending
    const double* correlations = nullptr;  // their partial correlations
    int count = 0;
    double variance = 0;  // their normal variance
    double scale = 0;     // and scale, sqrt(variance + variance)
};

class pass_pvalues {
public:
    std::vector<double> pvalues;  // per entry, ascending variable order; +infinity where deferred
    std::vector<int> index;       // each entry's variable

    // A pass of m entries, none deferred yet; deferred ones are Fisher z tests
    // given cond_size variables.
    void start(int m, const test_setting& test, int cond_size);
    // Defers entry (whose p-value the caller sets to +infinity) with its correlation.
    void defer(int entry, double correlation) {
        entries_.push_back(entry);
        correlations_.push_back(correlation);
    }

    // Leaves out, in order, the entries whose variable keep() rejects, and
    // their deferred tests with them.
    template <typename Keep>
    void keep_if(Keep keep);

    deferred_tests deferred() const;
    // Writes the p-values of the deferred tests at places which[] of deferred().
    void complete(std::span<const int> which);
    // Writes every deferred p-value.
    void complete_all();

private:
    template <typename PlaceOf>
    void complete_places(int count, PlaceOf place_of);

    test_setting test_{};
    int cond_size_ = 0;
    std::vector<int> entries_;
    std::vector<double> correlations_;
    std::vector<double> statistics_, values_, tail_arguments_;
    std::vector<int> tail_places_;
    error_function_scratch erf_;
};

template <typename Keep>
void pass_pvalues::keep_if(Keep keep) {
    std::size_t kept = 0, deferred_seen = 0, deferred_kept = 0;
    for (std::size_t k = 0; k < index.size(); ++k) {
        const bool deferred_here = deferred_seen < entries_.size() && entries_[deferred_seen] == static_cast<int>(k);
        if (keep(index[k])) {
            if (deferred_here) {
                entries_[deferred_kept] = static_cast<int>(kept);
                correlations_[deferred_kept++] = correlations_[deferred_seen];
            }
            pvalues[kept] = pvalues[k];
            index[kept++] = index[k];
        }
        deferred_seen += deferred_here;
    }
    pvalues.resize(kept);
    index.resize(kept);
    entries_.resize(deferred_kept);
    correlations_.resize(deferred_kept);
}

// The normal distribution's terms of Fisher's z for one conditioning-set size.
struct fisher_terms {
    double variance;
    double scale;  // sqrt(variance + variance)
};
fisher_terms fisher_terms_for(const test_setting& test, int cond_size);

}  // namespace gaussnet
