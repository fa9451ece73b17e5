#include "cluster/job.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

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

}  // namespace

void wait_politely(MPI_Request& request, std::mutex* lock) {
    // Short naps at first (a reply is usually on its way), longer ones later.
    auto nap = std::chrono::microseconds(5);
    for (;;) {
        int done = 0;
        if (lock != nullptr) {
            const std::lock_guard<std::mutex> held(*lock);
            MPI_Test(&request, &done, MPI_STATUS_IGNORE);
        } else {
            MPI_Test(&request, &done, MPI_STATUS_IGNORE);
        }
        if (done) return;
        std::this_thread::sleep_for(nap);
        nap = std::min(nap * 2, std::chrono::microseconds(500));
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

long long send_input(const job& job, const run_state& state) {
    std::string names;
    for (const std::string& name : state.var_names) names.append(name).push_back('\0');
    std::int64_t header[5] = {state.n_cases, state.n_vars, state.true_net, state.n_edges,
                              static_cast<std::int64_t>(names.size())};
    broadcast_bytes(job, header, sizeof header);
    broadcast_bytes(job, names.data(), static_cast<std::int64_t>(names.size()));
    FloatMatrix& data = const_cast<FloatMatrix&>(state.data_matrix);  // only read: the lead sends
    const std::int64_t data_bytes = data.rows() * data.cols() * static_cast<std::int64_t>(sizeof(float));
    broadcast_bytes(job, data.data(), data_bytes);
    return (static_cast<long long>(sizeof header) + header[4] + data_bytes) * (job.size - 1);
}

run_state receive_input(const job& job, const std::string& data_file) {
    std::int64_t header[5] = {};
    broadcast_bytes(job, header, sizeof header);
    run_state state;
    state.data_file = data_file;
    state.n_cases = static_cast<int>(header[0]);
    state.n_vars = static_cast<int>(header[1]);
    state.true_net = static_cast<int>(header[2]);
    state.n_edges = static_cast<int>(header[3]);
    std::string names(static_cast<std::size_t>(header[4]), '\0');
    broadcast_bytes(job, names.data(), header[4]);
    for (std::size_t start = 0; start < names.size();) {
        const std::size_t end = names.find('\0', start);
        state.var_names.emplace_back(names, start, end - start);
        start = end + 1;
    }
    state.data_matrix = FloatMatrix(state.n_cases, state.n_vars);
    broadcast_bytes(job, state.data_matrix.data(),
                    state.data_matrix.rows() * state.data_matrix.cols() * static_cast<std::int64_t>(sizeof(float)));
    return state;
}

}  // namespace gaussnet::cluster
