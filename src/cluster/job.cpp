#include "cluster/job.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "common/fatal_error.h"

namespace gaussnet::cluster {

namespace {

constexpr int GO = -1;

// Large messages go in pieces: an MPI count is an int.
constexpr std::int64_t PIECE = std::int64_t{1} << 26;

int broadcast_word(const job& job, int word) {
    MPI_Request request;
    MPI_Ibcast(&word, 1, MPI_INT, LEAD, job.comm, &request);
    wait_politely(request);
    return word;
}

void broadcast_bytes(const job& job, void* data, std::int64_t bytes) {
    auto* at = static_cast<char*>(data);
    for (std::int64_t done = 0; done < bytes; done += PIECE) {
        MPI_Request request;
        MPI_Ibcast(at + done, static_cast<int>(std::min(PIECE, bytes - done)), MPI_BYTE, LEAD, job.comm, &request);
        wait_politely(request);
    }
}

// The input as it travels: this header, the names (each ended by a zero
// byte), the data matrix's floats row by row, the forbidden and the required
// pairs as listed.
struct input_header {
    std::int64_t n_cases;
    std::int64_t n_vars;
    std::int64_t true_net;
    std::int64_t n_edges;
    std::int64_t name_bytes;
    std::int64_t n_forbidden;
    std::int64_t n_required;
};

void broadcast_pairs(const job& job, std::vector<variable_pair>& pairs) {
    broadcast_bytes(job, pairs.data(), static_cast<std::int64_t>(pairs.size() * sizeof(variable_pair)));
}

// The lead's data go from data, the others' arrive there; returns the bytes.
std::int64_t broadcast_data(const job& job, FloatMatrix& data) {
    const std::int64_t bytes = data.rows() * data.cols() * static_cast<std::int64_t>(sizeof(float));
    broadcast_bytes(job, data.data(), bytes);
    return bytes;
}

}  // namespace

void end_job(const job& job, const char* why) {
    std::fprintf(stderr, "gaussnet-mpi rank %d: %s\n", job.rank, why);
    MPI_Abort(job.comm, exit_failure);
}

void backoff::nap() {
    std::this_thread::sleep_for(nap_);
    nap_ = std::min(nap_ * 2, longest_);
}

void wait_politely(MPI_Request& request, std::mutex* lock) {
    backoff waiting(std::chrono::microseconds(5), std::chrono::microseconds(500));
    for (;;) {
        int done = 0;
        if (lock != nullptr) {
            const std::lock_guard<std::mutex> held(*lock);
            MPI_Test(&request, &done, MPI_STATUS_IGNORE);
        } else {
            MPI_Test(&request, &done, MPI_STATUS_IGNORE);
        }
        if (done) return;
        waiting.nap();
    }
}

void say_go(const job& job) { broadcast_word(job, GO); }

void say_end(const job& job, int status) { broadcast_word(job, status); }

void hear(const job& job) {
    const int word = broadcast_word(job, GO);
    if (word != GO) throw job_stopped(word);
}

int hear_end(const job& job) {
    const int word = broadcast_word(job, GO);
    return word == GO ? 1 : word;
}

long long send_input(const job& job, run_state& state) {
    std::string names;
    for (const std::string& name : state.var_names) names.append(name).push_back('\0');
    std::vector<variable_pair> forbidden = state.pairs.forbidden(), required = state.pairs.required();
    input_header header{state.n_cases,
                        state.n_vars,
                        state.true_net,
                        state.n_edges,
                        static_cast<std::int64_t>(names.size()),
                        static_cast<std::int64_t>(forbidden.size()),
                        static_cast<std::int64_t>(required.size())};
    broadcast_bytes(job, &header, sizeof header);
    broadcast_bytes(job, names.data(), header.name_bytes);
    const std::int64_t data_bytes = broadcast_data(job, state.data_matrix);
    broadcast_pairs(job, forbidden);
    broadcast_pairs(job, required);
    const std::int64_t pair_bytes =
        static_cast<std::int64_t>((forbidden.size() + required.size()) * sizeof(variable_pair));
    return (static_cast<long long>(sizeof header) + header.name_bytes + data_bytes + pair_bytes) * (job.size - 1);
}

run_state receive_input(const job& job, const std::string& data_file) {
    input_header header{};
    broadcast_bytes(job, &header, sizeof header);
    run_state state;
    state.data_file = data_file;
    state.n_cases = static_cast<int>(header.n_cases);
    state.n_vars = static_cast<int>(header.n_vars);
    state.true_net = static_cast<int>(header.true_net);
    state.n_edges = static_cast<int>(header.n_edges);
    std::string names(static_cast<std::size_t>(header.name_bytes), '\0');
    broadcast_bytes(job, names.data(), header.name_bytes);
    for (std::size_t start = 0; start < names.size();) {
        const std::size_t end = names.find('\0', start);
        state.var_names.emplace_back(names, start, end - start);
        start = end + 1;
    }
    state.data_matrix = FloatMatrix(state.n_cases, state.n_vars);
    broadcast_data(job, state.data_matrix);
    std::vector<variable_pair> forbidden(static_cast<std::size_t>(header.n_forbidden));
    std::vector<variable_pair> required(static_cast<std::size_t>(header.n_required));
    broadcast_pairs(job, forbidden);
    broadcast_pairs(job, required);
    state.pairs = pair_constraints(state.n_vars, std::move(forbidden), std::move(required));
    return state;
}

}  // namespace gaussnet::cluster
