#pragma once

#include "driver/run_state.h"

namespace gaussnet {

// The edge exclusion test over all pairs, from the inverse covariance matrix,
// with the Benjamini-Yekutieli step-up sweep from the weakest pair. Timed and reported.
void edge_exclusion(const run_state& state);

class shared_covariance;
void edge_exclusion(const run_state& state, shared_covariance& covariance);

}  // namespace gaussnet
