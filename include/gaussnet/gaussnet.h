#pragma once
// gaussnet as a library: learn Markov blankets (ranked IAMB, variants IAMB2
// and IAMB1) and an undirected graph (edge exclusion, EE) from Gaussian data,
// with exactly the results of the gaussnet program on the same values.
//
// The interface is plain C++20 (standard types only), so that bindings for
// other languages wrap it directly. The library never prints and never ends
// the process: failures are exceptions (below) whose texts are the program's
// own messages, and diagnostics go to the sink the caller sets.
//
// Thread safety: every function may be called from several threads at once
// on different arguments; nothing is shared between calls.

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "gaussnet/progress.h"
#include "gaussnet/vocabulary.h"

namespace gaussnet::api {

// ---------------------------------------------------------------------------
// Input
// ---------------------------------------------------------------------------

// The element type of a matrix view.
enum class element_type { float64, float32, int8, int16, int32, int64, uint8, uint16, uint32, uint64 };

// A read-only view of a rows x cols matrix in the caller's memory, any layout:
// cell (r, c) is at element r * row_stride + c * col_stride from `cells`
// (strides in elements, not bytes; they may be negative or zero). Row-major
// (C order) is {rows, cols, cols, 1}; column-major (Fortran, R) {rows, cols,
// 1, rows}. The memory must stay valid and unchanged during the call.
struct matrix_view {
    const void* cells = nullptr;
    element_type type = element_type::float64;
    std::int64_t rows = 0;
    std::int64_t cols = 0;
    std::int64_t row_stride = 0;
    std::int64_t col_stride = 0;
};

// The data: cases x variables (row = case, column = variable), with the
// variables' names in column order. No names: X1, X2, ... Xn.
//
// Every value is rounded to the nearest single-precision number, as the
// program's data file reader rounds a number it reads, and the results are
// computed from these rounded values; so data read from a gaussnet data file
// gives the program's results exactly. Infinities and values beyond the
// single-precision range are input errors naming their case and variable;
// NaN (R's NA) is a missing value, an input error too unless
// settings::missing is missing_values::complete.
struct data_view {
    matrix_view values;
    std::span<const std::string> names;
};

// The true network: an n_vars x n_vars matrix, row = parent, column = child;
// any non-zero cell is an arc (the diagonal is ignored). Results are then
// scored against its moral graph.
using truth_view = matrix_view;

// ---------------------------------------------------------------------------
// Settings
// ---------------------------------------------------------------------------

// learner_kind, test_statistic, correlation_type and missing_values, with
// their names and the settings' limits: gaussnet/vocabulary.h.

// The matrix the learners learn from: the covariance of the values, or a
// rank-based correlation mapped to the Gaussian scale (2 sin(pi/6 rho) from
// Spearman's rho with average ranks for ties, sin(pi/2 tau) from Kendall's
// tau-b), or the covariance of the values' normal scores (Phi^-1(rank /
// (n + 1)), average ranks for ties), which suit skewed data: they are the
// same under any increasing transformation of a variable. normal keeps the
// tests' error rates those of Gaussian data; the sine-mapped matrices make
// them reject too often. A sine-mapped matrix that is not positive definite
// is shrunk toward the identity, with a diagnostic naming the factor. As the
// program's --correlation (correlation_type).

// What a missing value (NaN) does: an input_error naming its case and
// variable, or (complete) the cases holding one are left out, with a
// diagnostic saying how many. As the program's --missing complete.
// (missing_values)

// Receives each diagnostic message without its final line end (a special
// function's report has two lines): the special functions' reports
// ("Numerics Error in routine ..."), an IAMB target whose passes return to an
// earlier member set, fewer threads started than asked for, an EE run
// skipped for too few cases. Called from any of the library's threads, one
// call at a time. Each call's diagnostics go to its own sink alone, however
// many calls overlap in time.
using diagnostics_sink = std::function<void(const std::string& line)>;

struct settings {
    // The runs of learn(), in this order whatever the order given (EE, IAMB2,
    // IAMB1); EE runs only with more cases than variables.
    std::vector<learner_kind> learners = {learner_kind::ee, learner_kind::iamb2, learner_kind::iamb1};
    // Significance level; each test is two-sided (p compared with alpha / 2).
    double alpha = 0.05;
    test_statistic statistic = test_statistic::fisher_z;
    correlation_type correlation = correlation_type::pearson;
    missing_values missing = missing_values::error;
    // Threads to learn with; 0: the cores this process may use. Results are
    // the same for every count.
    int threads = 0;
    // local(): the target variable's name (compared byte for byte, the first
    // match taken) and the number of rings around it.
    std::string local_target;
    int local_radius = 1;
    // Pairs of variable names known beforehand (undirected): forbidden pairs
    // are never joined, required pairs always are, by every learner. A name
    // is looked up as local_target is; empty lists change nothing.
    std::vector<std::pair<std::string, std::string>> forbid;
    std::vector<std::pair<std::string, std::string>> require;
    // Where diagnostics go; empty: they are dropped.
    diagnostics_sink diagnostics;
    // Set to true (from any thread) to stop a call early: it then throws
    // cancelled. Checked between targets and between the passes of a target.
    const std::atomic<bool>* cancel = nullptr;
    // Shown the progress of IAMB's targets and a bootstrap's resamples
    // (gaussnet/progress.h); null: none is followed.
    progress_observer* progress = nullptr;
};

// ---------------------------------------------------------------------------
// Results
// ---------------------------------------------------------------------------

// edge_status and status_text(): gaussnet/vocabulary.h.

// An undirected edge between variable indices source < target.
struct edge {
    int source = 0;
    int target = 0;
    edge_status status = edge_status::learned;
    // fp edges only: whether the moral graph separates the ends given the
    // other learned neighbours of either end (the export's separated column).
    std::optional<bool> separated;
    // Learned edges (not fn): the sign and strength of the edge, the
    // partial correlation of its ends and the unadjusted p-value of its test.
    // EE: given all other variables, from the inverse covariance matrix.
    // IAMB and local: given the rest of the learned blanket (the test that
    // kept the member); where both ends list each other, the weaker of the
    // two (the larger p-value). As the export's last two columns.
    std::optional<double> partial_correlation;
    std::optional<double> p_value;
};

struct rates {
    double tpr = 0;   // share of the truth found
    double fdr = 0;   // share of learned items that are false
    double fdr2 = 0;  // share that are false and separated by the other learned neighbours
};

// The six rates of the program's console line and results table.
struct run_scores {
    rates per_variable;  // each learned blanket against its moral neighbours, averaged
    rates per_edge;      // the learned undirected graph against the moral graph
};

struct run_result {
    std::string learner;  // "EE", "IAMB2", "IAMB1" or "local"
    // Per variable, ascending indices: its blanket as learned (IAMB and
    // local; not necessarily symmetric), or its neighbours (EE).
    std::vector<std::vector<int>> blankets;
    // The learned undirected edges (a pair is an edge when either variable
    // lists the other), and with a true network the missed ones (fn), in
    // (source, target) order: the rows of the export's edges file (a local
    // run's missed edges: those with a learned blanket at one end).
    std::vector<edge> edges;
    long long tests = 0;               // independence tests run
    double seconds = 0.0;              // wall-clock time of the run, to the millisecond
    std::optional<run_scores> scores;  // with a true network
    // The local run's ring of each variable, as its exported nodes file has
    // it: 1 the target, 2 the variables in its blanket, 3 those first found
    // in theirs, ..., 0 never reached. Empty for the other runs.
    std::vector<int> rings;
};

// ---------------------------------------------------------------------------
// Errors (all derive from error)
// ---------------------------------------------------------------------------

class error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Unusable input: a bad value (the text names its case and variable), a
// wrong shape, a bad setting, a local target that names no variable.
class input_error : public error {
public:
    using error::error;
};

// A covariance matrix that is not positive definite: what() is the program's
// message ("No Cholesky decomposition (n)."; with a rank-based correlation
// the line that names it and the cause); learner() the run it happened
// in, target() the variable being learned (-1 for EE, which inverts the whole
// matrix).
class not_positive_definite : public error {
public:
    not_positive_definite(const std::string& message, std::string learner, int target)
        : error(message), learner_(std::move(learner)), target_(target) {}
    const std::string& learner() const { return learner_; }
    int target() const { return target_; }

private:
    std::string learner_;
    int target_;
};

// The cancel flag was set; nothing is returned, no thread is left running.
class cancelled : public error {
public:
    cancelled() : error("Cancelled.") {}
};

// Memory exhausted: std::bad_alloc, as the standard library throws it.

// ---------------------------------------------------------------------------
// Functions
// ---------------------------------------------------------------------------

// The comparison: one result per run of options.learners, in order (EE
// skipped, with a diagnostic, when there are no more cases than variables).
// With truth, every result is scored against its moral graph.
std::vector<run_result> learn(const data_view& data, const settings& options,
                              const std::optional<truth_view>& truth = std::nullopt);

// The local mode: the neighbourhood of options.local_target, ring by ring up
// to options.local_radius rings, with IAMB2. Throws input_error when no
// variable has that name.
run_result local(const data_view& data, const settings& options, const std::optional<truth_view>& truth = std::nullopt);

// Edge confidence: one run's learner again on resamples of the cases, each
// n_cases cases drawn with replacement from a random stream of its own
// derived from (seed, resample number), so the results are the same for
// every thread count; as the program's --bootstrap computes them.
struct bootstrap_settings {
    int resamples = 200;  // 1 to max_resamples
    std::uint64_t seed = 1;
    double threshold = 0.5;  // above 0, at most 1: a pair with frequency >= threshold is a consensus edge
    // The run resampled: learner, or with local the local run around
    // settings.local_target (settings.learners is not read).
    learner_kind learner = learner_kind::iamb2;
    bool local = false;
};

// A pair learned in at least one resample (and, with a true network, a true
// pair never learned): a row of the program's RUN.strength.csv.
struct edge_strength {
    int source = 0;  // variable indices, source < target
    int target = 0;
    double frequency = 0;  // the share of the finished resamples that learned it
    // With a true network: the consensus network against the truth (tp, fp,
    // fn); none for a false pair below the threshold, and without a truth.
    std::optional<edge_status> status;
};

struct bootstrap_result {
    // Most frequent first, then in variable order; with a truth the true
    // pairs never learned follow, at frequency 0.
    std::vector<edge_strength> strength;
    int resamples = 0;  // asked for
    int finished = 0;
    int failed = 0;       // resamples whose covariance matrix was not positive definite
    long long tests = 0;  // over all resamples
    double seconds = 0.0;
    // The consensus network (the pairs with frequency >= threshold) as a run:
    // learner "IAMB2 bootstrap" (the run's name and " bootstrap"), blankets
    // its neighbours, edges and (with a truth) scores as the program's
    // RUN.consensus.* files and results-table row have them; tests and
    // seconds are the bootstrap's.
    run_result consensus;
};

// The bootstrap of one run. A resample whose covariance matrix is not
// positive definite is counted as failed, not thrown; bad resamples or
// threshold are input_error, as is EE with no more cases than variables.
bootstrap_result bootstrap(const data_view& data, const settings& options, const bootstrap_settings& resampling,
                           const std::optional<truth_view>& truth = std::nullopt);

// The partial correlation of every pair of variables given all the others,
// from the inverse of the covariance matrix that EE inverts: an n_vars x
// n_vars matrix, row-major, symmetric, 1 on the diagonal; an EE run's edges
// carry the same values. Needs more cases than variables (input_error
// otherwise); not_positive_definite when the matrix cannot be inverted.
std::vector<double> partial_correlations(const data_view& data, const settings& options);

// An increasing function each simulated value is put through, as
// gaussnet-sim's --transform: none, exp, x^3, 1 / (1 + exp(-x)), or mix
// (exp, cube and logistic in turn over the variables). The network stays the
// truth; the margins become skewed.
enum class transform_type { none, exp, cube, logistic, mix };

// The checks every call above makes before it reads any data, for a front-end
// that wants its caller's mistakes reported before it converts the data: an
// input_error for alpha outside (0, 1) or NaN, threads outside 0 to
// max_threads, a negative local radius (with local), resamples outside 1 to
// max_resamples, a threshold outside (0, 1].
void check(const settings& options, bool local = false);
void check(const bootstrap_settings& resampling);

// What gaussnet-sim writes with the same options, value for value.
struct simulation_settings {
    int n_vars = 0;
    std::int64_t n_cases = 0;
    double parents = 2.0;  // expected parents per variable
    double weight_lo = 0.5;
    double weight_hi = 1.0;  // arc weights uniform in +-[lo, hi)
    double noise = 1.0;      // the noise's standard deviation
    std::uint64_t seed = 1;
    transform_type transform = transform_type::none;
    // When not null and set (from any thread), the call throws cancelled.
    const std::atomic<bool>* cancel = nullptr;
};
struct simulation {
    std::vector<float> data;         // n_cases x n_vars, row-major: data.txt's values
    std::vector<std::string> names;  // X1 .. Xn
    std::vector<std::uint8_t> arcs;  // n_vars x n_vars, row-major, row = parent: net.txt
};
simulation simulate(const simulation_settings& options);

// The moral graph of a directed graph (rows = parents, any non-zero = arc):
// n x n bytes, row-major, symmetric, zero diagonal.
std::vector<std::uint8_t> moral_graph(const matrix_view& dag);

// ---------------------------------------------------------------------------
// Reading what the caller has
// ---------------------------------------------------------------------------

// A true network file as the program reads net.txt: n_vars lines of n_vars
// cell characters, a digit 1 to 9 an arc from the row's variable to the
// column's. n x n bytes, row-major, row = parent, each 0 or 1. A file that
// is missing or too short is an input_error naming it; a layout that
// misreads (separators, a header row) goes to diagnostics, as the program
// warns of it.
std::vector<std::uint8_t> read_net(const std::string& path, std::int64_t n_vars,
                                   const diagnostics_sink& diagnostics = {});

// Where each of the data's variables stands in a truth whose rows and
// columns are named: rows[v] is the row, columns[v] the column of
// data_names[v]. Names on one side only serve for both. Throws input_error
// naming the first name that is not the data's or is given twice, or a
// count of names that is not the data's.
struct truth_alignment {
    std::vector<std::int64_t> rows;
    std::vector<std::int64_t> columns;
};
truth_alignment truth_order(std::span<const std::string> data_names, std::span<const std::string> row_names,
                            std::span<const std::string> column_names);

// Whether the data's first column looks like a row index that reading a
// file left in as a variable (pandas' "Unnamed: 0" or "index", R's "X" or
// "", holding the case numbers 0 to n - 1 or 1 to n), as the program warns
// of it: the first case number (0 or 1), or -1.
int index_column(const data_view& data);

// ---------------------------------------------------------------------------
// The interactive report
// ---------------------------------------------------------------------------

// One run of a report: a result of learn() or local() (or a bootstrap's
// consensus run alone), and the bootstrap of that run when there is one,
// with the seed and threshold it was asked for.
struct report_entry {
    run_result run;
    std::optional<bootstrap_result> bootstrap;
    std::uint64_t seed = 1;
    double threshold = 0.5;
};

// Whether this build can make reports (the graph-drawing library is fetched
// when it is built).
bool report_available();

// Writes the runs as one self-contained interactive HTML page to path, as
// the program's --report does: each network drawn, searchable, with its
// edges' sign, strength, verdicts and frequencies and a table of its edges.
// settings are shown in its header, in order. The file appears complete or
// not at all. Throws error when the page cannot be made or written,
// input_error for a run whose edges name no variable of names.
void report(const std::string& path, std::span<const std::string> names,
            const std::vector<std::pair<std::string, std::string>>& settings, const std::vector<report_entry>& runs);

// The library's version, as gaussnet --version prints it.
const char* version();

}  // namespace gaussnet::api
