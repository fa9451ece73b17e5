#pragma once
// The learning step of one run, shared by the program and the library: which
// learner runs on the shared covariance (or rank correlation), and the local target's lookup. The
// callers time, report and export as each needs.

#include <optional>
#include <span>
#include <string>

#include "gaussnet/gaussnet.h"
#include "learners/learner.h"
#include "stats/cholesky.h"
#include "stats/rank_correlation.h"

namespace gaussnet::api {

// EE inverts the covariance matrix: it runs only with more cases than variables.
inline bool ee_applies(int n_cases, int n_vars) { return n_cases > n_vars; }
// The notes of a skipped EE run and of a target that names no variable, line end included.
std::string ee_skipped_text(int n_cases, int n_vars);

// The first variable whose name equals name byte for byte.
std::optional<int> find_variable(std::span<const std::string> names, const std::string& name);
std::string no_variable_text(const std::string& name);  // also the library's error text

// Why a run met a rank-based correlation matrix (or a test matrix taken from
// it) that is not positive definite, naming the setting; learner: "EE",
// "IAMB2", "IAMB1" or "local". Such a matrix is an error, not mended: see docs/real-data.md.
std::string rank_matrix_failure_text(const std::string& learner, correlation_kind kind,
                                     std::span<const std::string> names, const singular_matrix_error& failure);

// One run of a comparison. Errors are the learners' own: fatal_error (a
// singular_matrix_error naming the target a blanket learner met it in) and
// run_cancelled.
learned_structure learn_run(learner_kind kind, const learner_setting& setting, shared_association& covariance);
// The same on a covariance matrix of the caller's own (a bootstrap resample's).
learned_structure learn_run(learner_kind kind, const learner_setting& setting, const DoubleMatrix& cov);

// The local run around target.
learned_structure learn_local_run(const learner_setting& setting, int target, int radius,
                                  shared_association& covariance);
learned_structure learn_local_run(const learner_setting& setting, int target, int radius, const DoubleMatrix& cov);

}  // namespace gaussnet::api
