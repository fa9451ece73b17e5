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

    int n_cases() const { return static_cast<int>(data.rows()); }
    int n_vars() const { return static_cast<int>(data.cols()); }
};

// With missing values left out, diagnostics hears how many.
prepared_input prepare(const data_view& data, const settings& options, const std::optional<truth_view>& truth,
                       diagnostic_sink& diagnostics);

learner_setting learner_setting_of(const settings& options, const prepared_input& input, diagnostic_sink& diagnostics);

rates rates_of(const rate_triple& triple);
// The library's edges; with evidence, each learned edge's partial correlation and p-value.
std::vector<edge> edges_of(const std::vector<scored_edge>& scored, const evidence_rows* evidence = nullptr);
std::string without_line_end(std::string text);

// The caller's sink as the learners' for one call: each message without its
// final line end, one at a time; no sink, no output. While it lives it also
// receives the process's diagnostics.
class forwarding_sink final : public diagnostic_sink {
public:
    explicit forwarding_sink(const diagnostics_sink& to);
    ~forwarding_sink() override;
    forwarding_sink(const forwarding_sink&) = delete;
    forwarding_sink& operator=(const forwarding_sink&) = delete;

    void write(std::string_view text) override;

private:
    const diagnostics_sink& to_;
    std::mutex mutex_;
};

}  // namespace gaussnet::api
