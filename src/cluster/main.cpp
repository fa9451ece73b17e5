// gaussnet-mpi: the same program over the ranks of an MPI job. Every rank
// runs the same run sequence; rank 0 (the lead) alone reads the input files,
// sends their contents to the others and writes every output, and the
// targets of the IAMB runs and of each ring of a local run are spread over
// all ranks. The output is the same bytes as gaussnet's.

#include <fcntl.h>
#include <mpi.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>
#include <string>

#include "cluster/job.h"
#include "cluster/rank_farm.h"
#include "cluster/resample_farm.h"
#include "common/fatal_error.h"
#include "driver/app.h"
#include "driver/command_line.h"
#include "driver/run_sequence.h"
#include "driver/startup.h"

namespace gaussnet::cluster {

namespace {

// mpirun hands a rank a pipe as standard error even when mpirun's own is the
// user's terminal. The lead started by mpirun on the same machine writes to
// that terminal directly, so that its progress line shows as gaussnet's does.
void use_launcher_terminal() {
    if (isatty(STDERR_FILENO) == 1) return;
    const std::string path = "/proc/" + std::to_string(getppid()) + "/fd/2";
    const int terminal = open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (terminal < 0) return;
    if (isatty(terminal) == 1) dup2(terminal, STDERR_FILENO);
    close(terminal);
}

// With GAUSSNET_MPI_STATS set, each rank tells on standard error what it sent
// (input_bytes: the lead's input broadcast), its peak memory, its waits and its share of the work.
void report_usage(const job& job, long long input_bytes, const rank_farm& farm) {
    if (std::getenv("GAUSSNET_MPI_STATS") == nullptr) return;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::fprintf(stderr,
                 "gaussnet-mpi rank %d of %d: sent %lld bytes, peak RSS %.1f MB, waited %.3f s for targets, "
                 "learned %lld targets with %lld tests, CPU %.2f s\n",
                 job.rank, job.size, input_bytes + farm.bytes_sent(), static_cast<double>(usage.ru_maxrss) / 1024.0,
                 farm.seconds_waited(), farm.targets_learned(), farm.tests_run(),
                 static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6);
}

// What the command line asks that needs no run: help, version, or a usage error.
// Every rank parses the same words; only the lead prints.
bool answered_without_run(const job& job, int argc, char** argv, command_line& line, int& status) {
    try {
        line = parse_command_line(argc, argv);
    } catch (const fatal_error& error) {
        status = job.lead() ? report_fatal(error.what(), error.status()) : error.status();
        return true;
    }
    if (!line.show_help && !line.show_version) return false;
    status = 0;
    if (job.lead()) {
        if (line.show_help) std::fputs(help_text().c_str(), stdout);
        else std::printf("gaussnet %s\n", GAUSSNET_VERSION);
        status = finish_output();
    }
    return true;
}

int lead_main(const job& job, const command_line& line) {
    use_launcher_terminal();
    rank_farm farm(job);
    resample_farm resamples(job);
    int status = 0;
    long long input_bytes = 0;
    try {
        const run_state state = start_up(line);
        say_go(job);
        input_bytes = send_input(job, state);
        run_sequence(line, state, run_role{true, &farm, &resamples});
        status = finish_output();
    } catch (const fatal_error& error) {
        status = report_fatal(error.what(), error.status());
    } catch (const std::bad_alloc&) {
        status = report_fatal("Out of memory.", exit_failure);
    }
    say_end(job, status);
    report_usage(job, input_bytes, farm);
    return status;
}

int follower_main(const job& job, const command_line& line) {
    rank_farm farm(job);
    resample_farm resamples(job);
    int status = 0;
    try {
        hear(job);
        const run_state state = receive_input(job, line.data_file);
        run_sequence(line, state, run_role{false, &farm, &resamples});
        status = hear_end(job);
    } catch (const job_stopped& stop) {
        status = stop.status();  // the lead failed and has said why
    } catch (const fatal_error&) {
        status = hear_end(job);  // every rank failed alike (a learned target); the lead says why
    }
    report_usage(job, 0, farm);
    return status;
}

}  // namespace

int cluster_main(int argc, char** argv) {
    int provided = MPI_THREAD_SINGLE;
    MPI_Init_thread(&argc, &argv, MPI_THREAD_SERIALIZED, &provided);
    job job;
    MPI_Comm_rank(job.comm, &job.rank);
    MPI_Comm_size(job.comm, &job.size);
    job.threads_may_call_mpi = provided >= MPI_THREAD_SERIALIZED;
    int status = 0;
    try {
        command_line line;
        if (!answered_without_run(job, argc, argv, line, status))
            status = job.lead() ? lead_main(job, line) : follower_main(job, line);
    } catch (const std::exception& error) {
        // Anything else leaves the ranks out of step: end the whole job.
        std::fprintf(stderr, "gaussnet-mpi rank %d: %s\n", job.rank, error.what());
        MPI_Abort(job.comm, exit_failure);
    }
    MPI_Finalize();
    return status;
}

}  // namespace gaussnet::cluster

int main(int argc, char** argv) { return gaussnet::cluster::cluster_main(argc, argv); }
