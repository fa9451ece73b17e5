// The library for R. Learning runs on a thread of its own; the R thread waits
// for it, checking for a user interrupt every poll, and cancels the run when
// one comes. No R function is ever called from any thread but R's own.
//
// Failures come back as values (a list of class "gaussnet_failure"), not as
// C++ exceptions through R: the R layer turns them into classed conditions.

#include <Rcpp.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "gaussnet/gaussnet.h"

namespace api = gaussnet::api;

namespace {

// A column-major R matrix as the library reads it in place: double, or
// integer (R stores a logical as an integer; INTEGER() reads both).
api::matrix_view view_of(SEXP matrix) {
    const Rcpp::IntegerVector dim = Rf_getAttrib(matrix, R_DimSymbol);
    const std::int64_t rows = dim[0];
    const std::int64_t cols = dim[1];
    if (TYPEOF(matrix) == REALSXP) return {REAL(matrix), api::element_type::float64, rows, cols, 1, rows};
    return {INTEGER(matrix), api::element_type::int32, rows, cols, 1, rows};
}

std::optional<api::truth_view> truth_of(SEXP truth) {
    if (Rf_isNull(truth)) return std::nullopt;
    return view_of(truth);
}

// Collects the library's diagnostics from any of its threads.
class diagnostics_queue {
public:
    api::diagnostics_sink sink() {
        return [this](const std::string& line) {
            const std::lock_guard<std::mutex> lock(mutex_);
            lines_.push_back(line);
        };
    }
    Rcpp::CharacterVector take() {
        const std::lock_guard<std::mutex> lock(mutex_);
        return Rcpp::wrap(lines_);
    }

private:
    std::mutex mutex_;
    std::vector<std::string> lines_;
};

// A call's progress on R's console, where messages go: the latest report
// rewritten in place with a carriage return, blanked at a learner's end. Shown
// by R's thread while it waits; the library's own thread only leaves the
// latest report.
class progress_console {
public:
    // quiet_seconds: how long a learner runs before its progress shows; negative: never.
    explicit progress_console(double quiet_seconds)
        : on_(quiet_seconds >= 0),
          latest_(std::chrono::milliseconds(on_ ? static_cast<long long>(quiet_seconds * 1000) : 0)) {}
    api::progress_observer* observer() { return on_ ? &latest_ : nullptr; }

    void relay() {
        if (!on_) return;
        const std::optional<api::progress_report> report = latest_.take();
        if (!report) return;
        if (report->finished) {
            clear();
        } else {
            show(report->text);
        }
    }
    void finish() {
        relay();
        clear();
    }

private:
    void show(std::string text) {
        const int width = Rf_GetOptionWidth();
        if (width > 10 && text.size() >= static_cast<std::size_t>(width))
            text.resize(static_cast<std::size_t>(width) - 1);
        const int pad = shown_ > static_cast<int>(text.size()) ? shown_ - static_cast<int>(text.size()) : 0;
        REprintf("\r%s%*s", text.c_str(), pad, "");
        R_FlushConsole();
        shown_ = static_cast<int>(text.size());
    }
    void clear() {
        if (shown_ == 0) return;
        REprintf("\r%*s\r", shown_, "");
        R_FlushConsole();
        shown_ = 0;
    }

    bool on_;
    api::latest_progress latest_;
    int shown_ = 0;  // the width of the line shown, 0 for none
};

// Whether the user asked R to stop (Ctrl-C); checked without leaving this frame.
void check_interrupt(void*) { R_CheckUserInterrupt(); }
bool interrupt_pending() { return R_ToplevelExec(check_interrupt, nullptr) == FALSE; }

// What one call of the library gave: its result, or the failure it threw.
template <typename Result>
struct outcome {
    std::optional<Result> result;
    std::exception_ptr failure;
};

// Runs work on a thread of its own, polling for an interrupt and showing its
// progress. An interrupt cancels the work, waits for it to stop and is then
// passed on to R, so no thread is left running.
template <typename Result, typename Work>
outcome<Result> run_interruptibly(Work&& work, std::atomic<bool>& cancel, progress_console& progress) {
    constexpr auto poll = std::chrono::milliseconds(50);
    outcome<Result> out;
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    std::thread worker([&] {
        try {
            out.result.emplace(work());
        } catch (...) {
            out.failure = std::current_exception();
        }
        const std::lock_guard<std::mutex> lock(mutex);
        done = true;
        finished.notify_all();
    });
    bool interrupted = false;
    {
        std::unique_lock<std::mutex> lock(mutex);
        while (!finished.wait_for(lock, poll, [&] { return done; })) {
            if (interrupted) continue;
            lock.unlock();
            interrupted = interrupt_pending();
            if (interrupted) cancel.store(true);
            progress.relay();
            lock.lock();
        }
    }
    worker.join();
    progress.finish();
    if (interrupted) throw Rcpp::internal::InterruptedException();
    return out;
}

Rcpp::List failure_of(const std::string& kind, const std::string& message, const std::string& learner = "",
                      int target = -1) {
    Rcpp::List failure = Rcpp::List::create(Rcpp::Named("kind") = kind, Rcpp::Named("message") = message,
                                            Rcpp::Named("learner") = learner, Rcpp::Named("target") = target + 1);
    failure.attr("class") = "gaussnet_failure";
    return failure;
}

// The library's exception as a failure value.
Rcpp::List failure_from(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const api::not_positive_definite& error) {
        return failure_of("not_positive_definite", error.what(), error.learner(), error.target());
    } catch (const api::input_error& error) {
        return failure_of("input", error.what());
    } catch (const std::bad_alloc&) {
        return failure_of("memory", "Out of memory.");
    } catch (const std::exception& error) {
        return failure_of("error", error.what());
    }
}

// One run as plain R values, variables numbered from 1.
Rcpp::List run_to_r(const api::run_result& run) {
    const auto n = static_cast<R_xlen_t>(run.edges.size());
    Rcpp::IntegerVector sources(n), targets(n);
    Rcpp::CharacterVector statuses(n);
    Rcpp::LogicalVector separated(n);
    Rcpp::NumericVector partial_correlations(n), p_values(n);
    for (R_xlen_t e = 0; e < n; ++e) {
        const api::edge& edge = run.edges[static_cast<std::size_t>(e)];
        sources[e] = edge.source + 1;
        targets[e] = edge.target + 1;
        statuses[e] = status_text(edge.status);
        separated[e] = edge.separated ? static_cast<int>(*edge.separated) : NA_LOGICAL;
        partial_correlations[e] = edge.partial_correlation.value_or(NA_REAL);
        p_values[e] = edge.p_value.value_or(NA_REAL);
    }
    Rcpp::List blankets(static_cast<R_xlen_t>(run.blankets.size()));
    for (std::size_t v = 0; v < run.blankets.size(); ++v) {
        Rcpp::IntegerVector members(run.blankets[v].begin(), run.blankets[v].end());
        blankets[static_cast<R_xlen_t>(v)] = members + 1;
    }
    SEXP scores = R_NilValue;
    Rcpp::NumericVector rates;
    if (run.scores) {
        const api::rates& v = run.scores->per_variable;
        const api::rates& e = run.scores->per_edge;
        rates = Rcpp::NumericVector::create(v.tpr, v.fdr, v.fdr2, e.tpr, e.fdr, e.fdr2);
        scores = rates;
    }
    return Rcpp::List::create(
        Rcpp::Named("learner") = run.learner, Rcpp::Named("blankets") = blankets, Rcpp::Named("source") = sources,
        Rcpp::Named("target") = targets, Rcpp::Named("status") = statuses, Rcpp::Named("separated") = separated,
        Rcpp::Named("partial_correlation") = partial_correlations, Rcpp::Named("p_value") = p_values,
        Rcpp::Named("tests") = static_cast<double>(run.tests), Rcpp::Named("seconds") = run.seconds,
        Rcpp::Named("scores") = scores, Rcpp::Named("rings") = Rcpp::IntegerVector(run.rings.begin(), run.rings.end()));
}

Rcpp::List runs_to_r(const std::vector<api::run_result>& runs) {
    Rcpp::List result(static_cast<R_xlen_t>(runs.size()));
    for (std::size_t r = 0; r < runs.size(); ++r) result[static_cast<R_xlen_t>(r)] = run_to_r(runs[r]);
    return result;
}

// A bootstrap as plain R values: the strength file's columns (status NULL
// without a truth), the counts and the consensus network as a run.
Rcpp::List bootstrap_to_r(const api::bootstrap_result& result, bool scored) {
    const auto n = static_cast<R_xlen_t>(result.strength.size());
    Rcpp::IntegerVector sources(n), targets(n);
    Rcpp::NumericVector frequencies(n);
    Rcpp::CharacterVector statuses(n);
    for (R_xlen_t e = 0; e < n; ++e) {
        const api::edge_strength& edge = result.strength[static_cast<std::size_t>(e)];
        sources[e] = edge.source + 1;
        targets[e] = edge.target + 1;
        frequencies[e] = edge.frequency;
        statuses[e] = edge.status ? status_text(*edge.status) : "";
    }
    SEXP status = R_NilValue;
    if (scored) status = statuses;
    return Rcpp::List::create(
        Rcpp::Named("source") = sources, Rcpp::Named("target") = targets, Rcpp::Named("frequency") = frequencies,
        Rcpp::Named("status") = status, Rcpp::Named("finished") = result.finished,
        Rcpp::Named("failed") = result.failed, Rcpp::Named("tests") = static_cast<double>(result.tests),
        Rcpp::Named("seconds") = result.seconds, Rcpp::Named("consensus") = run_to_r(result.consensus));
}

// The names are the library's, checked in R against .gaussnet_vocabulary().
api::correlation_type correlation_of(const std::string& name) {
    if (const auto type = api::correlation_named(name)) return *type;
    Rcpp::stop("unknown correlation " + name);
}

api::missing_values missing_of(const std::string& name) {
    if (const auto missing = api::missing_values_named(name)) return *missing;
    Rcpp::stop("unknown missing " + name);
}

// Pairs of names from R's first, second, first, ... vector.
std::vector<std::pair<std::string, std::string>> name_pairs(const std::vector<std::string>& flat) {
    std::vector<std::pair<std::string, std::string>> pairs;
    for (std::size_t i = 0; i + 1 < flat.size(); i += 2) pairs.emplace_back(flat[i], flat[i + 1]);
    return pairs;
}

api::settings settings_of(const Rcpp::CharacterVector& learners, double alpha, bool exact,
                          const std::string& correlation, const std::string& missing, int threads,
                          const std::vector<std::string>& forbid, const std::vector<std::string>& require) {
    api::settings options;
    options.learners.clear();
    for (const auto& learner : learners) {
        const std::string name = Rcpp::as<std::string>(learner);
        const std::optional<api::learner_kind> kind = api::learner_named(name);
        if (!kind) throw api::input_error("unknown learner " + name);
        options.learners.push_back(*kind);
    }
    options.alpha = alpha;
    options.statistic = exact ? api::test_statistic::student_t : api::test_statistic::fisher_z;
    options.correlation = correlation_of(correlation);
    options.missing = missing_of(missing);
    options.threads = threads;
    options.forbid = name_pairs(forbid);
    options.require = name_pairs(require);
    return options;
}

// Calls the library on a worker thread with the call's cancel flag and
// diagnostics, and hands back its result (converted) or its failure, with the
// diagnostics as the attribute "diagnostics".
template <typename Result, typename Call, typename Convert>
SEXP call_library(api::settings& options, Call&& call, Convert&& convert, double progress_quiet_seconds = -1) {
    std::atomic<bool> cancel{false};
    diagnostics_queue diagnostics;
    progress_console progress(progress_quiet_seconds);
    options.cancel = &cancel;
    options.diagnostics = diagnostics.sink();
    options.progress = progress.observer();
    const outcome<Result> out = run_interruptibly<Result>(call, cancel, progress);
    Rcpp::List value = out.failure ? failure_from(out.failure) : convert(*out.result);
    value.attr("diagnostics") = diagnostics.take();
    return value;
}

}  // namespace

// [[Rcpp::export(.gaussnet_learn)]]
SEXP gaussnet_learn_cpp(SEXP data, std::vector<std::string> names, SEXP truth, Rcpp::CharacterVector learners,
                        double alpha, bool exact, std::string correlation, std::string missing, int threads,
                        std::vector<std::string> forbid, std::vector<std::string> require, double progress) {
    const api::data_view view{view_of(data), names};
    const std::optional<api::truth_view> truth_view = truth_of(truth);
    api::settings options = settings_of(learners, alpha, exact, correlation, missing, threads, forbid, require);
    return call_library<std::vector<api::run_result>>(
        options, [&] { return api::learn(view, options, truth_view); }, runs_to_r, progress);
}

// [[Rcpp::export(.gaussnet_local)]]
SEXP gaussnet_local_cpp(SEXP data, std::vector<std::string> names, SEXP truth, std::string target, int radius,
                        double alpha, bool exact, std::string correlation, std::string missing, int threads,
                        std::vector<std::string> forbid, std::vector<std::string> require, double progress) {
    const api::data_view view{view_of(data), names};
    const std::optional<api::truth_view> truth_view = truth_of(truth);
    api::settings options = settings_of({}, alpha, exact, correlation, missing, threads, forbid, require);
    options.local_target = target;
    options.local_radius = radius;
    return call_library<api::run_result>(
        options, [&] { return api::local(view, options, truth_view); }, run_to_r, progress);
}

// [[Rcpp::export(.gaussnet_bootstrap)]]
SEXP gaussnet_bootstrap_cpp(SEXP data, std::vector<std::string> names, SEXP truth, std::string learner, bool local,
                            std::string target, int radius, int resamples, double seed, double threshold, double alpha,
                            bool exact, std::string correlation, std::string missing, int threads,
                            std::vector<std::string> forbid, std::vector<std::string> require, double progress) {
    const api::data_view view{view_of(data), names};
    const std::optional<api::truth_view> truth_view = truth_of(truth);
    api::settings options = settings_of(Rcpp::CharacterVector::create(learner), alpha, exact, correlation, missing,
                                        threads, forbid, require);
    options.local_target = target;
    options.local_radius = radius;
    const api::bootstrap_settings resampling{resamples, static_cast<std::uint64_t>(seed), threshold,
                                             options.learners.front(), local};
    return call_library<api::bootstrap_result>(
        options, [&] { return api::bootstrap(view, options, resampling, truth_view); },
        [&](const api::bootstrap_result& result) { return bootstrap_to_r(result, truth_view.has_value()); }, progress);
}

// [[Rcpp::export(.gaussnet_simulate)]]
SEXP gaussnet_simulate_cpp(int n_vars, double n_cases, double parents, double weight_lo, double weight_hi, double noise,
                           double seed, std::string transform) {
    api::simulation sim;
    try {
        // The name is checked in R: "none", "exp", "cube", "logistic", "mix".
        const api::transform_type type = transform == "exp"        ? api::transform_type::exp
                                         : transform == "cube"     ? api::transform_type::cube
                                         : transform == "logistic" ? api::transform_type::logistic
                                         : transform == "mix"      ? api::transform_type::mix
                                                                   : api::transform_type::none;
        sim = api::simulate({n_vars, static_cast<std::int64_t>(n_cases), parents, weight_lo, weight_hi, noise,
                             static_cast<std::uint64_t>(seed), type});
    } catch (...) {
        return failure_from(std::current_exception());
    }
    // The library's rows are cases; R's matrices are stored by column.
    const auto cases = static_cast<R_xlen_t>(n_cases);
    Rcpp::List columns(n_vars);
    for (int v = 0; v < n_vars; ++v) {
        Rcpp::NumericVector column(cases);
        for (R_xlen_t c = 0; c < cases; ++c)
            column[c] =
                sim.data[static_cast<std::size_t>(c) * static_cast<std::size_t>(n_vars) + static_cast<std::size_t>(v)];
        columns[v] = column;
    }
    Rcpp::IntegerMatrix arcs(n_vars, n_vars);
    for (int r = 0; r < n_vars; ++r)
        for (int c = 0; c < n_vars; ++c)
            arcs(r, c) =
                sim.arcs[static_cast<std::size_t>(r) * static_cast<std::size_t>(n_vars) + static_cast<std::size_t>(c)];
    return Rcpp::List::create(Rcpp::Named("columns") = columns, Rcpp::Named("names") = sim.names,
                              Rcpp::Named("arcs") = arcs);
}

// [[Rcpp::export(.gaussnet_moral)]]
SEXP gaussnet_moral_cpp(SEXP dag) {
    try {
        const std::vector<std::uint8_t> moral = api::moral_graph(view_of(dag));
        const int n = Rf_nrows(dag);
        Rcpp::LogicalMatrix result(n, n);
        for (int r = 0; r < n; ++r)
            for (int c = 0; c < n; ++c)
                result(r, c) =
                    moral[static_cast<std::size_t>(r) * static_cast<std::size_t>(n) + static_cast<std::size_t>(c)];
        return result;
    } catch (...) {
        return failure_from(std::current_exception());
    }
}

// [[Rcpp::export(.gaussnet_read_net)]]
SEXP gaussnet_read_net_cpp(std::string path, int n_vars) {
    std::vector<std::string> lines;
    try {
        const std::vector<std::uint8_t> arcs =
            api::read_net(path, n_vars, [&lines](const std::string& line) { lines.push_back(line); });
        Rcpp::IntegerMatrix result(n_vars, n_vars);
        for (int r = 0; r < n_vars; ++r)
            for (int c = 0; c < n_vars; ++c)
                result(r, c) =
                    arcs[static_cast<std::size_t>(r) * static_cast<std::size_t>(n_vars) + static_cast<std::size_t>(c)];
        result.attr("diagnostics") = Rcpp::wrap(lines);
        return result;
    } catch (...) {
        return failure_from(std::current_exception());
    }
}

// [[Rcpp::export(.gaussnet_truth_order)]]
SEXP gaussnet_truth_order_cpp(std::vector<std::string> names, std::vector<std::string> rows,
                              std::vector<std::string> columns) {
    try {
        const api::truth_alignment order = api::truth_order(names, rows, columns);
        Rcpp::IntegerVector row_order(order.rows.begin(), order.rows.end());
        Rcpp::IntegerVector column_order(order.columns.begin(), order.columns.end());
        return Rcpp::List::create(Rcpp::Named("rows") = row_order + 1, Rcpp::Named("columns") = column_order + 1);
    } catch (...) {
        return failure_from(std::current_exception());
    }
}

// [[Rcpp::export(.gaussnet_index_column)]]
int gaussnet_index_column_cpp(SEXP data, std::vector<std::string> names) {
    return api::index_column({view_of(data), names});
}

// [[Rcpp::export(.gaussnet_partial_correlations)]]
SEXP gaussnet_partial_correlations_cpp(SEXP data, std::vector<std::string> names, int threads, std::string correlation,
                                       std::string missing) {
    const api::data_view view{view_of(data), names};
    api::settings options = settings_of({}, 0.05, false, correlation, missing, threads, {}, {});
    const int n = static_cast<int>(names.size());
    return call_library<std::vector<double>>(
        options, [&] { return api::partial_correlations(view, options); },
        [n](const std::vector<double>& values) {
            Rcpp::NumericMatrix matrix(n, n);
            for (int r = 0; r < n; ++r)
                for (int c = 0; c < n; ++c)
                    matrix(r, c) =
                        values[static_cast<std::size_t>(r) * static_cast<std::size_t>(n) + static_cast<std::size_t>(c)];
            return Rcpp::List::create(Rcpp::Named("values") = matrix);
        });
}

// The library's names and limits, for the R functions' checks and messages.
// [[Rcpp::export(.gaussnet_vocabulary)]]
Rcpp::List gaussnet_vocabulary_cpp() {
    Rcpp::CharacterVector learners, correlations, missing;
    for (const api::learner_kind kind : api::all_learners) learners.push_back(api::learner_name(kind));
    for (const api::correlation_type type : api::all_correlations) correlations.push_back(api::correlation_name(type));
    for (const api::missing_values value : api::all_missing_values) missing.push_back(api::missing_values_name(value));
    return Rcpp::List::create(
        Rcpp::Named("learners") = learners, Rcpp::Named("correlations") = correlations,
        Rcpp::Named("missing") = missing, Rcpp::Named("local_learner") = api::learner_name(api::local_learner),
        Rcpp::Named("max_threads") = api::max_threads, Rcpp::Named("max_resamples") = api::max_resamples);
}

// [[Rcpp::export(.gaussnet_version)]]
std::string gaussnet_version_cpp() { return api::version(); }

namespace {

// The inverse of run_to_r, from the values gaussnet_report() gathers.
api::run_result run_from_r(const Rcpp::List& raw) {
    api::run_result run;
    run.learner = Rcpp::as<std::string>(raw["learner"]);
    const Rcpp::List blankets = raw["blankets"];
    for (R_xlen_t v = 0; v < blankets.size(); ++v) {
        const Rcpp::IntegerVector members = blankets[v];
        run.blankets.emplace_back();
        for (const int member : members) run.blankets.back().push_back(member - 1);
    }
    const Rcpp::IntegerVector sources = raw["source"], targets = raw["target"];
    const Rcpp::CharacterVector statuses = raw["status"];
    const Rcpp::LogicalVector separated = raw["separated"];
    const Rcpp::NumericVector partial_correlations = raw["partial_correlation"], p_values = raw["p_value"];
    for (R_xlen_t e = 0; e < sources.size(); ++e) {
        api::edge edge;
        edge.source = sources[e] - 1;
        edge.target = targets[e] - 1;
        const std::string status(statuses[e]);
        for (const api::edge_status kind : {api::edge_status::tp, api::edge_status::fp, api::edge_status::fn})
            if (status == status_text(kind)) edge.status = kind;
        if (separated[e] != NA_LOGICAL) edge.separated = separated[e] == 1;
        if (!Rcpp::NumericVector::is_na(partial_correlations[e])) edge.partial_correlation = partial_correlations[e];
        if (!Rcpp::NumericVector::is_na(p_values[e])) edge.p_value = p_values[e];
        run.edges.push_back(edge);
    }
    run.tests = static_cast<long long>(Rcpp::as<double>(raw["tests"]));
    run.seconds = Rcpp::as<double>(raw["seconds"]);
    if (!Rf_isNull(raw["scores"])) {
        const Rcpp::NumericVector r = raw["scores"];
        run.scores = api::run_scores{{r[0], r[1], r[2]}, {r[3], r[4], r[5]}};
    }
    return run;
}

api::report_entry entry_from_r(const Rcpp::List& entry) {
    api::report_entry out{run_from_r(entry["run"]), std::nullopt, 1, 0.5};
    if (Rf_isNull(entry["bootstrap"])) return out;
    const Rcpp::List raw = entry["bootstrap"];
    api::bootstrap_result result;
    const Rcpp::IntegerVector sources = raw["source"], targets = raw["target"];
    const Rcpp::NumericVector frequencies = raw["frequency"];
    const bool scored = !Rf_isNull(raw["status"]);
    const Rcpp::CharacterVector statuses = scored ? Rcpp::CharacterVector(raw["status"]) : Rcpp::CharacterVector();
    for (R_xlen_t e = 0; e < sources.size(); ++e) {
        api::edge_strength pair{sources[e] - 1, targets[e] - 1, frequencies[e], std::nullopt};
        for (const api::edge_status kind : {api::edge_status::tp, api::edge_status::fp, api::edge_status::fn})
            if (scored && std::string(statuses[e]) == status_text(kind)) pair.status = kind;
        result.strength.push_back(pair);
    }
    result.resamples = Rcpp::as<int>(raw["resamples"]);
    result.finished = Rcpp::as<int>(raw["finished"]);
    result.failed = Rcpp::as<int>(raw["failed"]);
    result.tests = static_cast<long long>(Rcpp::as<double>(raw["tests"]));
    result.seconds = Rcpp::as<double>(raw["seconds"]);
    out.seed = static_cast<std::uint64_t>(Rcpp::as<double>(raw["seed"]));
    out.threshold = Rcpp::as<double>(raw["threshold"]);
    out.bootstrap = std::move(result);
    return out;
}

}  // namespace

// [[Rcpp::export(.gaussnet_report)]]
SEXP gaussnet_report_cpp(std::string path, std::vector<std::string> names, std::vector<std::string> keys,
                         std::vector<std::string> values, Rcpp::List entries) {
    try {
        std::vector<api::report_entry> runs;
        for (R_xlen_t r = 0; r < entries.size(); ++r) runs.push_back(entry_from_r(entries[r]));
        std::vector<std::pair<std::string, std::string>> settings;
        for (std::size_t k = 0; k < keys.size() && k < values.size(); ++k) settings.emplace_back(keys[k], values[k]);
        api::report(path, names, settings, runs);
        return Rcpp::List();
    } catch (...) {
        return failure_from(std::current_exception());
    }
}

// [[Rcpp::export(.gaussnet_report_available)]]
bool gaussnet_report_available_cpp() { return api::report_available(); }
