#include "learners/iamb.h"

#include <cstdio>
#include <memory>
#include <set>
#include <vector>

#include "common/parallel.h"
#include "common/run_timer.h"
#include "common/text.h"
#include "evaluation/report_structure.h"
#include "evaluation/result_log.h"
#include "learners/blanket.h"
#include "learners/pass_decision.h"
#include "learners/progress.h"
#include "stats/ci_engine.h"
#include "stats/covariance.h"
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

blanket_learner::blanket_learner(const run_state& state, pass_tester tester)
    : state_(state),
      tester_(std::move(tester)),
      flags_(static_cast<std::size_t>(state.n_vars)),
      pvalues_(static_cast<std::size_t>(state.n_vars)),
      index_(static_cast<std::size_t>(state.n_vars)),
      harmonic_(harmonic_number(state.n_vars - 1)) {}

blanket_learner::blanket_learner(const run_state& state, const DoubleMatrix& cov)
    : blanket_learner(state, pass_tester()) {
    engine_ = std::make_unique<ci_engine>(state, cov);
    tester_ = [engine = engine_.get()](int target, const std::uint8_t* flags, int count, double* p, int* index) {
        engine->test_pass(target, flags, count, p, index);
    };
}

blanket_learner::~blanket_learner() = default;

// Sorting the p-values only matters when ties could change the decision.
bool blanket_learner::change_one(int variant, int& member_count) {
    const int m = state_.n_vars - 1;
    const decision_rule rule{variant, harmonic_, state_.alpha * 0.5};
    pass_decision decision = decide_unsorted(pvalues_.data(), index_.data(), m, flags_.data(), rule);
    if (decision.change == pass_change::undecided) {
        heap_sort3(static_cast<std::size_t>(m), pvalues_.data(), index_.data(), index_.data());
        decision = decide_sorted(pvalues_.data(), index_.data(), m, flags_.data(), rule);
    }
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

const std::vector<std::uint8_t>& blanket_learner::learn(int variant, int target) {
    std::fill(flags_.begin(), flags_.end(), 0);
    int member_count = 0;
    std::set<std::vector<int>> seen;
    for (int pass = 1;; ++pass) {
        if (progress_ != nullptr) progress_->working(target, pass, member_count);
        // The passes may return to an earlier member set and then alternate
        // for ever: stop there and keep that set.
        if (!seen.insert(members_of(flags_)).second) {
            std::fprintf(stderr, "IAMB%d: the passes for target %s return to an earlier member set; keeping it.\n",
                         variant, state_.var_names[target].c_str());
            break;
        }
        tester_(target, flags_.data(), member_count, pvalues_.data(), index_.data());
        if (!change_one(variant, member_count)) break;
    }
    return flags_;
}

void iamb_target(const run_state& state, int variant, int target, ByteMatrix& learned_graph,
                 const DoubleMatrix& cov) {
    blanket_learner learner(state, cov);
    const std::vector<std::uint8_t>& flags = learner.learn(variant, target);
    for (int j = 0; j < state.n_vars; ++j)
        if (flags[j] == 1) learned_graph(target, j) = 1;
}

void learn_targets(const run_state& state, int variant, const std::vector<int>& targets, ByteMatrix& learned_graph,
                   const DoubleMatrix& cov, const char* progress_label) {
    std::vector<std::unique_ptr<blanket_learner>> learners(static_cast<std::size_t>(state.n_threads));
    progress_line progress(progress_label, static_cast<long long>(targets.size()), state.n_threads, state.var_names);
    parallel_for(state.n_threads, static_cast<std::int64_t>(targets.size()), [&](std::int64_t item, int thread) {
        auto& learner = learners[static_cast<std::size_t>(thread)];
        if (!learner) {
            learner = std::make_unique<blanket_learner>(state, cov);
            learner->report_progress_to(&progress.slot(thread));
        }
        const int target = targets[static_cast<std::size_t>(item)];
        const std::vector<std::uint8_t>& flags = learner->learn(variant, target);
        std::uint8_t* row = learned_graph.row(target);
        for (int j = 0; j < state.n_vars; ++j)
            if (flags[j] == 1) row[j] = 1;
        progress.slot(thread).idle();
        progress.advance();
    });
}

void run_iamb(const run_state& state, int variant, shared_covariance& covariance) {
    const run_timer timer;
    const int n = state.n_vars;
    ByteMatrix learned_graph(n, n, 0);
    const DoubleMatrix& cov = covariance.get();
    std::vector<int> targets(static_cast<std::size_t>(n));
    for (int t = 0; t < n; ++t) targets[t] = t;
    const std::string label = strprintf("IAMB%d", variant);
    learn_targets(state, variant, targets, learned_graph, cov, label.c_str());
    print_console(strprintf("\n IAMB%d: \t %d sec.,", variant, timer.elapsed_seconds()));
    append_to_log(strprintf(" IAMB%d: %d sec.,", variant, timer.elapsed_seconds()));
    report_structure(state, learned_graph);
}

void run_iamb(const run_state& state, int variant) {
    shared_covariance covariance(state);
    run_iamb(state, variant, covariance);
}

}  // namespace gaussnet
