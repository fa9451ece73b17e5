#pragma once

#include "driver/run_state.h"

namespace gaussnet {

// Learns the neighbourhood of target ring by ring up to radius rings with
// variant 2 of the ranked IAMB learner. Timed (console only) and reported.
void local_iamb(const run_state& state, int target, int radius);

}  // namespace gaussnet
