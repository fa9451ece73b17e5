#include "cluster/resample_farm.h"

#include <mpi.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <numeric>
#include <thread>
#include <vector>

#include "cluster/wire.h"
#include "common/parallel.h"
#include "learners/progress.h"

namespace gaussnet::cluster {

namespace {

constexpr int ASK_TAG = 101;
constexpr int HAND_TAG = 102;

// The resample numbers first .. first + count - 1.
std::vector<int> numbers(int first, int count) {
    std::vector<int> list(static_cast<std::size_t>(std::max(count, 0)));
    std::iota(list.begin(), list.end(), first);
    return list;
}

}  // namespace

edge_tally resample_farm::share(int resamples, int batch_size, const resample_batch& learn, edge_tally empty,
                                progress_line& progress) {
    if (job_.lead()) {
        say_go(job_);
    } else {
        hear(job_);
    }
    const int n_vars = empty.n_vars;
    std::exception_ptr failure;
    try {
        if (job_.lead()) {
            serve_and_learn(resamples, batch_size, learn, empty, progress);
        } else {
            ask_and_learn(batch_size, learn, empty, progress);
        }
    } catch (...) {
        // Not a failed resample (those are counted): memory exhausted or the like.
        if (!job_.lead()) {
            std::fprintf(stderr, "gaussnet-mpi rank %d: a bootstrap resample failed\n", job_.rank);
            MPI_Abort(job_.comm, 1);
        }
        failure = std::current_exception();
    }
    edge_tally all = gather_tallies(empty, n_vars);
    if (failure) std::rethrow_exception(failure);
    return all;
}

void resample_farm::serve_and_learn(int resamples, int batch_size, const resample_batch& learn, edge_tally& tally,
                                    progress_line& progress) {
    std::atomic<int> next{0};
    std::exception_ptr failure;
    auto own_share = [&](int) {
        try {
            for (int first = next.fetch_add(batch_size); first < resamples; first = next.fetch_add(batch_size))
                learn(numbers(first, std::min(batch_size, resamples - first)), tally, progress);
        } catch (...) {
            failure = std::current_exception();
        }
    };
    // This thread answers the other ranks; the lead's share is learned by a thread of its own.
    std::vector<std::thread> pool;
    {
        const thread_pool_guard joins(pool);
        const bool started = start_threads(pool, 0, 1, own_share) == 1;
        int asking = job_.size - 1;
        auto nap = std::chrono::microseconds(50);
        while (asking > 0) {
            int arrived = 0;
            MPI_Status status;
            MPI_Iprobe(MPI_ANY_SOURCE, ASK_TAG, job_.comm, &arrived, &status);
            if (!arrived) {
                std::this_thread::sleep_for(nap);
                nap = std::min(nap * 2, std::chrono::microseconds(2000));
                continue;
            }
            nap = std::chrono::microseconds(50);
            int asked[2];  // how many it wants, how many it finished since it last asked
            MPI_Recv(asked, 2, MPI_INT, status.MPI_SOURCE, ASK_TAG, job_.comm, MPI_STATUS_IGNORE);
            progress.advance(asked[1]);
            const int first = next.fetch_add(asked[0]);
            const int answer[2] = {first, std::max(0, std::min(asked[0], resamples - first))};
            MPI_Send(answer, 2, MPI_INT, status.MPI_SOURCE, HAND_TAG, job_.comm);
            if (answer[1] == 0) --asking;
        }
        if (!started) own_share(0);
    }
    if (failure) std::rethrow_exception(failure);
}

void resample_farm::ask_and_learn(int batch_size, const resample_batch& learn, edge_tally& tally,
                                  progress_line& progress) {
    for (int finished = 0;;) {
        const int asked[2] = {batch_size, finished};
        MPI_Send(asked, 2, MPI_INT, LEAD, ASK_TAG, job_.comm);
        int answer[2];
        MPI_Request reply;
        MPI_Irecv(answer, 2, MPI_INT, LEAD, HAND_TAG, job_.comm, &reply);
        wait_politely(reply);
        if (answer[1] == 0) return;
        learn(numbers(answer[0], answer[1]), tally, progress);
        finished = answer[1];
    }
}

edge_tally resample_farm::gather_tallies(const edge_tally& own, int n_vars) {
    const std::vector<std::int64_t> packed = own.pack();
    const auto own_size = static_cast<std::int64_t>(packed.size());
    std::vector<std::int64_t> sizes64(static_cast<std::size_t>(job_.size));
    MPI_Request request;
    MPI_Iallgather(&own_size, 1, MPI_INT64_T, sizes64.data(), 1, MPI_INT64_T, job_.comm, &request);
    wait_politely(request);
    const gather_layout layout = layout_of(sizes64, "Too many learned pairs to gather.");
    const int size = static_cast<int>(own_size);
    std::vector<std::int64_t> all(job_.lead() ? static_cast<std::size_t>(layout.total) : 0);
    MPI_Igatherv(packed.data(), size, MPI_INT64_T, all.data(), layout.sizes.data(), layout.starts.data(), MPI_INT64_T,
                 LEAD, job_.comm, &request);
    wait_politely(request);
    edge_tally sum;
    sum.n_vars = n_vars;
    if (!job_.lead()) return sum;
    for (const int start : layout.starts) sum.merge_packed(all.data() + start);
    return sum;
}

}  // namespace gaussnet::cluster
