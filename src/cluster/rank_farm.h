#pragma once
// The targets of each IAMB run and each ring of a local run, spread over the
// ranks of a job. The lead hands out targets in list order to whichever
// thread of whichever rank asks next, in batches that shrink to single
// targets towards the end (targets differ in cost by orders of magnitude, so
// a fixed split would idle ranks); its own threads take them one at a time
// from the same counter. At the end every rank receives every
// learned row, so every rank goes on with the same learned graph.

#include <string>
#include <vector>

#include "cluster/job.h"
#include "learners/blanket.h"

namespace gaussnet::cluster {

class rank_farm final : public target_distributor {
public:
    explicit rank_farm(const job& job) : job_(job) {}

    long long learn(const learner_setting& setting, iamb_variant variant, const std::vector<int>& targets,
                    ByteMatrix& learned_graph, const DoubleMatrix& cov, progress_line& progress) override;

    // Bytes this rank has sent and received in the farms so far (for the benchmark).
    long long bytes_sent() const { return bytes_sent_; }
    // Seconds this rank's threads waited for a target in hand (a rank other than the lead).
    double seconds_waited() const { return seconds_waited_; }
    // Targets learned and tests run by this rank's threads.
    long long targets_learned() const { return targets_learned_; }
    long long tests_run() const { return tests_run_; }

private:
    struct farm_work;
    void serve_and_learn(farm_work& work, int n_threads, progress_line& progress);
    void ask_and_learn(farm_work& work, int n_threads);
    // What every rank learned: the rows go into learned_graph.
    struct gathered {
        long long tests = 0;
        bool failed = false;
        int failure_status = 0;
        std::string failure_text;  // of the lowest failed position
    };
    gathered gather_rows(const std::vector<int>& packed, const std::vector<int>& targets, ByteMatrix& learned_graph);

    job job_;
    // Changed only under the MPI lock or by the thread that calls learn.
    long long bytes_sent_ = 0;
    double seconds_waited_ = 0;
    long long targets_learned_ = 0;
    long long tests_run_ = 0;
};

}  // namespace gaussnet::cluster
