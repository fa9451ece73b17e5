// Placeholder: replaced by the real input readers.
#include "input/read_input.h"
namespace gaussnet {
void read_input(run_state&) {}
void read_data_file(run_state&) {}
void read_true_network(run_state&, const char*) {}
void derive_moral_graph(run_state&) {}
}  // namespace gaussnet
