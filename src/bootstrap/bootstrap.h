#pragma once
// Edge confidence by the bootstrap: the learner of a run learns again on
// resamples of the cases, and every pair is counted over the resamples that
// learned it. Resample i depends only on (seed, i), so the tally is the same
// for every thread count, process count and machine.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/bootstrap_request.h"
#include "common/matrix.h"
#include "learners/learner.h"
#include "scoring/edge_tally.h"

namespace gaussnet {

class progress_line;

// One run's learner, given a covariance matrix (of a resample).
using resample_learner = std::function<learned_structure(const learner_setting&, const DoubleMatrix&)>;

// Learns the resamples with the given numbers into tally, counting each on progress.
using resample_batch = std::function<void(const std::vector<int>& resamples, edge_tally& tally, progress_line&)>;

// Hands the resamples of a bootstrap to the processes of a job. Every
// process calls share() at the same point; each learns the batches it is
// handed with learn and the lead ends with the tally of all.
class resample_distributor {
public:
    virtual ~resample_distributor() = default;
    // batch_size: how many resamples this process learns at a time.
    virtual edge_tally share(int resamples, int batch_size, const resample_batch& learn, edge_tally empty,
                             progress_line& progress) = 0;
};

// Bytes one resample's learning holds: its cases, its covariance matrix and
// its learned matrix (the learners' scratch, a few rows of n_vars, aside).
std::int64_t resample_working_set(std::int64_t n_cases, std::int64_t n_vars);

// Learns the request's resamples of data with learn. Resamples run side by
// side, one per thread, while threads x the working set fits in the memory
// available; otherwise one after the other, each with every thread on its
// targets. A resample whose covariance matrix is not positive definite is
// counted as failed. With a distributor the processes share the resamples.
// label names the progress line ("IAMB2 bootstrap"); memory: the bytes to
// plan with (negative: what the system has available now).
edge_tally run_bootstrap(const bootstrap_request& request, const FloatMatrix& data, const learner_setting& setting,
                         const resample_learner& learn, resample_distributor* distributor, const std::string& label,
                         std::int64_t memory = -1);

}  // namespace gaussnet
