#pragma once
// The learning step of one run, shared by the program and the library: which
// learner runs on the shared covariance, and the local target's lookup. The
// callers time, report and export as each needs.

#include <optional>
#include <span>
#include <string>

#include "gaussnet/gaussnet.h"
#include "learners/learner.h"
#include "stats/covariance.h"

namespace gaussnet::api {

// EE inverts the covariance matrix: it runs only with more cases than variables.
inline bool ee_applies(int n_cases, int n_vars) { return n_cases > n_vars; }
// The notes of a skipped EE run and of a target that names no variable, line end included.
std::string ee_skipped_text(int n_cases, int n_vars);

// The first variable whose name equals name byte for byte.
std::optional<int> find_variable(std::span<const std::string> names, const std::string& name);
std::string no_variable_text(const std::string& name);  // also the library's error text

// One run of a comparison. Errors are the learners' own: fatal_error (a
// singular_matrix_error naming the target a blanket learner met it in) and
// run_cancelled.
learned_structure learn_run(learner_kind kind, const learner_setting& setting, shared_covariance& covariance);
// The same on a covariance matrix of the caller's own (a bootstrap resample's).
learned_structure learn_run(learner_kind kind, const learner_setting& setting, const DoubleMatrix& cov);

// The local run around target.
learned_structure learn_local_run(const learner_setting& setting, int target, int radius,
                                  shared_covariance& covariance);
learned_structure learn_local_run(const learner_setting& setting, int target, int radius, const DoubleMatrix& cov);

}  // namespace gaussnet::api
