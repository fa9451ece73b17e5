// The export formats on hand-made edge lists: CSV quoting as RFC 4180 has it,
// and Graphviz text whose names cannot break out of their quotes.
#include "output/export_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "output/csv.h"
#include "output/results_table.h"

namespace gaussnet {
namespace {

TEST(CsvField, QuotedOnlyWhereNeeded) {
    const std::pair<const char*, const char*> cases[] = {
        {"X1", "X1"},           {"", ""},
        {"a,b", "\"a,b\""},     {"a\"b", "\"a\"\"b\""},
        {"\"", "\"\"\"\""},     {"line\nend", "\"line\nend\""},
        {"cr\r", "\"cr\r\""},   {" padded", "\" padded\""},
        {"in side", "in side"}, {"semi;colon", "semi;colon"},
    };
    for (const auto& [text, field] : cases) EXPECT_EQ(csv_field(text), field) << text;
}

const std::vector<std::string> names = {"A", "B\"q", "C\\d", "lone"};

TEST(ExportFormats, EdgesRowsInOrderWithVerdicts) {
    const std::vector<scored_edge> edges = {{0, 1, edge_status::tp, false},
                                            {0, 2, edge_status::fp, true},
                                            {1, 2, edge_status::fp, false},
                                            {1, 3, edge_status::fn, false}};
    const run_export run{"IAMB2", names, edges, true, nullptr};
    EXPECT_EQ(edges_csv(run),
              "source,target,status,separated\n"
              "A,\"B\"\"q\",tp,\n"
              "A,C\\d,fp,1\n"
              "\"B\"\"q\",C\\d,fp,0\n"
              "\"B\"\"q\",lone,fn,\n");
}

// Learned edges carry their evidence in the last two columns, in shortest
// round-trip text; a missed edge leaves them empty. GraphML has them as edge
// data; DOT marks a negative one with bars and keeps the verdict's colour.
TEST(ExportFormats, EdgeEvidenceInEveryFormat) {
    const std::vector<scored_edge> edges = {
        {0, 1, edge_status::tp, false}, {0, 2, edge_status::fp, false}, {1, 3, edge_status::fn, false}};
    evidence_rows evidence(4);
    evidence[1] = {{0, {-0.1, 1e-300}}};
    evidence[2] = {{0, {0.30000000000000004, 0.745}}};
    run_export run{"IAMB2", names, edges, true, nullptr};
    run.evidence = &evidence;
    EXPECT_EQ(edges_csv(run),
              "source,target,status,separated,partial_correlation,p_value\n"
              "A,\"B\"\"q\",tp,,-0.1,1e-300\n"
              "A,C\\d,fp,0,0.30000000000000004,0.745\n"
              "\"B\"\"q\",lone,fn,,,\n");
    const std::string graphml = graph_graphml(run);
    EXPECT_NE(graphml.find("<data key=\"partial_correlation\">-0.1</data><data key=\"p_value\">1e-300</data>"),
              std::string::npos)
        << graphml;
    EXPECT_NE(graphml.find("attr.name=\"p_value\" attr.type=\"double\""), std::string::npos);
    EXPECT_EQ(graphml.find("lone\"><data key=\"status\">fn</data><data key=\"partial"), std::string::npos);
    const std::string dot = graph_dot(run);
    EXPECT_NE(dot.find("  \"A\" -- \"B\\\"q\" [dir=both, arrowhead=tee, arrowtail=tee];\n"), std::string::npos) << dot;
    EXPECT_NE(dot.find("  \"A\" -- \"C\\\\d\" [color=red, penwidth=3];\n"), std::string::npos) << dot;
    EXPECT_NE(dot.find("bar ends: negative partial correlation"), std::string::npos);
}

TEST(ExportFormats, BlanketsAsLearnedRowByRow) {
    ByteMatrix rows(4, 4, 0);
    rows(2, 0) = 1;
    rows(0, 3) = 1;
    rows(2, 1) = 1;
    EXPECT_EQ(blankets_csv(names, rows), "target,member\nA,lone\nC\\d,A\nC\\d,\"B\"\"q\"\n");
}

TEST(ExportFormats, DotHasEveryVariableAndStylesByVerdict) {
    const std::vector<scored_edge> edges = {
        {0, 1, edge_status::tp, false}, {0, 2, edge_status::fp, false}, {2, 3, edge_status::fn, false}};
    const std::string scored = graph_dot({"EE", names, edges, true, nullptr});
    EXPECT_EQ(scored.rfind("graph \"EE\" {\n", 0), 0u);
    EXPECT_NE(scored.find("layout=neato, overlap=false"), std::string::npos) << scored;
    // Node ids are the names; a backslash is written out in the label too, or Graphviz reads an escape.
    EXPECT_NE(scored.find("  \"B\\\"q\";\n"), std::string::npos) << scored;
    EXPECT_NE(scored.find("  \"C\\\\d\" [label=\"C\\\\d\"];\n"), std::string::npos) << scored;
    EXPECT_NE(scored.find("  \"lone\";\n"), std::string::npos);  // isolated in the learned graph too
    EXPECT_NE(scored.find("  \"A\" -- \"B\\\"q\";\n"), std::string::npos);
    EXPECT_NE(scored.find("  \"A\" -- \"C\\\\d\" [color=red, penwidth=3];\n"), std::string::npos);
    EXPECT_NE(scored.find("  \"C\\\\d\" -- \"lone\" [color=grey45, style=dashed, penwidth=1.8];\n"), std::string::npos);
    // The legend is the graph's label, with each kind's count.
    EXPECT_NE(scored.find("found (tp) 1</font>"), std::string::npos) << scored;
    EXPECT_NE(scored.find("false (fp) 1</b>"), std::string::npos);
    EXPECT_NE(scored.find("missed (fn) 1</font>"), std::string::npos);
    EXPECT_EQ(scored.find("legend"), std::string::npos);  // no extra nodes
    EXPECT_EQ(scored.substr(scored.size() - 2), "}\n");

    const std::vector<scored_edge> plain_edges = {{0, 1, edge_status::learned, false}};
    const std::string plain = graph_dot({"IAMB1", names, plain_edges, false, nullptr});
    EXPECT_NE(plain.find("  \"A\" -- \"B\\\"q\";\n"), std::string::npos);
    EXPECT_NE(plain.find("label=<IAMB1>"), std::string::npos) << plain;  // nothing to tell apart without a truth
}

// Names that Graphviz and XML read specially, a Latin-1 byte, and a control character.
TEST(ExportFormats, GraphFilesKeepEveryNameWhole) {
    const std::vector<std::string> odd = {"x<y&z", "end\\",
                                          "Gr\xF6\xDF"
                                          "e",
                                          "tab\x01", "two\r\nlines"};
    const std::vector<scored_edge> edges = {{0, 1, edge_status::fp, true}, {2, 3, edge_status::tp, false}};
    const run_export run{"IAMB2", odd, edges, true, nullptr};
    const std::string graphml = graph_graphml(run);
    for (const char* part : {"<node id=\"x&lt;y&amp;z\">", "<node id=\"end\\\">",
                             "<node id=\"Gr\xC3\xB6\xC3\x9F"
                             "e\">",
                             "<node id=\"tab\xEF\xBF\xBD\">", "<node id=\"two&#13;&#10;lines\">",
                             "<edge source=\"x&lt;y&amp;z\" target=\"end\\\">",
                             "<data key=\"status\">fp</data><data key=\"separated\">true</data></edge>",
                             "<data key=\"status\">tp</data></edge>", "edgedefault=\"undirected\""})
        EXPECT_NE(graphml.find(part), std::string::npos) << part << "\n" << graphml;
    const std::string dot = graph_dot(run);
    for (const char* part : {"  \"x<y&z\" [label=\"x<y&amp;z\"];", "  \"end\\\\\" [label=\"end\\\\\"];",
                             "  \"Gr\xC3\xB6\xC3\x9F"
                             "e\";"})
        EXPECT_NE(dot.find(part), std::string::npos) << part << "\n" << dot;
}

// The GraphML graph is the learned one: missed edges stay in the edges file,
// nodes carry their names as data, a consensus network's edges their
// frequency as weight.
TEST(ExportFormats, GraphMLHoldsTheLearnedGraph) {
    const std::vector<scored_edge> edges = {
        {0, 1, edge_status::tp, false}, {0, 2, edge_status::fp, true}, {2, 3, edge_status::fn, false}};
    const std::vector<double> frequencies = {1.0, 0.745, 0.0};
    const std::string scored = graph_graphml({"IAMB2", names, edges, true, nullptr});
    const std::string consensus =
        graph_graphml({"IAMB2.consensus", names, edges, true, nullptr, nullptr, &frequencies});
    EXPECT_EQ(scored.find("<data key=\"status\">fn</data>"), std::string::npos) << scored;
    EXPECT_EQ(consensus.find("<data key=\"status\">fn</data>"), std::string::npos) << consensus;
    EXPECT_NE(scored.find("<node id=\"A\"><data key=\"name\">A</data><data key=\"blanket_size\">2</data>"
                          "<data key=\"degree\">2</data></node>"),
              std::string::npos)
        << scored;
    EXPECT_NE(scored.find("<node id=\"lone\"><data key=\"name\">lone</data><data key=\"blanket_size\">0</data>"
                          "<data key=\"degree\">0</data></node>"),
              std::string::npos)
        << scored;
    EXPECT_EQ(scored.find("weight"), std::string::npos);
    EXPECT_NE(consensus.find("<key id=\"weight\" for=\"edge\" attr.name=\"weight\" attr.type=\"double\"/>"),
              std::string::npos);
    EXPECT_NE(consensus.find("<data key=\"separated\">true</data><data key=\"weight\">0.745</data></edge>"),
              std::string::npos)
        << consensus;
}

// Per variable: blanket size (as learned; EE's graph is its blankets; none
// where a local run learned none), degree without missed edges, and ring.
TEST(ExportFormats, NodesRowForEveryVariable) {
    ByteMatrix rows(4, 4, 0);
    rows(0, 1) = rows(0, 2) = rows(1, 0) = 1;  // A lists B and C, B lists A
    const std::vector<scored_edge> edges = {
        {0, 1, edge_status::tp, false}, {0, 2, edge_status::fp, true}, {2, 3, edge_status::fn, false}};
    const local_scope around_a{0, 1, {1, 2, 2, 0}};
    struct nodes_case {
        const char* what;
        const ByteMatrix* rows;
        const local_scope* local;
        const char* csv;
    };
    const nodes_case cases[] = {
        {"EE", nullptr, nullptr, "name,blanket_size,degree\nA,2,2\n\"B\"\"q\",1,1\nC\\d,1,1\nlone,0,0\n"},
        {"IAMB", &rows, nullptr, "name,blanket_size,degree\nA,2,2\n\"B\"\"q\",1,1\nC\\d,0,1\nlone,0,0\n"},
        {"local", &rows, &around_a, "name,blanket_size,degree,ring\nA,2,2,1\n\"B\"\"q\",,1,2\nC\\d,,1,2\nlone,,0,0\n"},
    };
    for (const nodes_case& c : cases)
        EXPECT_EQ(nodes_csv({c.what, names, edges, true, c.rows, c.local}), c.csv) << c.what;
}

std::string file_of(const std::vector<export_file>& files, const std::string& suffix) {
    for (const export_file& file : files)
        if (file.suffix == suffix) return file.content;
    return "";
}

// A repeated name becomes a node of its own, under the same name in every file.
TEST(ExportFiles, RepeatedNamesGetSuffixesInEveryFile) {
    const std::vector<std::string> repeated = {"g", "g", "g.1", "g"};
    const std::vector<scored_edge> edges = {{0, 1, edge_status::learned, false}, {2, 3, edge_status::learned, false}};
    const std::vector<export_file> files = export_files({"EE", repeated, edges, false, nullptr});
    EXPECT_EQ(file_of(files, ".edges.csv"), "source,target,status,separated\ng,g.2,learned,\ng.1,g.3,learned,\n");
    EXPECT_EQ(file_of(files, ".nodes.csv"), "name,blanket_size,degree\ng,1,1\ng.2,1,1\ng.1,1,1\ng.3,1,1\n");
    EXPECT_NE(file_of(files, ".graphml").find("<edge source=\"g.1\" target=\"g.3\">"), std::string::npos);
    EXPECT_NE(file_of(files, ".dot").find("  \"g\" -- \"g.2\";"), std::string::npos);
}

// The local run: missed edges only where a blanket was learned at one end;
// the target named in the drawing's title and drawn apart; only its
// neighbourhood drawn.
TEST(ExportFiles, LocalRunShowsItsNeighbourhood) {
    const std::vector<std::string> chain = {"T", "M", "F", "O", "Far"};
    // T learned (ring 1, radius 1), M found in its blanket, F and O never reached.
    const local_scope scope{0, 1, {1, 2, 0, 0, 0}};
    const std::vector<scored_edge> edges = {{0, 1, edge_status::tp, false},
                                            {0, 2, edge_status::fn, false},   // the target's, missed: kept
                                            {1, 3, edge_status::fn, false},   // beyond the radius: left out
                                            {3, 4, edge_status::fn, false}};  // far away: left out
    ByteMatrix rows(5, 5, 0);
    rows(0, 1) = 1;
    const std::vector<export_file> files = export_files({"local", chain, edges, true, &rows, &scope});
    EXPECT_EQ(file_of(files, ".edges.csv"), "source,target,status,separated\nT,M,tp,\nT,F,fn,\n");
    const std::string dot = file_of(files, ".dot");
    EXPECT_NE(dot.find("label=<local: T, radius 1 &#183; "), std::string::npos) << dot;
    EXPECT_NE(dot.find("  \"T\" [fillcolor=gold, penwidth=3];"), std::string::npos) << dot;
    EXPECT_NE(dot.find("  \"F\" [color=grey60"), std::string::npos);  // the missed neighbour, not learned
    EXPECT_EQ(dot.find("\"O\""), std::string::npos);
    EXPECT_EQ(dot.find("\"Far\""), std::string::npos);
    const std::string graphml = file_of(files, ".graphml");
    EXPECT_NE(graphml.find("<data key=\"target\">T</data><data key=\"radius\">1</data>"), std::string::npos);
    EXPECT_NE(graphml.find("<node id=\"M\"><data key=\"name\">M</data><data key=\"degree\">1</data>"
                           "<data key=\"ring\">2</data></node>"),
              std::string::npos)
        << graphml;
}

TEST(ResultsTable, HeaderFields) {
    const std::string header = table_header();
    EXPECT_EQ(std::count(header.begin(), header.end(), ','), 24);
    // New columns come after every older one, which keep their places.
    EXPECT_EQ(bootstrap_table_header(), older_table_header() + ",bootstrap,threshold,seed");
    EXPECT_EQ(header_before_counts(), bootstrap_table_header() + ",correlation");
    EXPECT_EQ(header, header_before_counts() + ",finished,failed");
    EXPECT_EQ(header.rfind("data_file,n_vars,n_cases,n_edges,alpha,exact,learner,target,radius,threads,", 0), 0u);
}

}  // namespace
}  // namespace gaussnet
