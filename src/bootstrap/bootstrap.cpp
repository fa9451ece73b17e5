#include "bootstrap/bootstrap.h"

#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <numeric>
#include <stdexcept>

#include "bootstrap/resample.h"
#include "common/diagnostics.h"
#include "common/parallel.h"
#include "common/text.h"
#include "learners/progress.h"
#include "stats/cholesky.h"
#include "stats/rank_correlation.h"

namespace gaussnet {

namespace {

// Memory the system could give now, from /proc/meminfo's MemAvailable (free
// pages where that is missing).
std::int64_t available_memory() {
    if (std::FILE* info = std::fopen("/proc/meminfo", "r")) {
        char line[256];
        long long kib = -1;
        while (std::fgets(line, sizeof line, info) != nullptr)
            if (std::sscanf(line, "MemAvailable: %lld kB", &kib) == 1) break;
        std::fclose(info);
        if (kib >= 0) return kib * 1024;
    }
    return static_cast<std::int64_t>(::sysconf(_SC_AVPHYS_PAGES)) * ::sysconf(_SC_PAGESIZE);
}

// Drops a resample's notes: shown for every resample they would repeat the
// same few lines hundreds of times; they are counted instead.
class dropped_notes final : public diagnostic_sink {
public:
    void write(std::string_view) override {}
};

// One thread's resample: its cases and covariance matrix, reused from one resample to the next.
struct resample_scratch {
    FloatMatrix cases;
    DoubleMatrix cov;
};

struct bootstrap_work {
    const bootstrap_request& request;
    const FloatMatrix& data;
    const resample_learner& learn;
    std::mutex tally_mutex;

    // Draws resample i, estimates its covariance with setting's threads and learns it into tally.
    void learn_one(int i, learner_setting setting, resample_scratch& scratch, edge_tally& tally) {
        draw_resample(data, request.seed, i, scratch.cases);
        if (scratch.cov.rows() != data.cols()) scratch.cov = DoubleMatrix(data.cols(), data.cols());
        estimate_association(scratch.cases, setting.test.correlation, setting.n_threads, scratch.cov);
        dropped_notes dropped;
        run_context notes(dropped, context_of(setting).cancel_flag());
        setting.context = &notes;
        try {
            const learned_structure learned = learn(setting, scratch.cov);
            const std::lock_guard<std::mutex> lock(tally_mutex);
            tally.add_learned(learned.graph, learned.tests);
        } catch (const singular_matrix_error&) {
            const std::lock_guard<std::mutex> lock(tally_mutex);
            ++tally.failed;
        }
        const std::lock_guard<std::mutex> lock(tally_mutex);
        tally.notes += notes.count(event_kind::cycle_kept);
    }
};

}  // namespace

std::int64_t resample_working_set(std::int64_t n_cases, std::int64_t n_vars) {
    return 4 * n_cases * n_vars + 9 * n_vars * n_vars;
}

edge_tally run_bootstrap(const bootstrap_request& request, const FloatMatrix& data, const learner_setting& setting,
                         const resample_learner& learn, resample_distributor* distributor, const std::string& label,
                         std::int64_t memory) {
    const int n_threads = std::max(1, setting.n_threads);
    const bool side_by_side = n_threads > 1 && n_threads * resample_working_set(data.rows(), data.cols()) <=
                                                   (memory < 0 ? available_memory() : memory);
    learner_setting inner = setting;
    inner.n_threads = side_by_side ? 1 : n_threads;
    inner.distributor = nullptr;
    inner.progress = nullptr;  // the bootstrap keeps a line of its own

    bootstrap_work work{request, data, learn, {}};
    std::vector<resample_scratch> scratch(static_cast<std::size_t>(n_threads));
    const resample_batch batch = [&](const std::vector<int>& resamples, edge_tally& tally, progress_line& progress) {
        if (!side_by_side) {
            for (const int i : resamples) {
                work.learn_one(i, inner, scratch[0], tally);
                progress.advance();
            }
            return;
        }
        parallel_for(n_threads, static_cast<std::int64_t>(resamples.size()), [&](std::int64_t item, int thread) {
            work.learn_one(resamples[static_cast<std::size_t>(item)], inner, scratch[static_cast<std::size_t>(thread)],
                           tally);
            progress.advance();
        });
    };

    edge_tally tally;
    tally.n_vars = static_cast<int>(data.cols());
    progress_line progress(label, request.resamples, 1, setting.var_names, setting.progress);
    progress.count_as("resamples", true);
    if (distributor != nullptr)
        return distributor->share(request.resamples, side_by_side ? n_threads : 1, batch, tally, progress);
    std::vector<int> all(static_cast<std::size_t>(request.resamples));
    std::iota(all.begin(), all.end(), 0);
    batch(all, tally, progress);
    return tally;
}

}  // namespace gaussnet
