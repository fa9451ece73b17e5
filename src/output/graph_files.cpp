// A run's graph for graph tools: GraphML for networkx, igraph, Cytoscape and
// Gephi, and a Graphviz drawing laid out as networks usually are (force
// directed, nodes kept apart), with the names as node ids.

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/text.h"
#include "output/csv.h"
#include "output/export_files.h"

namespace gaussnet {

namespace {

// Length of the well-formed UTF-8 sequence at text[at], 0 when there is none.
std::size_t utf8_length(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (length == 0 || lead > 0xF4 || at + length > text.size()) return 0;
    char32_t code = lead & (0x7Fu >> length);
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[at + k]);
        if ((next & 0xC0) != 0x80) return 0;
        code = code << 6 | (next & 0x3Fu);
    }
    const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < least[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}

}  // namespace

std::string as_utf8(std::string_view text) {
    std::string out;
    for (std::size_t at = 0; at < text.size();) {
        const auto byte = static_cast<unsigned char>(text[at]);
        const std::size_t length = byte < 0x80 ? 1 : utf8_length(text, at);
        if (length > 0) {
            out.append(text.substr(at, length));
            at += length;
        } else {
            out += static_cast<char>(0xC0 | byte >> 6);
            out += static_cast<char>(0x80 | (byte & 0x3F));
            ++at;
        }
    }
    return out;
}

namespace {

// Text for XML content and attribute values. Line ends are written as
// references, which a reader keeps as they are (written raw, CR would be read
// as LF, either as a space in an attribute). Other control characters cannot
// be written in XML 1.0 at all, not even as references.
std::string xml_text(std::string_view text) {
    std::string out;
    for (const char c : as_utf8(text)) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&apos;";
                break;
            case '\r':
                out += "&#13;";
                break;
            case '\n':
                out += "&#10;";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20 && c != '\t') out += "\xEF\xBF\xBD";
                else out += c;
        }
    }
    return out;
}

// Graphviz's quoted string, for ids: a backslash before the closing quote
// would escape it.
std::string dot_quoted(std::string_view text) {
    std::string quoted = "\"";
    for (const char c : as_utf8(text)) {
        if (c == '"' || c == '\\') quoted += '\\';
        quoted += c;
    }
    return quoted + '"';
}

// A label is read once more for escapes (\n, \N) and entities (&lt;): a name
// holding a backslash or an ampersand is labelled with both written out.
std::string dot_label(std::string_view name) {
    if (name.find_first_of("\\&") == std::string_view::npos) return "";
    std::string label;
    for (const char c : name) label += c == '&' ? std::string("&amp;") : std::string(1, c);
    return "label=" + dot_quoted(label);
}

// ---- GraphML -------------------------------------------------------------

std::string graphml_keys(const run_export& run) {
    std::string text =
        "  <key id=\"name\" for=\"node\" attr.name=\"name\" attr.type=\"string\"/>\n"
        "  <key id=\"blanket_size\" for=\"node\" attr.name=\"blanket_size\" attr.type=\"int\"/>\n"
        "  <key id=\"degree\" for=\"node\" attr.name=\"degree\" attr.type=\"int\"/>\n"
        "  <key id=\"status\" for=\"edge\" attr.name=\"status\" attr.type=\"string\"/>\n";
    if (run.scored) text += "  <key id=\"separated\" for=\"edge\" attr.name=\"separated\" attr.type=\"boolean\"/>\n";
    if (run.marks_required())
        text += "  <key id=\"required\" for=\"edge\" attr.name=\"required\" attr.type=\"boolean\"/>\n";
    if (run.edge_frequencies) text += "  <key id=\"weight\" for=\"edge\" attr.name=\"weight\" attr.type=\"double\"/>\n";
    if (run.evidence) {
        text +=
            "  <key id=\"partial_correlation\" for=\"edge\" attr.name=\"partial_correlation\" "
            "attr.type=\"double\"/>\n"
            "  <key id=\"p_value\" for=\"edge\" attr.name=\"p_value\" attr.type=\"double\"/>\n";
    }
    if (run.local) {
        text +=
            "  <key id=\"ring\" for=\"node\" attr.name=\"ring\" attr.type=\"int\"/>\n"
            "  <key id=\"target\" for=\"graph\" attr.name=\"target\" attr.type=\"string\"/>\n"
            "  <key id=\"radius\" for=\"graph\" attr.name=\"radius\" attr.type=\"int\"/>\n";
    }
    return text;
}

std::string graphml_data(const char* key, const std::string& value) {
    return strprintf("<data key=\"%s\">%s</data>", key, value.c_str());
}

std::string graphml_nodes(const run_export& run) {
    const variable_counts counts = count_per_variable(run);
    std::string text;
    for (std::size_t v = 0; v < run.names.size(); ++v) {
        text += "    <node id=\"" + xml_text(run.names[v]) + "\">" + graphml_data("name", xml_text(run.names[v]));
        if (counts.blanket[v] >= 0) text += graphml_data("blanket_size", std::to_string(counts.blanket[v]));
        text += graphml_data("degree", std::to_string(counts.degree[v]));
        if (run.local) text += graphml_data("ring", std::to_string(run.local->ring[v]));
        text += "</node>\n";
    }
    return text;
}

// The learned graph's edges: missed ones stay in the edges file. A
// consensus network's edges weigh their frequency.
std::string graphml_edges(const run_export& run) {
    std::string text;
    for (std::size_t e = 0; e < run.edges.size(); ++e) {
        const scored_edge& edge = run.edges[e];
        if (edge.status == edge_status::fn) continue;
        text += "    <edge source=\"" + xml_text(run.names[edge.source]) + "\" target=\"" +
                xml_text(run.names[edge.target]) + "\">" + graphml_data("status", status_text(edge.status));
        if (edge.status == edge_status::fp) text += graphml_data("separated", edge.separated ? "true" : "false");
        if (run.marks_required()) text += graphml_data("required", run.required(edge) ? "true" : "false");
        if (run.edge_frequencies) text += graphml_data("weight", shortest_text((*run.edge_frequencies)[e]));
        if (const std::optional<edge_evidence> evidence = listed_evidence(run, edge)) {
            text += graphml_data("partial_correlation", shortest_text(evidence->partial_correlation)) +
                    graphml_data("p_value", shortest_text(evidence->p_value));
        }
        text += "</edge>\n";
    }
    return text;
}

// ---- Graphviz ------------------------------------------------------------

// Variables drawn: all of them, but for a local run only its neighbourhood
// (every variable it reached, and the far ends of missed edges).
std::vector<bool> drawn_variables(const run_export& run) {
    std::vector<bool> drawn(run.names.size(), run.local == nullptr);
    if (run.local == nullptr) return drawn;
    for (std::size_t v = 0; v < drawn.size(); ++v) drawn[v] = run.local->ring[v] != 0;
    for (const scored_edge& edge : run.edges) drawn[edge.source] = drawn[edge.target] = true;
    return drawn;
}

// With evidence, a negative partial correlation is drawn with a bar at both
// ends (as inhibition is drawn), which leaves colour and dash to the verdict.
std::string dot_sign_note(const run_export& run) {
    return run.evidence ? " &#183; bar ends: negative partial correlation" : "";
}

std::string dot_title(const run_export& run) {
    if (run.local == nullptr) return xml_text(run.run) + dot_sign_note(run);
    return strprintf("%s: %s, radius %d &#183; <font color=\"grey35\">grey: blanket not learned</font>%s",
                     xml_text(run.run).c_str(), xml_text(run.names[run.local->target]).c_str(), run.local->radius,
                     dot_sign_note(run).c_str());
}

// The legend: each kind of edge named in the colour it is drawn in, with its count.
std::string dot_legend(const run_export& run) {
    int count[4] = {0, 0, 0, 0};
    for (const scored_edge& edge : run.edges) ++count[static_cast<int>(edge.status)];
    return strprintf(
        "<br/><font color=\"black\">black: found (tp) %d</font> &#183; "
        "<font color=\"red\"><b>heavy red: false (fp) %d</b></font> &#183; "
        "<font color=\"grey40\">dashed grey: missed (fn) %d</font>",
        count[static_cast<int>(edge_status::tp)], count[static_cast<int>(edge_status::fp)],
        count[static_cast<int>(edge_status::fn)]);
}

// neato's layout takes time with the square of the nodes (seconds for 500);
// sfdp's multilevel one stays fast for many thousands.
std::string dot_graph_attributes(const run_export& run, std::size_t n_drawn) {
    const char* layout = n_drawn > 1000 ? "sfdp" : "neato";
    const std::string label = dot_title(run) + (run.scored ? dot_legend(run) : "");
    return strprintf(
        "  graph [layout=%s, overlap=false, overlap_scaling=-2, sep=\"+4\", outputorder=edgesfirst, pad=0.2,\n"
        "         labelloc=t, fontsize=16, label=<%s>];\n"
        "  node [shape=ellipse, style=filled, fillcolor=white, fontsize=14, height=0.3, margin=\"0.05,0.03\"];\n"
        "  edge [color=black];\n",
        layout, label.c_str());
}

// Colour and dash by verdict; the width by verdict too or, in a bootstrap's
// consensus network (frequency given), by frequency: 0.5 points for a pair
// never learned up to 5 for one learned in every resample.
std::string dot_edge_attributes(edge_status status, const double* frequency, bool negative) {
    const char* look = status == edge_status::fp   ? "color=red"
                       : status == edge_status::fn ? "color=grey45, style=dashed"
                                                   : "";
    std::string width = status == edge_status::fp ? "penwidth=3" : status == edge_status::fn ? "penwidth=1.8" : "";
    if (frequency != nullptr) width = strprintf("penwidth=%.2f", 0.5 + 4.5 * *frequency);
    std::string attributes = look;
    for (const std::string& more : {width, std::string(negative ? "dir=both, arrowhead=tee, arrowtail=tee" : "")})
        if (!more.empty()) attributes += (attributes.empty() ? "" : ", ") + more;
    return attributes.empty() ? "" : " [" + attributes + "]";
}

// A local run's target stands out; a variable whose blanket it did not learn
// is drawn faint, since its other edges were never looked for.
std::string dot_node(const run_export& run, std::size_t v) {
    std::string attributes = dot_label(run.names[v]);
    const char* look = "";
    if (run.local && static_cast<int>(v) == run.local->target) look = "fillcolor=gold, penwidth=3";
    else if (run.local && !run.local->learned(static_cast<int>(v))) look = "color=grey60, fontcolor=grey35";
    if (*look != '\0') attributes += std::string(attributes.empty() ? "" : ", ") + look;
    return "  " + dot_quoted(run.names[v]) + (attributes.empty() ? "" : " [" + attributes + "]") + ";\n";
}

}  // namespace

std::string graph_graphml(const run_export& run) {
    std::string text =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<graphml xmlns=\"http://graphml.graphdrawing.org/xmlns\">\n";
    text += graphml_keys(run);
    text += "  <graph id=\"" + xml_text(run.run) + "\" edgedefault=\"undirected\">\n";
    if (run.local) {
        text += "    " + graphml_data("target", xml_text(run.names[run.local->target])) +
                graphml_data("radius", std::to_string(run.local->radius)) + "\n";
    }
    text += graphml_nodes(run) + graphml_edges(run);
    return text + "  </graph>\n</graphml>\n";
}

std::string graph_dot(const run_export& run) {
    const std::vector<bool> drawn = drawn_variables(run);
    std::string text = "graph " + dot_quoted(run.run) + " {\n";
    text += dot_graph_attributes(run, static_cast<std::size_t>(std::count(drawn.begin(), drawn.end(), true)));
    for (std::size_t v = 0; v < drawn.size(); ++v)
        if (drawn[v]) text += dot_node(run, v);
    for (std::size_t e = 0; e < run.edges.size(); ++e) {
        const scored_edge& edge = run.edges[e];
        const double* frequency = run.edge_frequencies ? &(*run.edge_frequencies)[e] : nullptr;
        const std::optional<edge_evidence> evidence = listed_evidence(run, edge);
        const bool negative = evidence && evidence->partial_correlation < 0;
        text += "  " + dot_quoted(run.names[edge.source]) + " -- " + dot_quoted(run.names[edge.target]) +
                dot_edge_attributes(edge.status, frequency, negative) + ";\n";
    }
    return text + "}\n";
}

}  // namespace gaussnet
