#include "learners/blanket.h"

#include <memory>
#include <set>
#include <vector>

#include "common/parallel.h"
#include "common/text.h"
#include "learners/adjustment.h"
#include "learners/pass_decision.h"
#include "learners/progress.h"
#include "stats/cholesky.h"
#include "stats/ci_engine.h"
#include "stats/ci_test.h"
#include "stats/heap_sort.h"

namespace gaussnet {

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
      flags_(static_cast<std::size_t>(n_vars)),
      harmonic_(harmonic_number(n_vars - 1)) {
    // The caller's tests defer nothing.
    run_pass_ = [tester = std::move(tester), m = n_vars - 1](int target, const std::uint8_t* flags, int count,
                                                             pass_pvalues& pass) {
        pass.start(m, test_setting{}, count);
        tester(target, flags, count, pass.pvalues.data(), pass.index.data());
    };
}

blanket_learner::blanket_learner(const learner_setting& setting, const DoubleMatrix& cov)
    : blanket_learner(setting, static_cast<int>(cov.rows()), pass_tester()) {
    engine_ = std::make_unique<ci_engine>(setting.test, cov);
    ci_engine* engine = engine_.get();
    if (may_defer_pvalues(setting.test, pvalue_threshold(setting.test.alpha))) {
        run_pass_ = [engine](int target, const std::uint8_t* flags, int count, pass_pvalues& pass) {
            pass = engine->test_pass_deferring(target, flags, count, std::move(pass));
        };
        return;
    }
    run_pass_ = [engine, test = setting.test, m = n_vars_ - 1](int target, const std::uint8_t* flags, int count,
                                                               pass_pvalues& pass) {
        pass.start(m, test, count);
        engine->test_pass(target, flags, count, pass.pvalues.data(), pass.index.data());
    };
}

blanket_learner::~blanket_learner() = default;

// The pass ranks and decides the candidates alone: a forbidden variable never
// enters, a required member never leaves (it stays in the conditioning set).
void blanket_learner::leave_out_known(int target) {
    const std::uint8_t* known = setting_.pairs->row(target);
    pass_.keep_if([known](int v) { return known[v] == static_cast<std::uint8_t>(pair_knowledge::free); });
}

bool blanket_learner::change_one(const decision_rule& rule, int& member_count) {
    pass_route route;
    const pass_decision decision = decide_pass(pass_, flags_.data(), rule, surrogates_, route);
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

// A target's required neighbours are members from the start; the others none.
int blanket_learner::start_members(int target) {
    std::fill(flags_.begin(), flags_.end(), 0);
    if (setting_.pairs == nullptr || setting_.pairs->required_count(target) == 0) return 0;
    const std::uint8_t* known = setting_.pairs->row(target);
    for (int v = 0; v < n_vars_; ++v) flags_[v] = known[v] == static_cast<std::uint8_t>(pair_knowledge::required);
    return setting_.pairs->required_count(target);
}

const std::vector<std::uint8_t>& blanket_learner::learn(iamb_variant variant, int target) {
    int member_count = start_members(target);
    // Only the candidates count: the variables whose pairing with the target
    // the data decide, neither forbidden nor required.
    const int fixed = setting_.pairs != nullptr ? setting_.pairs->fixed_count(target) : 0;
    const decision_rule rule{variant, fixed == 0 ? harmonic_ : harmonic_number(n_vars_ - 1 - fixed),
                             pvalue_threshold(setting_.test.alpha)};
    std::set<std::vector<int>> seen;
    try {
        for (int pass = 1;; ++pass) {
            stop_if_cancelled(setting_);
            if (progress_ != nullptr) progress_->working(target, pass, member_count);
            // The passes may return to an earlier member set and then alternate
            // for ever: stop there and keep that set.
            if (!seen.insert(members_of(flags_)).second) {
                context_of(setting_).report(
                    event_kind::cycle_kept,
                    strprintf("IAMB%d: the passes for target %s return to an earlier member set; keeping it.\n",
                              static_cast<int>(variant), variable_label(setting_.var_names, target).c_str()));
                break;
            }
            run_pass_(target, flags_.data(), member_count, pass_);
            tests_ += n_vars_ - 1;
            if (fixed > 0) leave_out_known(target);
            if (!change_one(rule, member_count)) break;
        }
        weigh_members(target, member_count);
    } catch (singular_matrix_error& failure) {
        // Which target and how far it got, for the line that says why.
        failure.target = target;
        failure.members = member_count;
        throw;
    }
    return flags_;
}

// Each member's test given the other members, as the final pass ran it (a
// blanket left at a repeated set had its tests in the pass that first met it).
void blanket_learner::weigh_members(int target, int member_count) {
    evidence_.clear();
    if (!engine_ || member_count == 0) return;
    engine_->member_correlations(target, flags_.data(), correlations_);
    std::size_t next = 0;
    for (int v = 0; v < n_vars_; ++v)
        if (flags_[v] == 1)
            evidence_.push_back({v, evidence_from_correlation(setting_.test, correlations_[next++], member_count - 1)});
}

void set_blanket_row(ByteMatrix& learned_graph, int target, const std::vector<std::uint8_t>& flags) {
    std::uint8_t* row = learned_graph.row(target);
    for (std::size_t j = 0; j < flags.size(); ++j)
        if (flags[j] == 1) row[j] = 1;
}

void set_blanket_row(learned_structure& learned, int target, const learned_blanket& blanket) {
    set_blanket_row(learned.graph, target, blanket.flags);
    learned.evidence[static_cast<std::size_t>(target)] = blanket.evidence;
}

thread_learners::thread_learners(const learner_setting& setting, const DoubleMatrix& cov, int n_threads,
                                 progress_line* progress)
    : setting_(setting), cov_(cov), progress_(progress), learners_(static_cast<std::size_t>(n_threads)) {}

thread_learners::~thread_learners() = default;

learned_blanket thread_learners::learn(int thread, iamb_variant variant, int target) {
    auto& learner = learners_[static_cast<std::size_t>(thread)];
    if (!learner) {
        learner = std::make_unique<blanket_learner>(setting_, cov_);
        if (progress_ != nullptr) learner->report_progress_to(&progress_->slot(thread));
    }
    const std::vector<std::uint8_t>& flags = learner->learn(variant, target);
    return {flags, learner->evidence()};
}

long long thread_learners::tests() const {
    long long tests = 0;
    for (const auto& learner : learners_)
        if (learner) tests += learner->tests();
    return tests;
}

long long learn_targets(const learner_setting& setting, iamb_variant variant, const std::vector<int>& targets,
                        learned_structure& learned, const DoubleMatrix& cov, const char* progress_label) {
    learned.evidence.resize(static_cast<std::size_t>(learned.graph.rows()));
    progress_line progress(progress_label, static_cast<long long>(targets.size()), setting.n_threads, setting.var_names,
                           setting.progress);
    if (setting.distributor != nullptr)
        return setting.distributor->learn(setting, variant, targets, learned, cov, progress);
    thread_learners learners(setting, cov, setting.n_threads, &progress);
    parallel_for(setting.n_threads, static_cast<std::int64_t>(targets.size()), [&](std::int64_t item, int thread) {
        const int target = targets[static_cast<std::size_t>(item)];
        set_blanket_row(learned, target, learners.learn(thread, variant, target));
        progress.slot(thread).idle();
        progress.advance();
    });
    return learners.tests();
}

}  // namespace gaussnet
