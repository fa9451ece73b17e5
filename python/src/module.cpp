// gaussnet._core: the library for Python. Arrays come in as views of their
// own memory; learning runs on a thread of its own while the interpreter's
// lock is released, and the calling thread watches for signals (Ctrl-C) and
// cancels the run when one comes. The pure Python layer (gaussnet/__init__.py)
// checks and converts the input and builds the result objects.

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <exception>
#include <limits>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "gaussnet/gaussnet.h"

namespace py = pybind11;
namespace api = gaussnet::api;

namespace {

// The element type of a numpy array the library reads in place.
api::element_type element_type_of(const py::array& array) {
    const char kind = array.dtype().kind();
    const auto size = array.itemsize();
    if (kind == 'f' && size == 8) return api::element_type::float64;
    if (kind == 'f' && size == 4) return api::element_type::float32;
    if (kind == 'i' || kind == 'u') {
        const bool is_signed = kind == 'i';
        switch (size) {
            case 1:
                return is_signed ? api::element_type::int8 : api::element_type::uint8;
            case 2:
                return is_signed ? api::element_type::int16 : api::element_type::uint16;
            case 4:
                return is_signed ? api::element_type::int32 : api::element_type::uint32;
            case 8:
                return is_signed ? api::element_type::int64 : api::element_type::uint64;
            default:
                break;
        }
    }
    if (kind == 'b' && size == 1) return api::element_type::uint8;
    throw py::value_error("an array of dtype " + py::str(array.dtype()).cast<std::string>() +
                          " cannot be read; give real numbers");
}

// A view of a 2-D array in native byte order whose strides are whole elements.
api::matrix_view view_of(const py::array& array, const char* what) {
    if (array.ndim() != 2) throw py::value_error(std::string(what) + " must be 2-D");
    if (!array.dtype().attr("isnative").cast<bool>())
        throw py::value_error(std::string(what) + " must be in the machine's byte order");
    const auto size = static_cast<py::ssize_t>(array.itemsize());
    if (array.strides(0) % size != 0 || array.strides(1) % size != 0)
        throw py::value_error(std::string(what) + ": strides that are not whole elements");
    return {array.data(),   element_type_of(array),  array.shape(0),
            array.shape(1), array.strides(0) / size, array.strides(1) / size};
}

// Collects the library's diagnostics from any of its threads; the calling
// thread hands them to Python while it holds the lock.
class diagnostics_queue {
public:
    api::diagnostics_sink sink() {
        return [this](const std::string& line) {
            const std::lock_guard<std::mutex> lock(mutex_);
            lines_.push_back(line);
        };
    }
    void deliver(const py::object& to) {
        std::vector<std::string> lines;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            lines.swap(lines_);
        }
        if (to.is_none()) return;
        for (const std::string& line : lines) to(line);
    }

private:
    std::mutex mutex_;
    std::vector<std::string> lines_;
};

// A call's progress, shown by the package's line object (show(text) and
// clear(), quiet_seconds) from the calling thread while it holds the
// interpreter's lock; the library's own thread only leaves the latest report.
class progress_relay {
public:
    explicit progress_relay(py::object line)
        : line_(std::move(line)), latest_(line_.is_none() ? std::chrono::milliseconds(0) : quiet_period(line_)) {}
    api::progress_observer* observer() { return line_.is_none() ? nullptr : &latest_; }

    // The latest report since the last look: shown, or at a learner's end cleared.
    void relay() {
        if (line_.is_none()) return;
        const std::optional<api::progress_report> report = latest_.take();
        if (!report) return;
        if (report->finished) line_.attr("clear")();
        else line_.attr("show")(report->text);
    }
    void finish() {
        relay();
        if (!line_.is_none()) line_.attr("clear")();
    }

private:
    static std::chrono::milliseconds quiet_period(const py::object& line) {
        return std::chrono::milliseconds(std::lround(line.attr("quiet_seconds").cast<double>() * 1000));
    }

    py::object line_;
    api::latest_progress latest_;
};

// Runs work on a thread of its own with the interpreter's lock released,
// checking for signals and showing progress every poll. A signal's handler
// that raises (KeyboardInterrupt), or a line that cannot be shown, cancels
// the work; the exception is raised once the work has stopped, so no thread
// is left running.
template <typename Result, typename Work>
Result run_interruptibly(Work&& work, std::atomic<bool>& cancel, diagnostics_queue& diagnostics,
                         const py::object& on_diagnostic, progress_relay& progress) {
    constexpr auto poll = std::chrono::milliseconds(50);
    std::optional<Result> result;
    std::exception_ptr failure;
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    bool interrupted = false;
    std::thread worker([&] {
        try {
            result.emplace(work());
        } catch (...) {
            failure = std::current_exception();
        }
        const std::lock_guard<std::mutex> lock(mutex);
        done = true;
        finished.notify_all();
    });
    {
        py::gil_scoped_release release;
        std::unique_lock<std::mutex> lock(mutex);
        while (!finished.wait_for(lock, poll, [&] { return done; })) {
            if (interrupted) continue;
            lock.unlock();
            {
                py::gil_scoped_acquire acquire;
                try {
                    if (PyErr_CheckSignals() != 0) throw py::error_already_set();
                    progress.relay();
                } catch (py::error_already_set& raised) {
                    raised.restore();
                    interrupted = true;
                    cancel.store(true);
                }
            }
            lock.lock();
        }
    }
    worker.join();
    if (interrupted) {
        py::error_already_set raised;  // held while the line is cleared
        try {
            progress.finish();
        } catch (py::error_already_set&) {
            // The first failure is the one raised.
        }
        throw raised;
    }
    progress.finish();
    diagnostics.deliver(on_diagnostic);
    if (failure) std::rethrow_exception(failure);
    return std::move(*result);
}

api::learner_kind learner_of(const std::string& name) {
    if (const std::optional<api::learner_kind> kind = api::learner_named(name)) return *kind;
    throw py::value_error("unknown learner " + name);
}

// One run as plain Python values: (learner, blankets, (sources, targets,
// statuses, separated, partial correlations, p-values), tests, seconds,
// scores or None, rings: empty but for the local run). separated is -1 and the two values NaN where the export
// leaves them empty.
py::tuple run_to_python(const api::run_result& run) {
    const auto n = static_cast<py::ssize_t>(run.edges.size());
    const double none = std::numeric_limits<double>::quiet_NaN();
    py::array_t<std::int64_t> sources(n), targets(n);
    py::array_t<std::int8_t> separated(n);
    py::array_t<double> partial_correlations(n), p_values(n);
    py::list statuses;
    for (py::ssize_t e = 0; e < n; ++e) {
        const api::edge& edge = run.edges[static_cast<std::size_t>(e)];
        sources.mutable_at(e) = edge.source;
        targets.mutable_at(e) = edge.target;
        separated.mutable_at(e) = static_cast<std::int8_t>(edge.separated ? (*edge.separated ? 1 : 0) : -1);
        statuses.append(status_text(edge.status));
        partial_correlations.mutable_at(e) = edge.partial_correlation.value_or(none);
        p_values.mutable_at(e) = edge.p_value.value_or(none);
    }
    py::object scores = py::none();
    if (run.scores) {
        const api::rates& v = run.scores->per_variable;
        const api::rates& e = run.scores->per_edge;
        scores = py::make_tuple(v.tpr, v.fdr, v.fdr2, e.tpr, e.fdr, e.fdr2);
    }
    return py::make_tuple(run.learner, run.blankets,
                          py::make_tuple(sources, targets, statuses, separated, partial_correlations, p_values),
                          run.tests, run.seconds, scores, run.rings);
}

// What one call hands the library: views taken while the interpreter's lock
// is held (the arrays themselves stay referenced by the caller's frame).
struct learn_call {
    std::vector<std::string> names;
    api::data_view data;
    std::optional<api::truth_view> truth;
    api::settings options;
};

api::correlation_type correlation_of(const std::string& name) {
    if (const auto type = api::correlation_named(name)) return *type;
    throw py::value_error("unknown correlation " + name);
}

api::missing_values missing_of(const std::string& name) {
    if (const auto missing = api::missing_values_named(name)) return *missing;
    throw py::value_error("unknown missing " + name);
}

using name_pairs = std::vector<std::pair<std::string, std::string>>;

// How the values become the learners' matrix (the correlation's and the
// missing values' names), and the pairs known beforehand.
struct data_setting {
    std::string correlation;
    std::string missing;
    name_pairs forbid;
    name_pairs require;
};

learn_call make_call(const py::array& data, std::vector<std::string> names, const std::optional<py::array>& truth,
                     const std::vector<std::string>& learners, double alpha, bool exact, const data_setting& setting,
                     int threads) {
    learn_call call{std::move(names), {}, std::nullopt, {}};
    call.data = {view_of(data, "data"), call.names};
    if (truth) call.truth = view_of(*truth, "truth");
    call.options.learners.clear();
    for (const std::string& name : learners) call.options.learners.push_back(learner_of(name));
    call.options.alpha = alpha;
    call.options.statistic = exact ? api::test_statistic::student_t : api::test_statistic::fisher_z;
    call.options.correlation = correlation_of(setting.correlation);
    call.options.missing = missing_of(setting.missing);
    call.options.threads = threads;
    call.options.forbid = setting.forbid;
    call.options.require = setting.require;
    return call;
}

// Runs work (a library call on call's data and options) interruptibly, with
// the call's cancel flag and diagnostics wired into its options.
template <typename Result, typename Work>
Result run_call(learn_call& call, Work&& work, const py::object& on_diagnostic,
                const py::object& progress_line = py::none()) {
    std::atomic<bool> cancel{false};
    diagnostics_queue diagnostics;
    progress_relay progress(progress_line);
    call.options.cancel = &cancel;
    call.options.diagnostics = diagnostics.sink();
    call.options.progress = progress.observer();
    return run_interruptibly<Result>(std::forward<Work>(work), cancel, diagnostics, on_diagnostic, progress);
}

py::list learn(const py::array& data, std::vector<std::string> names, const std::optional<py::array>& truth,
               const std::vector<std::string>& learners, double alpha, bool exact, const data_setting& setting,
               int threads, const py::object& on_diagnostic, const py::object& progress) {
    learn_call call = make_call(data, std::move(names), truth, learners, alpha, exact, setting, threads);
    const auto runs = run_call<std::vector<api::run_result>>(
        call, [&] { return api::learn(call.data, call.options, call.truth); }, on_diagnostic, progress);
    py::list result;
    for (const api::run_result& run : runs) result.append(run_to_python(run));
    return result;
}

py::tuple local(const py::array& data, std::vector<std::string> names, const std::optional<py::array>& truth,
                std::string target, int radius, double alpha, bool exact, const data_setting& setting, int threads,
                const py::object& on_diagnostic, const py::object& progress) {
    learn_call call = make_call(data, std::move(names), truth, {}, alpha, exact, setting, threads);
    call.options.local_target = std::move(target);
    call.options.local_radius = radius;
    const auto run = run_call<api::run_result>(
        call, [&] { return api::local(call.data, call.options, call.truth); }, on_diagnostic, progress);
    return run_to_python(run);
}

// A bootstrap as plain Python values: ((sources, targets, frequencies,
// statuses or None), finished, failed, tests, seconds, consensus run).
py::tuple bootstrap_to_python(const api::bootstrap_result& result, bool scored) {
    const auto n = static_cast<py::ssize_t>(result.strength.size());
    py::array_t<std::int64_t> sources(n), targets(n);
    py::array_t<double> frequencies(n);
    py::list statuses;
    for (py::ssize_t e = 0; e < n; ++e) {
        const api::edge_strength& edge = result.strength[static_cast<std::size_t>(e)];
        sources.mutable_at(e) = edge.source;
        targets.mutable_at(e) = edge.target;
        frequencies.mutable_at(e) = edge.frequency;
        statuses.append(edge.status ? status_text(*edge.status) : "");
    }
    const py::object status_column = scored ? py::object(statuses) : py::none();
    return py::make_tuple(py::make_tuple(sources, targets, frequencies, status_column), result.finished, result.failed,
                          result.tests, result.seconds, run_to_python(result.consensus));
}

py::tuple bootstrap(const py::array& data, std::vector<std::string> names, const std::optional<py::array>& truth,
                    const std::string& learner, std::optional<std::string> target, int radius, int resamples,
                    std::uint64_t seed, double threshold, double alpha, bool exact, const data_setting& setting,
                    int threads, const py::object& on_diagnostic, const py::object& progress) {
    learn_call call = make_call(data, std::move(names), truth, {}, alpha, exact, setting, threads);
    api::bootstrap_settings resampling{resamples, seed, threshold, learner_of(learner), target.has_value()};
    if (target) {
        call.options.local_target = std::move(*target);
        call.options.local_radius = radius;
    }
    const auto result = run_call<api::bootstrap_result>(
        call, [&] { return api::bootstrap(call.data, call.options, resampling, call.truth); }, on_diagnostic, progress);
    return bootstrap_to_python(result, call.truth.has_value());
}

// The inverse of run_to_python: a run as report() takes it back.
api::run_result run_from_python(const py::tuple& raw) {
    api::run_result run;
    run.learner = raw[0].cast<std::string>();
    run.blankets = raw[1].cast<std::vector<std::vector<int>>>();
    const auto edges = raw[2].cast<py::tuple>();
    const auto sources = edges[0].cast<std::vector<std::int64_t>>();
    const auto targets = edges[1].cast<std::vector<std::int64_t>>();
    const auto statuses = edges[2].cast<std::vector<std::string>>();
    const auto separated = edges[3].cast<std::vector<int>>();
    const auto partial_correlations = edges[4].cast<std::vector<double>>();
    const auto p_values = edges[5].cast<std::vector<double>>();
    for (std::size_t e = 0; e < sources.size(); ++e) {
        api::edge edge;
        edge.source = static_cast<int>(sources[e]);
        edge.target = static_cast<int>(targets[e]);
        for (const api::edge_status status : {api::edge_status::tp, api::edge_status::fp, api::edge_status::fn})
            if (statuses[e] == status_text(status)) edge.status = status;
        if (separated[e] >= 0) edge.separated = separated[e] == 1;
        if (!std::isnan(partial_correlations[e])) edge.partial_correlation = partial_correlations[e];
        if (!std::isnan(p_values[e])) edge.p_value = p_values[e];
        run.edges.push_back(edge);
    }
    run.tests = raw[3].cast<long long>();
    run.seconds = raw[4].cast<double>();
    if (!raw[5].is_none()) {
        const auto r = raw[5].cast<std::vector<double>>();
        run.scores = api::run_scores{{r[0], r[1], r[2]}, {r[3], r[4], r[5]}};
    }
    return run;
}

// The inverse of bootstrap_to_python, with what was asked for.
api::bootstrap_result bootstrap_from_python(const py::tuple& raw, int resamples) {
    api::bootstrap_result result;
    const auto strength = raw[0].cast<py::tuple>();
    const auto sources = strength[0].cast<std::vector<std::int64_t>>();
    const auto targets = strength[1].cast<std::vector<std::int64_t>>();
    const auto frequencies = strength[2].cast<std::vector<double>>();
    const auto statuses =
        strength[3].is_none() ? std::vector<std::string>() : strength[3].cast<std::vector<std::string>>();
    for (std::size_t e = 0; e < sources.size(); ++e) {
        api::edge_strength pair{static_cast<int>(sources[e]), static_cast<int>(targets[e]), frequencies[e], {}};
        for (const api::edge_status status : {api::edge_status::tp, api::edge_status::fp, api::edge_status::fn})
            if (!statuses.empty() && statuses[e] == status_text(status)) pair.status = status;
        result.strength.push_back(pair);
    }
    result.resamples = resamples;
    result.finished = raw[1].cast<int>();
    result.failed = raw[2].cast<int>();
    result.tests = raw[3].cast<long long>();
    result.seconds = raw[4].cast<double>();
    result.consensus = run_from_python(raw[5].cast<py::tuple>());
    return result;
}

// entries: (run, bootstrap or None, resamples, seed, threshold), as the package's objects keep them.
void report(const std::string& path, const std::vector<std::string>& names,
            const std::vector<std::pair<std::string, std::string>>& settings, const py::list& entries) {
    std::vector<api::report_entry> runs;
    for (const py::handle item : entries) {
        const auto entry = item.cast<py::tuple>();
        api::report_entry run{run_from_python(entry[0].cast<py::tuple>()), std::nullopt, entry[3].cast<std::uint64_t>(),
                              entry[4].cast<double>()};
        if (!entry[1].is_none())
            run.bootstrap = bootstrap_from_python(entry[1].cast<py::tuple>(), entry[2].cast<int>());
        runs.push_back(std::move(run));
    }
    py::gil_scoped_release unlocked;
    api::report(path, names, settings, runs);
}

api::transform_type transform_of(const std::string& name) {
    if (name == "none") return api::transform_type::none;
    if (name == "exp") return api::transform_type::exp;
    if (name == "cube") return api::transform_type::cube;
    if (name == "logistic") return api::transform_type::logistic;
    if (name == "mix") return api::transform_type::mix;
    throw py::value_error("unknown transform " + name);
}

py::array_t<double> partial_correlations(const py::array& data, std::vector<std::string> names,
                                         const data_setting& setting, int threads, const py::object& on_diagnostic) {
    learn_call call = make_call(data, std::move(names), std::nullopt, {}, 0.05, false, setting, threads);
    const auto values = run_call<std::vector<double>>(
        call, [&] { return api::partial_correlations(call.data, call.options); }, on_diagnostic);
    const auto n = static_cast<py::ssize_t>(data.shape(1));
    py::array_t<double> result({n, n});
    std::copy(values.begin(), values.end(), result.mutable_data());
    return result;
}

py::tuple simulate(int n_vars, std::int64_t n_cases, double parents, double weight_lo, double weight_hi, double noise,
                   std::uint64_t seed, const std::string& transform) {
    std::atomic<bool> cancel{false};
    diagnostics_queue none;
    progress_relay no_progress{py::none()};
    const api::simulation_settings settings{
        n_vars, n_cases, parents, weight_lo, weight_hi, noise, seed, transform_of(transform), &cancel};
    const api::simulation sim = run_interruptibly<api::simulation>([&] { return api::simulate(settings); }, cancel,
                                                                   none, py::none(), no_progress);
    const auto n = static_cast<py::ssize_t>(n_vars);
    py::array_t<double> data({static_cast<py::ssize_t>(n_cases), n});
    std::copy(sim.data.begin(), sim.data.end(), data.mutable_data());
    py::array_t<std::uint8_t> arcs({n, n});
    std::copy(sim.arcs.begin(), sim.arcs.end(), arcs.mutable_data());
    return py::make_tuple(data, sim.names, arcs);
}

py::array_t<bool> moral_graph(const py::array& dag) {
    const std::vector<std::uint8_t> moral = api::moral_graph(view_of(dag, "dag"));
    const auto n = static_cast<py::ssize_t>(dag.shape(0));
    py::array_t<bool> result({n, n});
    std::copy(moral.begin(), moral.end(), result.mutable_data());
    return result;
}

py::array_t<std::uint8_t> read_net(const std::string& path, std::int64_t n_vars, const py::object& on_diagnostic) {
    std::vector<std::string> lines;
    const std::vector<std::uint8_t> arcs =
        api::read_net(path, n_vars, [&lines](const std::string& line) { lines.push_back(line); });
    for (const std::string& line : lines) on_diagnostic(line);
    const auto n = static_cast<py::ssize_t>(n_vars);
    py::array_t<std::uint8_t> result({n, n});
    std::copy(arcs.begin(), arcs.end(), result.mutable_data());
    return result;
}

py::tuple truth_order(const std::vector<std::string>& names, const std::vector<std::string>& rows,
                      const std::vector<std::string>& columns) {
    const api::truth_alignment order = api::truth_order(names, rows, columns);
    return py::make_tuple(order.rows, order.columns);
}

int index_column(const py::array& data, const std::vector<std::string>& names) {
    return api::index_column({view_of(data, "data"), names});
}

}  // namespace

PYBIND11_MODULE(_core, m) {
    m.doc() = "gaussnet's library; use the gaussnet package, which checks the input and builds the results.";
    static py::exception<api::not_positive_definite> not_positive_definite(m, "NotPositiveDefinite",
                                                                           PyExc_ArithmeticError);
    py::register_exception_translator([](std::exception_ptr failure) {
        try {
            if (failure) std::rethrow_exception(failure);
        } catch (const api::not_positive_definite& error) {
            py::object instance = py::reinterpret_borrow<py::object>(not_positive_definite)(error.what());
            instance.attr("learner") = error.learner();
            instance.attr("target_index") = error.target();
            PyErr_SetObject(not_positive_definite.ptr(), instance.ptr());
        } catch (const api::input_error& error) {
            PyErr_SetString(PyExc_ValueError, error.what());
        } catch (const api::error& error) {
            PyErr_SetString(PyExc_RuntimeError, error.what());
        }
    });
    py::class_<data_setting>(m, "DataSetting")
        .def(py::init<std::string, std::string, name_pairs, name_pairs>())
        .def_readonly("correlation", &data_setting::correlation)
        .def_readonly("missing", &data_setting::missing)
        .def_readonly("forbid", &data_setting::forbid)
        .def_readonly("require", &data_setting::require);
    m.def("learn", &learn);
    m.def("local", &local);
    m.def("bootstrap", &bootstrap);
    m.def("simulate", &simulate);
    m.def("moral_graph", &moral_graph);
    m.def("read_net", &read_net);
    m.def("truth_order", &truth_order);
    m.def("index_column", &index_column);
    m.def("partial_correlations", &partial_correlations);
    m.def("report", &report);
    m.def("report_available", &api::report_available);
    m.attr("__version__") = api::version();
    py::tuple learners(api::all_learners.size());
    for (std::size_t k = 0; k < api::all_learners.size(); ++k) learners[k] = api::learner_name(api::all_learners[k]);
    m.attr("LEARNERS") = learners;
    m.attr("LOCAL_LEARNER") = api::learner_name(api::local_learner);
    py::tuple correlations(api::all_correlations.size());
    for (std::size_t k = 0; k < api::all_correlations.size(); ++k)
        correlations[k] = api::correlation_name(api::all_correlations[k]);
    m.attr("CORRELATIONS") = correlations;
    py::tuple missing(api::all_missing_values.size());
    for (std::size_t k = 0; k < api::all_missing_values.size(); ++k)
        missing[k] = api::missing_values_name(api::all_missing_values[k]);
    m.attr("MISSING_VALUES") = missing;
    m.attr("MAX_THREADS") = api::max_threads;
    m.attr("MAX_RESAMPLES") = api::max_resamples;
}
