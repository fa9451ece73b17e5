#include "cluster/rank_farm.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <thread>

#include "cluster/batch.h"
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

// What one rank learned in one farm: tests, rows, and its first failure.
class rank_results {
public:
    void add_row(int position, const std::vector<std::uint8_t>& flags) {
        std::lock_guard<std::mutex> lock(mutex_);
        words_.push_back(position);
        const std::size_t count_at = words_.size();
        words_.push_back(0);
        for (int j = 0; j < static_cast<int>(flags.size()); ++j)
            if (flags[j] == 1) words_.push_back(j);
        words_[count_at] = static_cast<int>(words_.size() - count_at - 1);
        ++rows_;
    }
    void add_tests(long long tests) {
        std::lock_guard<std::mutex> lock(mutex_);
        tests_ += tests;
    }
    void add_failure(int position, int status, const std::string& text) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (failed_ != NO_TARGET && failed_ < position) return;
        failed_ = position;
        status_ = status;
        text_ = text;
    }
    int first_failure() {
        std::lock_guard<std::mutex> lock(mutex_);
        return failed_;
    }
    // Called once the threads have stopped.
    long long rows() const { return rows_; }
    long long tests() const { return tests_; }

    // Layout: tests (two words), failed position, status, text length, rows
    // length, text bytes (padded to words), rows.
    std::vector<int> pack() const {
        const int text_words = static_cast<int>((text_.size() + sizeof(int) - 1) / sizeof(int));
        std::vector<int> packed = {
            static_cast<int>(tests_ >> 32), static_cast<int>(tests_ & 0xffffffff), failed_, status_,
            static_cast<int>(text_.size()), static_cast<int>(words_.size())};
        packed.resize(packed.size() + static_cast<std::size_t>(text_words), 0);
        std::memcpy(packed.data() + 6, text_.data(), text_.size());
        packed.insert(packed.end(), words_.begin(), words_.end());
        return packed;
    }

private:
    std::mutex mutex_;
    long long tests_ = 0;
    long long rows_ = 0;
    int failed_ = NO_TARGET;
    int status_ = 0;
    std::string text_;
    std::vector<int> words_;  // per row: position, member count, members
};

// Learns targets[position] with the thread's own learner and records the row
// or the failure, as parallel_for would keep the failure of the lowest position.
void learn_one(const learner_setting& setting, iamb_variant variant, const std::vector<int>& targets, int position,
               const DoubleMatrix& cov, std::unique_ptr<blanket_learner>& learner, rank_results& results) {
    try {
        if (!learner) learner = std::make_unique<blanket_learner>(setting, cov);
        const long long before = learner->tests();
        const std::vector<std::uint8_t>& flags = learner->learn(variant, targets[static_cast<std::size_t>(position)]);
        results.add_tests(learner->tests() - before);
        results.add_row(position, flags);
    } catch (const fatal_error& error) {
        results.add_failure(position, error.status(), error.what());
    } catch (const std::bad_alloc&) {
        results.add_failure(position, exit_failure, "Out of memory.");
    }
}

// The lead's counter: positions in list order, none above a known failure.
class position_counter {
public:
    explicit position_counter(int count) : count_(count), first_failure_(count) {}
    batch take(int wanted) {
        const int first = next_.fetch_add(wanted);
        const int limit = std::min(count_, first_failure_.load() + 1);
        return first >= limit ? batch{NO_TARGET, 0} : batch{first, std::min(wanted, limit - first)};
    }
    int take() { return take(1).first; }
    int left() const { return std::max(0, count_ - next_.load()); }
    void failed_at(int position) {
        int known = first_failure_.load();
        while (position < known && !first_failure_.compare_exchange_weak(known, position)) {
        }
    }

private:
    const int count_;
    std::atomic<int> next_{0};
    std::atomic<int> first_failure_;
};

}  // namespace

// The work of one farm on one rank: the targets, the learners of its threads, and what they learned.
struct rank_farm::farm_work {
    const learner_setting& setting;
    iamb_variant variant;
    const std::vector<int>& targets;
    const DoubleMatrix& cov;
    std::vector<std::unique_ptr<blanket_learner>> learners;  // one per thread, made on first use
    rank_results results;

    void learn(int position, int thread) {
        learn_one(setting, variant, targets, position, cov, learners[static_cast<std::size_t>(thread)], results);
    }
};

long long rank_farm::learn(const learner_setting& setting, iamb_variant variant, const std::vector<int>& targets,
                           ByteMatrix& learned_graph, const DoubleMatrix& cov, progress_line& progress) {
    if (job_.lead()) {
        say_go(job_);
    } else {
        hear(job_);
    }
    // Without MPI calls from several threads a rank other than the lead asks with one thread.
    const int n_threads = job_.lead() || job_.threads_may_call_mpi ? std::max(1, setting.n_threads) : 1;
    gathered all;
    try {
        farm_work work{setting, variant, targets, cov, {}, {}};
        work.learners.resize(static_cast<std::size_t>(n_threads));
        if (job_.lead()) {
            serve_and_learn(work, n_threads, progress);
        } else {
            ask_and_learn(work, n_threads);
        }
        targets_learned_ += work.results.rows();
        tests_run_ += work.results.tests();
        all = gather_rows(work.results.pack(), targets, learned_graph);
    } catch (const std::exception& error) {
        // A target's failure is in the results; anything else leaves the ranks out of step.
        std::fprintf(stderr, "gaussnet-mpi rank %d: %s\n", job_.rank, error.what());
        MPI_Abort(job_.comm, exit_failure);
    }
    // The failure of the lowest position, which a loop in list order meets
    // first; every rank has it and stops alike.
    if (all.failed) throw fatal_error(all.failure_text, all.failure_status);
    return all.tests;
}

void rank_farm::serve_and_learn(farm_work& work, int n_threads, progress_line& progress) {
    position_counter counter(static_cast<int>(work.targets.size()));
    auto local_work = [&](int thread) {
        for (int position = counter.take(); position != NO_TARGET; position = counter.take()) {
            work.learn(position, thread);
            if (work.results.first_failure() == position) counter.failed_at(position);
            progress.advance();
        }
    };
    // The calling thread answers the other ranks (it alone may call MPI); the
    // lead's own share is learned by threads of their own.
    std::vector<std::thread> pool;
    const thread_pool_guard joins(pool);
    const int learning = start_threads(pool, 0, n_threads, local_work);
    // How many threads will ask: every other rank's own --threads. The
    // threads here have begun already: another rank may still be estimating
    // its covariance matrix.
    std::vector<int> threads_of(static_cast<std::size_t>(job_.size));
    MPI_Request gathered_counts;
    MPI_Igather(&n_threads, 1, MPI_INT, threads_of.data(), 1, MPI_INT, LEAD, job_.comm, &gathered_counts);
    wait_politely(gathered_counts);
    int asking = 0;
    for (int r = 1; r < job_.size; ++r) asking += threads_of[static_cast<std::size_t>(r)];
    const int all_threads = n_threads + asking;
    // Meanwhile this thread answers the other ranks' threads. A remote thread
    // gets a share of what is left (a quarter of an even share: it holds the
    // next batch while it learns one), down to single targets at the end, so
    // that requests are few and the naps between them long and cheap.
    auto nap = std::chrono::microseconds(20);
    while (asking > 0) {
        int arrived = 0;
        MPI_Status status;
        MPI_Iprobe(MPI_ANY_SOURCE, REQUEST_TAG, job_.comm, &arrived, &status);
        if (!arrived) {
            std::this_thread::sleep_for(nap);
            nap = std::min(nap * 2, std::chrono::microseconds(1000));
            continue;
        }
        nap = std::chrono::microseconds(20);
        request asked{};
        MPI_Recv(&asked, 3, MPI_INT, status.MPI_SOURCE, REQUEST_TAG, job_.comm, MPI_STATUS_IGNORE);
        for (int k = 0; k < asked.finished; ++k) progress.advance();
        if (asked.failed != NO_TARGET) counter.failed_at(asked.failed);
        const batch answer = counter.take(std::max(1, counter.left() / (4 * all_threads)));
        MPI_Send(&answer, 2, MPI_INT, status.MPI_SOURCE, REPLY_TAG + asked.thread, job_.comm);
        bytes_sent_ += static_cast<long long>(sizeof answer);
        if (answer.count == 0) --asking;
    }
    // Without a thread of its own to learn, the lead learns what is left now.
    if (learning == 0) local_work(0);
}

void rank_farm::ask_and_learn(farm_work& work, int n_threads) {
    MPI_Request gathered_counts;
    MPI_Igather(&n_threads, 1, MPI_INT, nullptr, 0, MPI_INT, LEAD, job_.comm, &gathered_counts);
    wait_politely(gathered_counts);
    std::mutex mpi_mutex;  // one thread at a time in MPI
    auto ask = [&](int thread, int finished, batch* answer, MPI_Request* reply) {
        const request asked{thread, finished, work.results.first_failure()};
        std::lock_guard<std::mutex> lock(mpi_mutex);
        MPI_Send(&asked, 3, MPI_INT, LEAD, REQUEST_TAG, job_.comm);
        bytes_sent_ += static_cast<long long>(sizeof asked);
        MPI_Irecv(answer, 2, MPI_INT, LEAD, REPLY_TAG + thread, job_.comm, reply);
    };
    // Each thread keeps the next batch in hand: it asks for it before it
    // learns the current one, so that the answer's trip is hidden.
    auto thread_work = [&](int thread) {
        batch next{NO_TARGET, 0};
        MPI_Request reply;
        ask(thread, 0, &next, &reply);
        wait_politely(reply, &mpi_mutex);
        for (int finished = 0; next.count > 0;) {
            const batch current = next;
            ask(thread, finished, &next, &reply);
            finished = learn_batch(
                current, [&] { return work.results.first_failure(); },
                [&](int position) { work.learn(position, thread); });
            const auto idle_since = std::chrono::steady_clock::now();
            wait_politely(reply, &mpi_mutex);
            const std::chrono::duration<double> idle = std::chrono::steady_clock::now() - idle_since;
            const std::lock_guard<std::mutex> lock(mpi_mutex);
            seconds_waited_ += idle.count();
        }
    };
    // Every asking thread the lead counts on must ask until it gets nothing:
    // a part whose thread could not be started runs on a thread that did.
    parallel_for(n_threads, n_threads, [&](std::int64_t part, int) { thread_work(static_cast<int>(part)); });
}

rank_farm::gathered rank_farm::gather_rows(const std::vector<int>& packed, const std::vector<int>& targets,
                                           ByteMatrix& learned_graph) {
    // Every rank receives every rank's rows, tests and first failure.
    const int own = static_cast<int>(packed.size());
    std::vector<int> sizes(static_cast<std::size_t>(job_.size));
    MPI_Request request;
    MPI_Iallgather(&own, 1, MPI_INT, sizes.data(), 1, MPI_INT, job_.comm, &request);
    wait_politely(request);
    std::vector<int> starts(sizes.size());
    std::int64_t total = 0;
    for (std::size_t r = 0; r < sizes.size(); ++r) {
        if (total > INT_MAX) throw fatal_error("Too many learned members to gather.");
        starts[r] = static_cast<int>(total);
        total += sizes[r];
    }
    std::vector<int> all(static_cast<std::size_t>(total));
    MPI_Iallgatherv(packed.data(), own, MPI_INT, all.data(), sizes.data(), starts.data(), MPI_INT, job_.comm, &request);
    wait_politely(request);
    bytes_sent_ += static_cast<long long>(own) * static_cast<long long>(sizeof(int)) * (job_.size - 1);

    gathered result;
    int failed = NO_TARGET;
    for (std::size_t r = 0; r < sizes.size(); ++r) {
        const int* block = all.data() + starts[r];
        result.tests += static_cast<long long>(
            (static_cast<unsigned long long>(static_cast<unsigned>(block[0])) << 32) | static_cast<unsigned>(block[1]));
        const int text_words = static_cast<int>((static_cast<std::size_t>(block[4]) + sizeof(int) - 1) / sizeof(int));
        if (block[2] != NO_TARGET && (failed == NO_TARGET || block[2] < failed)) {
            failed = block[2];
            result.failed = true;
            result.failure_status = block[3];
            result.failure_text.assign(reinterpret_cast<const char*>(block + 6), static_cast<std::size_t>(block[4]));
        }
        const int* row = block + 6 + text_words;
        const int* end = row + block[5];
        while (row < end) {
            std::uint8_t* cells = learned_graph.row(targets[static_cast<std::size_t>(row[0])]);
            for (int k = 0; k < row[1]; ++k) cells[row[2 + k]] = 1;
            row += 2 + row[1];
        }
    }
    return result;
}

}  // namespace gaussnet::cluster
