// gaussnet-mpi: the same program over the ranks of an MPI job. Every rank
// runs the same run sequence; rank 0 (the lead) alone reads the input files,
// sends their contents to the others and writes every output, and the
// targets of the IAMB runs and of each ring of a local run are spread over
// all ranks. The output is the same bytes as gaussnet's.

#include <fcntl.h>
#include <mpi.h>
#include <sys/resource.h>
#include <sys/stat.h>
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
#include "common/run_context.h"
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

// mpirun copies a rank's standard output to its own and drops what it cannot
// write there, so a closed pipe (gaussnet-mpi ... | head) would go unnoticed.
// The lead started by mpirun on the same machine writes into that pipe
// directly, and meets a closed one as gaussnet does.
void use_launcher_pipe() {
    const std::string parent = "/proc/" + std::to_string(getppid());
    // Only mpirun's own pipe: a daemon's (a rank on another machine) leads elsewhere.
    char name[32] = {};
    const int comm = open((parent + "/comm").c_str(), O_RDONLY | O_CLOEXEC);
    const ssize_t got = comm < 0 ? -1 : read(comm, name, sizeof name - 1);
    if (comm >= 0) close(comm);
    const std::string launcher_name(name, got > 0 ? static_cast<std::size_t>(got) : 0);
    if (launcher_name != "mpirun\n" && launcher_name != "mpiexec\n" && launcher_name != "orterun\n" &&
        launcher_name != "prterun\n")
        return;
    const std::string path = parent + "/fd/1";
    struct stat launcher {};
    struct stat own {};
    if (stat(path.c_str(), &launcher) != 0 || !S_ISFIFO(launcher.st_mode)) return;
    if (fstat(STDOUT_FILENO, &own) == 0 && own.st_dev == launcher.st_dev && own.st_ino == launcher.st_ino) return;
    const int pipe = open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (pipe < 0) return;
    dup2(pipe, STDOUT_FILENO);
    close(pipe);
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

// The lead reads the input, sends it and writes every output.
int lead(const job& job, const command_line& line, rank_farm& farm, long long& input_bytes) {
    use_launcher_terminal();
    use_launcher_pipe();
    run_state state = start_up(line);
    say_go(job);
    input_bytes = send_input(job, state);
    resample_farm resamples(job);
    const int status = run_sequence(line, state, run_role{true, &farm, &resamples});
    const int output = finish_output();
    return output != 0 ? output : status;
}

// Another rank receives the input, learns its share and ends with the lead's status.
int follow(const job& job, const command_line& line, rank_farm& farm) {
    try {
        hear(job);
        const run_state state = receive_input(job, line.data_file);
        resample_farm resamples(job);
        run_sequence(line, state, run_role{false, &farm, &resamples});
    } catch (const job_stopped& stop) {
        return stop.status();  // the lead failed and has said why
    } catch (const fatal_error&) {
        // every rank failed alike (a learned target); the lead says why
    } catch (const std::bad_alloc& error) {
        end_job(job, error.what());  // the lead would wait for this rank for ever
    }
    return hear_end(job);
}

// Every rank parses the same words and answers help and version alike; only the lead prints.
int rank_main(const job& job, int argc, char** argv) {
    run_context context;  // this rank's run: diagnostics to standard error
    const context_scope scope(&context);
    rank_farm farm(job);
    long long input_bytes = 0;
    bool ran = false;
    const int status = main_flow(
        argc, argv,
        [&](const command_line& line) {
            ran = true;
            return job.lead() ? lead(job, line, farm, input_bytes) : follow(job, line, farm);
        },
        job.lead());
    if (!ran) return status;
    if (job.lead()) say_end(job, status);
    report_usage(job, input_bytes, farm);
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
        status = rank_main(job, argc, argv);
    } catch (const std::exception& error) {
        end_job(job, error.what());  // anything else leaves the ranks out of step
    }
    MPI_Finalize();
    return status;
}

}  // namespace gaussnet::cluster

int main(int argc, char** argv) { return gaussnet::cluster::cluster_main(argc, argv); }
