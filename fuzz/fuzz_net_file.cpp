// "net.txt" and the moral graph on arbitrary bytes. Input: byte 0 gives
// n_vars (0-23), the rest is the file. Only the program's own fatal error may
// come out; on success every cell is 0 or 1 and the moral graph is symmetric
// with a zero diagonal, holds every arc and every pair of co-parents and
// nothing else, and n_edges counts its edges.

#include <cstdint>

#include "common/fatal_error.h"
#include "fuzz_support.h"
#include "input/read_input.h"
#include "scoring/moral_graph.h"

using namespace gaussnet;

namespace {

bool married(const ByteMatrix& net, int n, int i, int j) {
    if (net(i, j) == 1 || net(j, i) == 1) return true;
    for (int k = 0; k < n; ++k)
        if (k != i && k != j && net(i, k) == 1 && net(j, k) == 1) return true;
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    run_state state;
    state.n_vars = data[0] % 24;
    state.true_net = 1;
    const std::string& path = fuzz::write_scratch(data + 1, size - 1);
    try {
        read_true_network(state, path.c_str());
    } catch (const fatal_error&) {
        return 0;
    }
    const int n = state.n_vars;
    FUZZ_CHECK(state.true_network.rows() == n && state.true_network.cols() == n);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) FUZZ_CHECK(state.true_network(i, j) <= 1);
    const moralized moralized_net = moralize(state.true_network);
    const ByteMatrix& moral = moralized_net.graph;
    int edges = 0;
    for (int i = 0; i < n; ++i) {
        FUZZ_CHECK(moral(i, i) == 0);
        for (int j = 0; j < n; ++j) {
            FUZZ_CHECK(moral(i, j) == moral(j, i));
            if (i != j) FUZZ_CHECK((moral(i, j) == 1) == married(state.true_network, n, i, j));
            if (j < i) edges += moral(i, j);
        }
    }
    FUZZ_CHECK(edges == moralized_net.n_edges);
    return 0;
}
