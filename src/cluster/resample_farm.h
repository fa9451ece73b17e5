#pragma once
// The resamples of a bootstrap spread over the ranks of a job. The lead
// hands out batches of resample numbers in order to whichever rank asks
// next (each rank asks for as many as it learns at a time), while a thread
// of its own learns batches from the same counter. Each rank tallies what it
// learned; the lead sums the tallies, which gives the same counts in any
// order.

#include "bootstrap/bootstrap.h"
#include "cluster/job.h"

namespace gaussnet::cluster {

class resample_farm final : public resample_distributor {
public:
    explicit resample_farm(const job& job) : job_(job) {}

    edge_tally share(int resamples, int batch_size, const resample_batch& learn, edge_tally empty,
                     progress_line& progress) override;

private:
    void serve_and_learn(int resamples, int batch_size, const resample_batch& learn, edge_tally& tally,
                         progress_line& progress);
    void ask_and_learn(int batch_size, const resample_batch& learn, edge_tally& tally, progress_line& progress);
    edge_tally gather_tallies(const edge_tally& own, int n_vars);

    job job_;
};

}  // namespace gaussnet::cluster
