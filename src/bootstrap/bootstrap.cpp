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

[[noreturn]] void bad_value(const char* option, const std::string& text, const std::string& wanted) {
    throw std::invalid_argument(std::string("Bad value \"") + text + "\" for " + option + " (" + wanted + ").");
}

// A whole decimal number from text, all of it; false when it is not one or is out of range.
bool whole_number(const std::string& text, unsigned long long& value) {
    if (text.empty() || text[0] < '0' || text[0] > '9') return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtoull(text.c_str(), &end, 10);
    return errno == 0 && *end == '\0';
}

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

int parse_resample_count(const std::string& text) {
    unsigned long long value = 0;
    if (!whole_number(text, value) || value < 1 || value > static_cast<unsigned long long>(api::max_resamples))
        bad_value("--bootstrap", text, strprintf("a whole number of resamples from 1 to %d", api::max_resamples));
    return static_cast<int>(value);
}

std::uint64_t parse_bootstrap_seed(const std::string& text) {
    unsigned long long value = 0;
    if (!whole_number(text, value)) bad_value("--seed", text, "a whole number from 0 to 18446744073709551615");
    return value;
}

double parse_bootstrap_threshold(const std::string& text) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    // White space is refused at either end, as in the counts.
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0])) || *end != '\0' ||
        !(value > 0.0 && value <= 1.0))
        bad_value("--threshold", text, "a share of the resamples above 0 and at most 1");
    return value;
}

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
