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
    EXPECT_NE(scored.find("  n1 [label=\"B\\\"q\"];\n"), std::string::npos) << scored;
    EXPECT_NE(scored.find("  n2 [label=\"C\\\\d\"];\n"), std::string::npos) << scored;
    EXPECT_NE(scored.find("  n3 [label=\"lone\"];\n"), std::string::npos);  // isolated in the learned graph too
    EXPECT_NE(scored.find("  n0 -- n1 [color=black];\n"), std::string::npos);
    EXPECT_NE(scored.find("  n0 -- n2 [color=red];\n"), std::string::npos);
    EXPECT_NE(scored.find("  n2 -- n3 [color=grey55, style=dashed];\n"), std::string::npos);
    EXPECT_NE(scored.find("cluster_legend"), std::string::npos);
    EXPECT_EQ(scored.substr(scored.size() - 2), "}\n");

    const std::vector<scored_edge> plain_edges = {{0, 1, edge_status::learned, false}};
    const std::string plain = graph_dot({"IAMB1", names, plain_edges, false, nullptr});
    EXPECT_NE(plain.find("  n0 -- n1 [color=black];\n"), std::string::npos);
    EXPECT_EQ(plain.find("legend"), std::string::npos);  // nothing to tell apart without a truth
}

TEST(ResultsTable, HeaderFields) {
    const std::string header = table_header();
    EXPECT_EQ(std::count(header.begin(), header.end(), ','), 21);
    // The bootstrap's columns come after every older one, which keep their places.
    EXPECT_EQ(header, older_table_header() + ",bootstrap,threshold,seed");
    EXPECT_EQ(header.rfind("data_file,n_vars,n_cases,n_edges,alpha,exact,learner,target,radius,threads,", 0), 0u);
}

}  // namespace
}  // namespace gaussnet
