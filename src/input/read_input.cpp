#include "input/read_input.h"

#include "input/pair_file.h"

namespace gaussnet {

void read_input(run_state& state) {
    if (state.true_net == 1) read_true_network(state, state.net_file.c_str());
    read_data_file(state);
    if (state.forbid_file.empty() && state.require_file.empty()) return;
    const pair_list forbid = state.forbid_file.empty() ? pair_list{} : read_pair_file(state.forbid_file, "--forbid");
    const pair_list require =
        state.require_file.empty() ? pair_list{} : read_pair_file(state.require_file, "--require");
    state.pairs = resolve_pairs(forbid, require, state.var_names, state.n_cases);
}

}  // namespace gaussnet
