#include "report/report.h"

#include <cmath>
#include <cstring>
#include <filesystem>

#include "common/fatal_error.h"
#include "common/file_io.h"
#include "common/text.h"
#include "output/csv.h"
#include "output/export_files.h"
#include "report/page_assets.h"

namespace gaussnet {

namespace {

// A JSON string. "<" is written as \u003c so that no text of the data can
// end the script element that holds it.
std::string json_string(std::string_view text) {
    std::string out = "\"";
    for (const char c : as_utf8(text)) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || c == '<' || c == '>' || c == '&') {
            out += strprintf("\\u%04x", byte);
        } else {
            out += c;
        }
    }
    return out + '"';
}

// A number as the files write it; JSON has no NaN or infinity.
std::string json_number(double value) { return std::isfinite(value) ? shortest_text(value) : "null"; }

std::string json_triple(const rate_triple& rates) {
    return '[' + json_number(rates.tpr) + ',' + json_number(rates.fdr) + ',' + json_number(rates.fdr2) + ']';
}

// [source, target, status, separated, partial correlation, p-value]
std::string json_edge(const report_edge& edge) {
    std::string text = strprintf("[%d,%d,\"%s\",%s,", edge.source, edge.target, status_text(edge.status),
                                 edge.status == edge_status::fp ? (edge.separated ? "true" : "false") : "null");
    if (edge.evidence)
        return text + json_number(edge.evidence->partial_correlation) + ',' + json_number(edge.evidence->p_value) + ']';
    return text + "null,null]";
}

// [source, target, frequency, status]: status "" for a false pair left out,
// null without a truth.
std::string json_strength(const strength_row& row, bool with_truth) {
    const std::string status =
        !with_truth ? std::string("null") : json_string(row.status ? status_text(*row.status) : "");
    return strprintf("[%d,%d,", row.source, row.target) + json_number(row.frequency) + ',' + status + ']';
}

template <typename Item, typename Write>
std::string json_list(const std::vector<Item>& items, Write write) {
    std::string text = "[";
    for (std::size_t i = 0; i < items.size(); ++i) text += (i ? "," : "") + write(items[i]);
    return text + ']';
}

std::string json_bootstrap(const report_bootstrap& bootstrap, bool with_truth) {
    return strprintf("{\"resamples\":%d,\"finished\":%d,\"failed\":%d,\"threshold\":", bootstrap.resamples,
                     bootstrap.finished, bootstrap.failed) +
           json_number(bootstrap.threshold) + ",\"seed\":" + json_string(std::to_string(bootstrap.seed)) +
           ",\"seconds\":" + json_number(bootstrap.seconds) + ",\"strength\":" +
           json_list(bootstrap.strength,
                     [with_truth](const strength_row& row) { return json_strength(row, with_truth); }) +
           '}';
}

std::string json_run(const report_run& run) {
    std::string text = "{\"name\":" + json_string(run.name) + ",\"seconds\":" + json_number(run.seconds) +
                       ",\"tests\":" + std::to_string(run.tests) + ",\"scores\":";
    text += run.scores ? '[' + json_triple((*run.scores)[0]) + ',' + json_triple((*run.scores)[1]) + ']' : "null";
    text += ",\"blankets\":";
    text += run.blankets.empty() ? "null" : json_list(run.blankets, [](const std::vector<int>& members) {
        return json_list(members, [](int member) { return std::to_string(member); });
    });
    text += ",\"edges\":" + json_list(run.edges, json_edge);
    text += ",\"bootstrap\":" +
            (run.bootstrap ? json_bootstrap(*run.bootstrap, run.scores.has_value()) : std::string("null"));
    return text + '}';
}

// The template with each place ("@@NAME@@") filled once, in the template's order.
std::string fill_template(const std::string& page, const std::vector<std::pair<std::string, std::string>>& places) {
    std::string out;
    std::size_t from = 0;
    for (const auto& [place, content] : places) {
        const std::size_t at = page.find(place, from);
        if (at == std::string::npos) throw fatal_error("The report's page template lacks " + place + ".");
        out.append(page, from, at - from);
        out += content;
        from = at + place.size();
    }
    return out.append(page, from);
}

}  // namespace

bool report_available() { return !report_graph_library().empty(); }

std::string report_json(const report_book& book) {
    std::string text = "{\"names\":" + json_list(book.names, json_string) + ",\"settings\":";
    text += json_list(book.settings, [](const std::pair<std::string, std::string>& setting) {
        return '[' + json_string(setting.first) + ',' + json_string(setting.second) + ']';
    });
    return text + ",\"runs\":" + json_list(book.runs, json_run) + '}';
}

std::string report_html(const report_book& book) {
    if (!report_available()) throw fatal_error(REPORT_UNAVAILABLE);
    return fill_template(report_page_template(), {{"@@STYLE@@", report_page_style()},
                                                  {"@@DATA@@", report_json(book)},
                                                  {"@@LIBRARY@@", report_graph_library()},
                                                  {"@@SCRIPT@@", report_page_script()}});
}

report_run report_entry(const std::string& name, long long milliseconds, long long tests,
                        const structure_report& report, const std::vector<scored_edge>& edges,
                        const evidence_rows& evidence, const ByteMatrix* blanket_rows) {
    report_run run{name, static_cast<double>(milliseconds) / 1000.0, tests, std::nullopt, {}, {}, std::nullopt};
    if (report.scores) run.scores = std::array<rate_triple, 2>{report.scores->per_variable, report.scores->per_edge};
    run.edges.reserve(edges.size());
    for (const scored_edge& edge : edges) {
        const auto found =
            edge.status == edge_status::fn ? std::nullopt : evidence_of(evidence, edge.source, edge.target);
        run.edges.push_back({edge.source, edge.target, edge.status, edge.separated, found});
    }
    if (blanket_rows != nullptr) {
        run.blankets.resize(static_cast<std::size_t>(blanket_rows->rows()));
        for (std::int64_t i = 0; i < blanket_rows->rows(); ++i)
            for (std::int64_t j = 0; j < blanket_rows->cols(); ++j)
                if ((*blanket_rows)(i, j) == 1)
                    run.blankets[static_cast<std::size_t>(i)].push_back(static_cast<int>(j));
    }
    return run;
}

namespace {

struct split_path {
    std::string dir;
    std::string name;
};

split_path split(const std::string& path) {
    const std::filesystem::path whole(path);
    const std::string dir = whole.parent_path().string();
    return {dir.empty() ? "." : dir, whole.filename().string()};
}

}  // namespace

void check_report_file(const std::string& path) {
    const split_path where = split(path);
    if (where.name.empty() || std::filesystem::is_directory(path))
        throw fatal_error(strprintf("Cannot write the report to %s: it is a directory.", path.c_str()));
    std::error_code error;
    if (!std::filesystem::is_directory(where.dir, error))
        throw fatal_error(strprintf("Cannot write the report to %s: the directory %s does not exist.", path.c_str(),
                                    where.dir.c_str()));
    if (const int refused = refuses_new_files(where.dir))
        throw fatal_error(strprintf("Cannot write the report to %s: %s.", path.c_str(), std::strerror(refused)));
}

void write_report(const std::string& path, const std::string& html) {
    const split_path where = split(path);
    write_file_set(where.dir, {{where.name, html}});
}

}  // namespace gaussnet
