#include "input/read_input.h"

namespace gaussnet {

void read_input(run_state& state) {
    if (state.true_net == 1) read_true_network(state, state.net_file.c_str());
    read_data_file(state);
}

}  // namespace gaussnet
