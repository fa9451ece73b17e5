#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "input/read_input.h"
#include "input_helpers.h"
#include "scoring/moral_graph.h"

namespace gaussnet {
namespace {

void moralize_into(run_state& state) {
    moralized moral = moralize(state.true_network);
    state.moral_graph = std::move(moral.graph);
    state.n_edges = moral.n_edges;
}

using test::fatal_text;
using test::temp_dir;

// The true network as rows of '0'/'1', for comparing whole matrices at once.
std::vector<std::string> rows_of(const ByteMatrix& m) {
    std::vector<std::string> rows;
    for (std::int64_t i = 0; i < m.rows(); ++i) {
        std::string row;
        for (std::int64_t j = 0; j < m.cols(); ++j) row += m(i, j) == 1 ? '1' : (m(i, j) == 0 ? '0' : '?');
        rows.push_back(row);
    }
    return rows;
}

// Reads content as "net.txt" for n_vars variables; message of the fatal error or "".
std::string read_net(const std::string& content, int n_vars, run_state& state) {
    temp_dir dir;
    dir.write("net.txt", content);
    state.n_vars = n_vars;
    const std::string path = (dir / "net.txt").string();
    std::string message = fatal_text([&] { read_true_network(state, path.c_str()); });
    // Paths differ from run to run; messages are compared with the name alone.
    if (const auto at = message.find(path); at != std::string::npos) message.replace(at, path.size(), "net.txt");
    return message;
}

struct net_case {
    const char* content;
    std::vector<std::string> rows;
};

TEST(TrueNetworkFile, EveryCharacterIsACell) {
    const net_case cases[] = {
        {"010\n001\n000\n", {"010", "001", "000"}},
        {"010\r\n001\r\n000\r\n", {"010", "001", "000"}},  // the CR of a line end is no cell
        {"010\n001\n000", {"010", "001", "000"}},          // the last line end may be missing
        {"700\n0a9\n -+\n", {"100", "001", "000"}},        // digits 1 to 9 are arcs, nothing else
        {"0 10\n001\n000\n", {"001", "000", "000"}},       // a separator shifts every later cell
        {"0\r1\n001\n000\n", {"001", "001", "000"}},       // a lone CR is a cell of its own
        {"010\n001\n000\nsurplus\n", {"010", "001", "000"}},
    };
    for (const auto& c : cases) {
        run_state state;
        EXPECT_EQ(read_net(c.content, 3, state), "") << c.content;
        EXPECT_EQ(rows_of(state.true_network), c.rows) << c.content;
    }
}

TEST(TrueNetworkFile, NoVariablesReadNothing) {
    run_state state;
    EXPECT_EQ(read_net("", 0, state), "");
    EXPECT_EQ(state.true_network.rows(), 0);
}

TEST(TrueNetworkFile, ShortFileIsAnError) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "net.txt ends before row 1 is complete."},
        {"010\n00", "net.txt ends before row 2 is complete."},
        {"010\n001\n", "net.txt ends before row 3 is complete."},
        {"010\n001\n00", "net.txt ends before row 3 is complete."},
    };
    for (const auto& [content, message] : cases) {
        run_state state;
        EXPECT_EQ(read_net(content, 3, state), message) << content;
    }
}

TEST(TrueNetworkFile, ByteOrderMarkIsNoCell) {
    run_state state;
    EXPECT_EQ(read_net("\xEF\xBB\xBF"
                       "010\r\n001\r\n000\r\n",
                       3, state),
              "");
    EXPECT_EQ(rows_of(state.true_network), (std::vector<std::string>{"010", "001", "000"}));
}

// n_vars x n_vars cells are not allocated for a file that cannot hold them
// (200,000 variables would take 40 GB): the message comes at once.
TEST(TrueNetworkFile, StatedSizeBeyondTheFileIsReportedWithoutAllocating) {
    run_state state;
    EXPECT_EQ(read_net("010\n001\n000\n", 200'000, state), "net.txt ends before row 1 is complete.");
    EXPECT_EQ(read_net(std::string(200'001, '0'), 200'000, state), "net.txt ends before row 2 is complete.");
    EXPECT_TRUE(state.true_network.empty());
}

TEST(TrueNetworkFile, MissingFileIsAnError) {
    temp_dir dir;
    run_state state;
    state.n_vars = 2;
    const std::string path = (dir / "net.txt").string();
    EXPECT_EQ(fatal_text([&] { read_true_network(state, path.c_str()); }),
              "Cannot open " + path + ": No such file or directory.");
}

// --- read_input ----------------------------------------------------------

// Runs the test body in dir, returning to the previous working directory after.
class working_directory {
public:
    explicit working_directory(const std::filesystem::path& dir) : previous_(std::filesystem::current_path()) {
        std::filesystem::current_path(dir);
    }
    ~working_directory() { std::filesystem::current_path(previous_); }

private:
    std::filesystem::path previous_;
};

TEST(ReadInput, ReadsNetTxtFromTheWorkingDirectoryOnlyWithTrueNetOne) {
    temp_dir dir;
    const working_directory in_dir(dir.path());
    dir.write("data.txt", "a b\n1 2\n");
    run_state state = test::data_state(dir, 1, 2);
    state.true_net = 1;
    EXPECT_EQ(fatal_text([&] { read_input(state); }), "Cannot open net.txt: No such file or directory.");

    dir.write("net.txt", "01\n00\n");
    for (int true_net : {0, 2, -1}) {
        state.true_net = true_net;
        state.true_network = ByteMatrix();
        EXPECT_EQ(fatal_text([&] { read_input(state); }), "") << true_net;
        EXPECT_TRUE(state.true_network.empty()) << true_net;
    }
    state.true_net = 1;
    EXPECT_EQ(fatal_text([&] { read_input(state); }), "");
    EXPECT_EQ(rows_of(state.true_network), (std::vector<std::string>{"01", "00"}));
    EXPECT_EQ(state.var_names, (std::vector<std::string>{"a", "b"}));
}

// --- moral graph ---------------------------------------------------------

struct moral_case {
    const char* name;
    std::vector<std::string> net;
    std::vector<std::string> moral;
    int n_edges;
};

TEST(MoralGraph, MarriesParentsAndJoinsArcs) {
    const moral_case cases[] = {
        {"chain", {"010", "001", "000"}, {"010", "101", "010"}, 2},
        {"collider", {"001", "001", "000"}, {"011", "101", "110"}, 3},
        {"two common children", {"0011", "0011", "0000", "0000"}, {"0111", "1011", "1100", "1100"}, 5},
        {"shared parent", {"011", "000", "000"}, {"011", "100", "100"}, 2},
        {"both directions", {"01", "10"}, {"01", "10"}, 1},
        {"diagonal", {"100", "010", "001"}, {"000", "000", "000"}, 0},
        {"diamond", {"0110", "0001", "0001", "0000"}, {"0110", "1011", "1101", "0110"}, 5},
        {"one variable", {"1"}, {"0"}, 0},
        {"no variables", {}, {}, 0},
    };
    for (const auto& c : cases) {
        run_state state;
        state.n_vars = static_cast<int>(c.net.size());
        state.true_network = ByteMatrix(state.n_vars, state.n_vars);
        for (int i = 0; i < state.n_vars; ++i) {
            for (int j = 0; j < state.n_vars; ++j) state.true_network(i, j) = c.net[i][j] == '1' ? 1 : 0;
        }
        moralize_into(state);
        EXPECT_EQ(rows_of(state.moral_graph), c.moral) << c.name;
        EXPECT_EQ(state.n_edges, c.n_edges) << c.name;
    }
}

TEST(MoralGraph, FromTheFileDigitSevenAndLetters) {
    // Arcs 0->2 (a 7) and 1->2; the letters and blanks are no arcs.
    run_state state;
    ASSERT_EQ(read_net("x07\nq 1\nab \n", 3, state), "");
    moralize_into(state);
    EXPECT_EQ(rows_of(state.moral_graph), (std::vector<std::string>{"011", "101", "110"}));
    EXPECT_EQ(state.n_edges, 3);
}

}  // namespace
}  // namespace gaussnet
