#pragma once
// The ranked IAMB passes for one target at a time, with scratch reused across
// targets (one learner per thread).

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "common/matrix.h"
#include "learners/learner.h"
#include "learners/surrogate_keys.h"
#include "stats/pass_pvalues.h"

namespace gaussnet {

class ci_engine;
struct decision_rule;
struct progress_slot;
class progress_line;

// The tests of one pass: for every variable but the target, in ascending
// order, its p-value and index (as ci_engine::test_pass gives them).
using pass_tester =
    std::function<void(int target, const std::uint8_t* member_flags, int member_count, double* pvalues, int* index)>;

class blanket_learner {
public:
    blanket_learner(const learner_setting& setting, const DoubleMatrix& cov);
    // With tests of the caller's own (for checking the passes themselves).
    blanket_learner(const learner_setting& setting, int n_vars, pass_tester tester);
    ~blanket_learner();

    // The member flags of target's learned blanket (valid until the next call).
    const std::vector<std::uint8_t>& learn(iamb_variant variant, int target);
    // For each member of the blanket last learned, ascending: its partial
    // correlation with the target given the other members and that test's
    // p-value. Empty for a learner with tests of the caller's own.
    const std::vector<member_evidence>& evidence() const { return evidence_; }

    // Independence tests run by this learner so far.
    long long tests() const { return tests_; }

    // Each pass of learn() is shown in slot (for the progress line); null: none.
    void report_progress_to(progress_slot* slot) { progress_ = slot; }

private:
    int start_members(int target);
    void leave_out_known(int target);
    bool change_one(const decision_rule& rule, int& member_count);
    void weigh_members(int target, int member_count);

    const learner_setting setting_;
    int n_vars_;
    long long tests_ = 0;
    std::unique_ptr<ci_engine> engine_;
    // One pass of tests into pass_ (deferring where the engine may).
    std::function<void(int target, const std::uint8_t* member_flags, int member_count, pass_pvalues& pass)> run_pass_;
    std::vector<std::uint8_t> flags_;
    std::vector<member_evidence> evidence_;
    std::vector<double> correlations_;  // the members' partial correlations, for evidence_
    pass_pvalues pass_;                 // the last pass's value, its buffers reused
    double harmonic_;                   // over the n_vars - 1 candidates of a target without known pairs
    surrogate_scratch surrogates_;
    progress_slot* progress_ = nullptr;
};

// Sets the cells of target's row of learned_graph whose flag is 1.
void set_blanket_row(ByteMatrix& learned_graph, int target, const std::vector<std::uint8_t>& flags);

// One target's learned blanket as a blanket learner holds it (valid until its next call).
struct learned_blanket {
    const std::vector<std::uint8_t>& flags;
    const std::vector<member_evidence>& evidence;
};

// Sets target's row of learned: its cells and its evidence.
void set_blanket_row(learned_structure& learned, int target, const learned_blanket& blanket);

// One blanket learner per thread, each made on its thread's first target.
class thread_learners {
public:
    // With progress, each thread's passes show in its slot of the line.
    thread_learners(const learner_setting& setting, const DoubleMatrix& cov, int n_threads,
                    progress_line* progress = nullptr);
    ~thread_learners();

    // target's blanket, learned on thread's learner (valid until thread's next call).
    learned_blanket learn(int thread, iamb_variant variant, int target);
    // The tests run by all of them; once the threads have stopped.
    long long tests() const;

private:
    const learner_setting& setting_;
    const DoubleMatrix& cov_;
    progress_line* progress_;
    std::vector<std::unique_ptr<blanket_learner>> learners_;
};

// Learns the targets of one learn_targets call on more than this process's
// threads (the processes of a job). It must leave the rows (cells and
// evidence) and return the tests that the threads alone would, and count
// finished targets on progress.
class target_distributor {
public:
    virtual ~target_distributor() = default;
    virtual long long learn(const learner_setting& setting, iamb_variant variant, const std::vector<int>& targets,
                            learned_structure& learned, const DoubleMatrix& cov, progress_line& progress) = 0;
};

// Learns every target of the list (in parallel, dynamically scheduled) and
// sets their rows of learned (cells and evidence; the evidence rows are
// made when missing). Returns the number of tests run.
long long learn_targets(const learner_setting& setting, iamb_variant variant, const std::vector<int>& targets,
                        learned_structure& learned, const DoubleMatrix& cov, const char* progress_label);

}  // namespace gaussnet
