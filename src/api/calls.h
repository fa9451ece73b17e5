#pragma once
// What every entry point of the library does around its learning: the
// caller's input checked and made ready, the learners' setting, diagnostics
// to the caller's sink, and results in the library's types.

#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/diagnostics.h"
#include "common/matrix.h"
#include "common/pair_constraints.h"
#include "common/run_context.h"
#include "gaussnet/gaussnet.h"
#include "learners/learner.h"
#include "scoring/report_structure.h"

namespace gaussnet::api {

// The caller's input, checked and in the learners' form.
struct prepared_input {
    std::vector<std::string> names;
    FloatMatrix data;
    ByteMatrix moral_graph;  // empty without a truth
    int n_edges = 0;
    int threads = 1;
    pair_constraints pairs;  // settings' forbid and require, as indices

    int n_cases() const { return static_cast<int>(data.rows()); }
    int n_vars() const { return static_cast<int>(data.cols()); }
};

// With missing values left out, the context hears how many.
prepared_input prepare(const data_view& data, const settings& options, const std::optional<truth_view>& truth,
                       run_context& context);

learner_setting learner_setting_of(const settings& options, const prepared_input& input, run_context& context);

rates rates_of(const rate_triple& triple);
// The library's edges; with evidence, each learned edge's partial correlation and p-value.
std::vector<edge> edges_of(const std::vector<scored_edge>& scored, const evidence_rows* evidence = nullptr);
std::string without_line_end(std::string text);

// The caller's sink as the learners' for one call: each message without its
// final line end, one at a time; no sink, no output.
class forwarding_sink final : public diagnostic_sink {
public:
    explicit forwarding_sink(const diagnostics_sink& to) : to_(to) {}
    void write(std::string_view text) override;

private:
    const diagnostics_sink& to_;
    std::mutex mutex_;
};

// One call's run: the caller's sink and cancel flag, installed on the calling
// thread (and so on its loops' threads) for the call, and for no other call.
class library_call {
public:
    explicit library_call(const settings& options)
        : sink_(options.diagnostics), context_(sink_, options.cancel), scope_(&context_) {}
    run_context& context() { return context_; }
    void note(const std::string& text) { context_.report(event_kind::note, text); }

private:
    forwarding_sink sink_;
    run_context context_;
    context_scope scope_;
};

}  // namespace gaussnet::api
