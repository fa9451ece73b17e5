#pragma once
// The ranked IAMB learner: variant 1 compares plain p-values with alpha/2,
// variant 2 Benjamini-Yekutieli adjusted ones.

#include "common/matrix.h"
#include "learners/learner.h"

namespace gaussnet {

// Learns the Markov blanket of target and sets learned_graph[target][j] for every member j.
// Returns the number of tests run.
long long iamb_target(const learner_setting& setting, iamb_variant variant, int target, ByteMatrix& learned_graph,
                      const DoubleMatrix& cov);

// Every variable's blanket.
learned_structure run_iamb(const learner_setting& setting, iamb_variant variant, const DoubleMatrix& cov);

}  // namespace gaussnet
