#pragma once
// The targets of each IAMB run and each ring of a local run, spread over the
// ranks of a job. The lead hands out targets in list order to whichever
// thread of whichever rank asks next, in batches that shrink to single
// targets towards the end (targets differ in cost by orders of magnitude, so
// a fixed split would idle ranks); its own threads take them one at a time
// from the same counter. At the end every rank receives every
// learned row, so every rank goes on with the same learned graph.

#include <mutex>
#include <vector>

#include "cluster/batch.h"
#include "cluster/job.h"
#include "learners/blanket.h"

namespace gaussnet::cluster {

class rank_farm final : public target_distributor {
public:
    explicit rank_farm(const job& job) : job_(job) {}

    long long learn(const learner_setting& setting, iamb_variant variant, const std::vector<int>& targets,
                    learned_structure& learned, const DoubleMatrix& cov, progress_line& progress) override;

    // Bytes this rank has sent and received in the farms so far (for the benchmark).
    long long bytes_sent() const { return bytes_sent_; }
    // Seconds this rank's threads waited for a target in hand (a rank other than the lead).
    double seconds_waited() const { return seconds_waited_; }
    // Targets learned and tests run by this rank's threads.
    long long targets_learned() const { return targets_learned_; }
    long long tests_run() const { return tests_run_; }

private:
    struct farm_work;
    struct gathered;
    void serve_and_learn(farm_work& work, int n_threads, progress_line& progress);
    void answer_requests(position_counter& counter, int asking, int all_threads, progress_line& progress);
    void ask_and_learn(farm_work& work, int n_threads);
    void ask_and_learn_on(farm_work& work, int thread, std::mutex& mpi_mutex);
    // On the lead: how many threads of the other ranks will ask; on the others: 0.
    int gather_thread_counts(int n_threads);
    // Every rank's block of what it learned, each beginning at its start.
    std::vector<int> gather_blocks(const std::vector<int>& own, std::vector<int>& starts);
    void gather_rows(const std::vector<int>& own, const std::vector<int>& targets, learned_structure& learned,
                     gathered& all);

    job job_;
    // Changed only under the MPI lock or by the thread that calls learn.
    long long bytes_sent_ = 0;
    double seconds_waited_ = 0;
    long long targets_learned_ = 0;
    long long tests_run_ = 0;
};

}  // namespace gaussnet::cluster
