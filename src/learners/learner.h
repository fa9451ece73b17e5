#pragma once
// What the learners take and what they give back. A learner computes and
// returns; timing, printing, logging, scoring and export are the run
// sequence's.

#include <atomic>
#include <cstdio>
#include <span>
#include <string>

#include "common/edge_evidence.h"
#include "common/matrix.h"
#include "common/pair_constraints.h"
#include "common/run_context.h"
#include "common/test_setting.h"
#include "gaussnet/progress.h"

namespace gaussnet {

class target_distributor;  // learners/blanket.h

// Where a progress line shows: a terminal, or the observer a library caller
// handed in; neither (the default) shows nothing and starts nothing.
struct progress_display {
    progress_display() = default;
    // A terminal, or null for none, as the program names it.
    progress_display(std::FILE* on_terminal) : terminal(on_terminal) {}  // NOLINT(google-explicit-constructor)
    explicit progress_display(api::progress_observer* to) : observer(to) {}

    bool shows() const { return terminal != nullptr || observer != nullptr; }

    std::FILE* terminal = nullptr;
    api::progress_observer* observer = nullptr;
};

enum class iamb_variant {
    plain = 1,     // p-values compared with alpha/2 as they are
    adjusted = 2,  // Benjamini-Yekutieli adjusted p-values
};

// Everything a learner needs besides the covariance matrix: the test, and
// the run it works for.
struct learner_setting {
    test_setting test;
    int n_threads = 1;
    std::span<const std::string> var_names;  // for diagnostics only
    // Where the targets of an IAMB run or a ring are learned: null for this
    // process's threads alone, else spread over the processes of a job.
    target_distributor* distributor = nullptr;
    // The run: where a learner's notes go (the IAMB cycle line) and its
    // cancel flag, checked between targets and between passes, where stopping
    // leaves nothing half-done. Null: the calling thread's run.
    run_context* context = nullptr;
    // Where the progress line shows; nowhere by default.
    progress_display progress{};
    // Pairs known beforehand to be never or always joined; null or empty: none.
    const pair_constraints* pairs = nullptr;
};

inline bool has_pairs(const learner_setting& setting) { return setting.pairs != nullptr && !setting.pairs->empty(); }

inline run_context& context_of(const learner_setting& setting) {
    return setting.context != nullptr ? *setting.context : current_context();
}

// Thrown by a learner whose run's cancel flag was set.
struct run_cancelled {};

inline void stop_if_cancelled(const learner_setting& setting) {
    if (context_of(setting).cancel_requested()) throw run_cancelled{};
}

// A variable's name for a message, or its index where no names were given.
inline std::string variable_label(std::span<const std::string> names, int v) {
    return static_cast<std::size_t>(v) < names.size() ? names[static_cast<std::size_t>(v)] : std::to_string(v);
}

struct learned_structure {
    // Row i: what was learned for variable i. For IAMB its blanket as learned
    // (not necessarily symmetric); for EE the symmetric graph.
    ByteMatrix graph;
    long long tests = 0;  // independence tests run
    // The partial correlation and p-value behind the learned edges: for IAMB
    // each member's test given the rest of its target's final blanket (the
    // test that kept it); for EE each edge's test given all other variables.
    evidence_rows evidence;
};

}  // namespace gaussnet
