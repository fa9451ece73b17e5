#pragma once

namespace gaussnet {

// The number of cores this process may run on (at least 1).
int available_cores();

}  // namespace gaussnet
