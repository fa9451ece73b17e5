#include "learners/iamb.h"

#include <cstdio>
#include <memory>
#include <set>
#include <vector>

#include "common/parallel.h"
#include "common/text.h"
#include "learners/blanket.h"
#include "learners/pass_decision.h"
#include "learners/progress.h"
#include "stats/ci_engine.h"
#include "stats/heap_sort.h"

namespace gaussnet {

double harmonic_number(long long terms) {
    double h = 0;
    for (long long k = 1; k <= terms; ++k) h = h + 1.0 / static_cast<double>(k);
    return h;
}

namespace {

std::vector<int> members_of(const std::vector<std::uint8_t>& flags) {
    std::vector<int> members;
    for (int v = 0; v < static_cast<int>(flags.size()); ++v)
        if (flags[v] == 1) members.push_back(v);
    return members;
}

}  // namespace

blanket_learner::blanket_learner(const learner_setting& setting, int n_vars, pass_tester tester)
    : setting_(setting),
      n_vars_(n_vars),
      tester_(std::move(tester)),
      flags_(static_cast<std::size_t>(n_vars)),
      pvalues_(static_cast<std::size_t>(n_vars)),
      index_(static_cast<std::size_t>(n_vars)),
      harmonic_(harmonic_number(n_vars - 1)) {}

blanket_learner::blanket_learner(const learner_setting& setting, const DoubleMatrix& cov)
    : blanket_learner(setting, static_cast<int>(cov.rows()), pass_tester()) {
    engine_ = std::make_unique<ci_engine>(setting.test, cov);
    tester_ = [engine = engine_.get()](int target, const std::uint8_t* flags, int count, double* p, int* index) {
        engine->test_pass(target, flags, count, p, index);
    };
}

blanket_learner::~blanket_learner() = default;

namespace {

// The passes of a learner with tests of the caller's own defer nothing.
struct no_deferred_tests {
    deferred_tests deferred() const { return {}; }
    void complete_deferred(double*) {}
    void complete_deferred_some(const int*, int, double*) {}
};

}  // namespace

void blanket_learner::test_pass(bool defer, int target, int member_count) {
    if (defer) {
        engine_->test_pass_deferring(target, flags_.data(), member_count, pvalues_.data(), index_.data());
        return;
    }
    tester_(target, flags_.data(), member_count, pvalues_.data(), index_.data());
}

bool blanket_learner::change_one(const decision_rule& rule, int& member_count) {
    const int m = n_vars_ - 1;
    pass_route route;
    auto decide = [&](auto& tests) {
        return decide_pass(pvalues_.data(), index_.data(), m, flags_.data(), rule, tests, surrogates_, route);
    };
    no_deferred_tests none;
    const pass_decision decision = engine_ ? decide(*engine_) : decide(none);
    if (decision.change == pass_change::removal) {
        flags_[decision.variable] = 0;
        --member_count;
        return true;
    }
    if (decision.change == pass_change::addition) {
        flags_[decision.variable] = 1;
        ++member_count;
        return true;
    }
    return false;
}

const std::vector<std::uint8_t>& blanket_learner::learn(iamb_variant variant, int target) {
    std::fill(flags_.begin(), flags_.end(), 0);
    int member_count = 0;
    const decision_rule rule{static_cast<int>(variant), harmonic_, setting_.alpha * 0.5};
    const bool defer = engine_ && may_defer_pvalues(setting_.test, rule);
    std::set<std::vector<int>> seen;
    for (int pass = 1;; ++pass) {
        if (progress_ != nullptr) progress_->working(target, pass, member_count);
        // The passes may return to an earlier member set and then alternate
        // for ever: stop there and keep that set.
        if (!seen.insert(members_of(flags_)).second) {
            setting_.diagnostics->write(
                strprintf("IAMB%d: the passes for target %s return to an earlier member set; keeping it.\n",
                          static_cast<int>(variant), variable_label(setting_.var_names, target).c_str()));
            break;
        }
        test_pass(defer, target, member_count);
        tests_ += n_vars_ - 1;
        if (!change_one(rule, member_count)) break;
    }
    return flags_;
}

void set_blanket_row(ByteMatrix& learned_graph, int target, const std::vector<std::uint8_t>& flags) {
    std::uint8_t* row = learned_graph.row(target);
    for (std::size_t j = 0; j < flags.size(); ++j)
        if (flags[j] == 1) row[j] = 1;
}

thread_learners::thread_learners(const learner_setting& setting, const DoubleMatrix& cov, int n_threads,
                                 progress_line* progress)
    : setting_(setting), cov_(cov), progress_(progress), learners_(static_cast<std::size_t>(n_threads)) {}

thread_learners::~thread_learners() = default;

const std::vector<std::uint8_t>& thread_learners::learn(int thread, iamb_variant variant, int target) {
    auto& learner = learners_[static_cast<std::size_t>(thread)];
    if (!learner) {
        learner = std::make_unique<blanket_learner>(setting_, cov_);
        if (progress_ != nullptr) learner->report_progress_to(&progress_->slot(thread));
    }
    return learner->learn(variant, target);
}

long long thread_learners::tests() const {
    long long tests = 0;
    for (const auto& learner : learners_)
        if (learner) tests += learner->tests();
    return tests;
}

long long iamb_target(const learner_setting& setting, iamb_variant variant, int target, ByteMatrix& learned_graph,
                      const DoubleMatrix& cov) {
    blanket_learner learner(setting, cov);
    set_blanket_row(learned_graph, target, learner.learn(variant, target));
    return learner.tests();
}

long long learn_targets(const learner_setting& setting, iamb_variant variant, const std::vector<int>& targets,
                        ByteMatrix& learned_graph, const DoubleMatrix& cov, const char* progress_label) {
    progress_line progress(progress_label, static_cast<long long>(targets.size()), setting.n_threads, setting.var_names,
                           setting.show_progress);
    if (setting.distributor != nullptr)
        return setting.distributor->learn(setting, variant, targets, learned_graph, cov, progress);
    thread_learners learners(setting, cov, setting.n_threads, &progress);
    parallel_for(setting.n_threads, static_cast<std::int64_t>(targets.size()), [&](std::int64_t item, int thread) {
        const int target = targets[static_cast<std::size_t>(item)];
        set_blanket_row(learned_graph, target, learners.learn(thread, variant, target));
        progress.slot(thread).idle();
        progress.advance();
    });
    return learners.tests();
}

learned_structure run_iamb(const learner_setting& setting, iamb_variant variant, const DoubleMatrix& cov) {
    const int n = static_cast<int>(cov.rows());
    learned_structure result{ByteMatrix(n, n, 0), 0};
    std::vector<int> targets(static_cast<std::size_t>(n));
    for (int t = 0; t < n; ++t) targets[t] = t;
    const std::string label = strprintf("IAMB%d", static_cast<int>(variant));
    result.tests = learn_targets(setting, variant, targets, result.graph, cov, label.c_str());
    return result;
}

}  // namespace gaussnet
