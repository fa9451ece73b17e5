#include <cstdio>

#include "numerics/numerics.h"

namespace gaussnet {

// A report never stops the computation: the caller goes on with a defined value.
void numerics_error(const char* routine, const char* message) {
    std::fprintf(stderr, "Numerics Error in routine %s\n", routine);
    std::fprintf(stderr, "    %s\n", message);
}

}  // namespace gaussnet
