#include "cluster/rank_farm.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdint>
#include <string>
#include <thread>

#include "cluster/wire.h"
#include "common/fatal_error.h"
#include "common/parallel.h"
#include "learners/progress.h"

namespace gaussnet::cluster {

namespace {

constexpr int REQUEST_TAG = 1;
constexpr int REPLY_TAG = 16;  // + the asking thread's number

// A request: which thread asks, how many targets it finished since its last
// request, and the lowest list position that failed on it (or NO_TARGET).
struct request {
    int thread;
    int finished;
    int failed;
};

struct failure {
    int status = 0;
    std::string text;
};

// The lowest failing position as a request and a block carry it.
int position_of(const lowest_failure<failure>& failures) {
    return failures.failed() ? static_cast<int>(failures.index()) : NO_TARGET;
}

// What one rank's threads learned in one farm: rows, and the failure of the
// lowest position that failed.
class rank_results {
public:
    void add_row(int position, const learned_blanket& blanket) {
        const std::lock_guard<std::mutex> lock(mutex_);
        rows_.add(position, blanket.flags, blanket.evidence);
    }
    void add_failure(int position, failure what) { failures_.record(position, std::move(what)); }
    const lowest_failure<failure>& failures() const { return failures_; }
    // Called once the threads have stopped.
    long long rows() const { return rows_.rows(); }
    std::vector<int> pack(long long tests) const {
        return pack_block(
            {tests, position_of(failures_), failures_.what().status, failures_.what().text, rows_.words()});
    }

private:
    std::mutex mutex_;
    row_words rows_;
    lowest_failure<failure> failures_;
};

// Takes the next request from any rank, if one has arrived.
bool receive_request(const job& job, request& asked, int& source) {
    int arrived = 0;
    MPI_Status status;
    MPI_Iprobe(MPI_ANY_SOURCE, REQUEST_TAG, job.comm, &arrived, &status);
    if (!arrived) return false;
    source = status.MPI_SOURCE;
    MPI_Recv(&asked, 3, MPI_INT, source, REQUEST_TAG, job.comm, MPI_STATUS_IGNORE);
    return true;
}

}  // namespace

// The work of one farm on one rank: the targets, the learners of its threads, and what they learned.
struct rank_farm::farm_work {
    iamb_variant variant;
    const std::vector<int>& targets;
    thread_learners learners;
    rank_results results;

    // Learns targets[position] on thread's learner and keeps its row, or its
    // failure (then returns false) as a loop in list order would meet it.
    bool learn(int position, int thread) {
        return on_fatal(
            [&] {
                results.add_row(position, learners.learn(thread, variant, targets[static_cast<std::size_t>(position)]));
                return true;
            },
            [&](const char* text, int status) {
                results.add_failure(position, {status, text});
                return false;
            });
    }
};

// What every rank learned: its tests, and the failure of the lowest position.
struct rank_farm::gathered {
    long long tests = 0;
    lowest_failure<failure> failures;
};

long long rank_farm::learn(const learner_setting& setting, iamb_variant variant, const std::vector<int>& targets,
                           learned_structure& learned, const DoubleMatrix& cov, progress_line& progress) {
    if (job_.lead()) {
        say_go(job_);
    } else {
        hear(job_);
    }
    // Without MPI calls from several threads a rank other than the lead asks with one thread.
    const int n_threads = job_.lead() || job_.threads_may_call_mpi ? std::max(1, setting.n_threads) : 1;
    gathered all;
    try {
        farm_work work{variant, targets, thread_learners(setting, cov, n_threads), {}};
        if (job_.lead()) {
            serve_and_learn(work, n_threads, progress);
        } else {
            ask_and_learn(work, n_threads);
        }
        targets_learned_ += work.results.rows();
        tests_run_ += work.learners.tests();
        gather_rows(work.results.pack(work.learners.tests()), targets, learned, all);
    } catch (const std::exception& error) {
        // A target's failure is in the results; anything else leaves the ranks out of step.
        end_job(job_, error.what());
    }
    // Every rank has the same lowest failure and stops alike.
    if (all.failures.failed()) throw fatal_error(all.failures.what().text, all.failures.what().status);
    return all.tests;
}

void rank_farm::serve_and_learn(farm_work& work, int n_threads, progress_line& progress) {
    position_counter counter(static_cast<int>(work.targets.size()));
    auto local_work = [&](int thread) {
        for (int position = counter.take(); position != NO_TARGET; position = counter.take()) {
            if (!work.learn(position, thread)) counter.failed_at(position);
            progress.advance();
        }
    };
    // The calling thread answers the other ranks (it alone may call MPI); the
    // lead's own share is learned by threads of their own.
    std::vector<std::thread> pool;
    const thread_pool_guard joins(pool);
    const int learning = start_threads(pool, 0, n_threads, local_work);
    // The threads here have begun already: another rank may still be
    // estimating its covariance matrix.
    const int asking = gather_thread_counts(n_threads);
    answer_requests(counter, asking, n_threads + asking, progress);
    // Without a thread of its own to learn, the lead learns what is left now.
    if (learning == 0) local_work(0);
}

// Answers the other ranks' threads until each of the asking ones got nothing;
// naps while none asks, so that the naps are long and cheap when requests are few.
void rank_farm::answer_requests(position_counter& counter, int asking, int all_threads, progress_line& progress) {
    backoff waiting(std::chrono::microseconds(20), std::chrono::microseconds(1000));
    while (asking > 0) {
        request asked{};
        int source = 0;
        if (!receive_request(job_, asked, source)) {
            waiting.nap();
            continue;
        }
        waiting.reset();
        for (int k = 0; k < asked.finished; ++k) progress.advance();
        if (asked.failed != NO_TARGET) counter.failed_at(asked.failed);
        const batch answer = counter.take_share(all_threads);
        MPI_Send(&answer, 2, MPI_INT, source, REPLY_TAG + asked.thread, job_.comm);
        bytes_sent_ += static_cast<long long>(sizeof answer);
        if (answer.count == 0) --asking;
    }
}

int rank_farm::gather_thread_counts(int n_threads) {
    std::vector<int> threads_of(job_.lead() ? static_cast<std::size_t>(job_.size) : 0);
    MPI_Request request;
    MPI_Igather(&n_threads, 1, MPI_INT, threads_of.data(), job_.lead() ? 1 : 0, MPI_INT, LEAD, job_.comm, &request);
    wait_politely(request);
    int asking = 0;
    for (std::size_t r = 1; r < threads_of.size(); ++r) asking += threads_of[r];
    return asking;
}

void rank_farm::ask_and_learn(farm_work& work, int n_threads) {
    gather_thread_counts(n_threads);
    std::mutex mpi_mutex;  // one thread at a time in MPI
    // Every asking thread the lead counts on must ask until it gets nothing:
    // a part whose thread could not be started runs on a thread that did.
    parallel_for(n_threads, n_threads,
                 [&](std::int64_t part, int) { ask_and_learn_on(work, static_cast<int>(part), mpi_mutex); });
}

// Each thread keeps the next batch in hand: it asks for it before it learns
// the current one, so that the answer's trip is hidden.
void rank_farm::ask_and_learn_on(farm_work& work, int thread, std::mutex& mpi_mutex) {
    auto ask = [&](int finished, batch* answer, MPI_Request* reply) {
        const request asked{thread, finished, position_of(work.results.failures())};
        const std::lock_guard<std::mutex> lock(mpi_mutex);
        MPI_Send(&asked, 3, MPI_INT, LEAD, REQUEST_TAG, job_.comm);
        bytes_sent_ += static_cast<long long>(sizeof asked);
        MPI_Irecv(answer, 2, MPI_INT, LEAD, REPLY_TAG + thread, job_.comm, reply);
    };
    batch next{NO_TARGET, 0};
    MPI_Request reply;
    ask(0, &next, &reply);
    wait_politely(reply, &mpi_mutex);
    for (int finished = 0; next.count > 0;) {
        const batch current = next;
        ask(finished, &next, &reply);
        finished = learn_batch(current, work.results.failures(), [&](int position) { work.learn(position, thread); });
        const auto idle_since = std::chrono::steady_clock::now();
        wait_politely(reply, &mpi_mutex);
        const std::chrono::duration<double> idle = std::chrono::steady_clock::now() - idle_since;
        const std::lock_guard<std::mutex> lock(mpi_mutex);
        seconds_waited_ += idle.count();
    }
}

std::vector<int> rank_farm::gather_blocks(const std::vector<int>& own, std::vector<int>& starts) {
    const auto own_size = static_cast<std::int64_t>(own.size());
    std::vector<std::int64_t> sizes(static_cast<std::size_t>(job_.size));
    MPI_Request request;
    MPI_Iallgather(&own_size, 1, MPI_INT64_T, sizes.data(), 1, MPI_INT64_T, job_.comm, &request);
    wait_politely(request);
    const gather_layout layout = layout_of(sizes, "Too many learned members to gather.");
    const int own_words = static_cast<int>(own_size);
    starts = layout.starts;
    std::vector<int> all(static_cast<std::size_t>(layout.total));
    MPI_Iallgatherv(own.data(), own_words, MPI_INT, all.data(), layout.sizes.data(), layout.starts.data(), MPI_INT,
                    job_.comm, &request);
    wait_politely(request);
    bytes_sent_ += static_cast<long long>(own_words) * static_cast<long long>(sizeof(int)) * (job_.size - 1);
    return all;
}

void rank_farm::gather_rows(const std::vector<int>& own, const std::vector<int>& targets, learned_structure& learned,
                            gathered& all) {
    std::vector<int> starts;
    const std::vector<int> blocks = gather_blocks(own, starts);
    for (const int start : starts) {
        const farm_block block = unpack_block(blocks.data() + start);
        all.tests += block.tests;
        if (block.failed != NO_TARGET)
            all.failures.record(block.failed, {block.failure_status, std::string(block.failure_text)});
        for_each_row(block.rows, [&](int position, std::span<const int> members, std::span<const int> evidence) {
            const int target = targets[static_cast<std::size_t>(position)];
            std::uint8_t* cells = learned.graph.row(target);
            std::vector<member_evidence>& row = learned.evidence[static_cast<std::size_t>(target)];
            row.clear();
            for (std::size_t k = 0; k < members.size(); ++k) {
                cells[members[k]] = 1;
                row.push_back({members[k], evidence_at(evidence, k)});
            }
        });
    }
}

}  // namespace gaussnet::cluster
