#pragma once
// The ranked IAMB learner: variant 1 compares plain p-values with alpha/2,
// variant 2 Benjamini-Yekutieli adjusted ones.

#include "common/matrix.h"
#include "driver/run_state.h"

namespace gaussnet {

// Learns the Markov blanket of target and sets learned_graph[target][j] for every member j.
void iamb_target(const run_state& state, int variant, int target, ByteMatrix& learned_graph,
                 const DoubleMatrix& cov);

class shared_covariance;

// One timed run over every target, reported through report_structure.
void run_iamb(const run_state& state, int variant);
void run_iamb(const run_state& state, int variant, shared_covariance& covariance);

}  // namespace gaussnet
