#pragma once
// The processes (ranks) of one MPI job and the messages that keep them in
// step: the lead's go-ahead or final status, and the input it read.

#include <mpi.h>

#include <chrono>
#include <mutex>
#include <stdexcept>

#include "input/run_state.h"

namespace gaussnet::cluster {

inline constexpr int LEAD = 0;

struct job {
    MPI_Comm comm = MPI_COMM_WORLD;
    int rank = 0;
    int size = 1;
    bool threads_may_call_mpi = false;  // MPI_THREAD_SERIALIZED or better was granted

    bool lead() const { return rank == LEAD; }
};

// Thrown on a rank other than the lead when the lead has ended the job
// (it has printed why); the rank exits with status() and prints nothing.
class job_stopped : public std::runtime_error {
public:
    explicit job_stopped(int status) : std::runtime_error("job stopped"), status_(status) {}
    int status() const { return status_; }

private:
    int status_;
};

// Ends the whole job from any rank, saying why on standard error: for what
// leaves the ranks out of step.
void end_job(const job& job, const char* why);

// Naps between tests of something awaited, so that a waiting thread leaves
// its core to those that compute: short naps at first (an answer is usually
// on its way), each twice the last, up to longest.
class backoff {
public:
    backoff(std::chrono::microseconds first, std::chrono::microseconds longest)
        : first_(first), longest_(longest), nap_(first) {}
    void nap();
    void reset() { nap_ = first_; }

private:
    std::chrono::microseconds first_;
    std::chrono::microseconds longest_;
    std::chrono::microseconds nap_;
};

// Completes request, sleeping between tests instead of spinning, so that a
// waiting rank leaves its core to the ranks and threads that compute. With
// lock, each test is made holding it (threads that share MPI take turns).
void wait_politely(MPI_Request& request, std::mutex* lock = nullptr);

// The lead's word at each point where all ranks meet: go on, or end with a
// status. The lead calls say_go() before each spread run and say_end(status)
// once, last of all; the other ranks call hear() at the same points, which
// throws job_stopped when the lead has ended, and hear_end() at the end.
void say_go(const job& job);
void say_end(const job& job, int status);
void hear(const job& job);
int hear_end(const job& job);

// The lead sends what start-up read (sizes, names, data; not the true
// network, which only the lead's scoring reads); the others receive it.
// MPI sends from the lead's own buffers, hence state is not const there.
// Returns the bytes the lead sent (to every other rank).
long long send_input(const job& job, run_state& state);
run_state receive_input(const job& job, const std::string& data_file);

}  // namespace gaussnet::cluster
