#include "stats/pass_pvalues.h"

#include <cmath>

#include "stats/ci_test.h"

namespace gaussnet {

fisher_terms fisher_terms_for(const test_setting& test, int cond_size) {
    const double variance = 1.0 / static_cast<double>(test.n_cases - cond_size - 3);
    return {variance, std::sqrt(variance + variance)};
}

void pass_pvalues::start(int m, const test_setting& test, int cond_size) {
    pvalues.resize(static_cast<std::size_t>(m));
    index.resize(static_cast<std::size_t>(m));
    test_ = test;
    cond_size_ = cond_size;
    entries_.clear();
    correlations_.clear();
}

deferred_tests pass_pvalues::deferred() const {
    deferred_tests d;
    d.entries = entries_.data();
    d.correlations = correlations_.data();
    d.count = static_cast<int>(entries_.size());
    if (d.count > 0) {
        const fisher_terms terms = fisher_terms_for(test_, cond_size_);
        d.variance = terms.variance;
        d.scale = terms.scale;
    }
    return d;
}

template <typename PlaceOf>
void pass_pvalues::complete_places(int count, PlaceOf place_of) {
    if (count == 0) return;
    statistics_.resize(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        statistics_[i] = std::fabs(statistic_from_correlation(test_, correlations_[place_of(i)], cond_size_));
    values_.resize(static_cast<std::size_t>(count));
    const fisher_terms terms = fisher_terms_for(test_, cond_size_);
    normal_upper_tails(statistics_.data(), count, terms.variance, terms.scale, values_.data(), erf_, tail_arguments_,
                       tail_places_);
    for (int i = 0; i < count; ++i) pvalues[entries_[place_of(i)]] = values_[i];
}

void pass_pvalues::complete(std::span<const int> which) {
    complete_places(static_cast<int>(which.size()), [which](int i) { return which[i]; });
}

void pass_pvalues::complete_all() {
    complete_places(static_cast<int>(entries_.size()), [](int i) { return i; });
}

}  // namespace gaussnet
