// Scoring a learned structure against the moral graph, writing it out when
// there is no true network, and the separation search behind fdr2. Every
// expected triple below is worked out by hand from the definitions of the
// rates; the comment beside each case shows the counts.
#include "scoring/report_structure.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <ostream>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "common/text.h"
#include "input/run_state.h"

namespace gaussnet {
namespace {

using edge_list = std::vector<std::pair<int, int>>;

// A run state with the moral graph of the given undirected edges.
run_state scored_state(int n_vars, const edge_list& moral_edges) {
    run_state state;
    state.n_vars = n_vars;
    state.n_cases = 10;
    state.true_net = 1;
    state.moral_graph = ByteMatrix(n_vars, n_vars, 0);
    for (const auto& [a, b] : moral_edges) {
        state.moral_graph(a, b) = 1;
        state.moral_graph(b, a) = 1;
    }
    state.n_edges = static_cast<int>(moral_edges.size());
    return state;
}

ByteMatrix learned_from(int n_vars, const edge_list& cells) {
    ByteMatrix learned(n_vars, n_vars, 0);
    for (const auto& [row, column] : cells) learned(row, column) = 1;
    return learned;
}

struct report_output {
    std::string console;
    std::string log;
};

// What the run sequence prints and logs for a learned structure: both
// triples with a true network, the matrix block (log only) without.
report_output report(const run_state& state, const ByteMatrix& learned, int threads = 1) {
    if (state.true_net != 1) return {"", matrix_block(learned)};
    const structure_scores scores = score_structure(learned, state.moral_graph, state.n_edges, threads);
    const rate_triple& v = scores.per_variable;
    const rate_triple& e = scores.per_edge;
    const std::string text = strprintf(" tpr= %.2f, fdr= %.2f, fdr2= %.2f", v.tpr, v.fdr, v.fdr2) +
                             strprintf(", tpr= %.2f, fdr= %.2f, fdr2= %.2f", e.tpr, e.fdr, e.fdr2);
    return {text, text};
}

// The learned undirected edges the scores list (tp and fp), as pairs.
edge_list learned_pairs(const structure_scores& scores) {
    edge_list pairs;
    for (const scored_edge& edge : scores.edges)
        if (edge.status != edge_status::fn) pairs.emplace_back(edge.source, edge.target);
    return pairs;
}

struct scoring_case {
    const char* name;
    int n_vars;
    edge_list moral;
    edge_list learned;  // (row, column) cells set to 1
    std::string expected;
};

void PrintTo(const scoring_case& c, std::ostream* os) { *os << c.name; }

// Variables X=0, Y=1, Z=2 unless said otherwise; the chain has moral edges X-Y and Y-Z.
const edge_list chain = {{0, 1}, {1, 2}};

std::vector<scoring_case> scoring_cases() {
    return {
        // X lists Z only: Z is false, and X-Y-Z is open (nothing blocked), so linked.
        // Per variable: X tp 0/deg 1, fdr 1/1, no separated; Y, Z empty -> tpr 0, fdr 1/3, fdr2 0.
        // Per edge: X-Z false and linked -> tpr 0/2, fdr 1/1, fdr2 0.
        {"ChainLinkedFalseMember",
         3,
         chain,
         {{0, 2}},
         " tpr= 0.00, fdr= 0.33, fdr2= 0.00, tpr= 0.00, fdr= 1.00, fdr2= 0.00"},
        // X lists Y and Z: Y blocks X's only path, so Z is separated for X.
        // Per variable: X tpr 1/1, fdr 1/2, fdr2 1/2; Y, Z empty -> tpr 1/3, fdr 0.5/3, fdr2 0.5/3.
        // Per edge: X-Y true; Z-X false: Z's other learned neighbours (none) leave Z-Y-X open -> linked.
        // tpr 1/2, fdr 1/2, fdr2 0.
        {"ChainSeparatedFalseMember",
         3,
         chain,
         {{0, 1}, {0, 2}},
         " tpr= 0.33, fdr= 0.17, fdr2= 0.17, tpr= 0.50, fdr= 0.50, fdr2= 0.00"},
        // Z lists X and Y: per variable Z is 1/1 true, X separated by Y -> tpr 1/3, fdr 0.5/3, fdr2 0.5/3.
        // Per edge: Z-X false; Z's other neighbour Y blocks the search from Z, but X's other
        // neighbours (none) leave the path open -> linked: tpr 1/2, fdr 1/2, fdr2 0.
        {"EdgeLinkedThroughSecondEndpoint",
         3,
         chain,
         {{2, 0}, {2, 1}},
         " tpr= 0.33, fdr= 0.17, fdr2= 0.17, tpr= 0.50, fdr= 0.50, fdr2= 0.00"},
        // X lists Y, Z and Z lists Y, X: both separated per variable (X: 1/1, 1/2, 1/2; Z the same; Y empty)
        // -> tpr 2/3, fdr 1/3, fdr2 1/3. Per edge: X-Y, Y-Z true; X-Z false and Y is blocked from
        // both ends -> separated: tpr 2/2, fdr 1/3, fdr2 1/3.
        {"EdgeSeparatedFromBothEnds",
         3,
         chain,
         {{0, 1}, {0, 2}, {2, 1}, {2, 0}},
         " tpr= 0.67, fdr= 0.33, fdr2= 0.33, tpr= 1.00, fdr= 0.33, fdr2= 0.33"},
        // Only X lists Y: the true member counts for X alone (Y's row is empty) -> tpr (1 + 0 + 0)/3;
        // per edge the pair counts once -> 1/2.
        {"PerVariableReadsOwnRowOnly",
         3,
         chain,
         {{0, 1}},
         " tpr= 0.33, fdr= 0.00, fdr2= 0.00, tpr= 0.50, fdr= 0.00, fdr2= 0.00"},
        // X and Y list each other: per variable X 1/1, Y 1/2 -> 1.5/3; per edge X-Y once -> 1/2.
        {"PairListedByBothCountsOnce",
         3,
         chain,
         {{0, 1}, {1, 0}},
         " tpr= 0.50, fdr= 0.00, fdr2= 0.00, tpr= 0.50, fdr= 0.00, fdr2= 0.00"},
        // Learned = moral graph with variable 3 isolated: tpr (1 + 1 + 1 + 0)/4; per edge 2/2.
        {"PerfectWithIsolatedVariable",
         4,
         chain,
         {{0, 1}, {1, 0}, {1, 2}, {2, 1}},
         " tpr= 0.75, fdr= 0.00, fdr2= 0.00, tpr= 1.00, fdr= 0.00, fdr2= 0.00"},
        {"EmptyLearnedGraph", 3, chain, {}, " tpr= 0.00, fdr= 0.00, fdr2= 0.00, tpr= 0.00, fdr= 0.00, fdr2= 0.00"},
        // No arcs: no variable has neighbours (tpr skipped), n_edges 0 gives per-edge tpr 0.
        // 0 lists 1: false and separated (no edges at all) -> fdr 1/3, fdr2 1/3; per edge 1/1, 1/1.
        {"TrueNetworkWithoutArcs",
         3,
         {},
         {{0, 1}},
         " tpr= 0.00, fdr= 0.33, fdr2= 0.33, tpr= 0.00, fdr= 1.00, fdr2= 1.00"},
        // Moral parts {0,1} and {2,3}; 0 lists 2 across them with nothing blocked: still separated.
        // Per variable: 0 -> tpr 0/1, fdr 1, fdr2 1 -> 0, 1/4, 1/4. Per edge: 0/2, 1/1, 1/1.
        {"FalseEdgeBetweenParts",
         4,
         {{0, 1}, {2, 3}},
         {{0, 2}},
         " tpr= 0.00, fdr= 0.25, fdr2= 0.25, tpr= 0.00, fdr= 1.00, fdr2= 1.00"},
    };
}

class Scoring : public ::testing::TestWithParam<scoring_case> {};

TEST_P(Scoring, RatesAndLearnedEdges) {
    const scoring_case& c = GetParam();
    for (int threads : {1, 2}) {
        SCOPED_TRACE(threads);
        const run_state state = scored_state(c.n_vars, c.moral);
        const ByteMatrix learned = learned_from(c.n_vars, c.learned);
        EXPECT_EQ(report(state, learned, threads).console, c.expected);
        // The learned edges are the union of what was learned and its transpose, in order.
        edge_list expected;
        for (int s = 0; s < c.n_vars; ++s)
            for (int t = s + 1; t < c.n_vars; ++t)
                if (learned(s, t) == 1 || learned(t, s) == 1) expected.emplace_back(s, t);
        EXPECT_EQ(learned_pairs(score_structure(learned, state.moral_graph, state.n_edges, threads)), expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, Scoring, ::testing::ValuesIn(scoring_cases()),
                         [](const ::testing::TestParamInfo<scoring_case>& info) { return info.param.name; });

TEST(MatrixOutput, WithoutTrueNetworkTheSymmetrisedBlockGoesToTheLogOnly) {
    // true_net is compared with 1: 0 and 2 both mean "no true network".
    for (int true_net : {0, 2}) {
        run_state state;
        state.n_vars = 3;
        state.true_net = true_net;
        ByteMatrix learned = learned_from(3, {{0, 2}});
        const ByteMatrix before = learned;
        const report_output out = report(state, learned);
        EXPECT_EQ(out.console, "");
        EXPECT_EQ(out.log, "\n\n\n001\n000\n100\n");
        EXPECT_EQ(learned, before);  // the union is printed, the matrix stays as it was
    }
    run_state single;
    single.n_vars = 1;
    ByteMatrix one(1, 1, 0);
    EXPECT_EQ(report(single, one).log, "\n\n\n0\n");
}

// The rates straight from their definition: one path_exists search per false
// member, and per false edge the search from j avoiding j's other learned
// neighbours, then (only if that fails) the one avoiding m's.
std::string rates_by_definition(const run_state& state, ByteMatrix learned) {
    const int n = state.n_vars;
    const ByteMatrix& moral = state.moral_graph;
    auto linked = [&](int from, int to, const std::uint8_t* row, int except) {
        std::vector<std::uint8_t> blocked(n), visited(n, 0);
        for (int h = 0; h < n; ++h) blocked[h] = h != except && row[h] == 1;
        return path_exists(from, to, blocked.data(), visited.data(), moral);
    };
    double tpr = 0, fdr = 0, fdr2 = 0;
    for (int i = 0; i < n; ++i) {
        int tp = 0, fp = 0, fl = 0, fs = 0, degree = 0;
        for (int l = 0; l < n; ++l) {
            degree += moral(i, l);
            if (learned(i, l) != 1) continue;
            if (moral(i, l) == 1) ++tp;
            else if (++fp, linked(i, l, learned.row(i), l)) ++fl;
            else ++fs;
        }
        if (degree > 0) tpr += static_cast<double>(tp) / degree;
        if (fp > 0) fdr += static_cast<double>(fp) / (fp + tp);
        if (fs > 0) fdr2 += static_cast<double>(fs) / (fs + fl + tp);
    }
    std::string text = strprintf(" tpr= %.2f, fdr= %.2f, fdr2= %.2f", tpr / n, fdr / n, fdr2 / n);
    for (int j = 0; j < n; ++j)
        for (int k = 0; k < n; ++k)
            if (learned(j, k) == 1) learned(k, j) = 1;
    long long tp = 0, fp = 0, fl = 0, fs = 0;
    for (int j = 1; j < n; ++j)
        for (int m = 0; m < j; ++m) {
            if (learned(j, m) != 1) continue;
            if (moral(j, m) == 1) ++tp;
            else if (++fp, linked(j, m, learned.row(j), m) || linked(j, m, learned.row(m), j)) ++fl;
            else ++fs;
        }
    const double edge_tpr = state.n_edges != 0 ? static_cast<double>(tp) / state.n_edges : 0;
    const double edge_fdr = fp != 0 ? static_cast<double>(fp) / static_cast<double>(fp + tp) : 0;
    const double edge_fdr2 = fs != 0 ? static_cast<double>(fs) / static_cast<double>(fs + fl + tp) : 0;
    return text + strprintf(", tpr= %.2f, fdr= %.2f, fdr2= %.2f", edge_tpr, edge_fdr, edge_fdr2);
}

// One separation search per variable (and per edge end) must settle every
// false member and edge as the individual searches do: random sparse moral
// graphs, learned matrices with many false cells, on 1 and 3 threads. The
// rates are printed to two decimals, so the graphs are small enough for one
// wrong count to show.
TEST(ScoringSearches, AgreeWithOneSearchPerFalseItem) {
    std::mt19937 rng(17);
    for (int trial = 0; trial < 300; ++trial) {
        const int n = 2 + static_cast<int>(rng() % 12);
        edge_list moral_edges;
        for (int a = 1; a < n; ++a)
            for (int b = 0; b < a; ++b)
                if (rng() % 4 == 0) moral_edges.push_back({a, b});
        edge_list cells;
        for (int a = 0; a < n; ++a)
            for (int b = 0; b < n; ++b)
                if (a != b && rng() % 3 == 0) cells.push_back({a, b});
        for (int threads : {1, 3}) {
            const run_state state = scored_state(n, moral_edges);
            ByteMatrix learned = learned_from(n, cells);
            const std::string expected = rates_by_definition(state, learned);
            EXPECT_EQ(report(state, learned, threads).console, expected)
                << "trial " << trial << ", threads " << threads;
            // The edge list's verdicts count out to the per-edge rates, and tp + fn is the truth.
            const structure_scores scores = score_structure(learned, state.moral_graph, state.n_edges, threads);
            long long tp = 0, fp = 0, fs = 0, fn = 0;
            for (const scored_edge& edge : scores.edges) {
                tp += edge.status == edge_status::tp;
                fp += edge.status == edge_status::fp;
                fs += edge.status == edge_status::fp && edge.separated;
                fn += edge.status == edge_status::fn;
                EXPECT_LT(edge.source, edge.target);
                EXPECT_EQ(edge.status == edge_status::fn || edge.status == edge_status::tp,
                          state.moral_graph(edge.source, edge.target) == 1);
            }
            EXPECT_EQ(tp + fn, state.n_edges);
            EXPECT_EQ(scores.per_edge.tpr, state.n_edges ? static_cast<double>(tp) / state.n_edges : 0.0);
            EXPECT_EQ(scores.per_edge.fdr, fp ? static_cast<double>(fp) / static_cast<double>(fp + tp) : 0.0);
            EXPECT_EQ(scores.per_edge.fdr2, fs ? static_cast<double>(fs) / static_cast<double>(fp + tp) : 0.0);
        }
    }
}

// path_exists on small graphs given as edge lists (undirected).
struct search_case {
    const char* name;
    int n_vars;
    edge_list edges;
    int from;
    int to;
    std::vector<int> blocked;
    bool found;
    std::vector<int> visited;  // the vertices marked afterwards, ascending
};

void PrintTo(const search_case& c, std::ostream* os) { *os << c.name; }

std::vector<search_case> search_cases() {
    return {
        // Start equals goal: found at once, nothing marked, even when the start is blocked.
        {"StartIsGoal", 3, {{0, 1}}, 1, 1, {1}, true, {}},
        // The goal must be enterable.
        {"BlockedGoal", 3, {{0, 1}, {1, 2}}, 0, 2, {2}, false, {0, 1}},
        // The start is never tested against the blocked set.
        {"BlockedStartIsExpanded", 3, {{0, 1}, {1, 2}}, 0, 2, {0}, true, {0, 1}},
        // A failed search marks exactly what it could reach: {0,1,2,3}, not the part {4,5}.
        {"FailedSearchMarksItsComponent", 6, {{0, 1}, {1, 2}, {0, 3}, {4, 5}}, 0, 5, {}, false, {0, 1, 2, 3}},
        // With 1 blocked, 2 (reachable only through 1) is neither entered nor marked.
        {"BlockedVertexCutsOffItsSide", 6, {{0, 1}, {1, 2}, {0, 3}, {4, 5}}, 0, 5, {1}, false, {0, 3}},
        // A detour around a blocked vertex.
        {"DetourAroundBlocked", 4, {{0, 1}, {1, 3}, {0, 2}, {2, 3}}, 0, 3, {1}, true, {0, 2}},
        // Depth first in ascending order: 0 -> 1 -> 3 -> 5 (dead end), then 2 -> 4 = goal, which is
        // not marked. Breadth first would stop before entering 5; descending order would mark {0, 2}.
        {"DepthFirstAscendingOrder", 6, {{0, 1}, {0, 2}, {1, 3}, {3, 5}, {2, 4}}, 0, 4, {}, true, {0, 1, 2, 3, 5}},
    };
}

class PathExists : public ::testing::TestWithParam<search_case> {};

TEST_P(PathExists, ResultAndVisitedMarks) {
    const search_case& c = GetParam();
    ByteMatrix graph(c.n_vars, c.n_vars, 0);
    for (const auto& [a, b] : c.edges) {
        graph(a, b) = 1;
        graph(b, a) = 1;
    }
    std::vector<std::uint8_t> blocked(static_cast<std::size_t>(c.n_vars), 0);
    for (int v : c.blocked) blocked[v] = 1;
    std::vector<std::uint8_t> visited(static_cast<std::size_t>(c.n_vars), 0);
    EXPECT_EQ(path_exists(c.from, c.to, blocked.data(), visited.data(), graph), c.found);
    std::vector<int> marked;
    for (int v = 0; v < c.n_vars; ++v)
        if (visited[v] == 1) marked.push_back(v);
    EXPECT_EQ(marked, c.visited);
}

INSTANTIATE_TEST_SUITE_P(Graphs, PathExists, ::testing::ValuesIn(search_cases()),
                         [](const ::testing::TestParamInfo<search_case>& info) { return info.param.name; });

TEST(PathExistsDepth, ChainOfTwoHundredThousandVertices) {
    // The search keeps its own stack, so a path as long as the graph is large
    // must not exhaust the call stack. The chain is built as adjacency lists
    // directly (a byte matrix of this order would need 40 GB).
    const int n = 200000;
    adjacency chain(ByteMatrix{});
    chain.first.clear();
    for (int v = 0; v < n; ++v) {
        chain.first.push_back(static_cast<std::int64_t>(chain.neighbours.size()));
        if (v > 0) chain.neighbours.push_back(v - 1);
        if (v + 1 < n) chain.neighbours.push_back(v + 1);
    }
    chain.first.push_back(static_cast<std::int64_t>(chain.neighbours.size()));

    std::vector<std::uint8_t> blocked(n, 0);
    std::vector<std::uint8_t> visited(n, 0);
    EXPECT_TRUE(path_exists(0, n - 1, blocked.data(), visited.data(), chain));
    // Every vertex but the goal was entered on the way.
    EXPECT_EQ(std::count(visited.begin(), visited.end(), 1), n - 1);

    // Blocking the last vertex but one: the whole rest is searched, in vain.
    blocked[n - 2] = 1;
    std::fill(visited.begin(), visited.end(), 0);
    EXPECT_FALSE(path_exists(0, n - 1, blocked.data(), visited.data(), chain));
    EXPECT_EQ(std::count(visited.begin(), visited.end(), 1), n - 2);
}

}  // namespace
}  // namespace gaussnet
